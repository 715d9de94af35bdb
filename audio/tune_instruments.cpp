#include "audio/tune_instruments.hpp"

#include <map>
#include <utility>

namespace qv {

void TuneInstruments::add(const MidiSong& song) {
  std::array<uint8_t, kChannels> program{};
  for (const MidiEvent& e : song.events) {
    int ch = e.status & 0x0F;
    switch (e.status & 0xF0) {
      case 0xC0:
        program[ch] = e.data1 & 0x7F;
        break;
      case 0xB0:
        if (e.data1 == 0) banks_[ch].set(e.data2 & 0x7F);  // bank select, its high byte
        break;
      case 0x90:
        if (e.data2 > 0) keys_[ch][program[ch]].set(e.data1 & 0x7F);
        break;
      default:
        break;
    }
  }
}

std::vector<InstrumentUse> TuneInstruments::uses() const {
  std::map<std::pair<int32_t, int32_t>, std::bitset<128>> found;
  for (int ch = 0; ch < kChannels; ++ch) {
    std::bitset<128> banks = banks_[ch];
    banks.set(0);  // where every channel starts
    for (int32_t program = 0; program < 128; ++program) {
      const std::bitset<128>& keys = keys_[ch][program];
      if (keys.none()) continue;
      if (ch == kDrumChannel) {  // a drum channel takes no bank selects
        found[{kDrumBank, program}] |= keys;
        continue;
      }
      for (int32_t bank = 0; bank < 128; ++bank)
        if (banks.test(bank)) found[{bank, program}] |= keys;
    }
  }
  std::vector<InstrumentUse> uses;
  for (const auto& [id, keys] : found) uses.push_back({id.first, id.second, keys});
  return uses;
}

}  // namespace qv
