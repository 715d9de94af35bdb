#include "audio/effects_mixer.hpp"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// The effects play at their own level, as made; the files carry the balance.
constexpr float kEffectGain = 1.0f;
// A new effect starts with a very short fade-in and the one it cuts off fades out.
constexpr double kFadeInSeconds = 0.0015;
constexpr double kFadeOutSeconds = 0.004;
// Above this level the mix is bent softly towards full scale instead of clipping.
constexpr float kKnee = 0.9f;

}  // namespace

float soft_limit(float x) {
  float a = std::fabs(x);
  if (a <= kKnee) return x;
  float bent = kKnee + (1.0f - kKnee) * std::tanh((a - kKnee) / (1.0f - kKnee));
  return x < 0 ? -bent : bent;
}

void EffectsMixer::play(const Wave* wave, bool loop) {
  stop();
  if (!wave || wave->sample_rate <= 0 || wave->channels < 1 || wave->channels > 2 ||
      wave->samples.size() < static_cast<size_t>(wave->channels))
    return;
  voice_ = Voice{};
  voice_.wave = wave;
  voice_.step = static_cast<double>(wave->sample_rate) / rate_;
  voice_.loop = loop;
  voice_.gain = 0;
  voice_.gain_step = static_cast<float>(1.0 / std::max(1.0, kFadeInSeconds * rate_));
}

void EffectsMixer::stop() {
  if (!voice_.wave) return;
  Voice& dying = fading_[static_cast<size_t>(next_fading_)];
  next_fading_ = (next_fading_ + 1) % kFadingVoices;
  dying = voice_;
  dying.gain_step = -static_cast<float>(1.0 / std::max(1.0, kFadeOutSeconds * rate_));
  voice_ = Voice{};
}

void EffectsMixer::mix_voice(Voice& v, float* out, int32_t frames, float level) {
  const std::vector<int16_t>& s = v.wave->samples;
  const size_t channels = static_cast<size_t>(v.wave->channels);
  const size_t length = s.size() / channels;
  const float kScale = kEffectGain * level / 32768.0f;
  for (int32_t i = 0; i < frames && v.wave; ++i) {
    if (v.pos >= static_cast<double>(length)) {
      if (!v.loop) {
        v.wave = nullptr;
        break;
      }
      v.pos -= static_cast<double>(length) * std::floor(v.pos / static_cast<double>(length));
    }
    size_t at = static_cast<size_t>(v.pos);
    size_t next = at + 1 < length ? at + 1 : (v.loop ? 0 : length);
    float frac = static_cast<float>(v.pos - static_cast<double>(at));
    for (size_t c = 0; c < 2; ++c) {
      size_t ch = channels == 2 ? c : 0;
      float a = s[at * channels + ch];
      float b = next < length ? s[next * channels + ch] : 0.0f;
      out[2 * i + static_cast<int32_t>(c)] += (a + (b - a) * frac) * kScale * v.gain;
    }
    v.pos += v.step;
    v.gain += v.gain_step;
    if (v.gain >= 1.0f) {
      v.gain = 1.0f;
      v.gain_step = 0;
    } else if (v.gain <= 0.0f && v.gain_step < 0) {
      v.wave = nullptr;
    }
  }
}

void EffectsMixer::mix_into(float* out, int32_t frames, float level) {
  if (voice_.wave) mix_voice(voice_, out, frames, level);
  for (Voice& v : fading_) {
    if (v.wave) mix_voice(v, out, frames, level);
  }
}

}  // namespace qv
