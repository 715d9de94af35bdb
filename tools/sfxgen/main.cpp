// quelvaris-sfxgen [OUT_DIR]: synthesizes the game's three effects as 16-bit mono WAV files in
// OUT_DIR (default "bgm&se"): st.wav, the start jingle; jj.wav, the blast when the ship is hit;
// e.wav, the blip of a shot that hits.
//
// Only + - * / and floor are used on the samples (our own sine and exponential, our own noise),
// so that the files come out the same to the byte on any machine and compiler.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/wav.hpp"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

double sine(double x) {                            // x in radians
  x -= 2 * kPi * std::floor(x / (2 * kPi) + 0.5);  // now in [-pi, pi]
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  double x2 = x * x, term = x, sum = x;
  for (int n = 1; n <= 6; ++n) {
    term *= -x2 / ((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

double expo(double x) {  // e^x for the envelopes: halve until small, series, square back
  int halvings = 0;
  while (x > 0.5 || x < -0.5) {
    x /= 2;
    ++halvings;
  }
  double term = 1, sum = 1;
  for (int n = 1; n <= 12; ++n) {
    term *= x / n;
    sum += term;
  }
  while (halvings-- > 0) sum *= sum;
  return sum;
}

// A soft saturation, odd and smooth, flat at +-1 beyond +-3.
double saturate(double x) {
  if (x > 3) return 1;
  if (x < -3) return -1;
  return x * (27 + x * x) / (27 + 9 * x * x);
}

class Noise {
 public:
  double next() {  // uniform in [-1, 1)
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_ = 0x2545F491u;
};

// A band-limited square: the odd harmonics below a ceiling, so high notes do not alias.
double square(double phase, double freq, double brightness) {
  double sum = 0;
  for (int h = 1; h * freq < 16000.0 && h <= 15; h += 2) {
    double weight = 1.0 / h;
    for (int k = 1; k < h; k += 2) weight *= brightness;  // higher harmonics fall away faster
    sum += weight * sine(phase * h);
  }
  return sum * 4 / kPi;
}

std::vector<double> frames(double seconds) {
  return std::vector<double>(static_cast<size_t>(seconds * kRate), 0.0);
}

// A short linear fade at both ends, so that no effect starts or stops on a jump.
void edges(std::vector<double>& s, double in_seconds, double out_seconds) {
  size_t in = static_cast<size_t>(in_seconds * kRate),
         out = static_cast<size_t>(out_seconds * kRate);
  for (size_t i = 0; i < in && i < s.size(); ++i) s[i] *= static_cast<double>(i) / in;
  for (size_t i = 0; i < out && i < s.size(); ++i)
    s[s.size() - 1 - i] *= static_cast<double>(i) / out;
}

// Scales to the given peak (in full scale) and writes 16-bit mono.
bool write(const std::vector<double>& s, double peak_level, const std::filesystem::path& path) {
  double peak = 0;
  for (double v : s) peak = std::max(peak, v < 0 ? -v : v);
  double gain = peak > 0 ? peak_level / peak : 0;
  qv::Wave w;
  w.sample_rate = kRate;
  w.channels = 1;
  for (double v : s) w.samples.push_back(static_cast<int16_t>(std::floor(v * gain * 32767 + 0.5)));
  std::vector<uint8_t> bytes = qv::encode_wav(w);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "%s: cannot write\n", path.string().c_str());
  return static_cast<bool>(out);
}

// Start: E, B, E, B climbing in quick bright steps, the last one ringing with a little
// vibrato and a sparkle an octave up. Fifths and octaves only, so it sits over the stage
// tune's E minor opening that starts with it.
std::vector<double> start_jingle() {
  struct Step {
    double freq, at, length;
  };
  const Step steps[] = {
      {659.26, 0.00, 0.07}, {987.77, 0.065, 0.07}, {1318.51, 0.13, 0.07}, {1975.53, 0.195, 0.42}};
  std::vector<double> s = frames(0.62);
  for (const Step& st : steps) {
    size_t from = static_cast<size_t>(st.at * kRate);
    size_t n = static_cast<size_t>(st.length * kRate);
    double phase = 0;
    for (size_t i = 0; i < n && from + i < s.size(); ++i) {
      double t = static_cast<double>(i) / kRate;
      double vibrato = st.length > 0.2 ? 1 + 0.006 * sine(2 * kPi * 6.5 * t) * (t / st.length) : 1;
      phase += 2 * kPi * st.freq * vibrato / kRate;
      double attack = t < 0.004 ? t / 0.004 : 1;
      double left = st.length - t;
      double release = left < 0.01 ? left / 0.01 : 1;  // each step ends at rest, no click
      double env = attack * release * expo(-t / (st.length > 0.2 ? 0.16 : 0.05));
      double tone = 0.7 * square(phase, st.freq, 0.55) + 0.3 * sine(2 * phase);
      s[from + i] += tone * env;
    }
  }
  edges(s, 0.001, 0.02);
  return s;
}

// Ship hit: a low thump falling in pitch under a burst of noise whose brightness closes
// down, with a crunch of held, coarse noise in its first half, all driven into saturation.
std::vector<double> blast() {
  std::vector<double> s = frames(0.95);
  Noise noise;
  double low = 0, thump_phase = 0, held = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = static_cast<double>(i) / kRate;
    double white = noise.next();
    // One-pole low-pass whose corner slides from about 7 kHz to 250 Hz.
    double corner = 250 + 6750 * expo(-t / 0.12);
    double k = 2 * kPi * corner / kRate;
    low += (white - low) * (k / (1 + k));
    double rumble = low * expo(-t / 0.28);
    // Sample-and-hold noise, the hold growing longer: the crunch.
    size_t hold = 3 + static_cast<size_t>(t * 40);
    if (i % hold == 0) held = noise.next();
    double crunch = held * expo(-t / 0.09) * 0.6;
    double thump_freq = 38 + 90 * expo(-t / 0.07);
    thump_phase += 2 * kPi * thump_freq / kRate;
    double thump = sine(thump_phase) * expo(-t / 0.16) * 1.1;
    double attack = t < 0.002 ? t / 0.002 : 1;
    s[i] = saturate(1.8 * attack * (rumble * 1.6 + crunch + thump));
  }
  edges(s, 0.0005, 0.08);
  return s;
}

// Shot hit: a short bright blip dropping an octave, with a click of noise on its front. It
// is mostly over within 40 ms, so that when the next hit cuts it off nothing is lost.
std::vector<double> hit_blip() {
  std::vector<double> s = frames(0.075);
  Noise noise;
  double phase = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = static_cast<double>(i) / kRate;
    double freq = 880 + 880 * expo(-t / 0.018);
    phase += 2 * kPi * freq / kRate;
    double tone = 0.75 * square(phase, freq, 0.45) + 0.25 * sine(phase * 3);
    double env = (t < 0.001 ? t / 0.001 : 1) * expo(-t / 0.016);
    double tick = t < 0.003 ? noise.next() * (1 - t / 0.003) * 0.35 : 0;
    s[i] = tone * env + tick;
  }
  edges(s, 0.0005, 0.01);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path out_dir = argc > 1 ? argv[1] : "bgm&se";
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::fprintf(stderr, "usage: quelvaris-sfxgen [OUT_DIR]\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(out_dir, ec);
  // Peaks set against the music (which peaks near -5 dBFS): the blast loudest, the start
  // jingle clear over the tune, the hit bright but far below, as it comes many times a second.
  bool ok = write(start_jingle(), 0.50, out_dir / "st.wav");
  ok = write(blast(), 0.56, out_dir / "jj.wav") && ok;
  ok = write(hit_blip(), 0.30, out_dir / "e.wav") && ok;
  return ok ? 0 : 1;
}
