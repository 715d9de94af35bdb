#include "system/sound.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "system/media.hpp"

namespace qv {

void Play_Bgm(std::string_view file_name) {
  mciSendStringA("stop midifile ", nullptr, 0, 0);
  mciSendStringA("close midifile", nullptr, 0, 0);
  if (file_name.empty()) return;
  // The ending changes the tune in the middle of a frame: the command is built on the stack.
  constexpr std::string_view kHead = "open \"", kTail = "\" type sequencer alias midifile";
  std::array<char, 256> buffer;
  if (kHead.size() + file_name.size() + kTail.size() <= buffer.size()) {
    char* end = std::copy(kHead.begin(), kHead.end(), buffer.data());
    end = std::copy(file_name.begin(), file_name.end(), end);
    end = std::copy(kTail.begin(), kTail.end(), end);
    mciSendStringA(std::string_view(buffer.data(), static_cast<size_t>(end - buffer.data())),
                   nullptr, 0, 0);
  } else {
    mciSendStringA(std::string(kHead) + std::string(file_name) + std::string(kTail), nullptr, 0, 0);
  }
  mciSendStringA("play midifile from 0", nullptr, 0, 0);
}

void Play_Se(std::string_view file_name, int16_t mode) {
  uint32_t flags = mode == 0  ? (SND_ASYNC | SND_NODEFAULT | SND_LOOP)
                   : mode > 0 ? (SND_ASYNC | SND_NODEFAULT)
                              : SND_SYNC;
  sndPlaySoundA(file_name, flags);
}

}  // namespace qv
