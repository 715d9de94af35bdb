// The media command strings: one command per line, sent in order to a fresh device layer on a
// clock that moves between them. The first byte of a line sets the size of the answer buffer,
// a line that starts with "snd " plays an effect. Any command gets a result code and, if it
// answers, an answer that fits its buffer and ends in a zero; never a crash or a hang.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "system/media.hpp"
#include "sim/simulator.hpp"

namespace {

// Checks that the sink is only ever handed what Media holds: a song or wave with its data.
class CheckingSink final : public qv::AudioSink {
 public:
  void music_play(const qv::MidiSong* song, uint64_t from_us) override {
    if (!song || from_us > song->length_us) std::abort();
  }
  void music_stop() override {}
  void effect_play(const qv::Wave* wave, bool) override {
    if (!wave) std::abort();
  }
  void effect_stop() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::VirtualClock clock;
  CheckingSink sink;
  qv::Media media(clock, sink);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  uint64_t ms = 0;
  while (!input.empty()) {
    size_t end = std::min(input.find('\n'), input.size());
    std::string_view line = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
    clock.set_ms(ms += 250);
    if (line.rfind("snd ", 0) == 0) {
      media.sndPlaySoundA(line.substr(4), line.size() > 4 ? static_cast<uint8_t>(line[4]) : 0);
      continue;
    }
    uint32_t length = line.empty() ? 0 : static_cast<uint8_t>(line[0]) % 40;
    char answer[48];
    std::memset(answer, 0x55, sizeof answer);
    media.mciSendStringA(line, length ? answer : nullptr, length);
    bool written = false;
    for (size_t i = 0; i < length; ++i) written |= answer[i] != 0x55;
    if (written && std::memchr(answer, 0, length) == nullptr) std::abort();  // an answer ends
    for (size_t i = length; i < sizeof answer; ++i)
      if (answer[i] != 0x55) std::abort();  // nothing written past the buffer it was given
  }
  return 0;
}
