// quelvaris-render: plays our tunes and effects through the game's own synth and soundfont into
// WAV files, and says how long and how loud each came out, so the sound can be checked
// without listening.
//
//   quelvaris-render [--soundfont PATH] IN_DIR OUT_DIR
//       renders every tune and effect of IN_DIR, and a mix of the stage tune with effects over
//       it the way the game plays them; prints "NAME seconds peak_dBFS rms_dBFS" per file.
//   quelvaris-render --live SECONDS IN_DIR
//       plays the title tune and a stream of hits through the game's SDL audio output for a
//       while and shuts it down, as the game does.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_sdl.hpp"
#include "audio/synth.hpp"
#include "system/media.hpp"
#include "system/steady_clock.hpp"

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 512;  // what the SDL device asks for at a time
constexpr double kTailSeconds = 2.5;

const char* const kTunes[] = {"emptysky", "escape", "win"};
const char* const kEffects[] = {"st", "jj", "e"};

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Take {
  std::vector<float> frames;  // interleaved stereo
};

double decibels(double level) {
  return level > 0 ? 20.0 * std::log10(level) : -200.0;
}

// Writes the take as 16-bit stereo and prints its figures.
bool finish(const Take& take, const std::string& name, const std::string& out_dir) {
  qv::Wave w;
  w.sample_rate = kRate;
  w.channels = 2;
  w.samples.reserve(take.frames.size());
  double peak = 0, sum = 0;
  for (float f : take.frames) {
    double a = std::fabs(f);
    peak = std::max(peak, a);
    sum += static_cast<double>(f) * f;
    float clamped = std::max(-1.0f, std::min(1.0f, f));
    w.samples.push_back(static_cast<int16_t>(std::lround(clamped * 32767.0f)));
  }
  double rms = take.frames.empty() ? 0 : std::sqrt(sum / static_cast<double>(take.frames.size()));
  std::vector<uint8_t> bytes = qv::encode_wav(w);
  std::string path = out_dir + "/" + name + ".wav";
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "%s: cannot write\n", path.c_str());
    return false;
  }
  std::printf("%-10s %7.2f s  peak %6.1f dBFS  rms %6.1f dBFS\n", name.c_str(),
              static_cast<double>(take.frames.size() / 2) / kRate, decibels(peak), decibels(rms));
  return true;
}

void render(qv::Synth& synth, Take& take, double seconds) {
  size_t frames = static_cast<size_t>(seconds * kRate);
  size_t start = take.frames.size();
  take.frames.resize(start + 2 * frames);
  for (size_t done = 0; done < frames;) {
    int32_t n = static_cast<int32_t>(std::min<size_t>(kBlock, frames - done));
    synth.render(take.frames.data() + start + 2 * done, n);
    done += static_cast<size_t>(n);
  }
}

// Renders until the reverb of what went before has died away, and drops it.
void settle(qv::Synth& synth) {
  Take scrap;
  render(synth, scrap, 4.0);
}

class ManualClock final : public qv::Clock {
 public:
  uint64_t now_us() const override { return us; }
  uint64_t us = 0;
};

// The stage as the game sounds it: the start jingle and the stage tune together, then hits
// every 80 ms (each cutting off the last), the ship hit, and more hits on top of its blast.
bool render_mix(qv::Synth& synth, const std::string& in_dir, const std::string& out_dir) {
  ManualClock clock;
  qv::SynthSink sink(synth);
  qv::Media media(clock, sink);
  auto file = [&](const char* name) { return in_dir + "\\" + name; };
  std::string open = "open \"" + file("escape.mid") + "\" type sequencer alias midifile";
  Take take;
  const double seconds = 12.0;
  const uint64_t block_us = 1000000ull * kBlock / kRate;
  for (uint64_t t = 0; t < static_cast<uint64_t>(seconds * 1e6); t += block_us) {
    clock.us = t;
    uint64_t ms = t / 1000, prev_ms = t >= block_us ? (t - block_us) / 1000 : 0;
    auto crossed = [&](uint64_t at_ms) {
      return t == 0 ? at_ms == 0 : prev_ms < at_ms && at_ms <= ms;
    };
    if (crossed(0)) {
      media.sndPlaySoundA(file("st.wav"), qv::SND_ASYNC | qv::SND_NODEFAULT);
      media.mciSendStringA(open, nullptr, 0);
      media.mciSendStringA("play midifile from 0", nullptr, 0);
    }
    for (uint64_t hit = 3000; hit < 6000; hit += 80)
      if (crossed(hit)) media.sndPlaySoundA(file("e.wav"), qv::SND_ASYNC | qv::SND_NODEFAULT);
    if (crossed(6500)) media.sndPlaySoundA(file("jj.wav"), qv::SND_ASYNC | qv::SND_NODEFAULT);
    for (uint64_t hit = 7000; hit < 9000; hit += 120)
      if (crossed(hit)) media.sndPlaySoundA(file("e.wav"), qv::SND_ASYNC | qv::SND_NODEFAULT);
    render(synth, take, static_cast<double>(kBlock) / kRate);
  }
  media.mciSendStringA("close midifile", nullptr, 0);
  return finish(take, "mix", out_dir);
}

