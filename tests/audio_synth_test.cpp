// The synth as the game hears it: tunes through the soundfont, effects through their own voice,
// restarts and cut-offs without clicks or hanging notes, and silence (never a crash or a
// message) for whatever is missing or broken.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <thread>

#include "audio/soundfont_loader.hpp"
#include "audio/synth.hpp"
#include "system/media.hpp"

namespace qv {
namespace {

constexpr int32_t kRate = 44100;

std::vector<uint8_t> read_game_file(const std::string& name) {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/bgm&se/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MidiSong game_tune(const std::string& name) {
  std::vector<uint8_t> bytes = read_game_file(name);
  auto song = parse_midi(bytes.data(), bytes.size());
  EXPECT_TRUE(song) << name;
  return song ? *song : MidiSong{};
}

Wave constant_wave(int16_t level, int32_t rate, double seconds, int32_t channels = 1) {
  Wave w;
  w.sample_rate = rate;
  w.channels = channels;
  w.samples.assign(static_cast<size_t>(seconds * rate) * static_cast<size_t>(channels), level);
  return w;
}

double seconds_before_end(const MidiSong& song, double margin) {
  return static_cast<double>(song.length_us) / 1e6 - margin;
}

std::vector<float> render(Synth& synth, double seconds) {
  std::vector<float> out(2 * static_cast<size_t>(seconds * kRate));
  int32_t frames = static_cast<int32_t>(out.size() / 2);
  for (int32_t done = 0; done < frames; done += 512)
    synth.render(out.data() + 2 * done, std::min(512, frames - done));
  return out;
}

double peak(const std::vector<float>& s, size_t from = 0) {
  double p = 0;
  for (size_t i = from; i < s.size(); ++i) p = std::max(p, static_cast<double>(std::fabs(s[i])));
  return p;
}

double rms(const std::vector<float>& s) {
  double sum = 0;
  for (float v : s) sum += static_cast<double>(v) * v;
  return s.empty() ? 0 : std::sqrt(sum / static_cast<double>(s.size()));
}

double decibels(double level) {
  return 20 * std::log10(std::max(level, 1e-12));
}

// The largest step between neighbouring samples of one channel: a click shows as a jump.
double largest_step(const std::vector<float>& s) {
  double step = 0;
  for (size_t i = 2; i < s.size(); ++i)
    step = std::max(step, static_cast<double>(std::fabs(s[i] - s[i - 2])));
  return step;
}

// One synth with the soundfont for the whole suite: loading it is the slow part.
class SynthWithSoundfont : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (find_soundfont().empty()) return;
    synth_ = new Synth(kRate);
    for (const char* name : {"emptysky.mid", "escape.mid", "win.mid"})
      synth_->expect_tune(game_tune(name));
    if (!synth_->wait_for_soundfont()) {
      delete synth_;
      synth_ = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete synth_;
    synth_ = nullptr;
  }
  void SetUp() override {
    if (!synth_) GTEST_SKIP() << "no General MIDI soundfont installed (fluid-soundfont-gm)";
    synth_->music_stop();
    synth_->effect_stop();
    render(*synth_, 4.0);  // let whatever rang before die away
  }
  static Synth* synth_;
};
Synth* SynthWithSoundfont::synth_ = nullptr;

TEST_F(SynthWithSoundfont, EveryTuneIsHeardAndNeverClips) {
  for (const char* name : {"emptysky.mid", "escape.mid", "win.mid"}) {
    MidiSong song = game_tune(name);
    synth_->music_play(&song, 0);
    std::vector<float> out = render(*synth_, 8.0);
    synth_->music_stop();
    EXPECT_GT(decibels(rms(out)), -35.0) << name << " is barely heard";
    EXPECT_LT(decibels(peak(out)), -2.0) << name << " leaves no room for the effects";
    render(*synth_, 4.0);
  }
}

TEST_F(SynthWithSoundfont, StoppingReleasesEveryNote) {
  MidiSong song = game_tune("escape.mid");
  synth_->music_play(&song, 20000000);  // the middle of a busy section
  std::vector<float> playing = render(*synth_, 1.5);
  ASSERT_GT(decibels(rms(playing)), -35.0);
  synth_->music_stop();
  std::vector<float> after = render(*synth_, 4.0);
  // The reverb tails die down; a note left hanging would keep sounding.
  EXPECT_LT(decibels(peak(after, after.size() - 2 * kRate / 2)), -60.0);
}

TEST_F(SynthWithSoundfont, ATuneStopsAtItsLengthAndFallsSilent) {
  MidiSong song = game_tune("win.mid");
  synth_->music_play(&song, 0);
  render(*synth_, seconds_before_end(song, 0.05));
  EXPECT_TRUE(synth_->music_playing());
  render(*synth_, 0.1);
  EXPECT_FALSE(synth_->music_playing()) << "the sequencer must end with the tune";
  std::vector<float> after = render(*synth_, 4.5);
  EXPECT_LT(decibels(peak(after, after.size() - 2 * kRate / 2)), -60.0);
}

TEST_F(SynthWithSoundfont, RestartingFromZeroPlaysTheTuneAgain) {
  MidiSong song = game_tune("win.mid");
  synth_->music_play(&song, 0);
  std::vector<float> first = render(*synth_, 1.0);
  synth_->music_play(&song, 0);  // what the watchdog does after the end
  std::vector<float> again = render(*synth_, 1.0);
  EXPECT_TRUE(synth_->music_playing());
  EXPECT_GT(decibels(rms(again)), decibels(rms(first)) - 3.0);
}

TEST_F(SynthWithSoundfont, PlayingFromTheMiddleChasesTheInstruments) {
  // Started past its opening, a tune must still sound with its own instruments, not with
  // the piano every channel has by default.
  MidiSong song = game_tune("escape.mid");
  synth_->music_play(&song, 30000000);
  render(*synth_, 0.1);
  EXPECT_EQ(synth_->channel_program(0), 81);  // the saw lead
  EXPECT_EQ(synth_->channel_program(2), 29);  // the overdriven guitar
  synth_->music_stop();
}

TEST(SynthLoading, ATuneBegunBeforeTheSoundfontIsInJoinsInWithItsInstrumentsAndHeldNotes) {
  if (find_soundfont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  MidiSong song = game_tune("emptysky.mid");
  Synth synth(kRate);
  synth.expect_tune(song);
  synth.load_soundfont();  // in the background from here
  synth.music_play(&song, 0);
  render(synth, 0.05);
  ASSERT_TRUE(synth.wait_for_soundfont());
  EXPECT_EQ(synth.channel_program(2), 73);  // the flute
  EXPECT_EQ(synth.channel_program(1), 46);  // the harp
  // The opening chord, struck while the soundfont was loading, is heard at once (the harp's
  // next note comes only after 0.3 s).
  EXPECT_GT(decibels(rms(render(synth, 0.1))), -50.0);
  EXPECT_GT(decibels(rms(render(synth, 14.0))), -40.0) << "and the tune goes on";
}

// A soundfont that never comes (a named pipe nobody writes to) keeps the loader waiting in
// the file's opening; letting go of the synth must not wait for it.
// A loader held up in reading the soundfont (a slow disk, a network folder) until let go.
std::promise<void> g_loader_held_up, g_let_the_loader_go, g_loader_done;
std::shared_ptr<const SoundfontSubset> held_up_cut(const std::string&,
                                                   const std::vector<InstrumentUse>&) {
  g_loader_held_up.set_value();
  g_let_the_loader_go.get_future().wait();
  g_loader_done.set_value();
  return nullptr;
}

TEST(SynthLoading, LettingGoOfASynthNeverWaitsForItsLoader) {
  MidiSong song = game_tune("win.mid");
  std::future<void> held_up = g_loader_held_up.get_future();
  auto let_go = std::async(std::launch::async, [&] {
    Synth synth(kRate, std::make_shared<SoundfontLoader>("held-up.sf2", kRate,
                                                         SoundfontChoice::file, &held_up_cut));
    synth.expect_tune(song);
    synth.load_soundfont();
    held_up.wait();
    render(synth, 0.1);
  });
  bool returned = let_go.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  g_let_the_loader_go.set_value();  // whatever happened, the loader finds no soundfont and ends
  g_loader_done.get_future().wait();
  EXPECT_TRUE(returned) << "the synth waited for its loader";
  let_go.wait();
}

TEST(SynthEffects, ANewEffectCutsTheOldOneOffWithoutAClick) {
  Synth synth(kRate, "");
  Wave up = constant_wave(16384, kRate, 1.0), down = constant_wave(-16384, kRate, 1.0);
  synth.effect_play(&up, false);
  std::vector<float> a = render(synth, 0.05);
  EXPECT_NEAR(a.back(), 0.5, 0.01);
  synth.effect_play(&down, false);  // full scale from +0.5 to -0.5 at once would click
  std::vector<float> b = render(synth, 0.05);
  b.insert(b.begin(), a.end() - 2, a.end());
  EXPECT_LT(largest_step(b), 0.03);
  EXPECT_NEAR(b.back(), -0.5, 0.01) << "the new effect plays at full level";
}

TEST(SynthEffects, EffectsAreResampledToTheOutputRate) {
  Synth synth(kRate, "");
  Wave half_rate = constant_wave(8000, 22050, 0.1);
  synth.effect_play(&half_rate, false);
  render(synth, 0.099);
  EXPECT_TRUE(synth.effect_playing());
  render(synth, 0.002);
  EXPECT_FALSE(synth.effect_playing()) << "0.1 s of sound lasts 0.1 s at any rate";
}

TEST(SynthEffects, StereoKeepsItsSidesAndMonoSitsInTheMiddle) {
  Synth synth(kRate, "");
  Wave stereo;
  stereo.sample_rate = kRate;
  stereo.channels = 2;
  for (int i = 0; i < kRate / 10; ++i) stereo.samples.insert(stereo.samples.end(), {8192, -8192});
  synth.effect_play(&stereo, false);
  std::vector<float> out = render(synth, 0.05);
  EXPECT_NEAR(out[out.size() - 2], 0.25, 0.01);
  EXPECT_NEAR(out[out.size() - 1], -0.25, 0.01);
  Wave mono = constant_wave(8192, kRate, 0.1);
  synth.effect_play(&mono, false);
  out = render(synth, 0.05);
  EXPECT_NEAR(out[out.size() - 2], 0.25, 0.01);
  EXPECT_NEAR(out[out.size() - 1], 0.25, 0.01);
}

TEST(SynthEffects, ALoopingEffectGoesOnUntilStoppedThenFadesOut) {
  Synth synth(kRate, "");
  Wave tone = constant_wave(8192, kRate, 0.05);
  synth.effect_play(&tone, true);
  std::vector<float> out = render(synth, 0.5);
  EXPECT_TRUE(synth.effect_playing());
  EXPECT_NEAR(out.back(), 0.25, 0.01);
  synth.effect_stop();
  out = render(synth, 0.05);
  EXPECT_LT(largest_step(out), 0.01);
  EXPECT_EQ(out.back(), 0.0f);
}

// For a moment after a cut the old effect and the new one sound together; at full scale their
// sum would go past the top and clip, so the output bends it under.
TEST(SynthEffects, FullScaleEffectsOverEachOtherAreBentNotClipped) {
  Synth synth(kRate, "");
  Wave loud = constant_wave(32767, kRate, 0.2);
  synth.effect_play(&loud, false);
  synth.effect_play(&loud, false);  // the fading one and the new one overlap for a moment
  std::vector<float> out = render(synth, 0.1);
  EXPECT_LE(peak(out), 1.0);
}

TEST(SynthWithoutSoundfont, MusicIsSilentEffectsPlayAndNothingIsSaid) {
  std::filesystem::path temp = std::filesystem::temp_directory_path();
  std::string garbage = (temp / "qv_not_a_soundfont.sf2").string();
  std::string broken = (temp / "qv_broken_soundfont.sf2").string();
  std::mt19937 random(3);
  for (const std::string& path : {garbage, broken}) {
    std::ofstream f(path, std::ios::binary);
    if (path == broken) f.write("RIFF\xfc\x0f\0\0sfbk", 12);
    for (int i = 0; i < 4084; ++i) f.put(static_cast<char>(random()));
  }
  MidiSong song = game_tune("win.mid");
  Wave beep = constant_wave(8192, kRate, 0.2);
  for (const std::string& font :
       {std::string("/nonexistent/none.sf2"), garbage, broken, std::string()}) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    Synth synth(kRate, font);
    EXPECT_FALSE(synth.wait_for_soundfont()) << font;
    synth.music_play(&song, 0);
    std::vector<float> music = render(synth, 1.0);
    EXPECT_EQ(peak(music), 0.0) << font;
    synth.effect_play(&beep, false);
    std::vector<float> effect = render(synth, 0.1);
    EXPECT_NEAR(peak(effect), 0.25, 0.01) << font;
    // The sequencer keeps time in silence, so the tune still ends on time.
    render(synth, static_cast<double>(song.length_us) / 1e6);
    EXPECT_FALSE(synth.music_playing());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << font;
  }
  std::filesystem::remove(garbage);
  std::filesystem::remove(broken);
}

class StepClock final : public Clock {
 public:
  uint64_t now_us() const override { return us; }
  uint64_t us = 0;
};

// Broken files reach the synth through the game's media layer: nothing plays, nothing breaks.
TEST(SynthThroughMedia, GarbageFilesAreSilent) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "qv_audio_garbage";
  std::filesystem::create_directories(dir);
  std::mt19937 random(5);
  auto junk = [&](const char* name, std::vector<uint8_t> head) {
    std::ofstream f(dir / name, std::ios::binary);
    for (uint8_t b : head) f.put(static_cast<char>(b));
    for (int i = 0; i < 2000; ++i) f.put(static_cast<char>(random()));
  };
  junk("noise.mid", {});
  junk("noise.wav", {});
  junk("header.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, 'M', 'T', 'r', 'k'});
  junk("header.wav", {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0, 0, 'W', 'A', 'V', 'E'});
  std::vector<uint8_t> real = read_game_file("escape.mid");
  {
    std::ofstream f(dir / "cut.mid", std::ios::binary);
    f.write(reinterpret_cast<const char*>(real.data()),
            static_cast<std::streamsize>(real.size() / 2));
  }

  std::string font = find_soundfont();
  Synth synth(kRate, font);
  synth.wait_for_soundfont();
  StepClock clock;
  SynthSink sink(synth);
  Media media(clock, sink);
  std::string base = dir.string() + "\\";
  for (const char* name : {"noise.mid", "header.mid", "cut.mid", "noise.wav", "missing.mid"}) {
    media.mciSendStringA("open \"" + base + name + "\" type sequencer alias midifile", nullptr, 0);
    EXPECT_EQ(media.mciSendStringA("play midifile from 0", nullptr, 0), MCIERR_INVALID_DEVICE_NAME)
        << name;
  }
  for (const char* name : {"noise.wav", "header.wav", "noise.mid", "missing.wav"})
    EXPECT_FALSE(media.sndPlaySoundA(base + name, SND_ASYNC | SND_NODEFAULT)) << name;
  std::vector<float> out = render(synth, 1.0);
  EXPECT_LT(decibels(peak(out)), -100.0);
  std::filesystem::remove_all(dir);
}

// The media layer's clock and the synth's sequencer must agree on when a tune has ended, or
// the watchdog would restart a tune that still sounds, or leave a gap longer than it should.
TEST(SynthThroughMedia, TheSequencerEndsWhenTheMediaSaysStopped) {
  Synth synth(kRate, "");
  StepClock clock;
  SynthSink sink(synth);
  Media media(clock, sink);
  std::string path = std::string(QV_SOURCE_DIR) + "/bgm&se/win.mid";
  ASSERT_EQ(media.mciSendStringA("open \"" + path + "\" type sequencer alias midifile", nullptr, 0),
            MCI_OK);
  ASSERT_EQ(media.mciSendStringA("play midifile from 0", nullptr, 0), MCI_OK);
  int disagreements = 0;
  std::vector<float> block(2 * 512);
  for (int i = 0; i < 500; ++i) {
    synth.render(block.data(), 512);
    clock.us = static_cast<uint64_t>(i + 1) * 512 * 1000000 / kRate;
    char mode[16] = {};
    media.mciSendStringA("status midifile mode", mode, sizeof mode);
    bool media_playing = std::string(mode) == "playing";
    if (media_playing != synth.music_playing()) ++disagreements;
    if (i == 300) media.mciSendStringA("play midifile from 0", nullptr, 0);
  }
  // At most the one block in which the end falls, for each of the two plays.
  EXPECT_LE(disagreements, 2);
}

}  // namespace
}  // namespace qv
