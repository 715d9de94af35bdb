// The game's one effect voice, mixed into interleaved stereo frames: a new effect cuts off the
// one before, which fades out on a voice of its own while the new one fades in, so that neither
// a cut nor a start ever clicks, yet a hit still sounds at once. No synthesizer: the Windows
// host plays its effects with it alone.
#pragma once

#include <array>
#include <cstdint>

#include "formats/wav.hpp"

namespace qv {

class EffectsMixer {
 public:
  explicit EffectsMixer(int32_t sample_rate) : rate_(sample_rate) {}

  void play(const Wave* wave, bool loop);
  void stop();
  // Adds `frames` interleaved stereo frames at `level` (0 silent, 1 as made) to `out`.
  void mix_into(float* out, int32_t frames, float level);
  bool playing() const { return voice_.wave != nullptr; }

 private:
  struct Voice {
    const Wave* wave = nullptr;
    double pos = 0;   // in frames of the wave
    double step = 1;  // wave frames per output frame
    bool loop = false;
    float gain = 1;       // the level of its fade
    float gain_step = 0;  // per frame: up while it fades in, down while it fades out
  };
  static constexpr int32_t kFadingVoices = 4;

  void mix_voice(Voice& v, float* out, int32_t frames, float level);

  int32_t rate_;
  Voice voice_;
  std::array<Voice, kFadingVoices> fading_{};
  int32_t next_fading_ = 0;
};

// Bends a sample above 0.9 softly towards full scale instead of clipping it.
float soft_limit(float x);

}  // namespace qv
