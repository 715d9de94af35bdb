// The music watchdog: a tune plays once on the device, so every second we look whether it
// has stopped and, if so, play it again from its start. That is how every tune loops.
#include <cctype>
#include <cstring>

#include "game/handlers.hpp"
#include "system/media.hpp"

namespace qv {

void Bgm_Check_Timer(Window&) {
  char mode[17];
  std::memset(mode, ' ', 16);
  mode[16] = '\0';
  int32_t result = mciSendStringA("status midifile mode", mode, 15, 0);
  if (result == MCIERR_INVALID_DEVICE_NAME) return;  // no tune is open
  char head[8] = {};
  for (int i = 0; i < 7; ++i)
    head[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(mode[i])));
  if (std::strcmp(head, "STOPPED") == 0) mciSendStringA("play midifile from 0", nullptr, 0, 0);
}

}  // namespace qv
