// The music watchdog in the running game (the simulator): a tune plays once on the device, and
// the first check after its end plays it again from the start, round after round.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <streambuf>
#include <string>

#include "formats/midi.hpp"
#include "sim/simulator.hpp"

namespace qv {
namespace {

uint64_t tune_length_us(const std::string& name) {
  std::ifstream in("bgm&se/" + name, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  auto song = parse_midi(bytes.data(), bytes.size());
  EXPECT_TRUE(song) << name;
  return song ? song->length_us : 0;
}

// Keeps the trace lines that carry media commands; a whole game's trace would be huge.
class AudioLines : public std::streambuf {
 public:
  struct Line {
    int64_t t_ms;
    std::string handler;
    std::string audio;
  };
  std::vector<Line> lines;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize i = 0; i < n; ++i) put(s[i]);
    return n;
  }
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) put(static_cast<char>(c));
    return c;
  }

 private:
  void put(char c) {
    if (c == '\n') {
      keep(current_);
      current_.clear();
    } else {
      current_ += c;
    }
  }
  // Picks "t", "handler" and the "audio" list out of a record.
  void keep(const std::string& line) {
    if (line.find("\"audio\":[]") != std::string::npos) return;
    size_t t = line.find("\"t\":"), handler = line.find("\"handler\":\"");
    size_t audio = line.find("\"audio\":[");
    if (t == std::string::npos || handler == std::string::npos || audio == std::string::npos)
      return;
    handler += 11;
    audio += 9;
    lines.push_back({std::stoll(line.substr(t + 4)),
                     line.substr(handler, line.find('"', handler) - handler),
                     line.substr(audio, line.find(']', audio) - audio)});
  }
  std::string current_;
};

struct Restart {
  int64_t t_ms;
  std::string handler;
};

std::vector<Restart> restarts(const AudioLines& trace) {
  std::vector<Restart> r;
  for (const auto& line : trace.lines)
    if (line.audio.find("mci play midifile from 0") != std::string::npos)
      r.push_back({line.t_ms, line.handler});
  return r;
}

// The watchdog looks every second; the first look at or after the end restarts the tune.
int64_t first_check_after(int64_t opened_ms, uint64_t length_us, int64_t check_phase_ms) {
  int64_t end_ms = opened_ms + static_cast<int64_t>((length_us + 999) / 1000);
  int64_t k = (end_ms - check_phase_ms + 999) / 1000;
  return check_phase_ms + k * 1000;
}

class Watchdog : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::current_path(QV_SOURCE_DIR); }
};

TEST_F(Watchdog, TheTitleTuneComesRoundAtTheFirstCheckAfterItsEnd) {
  uint64_t length = tune_length_us("emptysky.mid");
  ASSERT_GT(length, 0u);
  Simulator sim;
  AudioLines trace;
  std::ostream out(&trace);
  sim.set_trace(&out);
  sim.start();
  int64_t steps = static_cast<int64_t>(2 * length / 10000) + 400;
  for (int64_t i = 0; i < steps; ++i) ASSERT_TRUE(sim.step());
  out.flush();

  std::vector<Restart> r = restarts(trace);
  ASSERT_GE(r.size(), 3u) << "opened at start-up, then two rounds";
  EXPECT_EQ(r[0].handler, "Form_Load");
  EXPECT_EQ(r[0].t_ms, 0);
  // Start-up enables the watchdog at 0 ms, so it looks at every whole second.
  int64_t first = first_check_after(0, length, 0);
  EXPECT_EQ(r[1].handler, "Bgm_Check");
  EXPECT_EQ(r[1].t_ms, first);
  EXPECT_EQ(r[2].handler, "Bgm_Check");
  EXPECT_EQ(r[2].t_ms, first_check_after(first, length, 0));
  // Between those, every look found the tune still playing and left it alone.
  for (const auto& line : trace.lines) {
    if (line.handler != "Bgm_Check") continue;
    EXPECT_NE(line.audio.find("mci status midifile mode"), std::string::npos);
  }
}

TEST_F(Watchdog, TheStageTuneLoopsTheSameWayFromTheStartOfAGame) {
  uint64_t length = tune_length_us("escape.mid");
  ASSERT_GT(length, 0u);
  std::vector<KeyLine> keys = {{150, kSimSpace}, {160, 0}};
  Simulator sim(1, keys);
  AudioLines trace;
  std::ostream out(&trace);
  sim.set_trace(&out);
  sim.start();
  int64_t steps = 150 + static_cast<int64_t>(length / 10000) + 300;
  for (int64_t i = 0; i < steps && sim.step(); ++i) {
  }
  out.flush();

  int64_t opened = -1;
  for (const auto& line : trace.lines)
    if (line.audio.find("escape.mid") != std::string::npos) opened = line.t_ms;
  ASSERT_GE(opened, 0) << "Space on the title starts the stage tune";
  std::vector<Restart> after;
  for (const Restart& r : restarts(trace))
    if (r.t_ms > opened) after.push_back(r);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after[0].handler, "Bgm_Check");
  EXPECT_EQ(after[0].t_ms, first_check_after(opened, length, 0));
}

}  // namespace
}  // namespace qv