int render_all(const std::string& soundfont, const std::string& in_dir,
               const std::string& out_dir) {
  qv::Synth synth(kRate, soundfont);
  bool ok = true;
  std::vector<std::optional<qv::MidiSong>> songs;
  for (const char* name : kTunes) {
    std::vector<uint8_t> bytes = read_file(in_dir + "/" + name + ".mid");
    songs.push_back(qv::parse_midi(bytes.data(), bytes.size()));
    if (songs.back()) synth.expect_tune(*songs.back());
  }
  if (!synth.wait_for_soundfont())
    std::fprintf(stderr, "no soundfont (%s): the tunes render silent\n",
                 soundfont.empty() ? "none installed" : soundfont.c_str());
  for (size_t i = 0; i < songs.size(); ++i) {
    const std::optional<qv::MidiSong>& song = songs[i];
    if (!song) {
      std::fprintf(stderr, "%s/%s.mid: missing or not a MIDI file\n", in_dir.c_str(), kTunes[i]);
      ok = false;
      continue;
    }
    Take take;
    synth.music_play(&*song, 0);
    render(synth, take, static_cast<double>(song->length_us) / 1e6 + kTailSeconds);
    synth.music_stop();
    ok = finish(take, kTunes[i], out_dir) && ok;
  }
  for (const char* name : kEffects) {
    std::vector<uint8_t> bytes = read_file(in_dir + "/" + name + ".wav");
    auto wave = qv::parse_wav(bytes.data(), bytes.size());
    if (!wave) {
      std::fprintf(stderr, "%s/%s.wav: missing or not a WAV file\n", in_dir.c_str(), name);
      ok = false;
      continue;
    }
    Take take;
    synth.effect_play(&*wave, false);
    double seconds =
        static_cast<double>(wave->samples.size() / static_cast<size_t>(wave->channels)) /
        wave->sample_rate;
    render(synth, take, seconds + 0.05);
    synth.effect_stop();
    ok = finish(take, std::string("se_") + name, out_dir) && ok;
  }
  settle(synth);
  ok = render_mix(synth, in_dir, out_dir) && ok;
  return ok ? 0 : 1;
}

// The game's own path: commands from this thread, sound on SDL's.
int play_live(double seconds, const std::string& in_dir) {
  qv::SteadyClock clock;
  qv::SilentSink silent;
  qv::Media media(clock, silent);
  std::unique_ptr<qv::AudioSink> audio = qv::open_sdl_audio();
  media.set_sink(*audio);
  std::string hit = in_dir + "\\e.wav";
  media.mciSendStringA("open \"" + in_dir + "\\emptysky.mid\" type sequencer alias midifile",
                       nullptr, 0);
  media.mciSendStringA("play midifile from 0", nullptr, 0);
  media.sndPlaySoundA(in_dir + "\\st.wav", qv::SND_ASYNC | qv::SND_NODEFAULT);
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int ticks = 0;
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (++ticks % 7 == 0) media.sndPlaySoundA(hit, qv::SND_ASYNC | qv::SND_NODEFAULT);
    if (ticks % 100 == 0) media.mciSendStringA("play midifile from 0", nullptr, 0);
  }
  media.mciSendStringA("stop midifile ", nullptr, 0);
  media.mciSendStringA("close midifile", nullptr, 0);
  media.set_sink(silent);
  audio.reset();  // before the media: the sound thread reads its songs and waves
  std::printf("live: played %.1f s, %d frames of the game\n", seconds, ticks);
  return 0;
}

int usage() {
  std::fprintf(stderr,
               "usage: quelvaris-render [--soundfont PATH] IN_DIR OUT_DIR\n"
               "       quelvaris-render --live SECONDS IN_DIR\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string soundfont = qv::find_soundfont();
  if (args.size() >= 2 && args[0] == "--soundfont") {
    soundfont = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() == 3 && args[0] == "--live")
    return play_live(std::atof(args[1].c_str()), args[2]);
  if (args.size() != 2) return usage();
  std::printf("soundfont: %s\n", soundfont.empty() ? "(none)" : soundfont.c_str());
  return render_all(soundfont, args[0], args[1]);
}
