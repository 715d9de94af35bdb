// WAVE files from the disk: a wave of one or two channels and whole frames, or nothing.
#include <cstdlib>

#include "formats/wav.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<qv::Wave> wave = qv::parse_wav(data, size);
  if (!wave) return 0;
  if (wave->channels < 1 || wave->channels > 2) std::abort();
  if (wave->sample_rate < 1000 || wave->sample_rate > 192000) std::abort();
  if (wave->samples.size() % static_cast<size_t>(wave->channels) != 0) std::abort();
  if (wave->samples.size() > size) std::abort();  // at least a byte of the file per sample
  return 0;
}
