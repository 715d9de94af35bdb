// A SoundFont cut down to the instruments and keys some tunes play. The sample data stays where
// it is in the file; only the tables that describe the presets, instruments and samples are
// written anew, keeping just the zones the tunes can sound. A synthesizer that reads its samples
// as its presets are chosen then reads, and holds in memory, only those.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/tune_instruments.hpp"

namespace qv {

// A RIFF file's sizes are 32-bit: no SoundFont is larger, and a file that is is none.
constexpr int64_t kLargestSoundfont = int64_t{4} << 30;

class SoundfontSubset {
 public:
  // The cut of the file for these instruments, looked up as FluidSynth does (a missing program
  // falls back to bank 0, then to the piano; a missing kit to the standard kit). Null when the
  // file is no sound SoundFont, or has none of them.
  static std::shared_ptr<const SoundfontSubset> cut(const std::string& path,
                                                    const std::vector<InstrumentUse>& uses);
  ~SoundfontSubset();
  SoundfontSubset(const SoundfontSubset&) = delete;
  SoundfontSubset& operator=(const SoundfontSubset&) = delete;

  // The cut as a file: its size, and `n` of its bytes from `at` (false past its end or when
  // the real file cannot be read). Safe from any thread.
  int64_t size() const { return size_; }
  bool read(int64_t at, void* out, int64_t n) const;

  // The presets kept, as bank and program, each once.
  const std::vector<std::pair<int32_t, int32_t>>& presets() const { return presets_; }
  // The bytes of sample data the kept zones play, and those of the whole file.
  int64_t sample_bytes() const { return sample_bytes_; }
  int64_t all_sample_bytes() const { return all_sample_bytes_; }

 private:
  SoundfontSubset() = default;

  // A stretch of the cut file: from the real file at `source`, or from `memory_` at `kept`.
  struct Piece {
    int64_t at;
    int64_t size;
    int64_t source;  // -1 for memory
    size_t kept;
  };

  int fd_ = -1;
  int64_t size_ = 0;
  std::vector<Piece> pieces_;
  std::vector<uint8_t> memory_;  // the new RIFF head, then the new tables
  std::vector<std::pair<int32_t, int32_t>> presets_;
  int64_t sample_bytes_ = 0;
  int64_t all_sample_bytes_ = 0;
};

}  // namespace qv
