// The music on a system MIDI device (Windows' MIDI mapper), against a recording fake device:
// the three tunes send the same notes, programs and controllers, in the same order and at the
// same times within 1 ms, as our sequencer gives FluidSynth while it renders; the level scales
// the channel volumes, a pause silences the notes and the going on strikes the held ones again,
// and the timing thread plays on the real clock and silences the device when it stops.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

#include "audio/midi_out_sink.hpp"
#include "system/steady_clock.hpp"

namespace qv {
namespace {

constexpr int64_t kRate = 44100;  // the sound card's frames, as the synthesizer renders
constexpr uint64_t kBlock = 512;  // frames a callback asks for
constexpr int64_t kWithinUs = 1000;

struct Sent {
  uint64_t us;
  uint8_t status, data1, data2;
};

// Records every message with the time a clock reads when it comes.
class Recorder final : public MidiOutput {
 public:
  explicit Recorder(std::function<uint64_t()> now) : now_(std::move(now)) {}
  void message(uint8_t status, uint8_t data1, uint8_t data2) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({now_(), status, data1, data2});
  }
  std::vector<Sent> sent() {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    sent_.clear();
  }

 private:
  std::function<uint64_t()> now_;
  std::mutex mutex_;
  std::vector<Sent> sent_;
};

MidiSong game_tune(const std::string& name) {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/bgm&se/" + name, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  auto song = parse_midi(bytes.data(), bytes.size());
  EXPECT_TRUE(song) << name;
  return song ? *song : MidiSong{};
}

// What FluidSynth is given: the sequencer run block by block at the sound card's rate, each
// message at the frame it is sent on.
std::vector<Sent> as_rendered(const MidiSong& song, uint64_t from_us) {
  Sequencer* running = nullptr;  // set once the tune has started: the reset comes at its start
  Recorder synth([&] {
    return running ? static_cast<uint64_t>(running->position() * 1000000 / kRate) : from_us;
  });
  Sequencer sequencer(kRate, synth);
  sequencer.play(&song, from_us);
  running = &sequencer;
  while (sequencer.playing()) sequencer.run(kBlock, [](uint64_t, uint64_t) {});
  return synth.sent();
}

// What the MIDI device is given: the player pumped at the times it asks to be woken.
void play_through(MidiPlayer& player, uint64_t& now) {
  while (auto next = player.pump(now)) now = *next;
}

void expect_same(const std::vector<Sent>& want, const std::vector<Sent>& got, int64_t shift_us,
                 const std::string& what) {
  ASSERT_EQ(want.size(), got.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) {
    const Sent &w = want[i], &g = got[i];
    ASSERT_EQ(std::tie(w.status, w.data1, w.data2), std::tie(g.status, g.data1, g.data2))
        << what << ", message " << i;
    int64_t late = static_cast<int64_t>(g.us) - shift_us - static_cast<int64_t>(w.us);
    ASSERT_LE(std::abs(late), kWithinUs) << what << ", message " << i << " at " << w.us << " us";
  }
}

TEST(MidiOut, TheTunesReachTheDeviceAsTheSynthesizerHearsThem) {
  struct Case {
    const char* tune;
    uint64_t from_us;
  };
  for (Case c : {Case{"emptysky.mid", 0}, Case{"escape.mid", 0}, Case{"win.mid", 0},
                 Case{"escape.mid", 31'250'000}, Case{"emptysky.mid", 61'003'000}}) {
    MidiSong song = game_tune(c.tune);
    std::vector<Sent> want = as_rendered(song, c.from_us);
    uint64_t now = 5'000'000;  // the clock is 5 s on when the tune starts
    Recorder device([&] { return now; });
    MidiPlayer player(device);
    player.play(&song, c.from_us, now);
    play_through(player, now);
    EXPECT_FALSE(player.playing());
    // The device's clock runs 5 s ahead, less the part of the tune skipped.
    expect_same(want, device.sent(), 5'000'000 - static_cast<int64_t>(c.from_us),
                std::string(c.tune) + " from " + std::to_string(c.from_us) + " us");
    EXPECT_GT(want.size(), 96u) << c.tune;  // more than the reset of the channels
  }
}

TEST(MidiOut, LevelPauseAndStop) {
  MidiSong song = game_tune("escape.mid");
  uint64_t now = 0;
  Recorder device([&] { return now; });
  MidiPlayer player(device);
  player.set_level(0.5f);
  player.play(&song, 0, now);
  auto volumes = [&] {
    std::vector<int> v;
    for (const Sent& s : device.sent())
      if ((s.status & 0xF0) == 0xB0 && s.data1 == 7) v.push_back(s.data2);
    return v;
  };
  // Half the level: the reset's volume of 100 reaches the device as 50 on every channel.
  std::vector<int> set = volumes();
  ASSERT_GE(set.size(), 16u);
  EXPECT_EQ(std::vector<int>(16, 50), std::vector<int>(set.end() - 16, set.end()));

  while (now < 10'000'000) now = player.pump(now).value();
  device.clear();
  player.set_level(0.0f);  // muted: every channel's volume goes to 0 at once
  EXPECT_EQ(std::vector<int>(16, 0), volumes());

  // A pause: every note off, nothing sent while it lasts, the held notes struck again after it
  // and the tune going on where it stood.
  player.set_level(1.0f);
  device.clear();
  player.pause(now);
  int notes_off = 0;
  for (const Sent& s : device.sent()) notes_off += (s.status & 0xF0) == 0xB0 && s.data1 == 123;
  EXPECT_EQ(16, notes_off);
  EXPECT_FALSE(player.pump(now + 3'000'000));
  device.clear();
  uint64_t paused_for = 3'000'000;
  now += paused_for;
  player.resume(now);
  std::vector<Sent> struck = device.sent();
  ASSERT_FALSE(struck.empty());
  for (const Sent& s : struck) EXPECT_EQ(0x90, s.status & 0xF0);
  device.clear();
  play_through(player, now);

  std::vector<Sent> whole = as_rendered(song, 0);
  std::vector<Sent> after_pause;
  for (const Sent& s : whole)
    if (s.us > 10'000'000) after_pause.push_back(s);
  std::vector<Sent> got = device.sent();
  ASSERT_LE(after_pause.size(), got.size());
  got.erase(got.begin(), got.end() - static_cast<ptrdiff_t>(after_pause.size()));
  expect_same(after_pause, got, static_cast<int64_t>(paused_for), "escape.mid after a pause");
}

TEST(MidiOut, TheTimingThreadPlaysOnTheClockAndSilencesTheDeviceAtTheEnd) {
  MidiSong song = game_tune("escape.mid");
  SteadyClock clock;
  Recorder device([&] { return clock.now_us(); });
  std::vector<Sent> want = as_rendered(song, 0);
  {
    MidiOutSink sink(device, clock);
    sink.music_play(&song, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    sink.music_stop();
  }
  std::vector<Sent> got = device.sent();
  // The reset of the channels, then the tune's first 1.5 s (give or take a busy machine's
  // scheduling), then the release of every channel.
  size_t played = 0;
  while (played < want.size() && want[played].us < 1'000'000) ++played;
  ASSERT_GE(got.size(), played + 64);
  for (size_t i = 0; i < played; ++i)
    EXPECT_EQ(std::tie(want[i].status, want[i].data1), std::tie(got[i].status, got[i].data1)) << i;
  for (size_t i = got.size() - 64; i < got.size(); i += 4) EXPECT_EQ(64, got[i].data1);
  for (size_t i = got.size() - 63; i < got.size(); i += 4) EXPECT_EQ(123, got[i].data1);
}

}  // namespace
}  // namespace qv
