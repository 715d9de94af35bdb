#include "platform/sound.hpp"

#include <string>

#include "platform/media.hpp"

namespace qv {

void Play_Bgm(std::string_view file_name) {
  mciSendStringA("stop midifile ", nullptr, 0, 0);
  mciSendStringA("close midifile", nullptr, 0, 0);
  if (file_name.empty()) return;
  std::string open = "open \"";
  open += file_name;
  open += "\" type sequencer alias midifile";
  mciSendStringA(open, nullptr, 0, 0);
  mciSendStringA("play midifile from 0", nullptr, 0, 0);
}

void Play_Se(std::string_view file_name, int16_t mode) {
  uint32_t flags = mode == 0 ? (SND_ASYNC | SND_NODEFAULT | SND_LOOP)
                   : mode > 0 ? (SND_ASYNC | SND_NODEFAULT)
                              : SND_SYNC;
  sndPlaySoundA(file_name, flags);
}

}  // namespace qv
