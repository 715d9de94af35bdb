// RIFF WAVE files of 8- or 16-bit PCM, read into 16-bit samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

struct Wave {
  int32_t sample_rate = 0;
  int32_t channels = 0;          // 1 or 2
  std::vector<int16_t> samples;  // interleaved frames
};

// nullopt for a file that is not plain PCM WAVE or is damaged.
std::optional<Wave> parse_wav(const uint8_t* data, size_t size);

// A 16-bit PCM WAVE file of the wave, for our tools and tests.
std::vector<uint8_t> encode_wav(const Wave& wave);

}  // namespace qv
