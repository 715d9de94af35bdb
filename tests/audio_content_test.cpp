// The tunes and effects the game ships, as files: they read with the game's own readers, last
// as long as their places in the game need, end cleanly for the watchdog's loop, and keep
// their levels where the mix wants them.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "formats/midi.hpp"
#include "formats/wav.hpp"

namespace qv {
namespace {

std::vector<uint8_t> read_game_file(const std::string& name) {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/bgm&se/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

MidiSong tune(const std::string& name) {
  std::vector<uint8_t> bytes = read_game_file(name);
  auto song = parse_midi(bytes.data(), bytes.size());
  EXPECT_TRUE(song) << name;
  return song ? *song : MidiSong{};
}

Wave effect(const std::string& name) {
  std::vector<uint8_t> bytes = read_game_file(name);
  auto wave = parse_wav(bytes.data(), bytes.size());
  EXPECT_TRUE(wave) << name;
  return wave ? *wave : Wave{};
}

double seconds(uint64_t us) {
  return static_cast<double>(us) / 1e6;
}

bool is_note_on(const MidiEvent& e) {
  return (e.status & 0xF0) == 0x90 && e.data2 > 0;
}
bool is_release(const MidiEvent& e) {
  return (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0);
}

// Every note released by the end, the last release right at the end, and every channel
// that played told all-notes-off there: the watchdog's restart then starts from silence.
void expect_clean_ending(const MidiSong& song, const std::string& name) {
  std::map<int, int> held;  // channel * 128 + key -> notes sounding
  std::set<int> channels, silenced;
  uint64_t last_release = 0;
  for (const MidiEvent& e : song.events) {
    int key = (e.status & 0x0F) * 128 + e.data1;
    if (is_note_on(e)) {
      ++held[key];
      channels.insert(e.status & 0x0F);
    } else if (is_release(e)) {
      EXPECT_GT(held[key], 0) << name << ": release of a note not sounding";
      --held[key];
      last_release = std::max(last_release, e.time_us);
    } else if ((e.status & 0xF0) == 0xB0 && e.data1 == 123) {
      EXPECT_EQ(e.time_us, song.length_us) << name << ": all-notes-off before the end";
      silenced.insert(e.status & 0x0F);
    }
  }
  for (const auto& [key, count] : held) EXPECT_EQ(count, 0) << name << ": note left hanging";
  EXPECT_EQ(last_release, song.length_us) << name << ": the end must follow the last release";
  EXPECT_EQ(silenced, channels) << name;
}

std::set<int> programs_on(const MidiSong& song, int channel) {
  std::set<int> programs;
  for (const MidiEvent& e : song.events)
    if (e.status == (0xC0 | channel)) programs.insert(e.data1);
  return programs;
}

bool drums_play(const MidiSong& song) {
  for (const MidiEvent& e : song.events)
    if (e.status == 0x99 && e.data2 > 0) return true;
  return false;
}

TEST(GameTunes, TitleAndStageTunesRunOverAMinuteAndEndCleanly) {
  for (const char* name : {"emptysky.mid", "escape.mid"}) {
    MidiSong song = tune(name);
    EXPECT_GE(seconds(song.length_us), 60.0) << name;
    EXPECT_LE(seconds(song.length_us), 150.0) << name << ": a loop that long never comes round";
    expect_clean_ending(song, name);
    EXPECT_TRUE(drums_play(song)) << name;
    EXPECT_FALSE(programs_on(song, 0).empty()) << name << ": instruments by program change";
  }
}

TEST(GameTunes, EndingTuneIsHeardWholeWithinTheStaffRoll) {
  MidiSong song = tune("win.mid");
  // The staff roll lasts 384 frames of 10 ms; the fanfare must be over within it.
  EXPECT_LT(seconds(song.length_us), 3.84);
  EXPECT_GT(seconds(song.length_us), 3.0);
  expect_clean_ending(song, "win.mid");
  EXPECT_TRUE(drums_play(song));
}

TEST(GameTunes, TheStageTuneDrivesAlongWithoutLongGaps) {
  MidiSong song = tune("escape.mid");
  uint64_t previous = 0, longest_gap = 0;
  for (const MidiEvent& e : song.events) {
    if (!is_note_on(e)) continue;
    longest_gap = std::max(longest_gap, e.time_us - previous);
    previous = e.time_us;
  }
  EXPECT_LT(seconds(longest_gap), 0.5) << "the stage tune should never stall";
}

struct EffectLevels {
  double seconds, peak;
  int16_t first, last;
};

EffectLevels measure(const Wave& w) {
  EffectLevels m{0, 0, 0, 0};
  if (w.samples.empty() || w.channels < 1) return m;
  m.seconds =
      static_cast<double>(w.samples.size() / static_cast<size_t>(w.channels)) / w.sample_rate;
  for (int16_t s : w.samples) m.peak = std::max(m.peak, std::abs(static_cast<double>(s)) / 32768);
  m.first = w.samples.front();
  m.last = w.samples.back();
  return m;
}

TEST(GameEffects, ShortPcmThatStartsAndEndsAtRest) {
  for (const char* name : {"st.wav", "jj.wav", "e.wav"}) {
    Wave w = effect(name);
    EXPECT_TRUE(w.sample_rate == 44100 || w.sample_rate == 22050) << name;
    EffectLevels m = measure(w);
    EXPECT_GT(m.seconds, 0.03) << name;
    EXPECT_LT(m.seconds, 1.2) << name;
    EXPECT_LT(m.peak, 0.9) << name << ": room left for the music under it";
    EXPECT_GT(m.peak, 0.1) << name << ": must be heard over the music";
    EXPECT_LT(std::abs(m.first), 330) << name << ": starts on a jump";
    EXPECT_LT(std::abs(m.last), 330) << name << ": ends on a jump";
  }
}

TEST(GameEffects, TheRepeatedHitIsShortAndSoftestTheBlastLoudest) {
  EffectLevels hit = measure(effect("e.wav"));
  EffectLevels blast = measure(effect("jj.wav"));
  EffectLevels start = measure(effect("st.wav"));
  // Hits come many times a second and cut each other off: each must be over quickly.
  EXPECT_LT(hit.seconds, 0.15);
  EXPECT_LT(hit.peak, start.peak);
  EXPECT_LT(hit.peak, blast.peak / 1.5);
  EXPECT_GE(blast.peak, start.peak);
}

}  // namespace
}  // namespace qv
