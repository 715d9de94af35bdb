// Recordings of format 2 prove their scores: credits are told from the game's state, and the
// verifier catches every kind of tampering at the step where it shows.
#include "game/verify.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "game/credits.hpp"
#include "sim/simulator.hpp"

namespace qv {
namespace {

const char* start_name(CreditStart how) {
  switch (how) {
    case CreditStart::title:
      return "title";
    case CreditStart::title_ten_ships:
      return "ten ships";
    case CreditStart::continued:
      return "continue";
    case CreditStart::restarted:
      return "restart";
  }
  return "?";
}

// Every credit a key script's game begins and ends, as "STEP what" in order.
std::string credits_of(const std::string& script_path) {
  KeyScript script;
  std::string error;
  EXPECT_TRUE(read_key_script(std::string(QV_SOURCE_DIR) + "/" + script_path, script, error))
      << error;
  Simulator sim(script.seed.value_or(1), script.lines);
  CreditWatch watch;
  std::string events;
  auto note = [&](const CreditNews& news) {
    std::string at = std::to_string(sim.current_step()) + " ";
    if (news.started) events += at + start_name(*news.started) + "; ";
    if (news.ended)
      events += at + credit_end_name(*news.ended) + " " + std::to_string(news.score) + "; ";
  };
  sim.start();
  note(watch.after_step(sim.game()));
  while (sim.current_step() < script.last_step().value_or(10000) && sim.step())
    note(watch.after_step(sim.game()));
  if (sim.ended()) note(watch.after_step(sim.game()));
  return events;
}

TEST(Credits, BeginAtStartsContinuesAndRestartsAndEndAtGameOverOrTheStaffRoll) {
  struct Case {
    const char* script;
    const char* credits;
  };
  const Case cases[] = {
      {"tests/data/replays/scripts/space_continue.keys",
       "150 title; 824 over 2200; 1000 continue; 1608 over 5700; "},
      {"tests/data/replays/scripts/space_restart.keys",
       "150 title; 1003 over 2500; 1400 restart; 2073 over 4300; "},
      {"tests/data/replays/scripts/left_ten_ships.keys", "150 ten ships; 2580 over -1300; "},
      {"tests/data/replays/scripts/space_and_left.keys", "150 ten ships; 1674 over -2200; "},
      {"tests/data/replays/scripts/up_and_down.keys",
       "150 title; 1003 over 2100; 1500 restart; 2352 over 3800; "},
      {"tests/data/replays/scripts/title_close.keys", ""},
      // Up tapped on every resting GameOver picture; the last credit sees the staff roll out.
      {"tests/data/whole_game.keys",
       "150 title; 1067 over 2100; 1200 continue; 1659 over 4800; 1800 continue; "
       "2310 over 7300; 2500 continue; 2659 over 5200; 2800 continue; 2959 over 5400; "
       "3100 continue; 3252 over 5000; 3400 continue; 3783 ending 200; "},
  };
  for (const Case& c : cases) EXPECT_EQ(credits_of(c.script), c.credits) << c.script;
}

// Space on the title, the ship parked where it starts: its game is over at step 824 with
// 2200, and the window is closed at step 1000.
std::string short_recording() {
  Simulator sim(2, {{150, kSimSpace}});
  std::string text;
  sim.record_to(&text);
  sim.start();
  while (sim.current_step() < 1000) sim.step();
  sim.close();
  return text;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The whole line that begins with `head`, with its newline.
std::string line_of(const std::string& text, const std::string& head) {
  size_t at = text.find("\n" + head) + 1;
  return text.substr(at, text.find('\n', at) + 1 - at);
}

// `text` with comment lines before it, to `size` bytes in all.
std::string padded(const std::string& text, size_t size) {
  std::string padding;
  while (padding.size() + text.size() < size) {
    size_t line = std::min<size_t>(4000, size - text.size() - padding.size());
    if (line > 1) padding.append(1, '#').append(line - 2, '-');
    padding += '\n';
  }
  return padding + text;
}

TEST(Verify, CatchesEveryTamperingAtItsStep) {
  const std::string original = short_recording();
  const std::string head = "format 2\ngame quelvaris 1.1.0\nseed 2\ncheck 100 0123456789abcdef\n";
  const std::string check500 = line_of(original, "check 500 ");
  const std::string keys150 = line_of(original, "150 ");
  const std::string check200 = line_of(original, "check 200 ");
  std::string flipped = check500;
  flipped[flipped.size() - 2] = flipped[flipped.size() - 2] == '0' ? '1' : '0';
  struct Case {
    const char* what;
    std::string text;
    int status;
    int64_t step;
    const char* says;
  };
  const Case cases[] = {
      {"untouched", original, 0, 1000, "verified, 1000 steps, scores 2200 (over)"},
      // Right on the title changes nothing in the game but the keys it was given.
      {"a key line changed", replaced(original, "150 space\n", "150 space right\n"), 1, 200,
       "diverges at step 200"},
      {"a score raised", replaced(original, "score 824 2200", "score 824 2300"), 1, 824,
       "score at step 824 is 2200, not 2300"},
      {"a score left out", replaced(original, "score 824 2200 over\n", ""), 1, 824,
       "score at step 824 is 2200, not in the recording"},
      {"a check value changed", replaced(original, check500, flipped), 1, 500,
       "diverges at step 500"},
      {"a check value removed", replaced(original, check500, ""), 1, 500,
       "no check value at step 500"},
      {"a line reordered", replaced(replaced(original, keys150, ""), check200, check200 + keys150),
       1, 150, "diverges at step 150 (a line out of order)"},
      {"cut short mid-credit, claiming its score",
       original.substr(0, original.find("check 700 ") + check500.size()) + "score 824 2200 over\n",
       1, 800, "no check value at step 800"},
      {"format 1: no check values", "seed 2\n150 space\n1000 close\n", 1, 0,
       "format 1, no check values: it replays, but proves nothing"},
      {"a newer format", replaced(original, "format 2\n", "format 4\n"), 2, 0,
       "made by a newer Quelvaris: format 4"},
      // The limits, looked at before any step is replayed: a made-up recording of two hours
      // and a step is refused at once, one of two hours to the step is replayed.
      {"longer than two hours", head + "720001 close\n", 1, 0,
       "longer than two hours: not verified"},
      {"longer than two hours, cut short", head + "720001 space\n", 1, 0,
       "longer than two hours: not verified"},
      {"two hours to the step", head + "720000 close\n", 1, 100, "diverges at step 100"},
      {"1 MiB to the byte", padded(original, 1 << 20), 0, 1000,
       "verified, 1000 steps, scores 2200 (over)"},
      {"a byte over 1 MiB", padded(original, (1 << 20) + 1), 1, 0,
       "larger than 1 MiB: not verified"},
  };
  for (const Case& c : cases) {
    Verdict v = verify_text(c.text);
    EXPECT_EQ(v.status, c.status) << c.what << ": " << v.text;
    EXPECT_EQ(v.step, c.step) << c.what << ": " << v.text;
    EXPECT_EQ(v.text, c.says) << c.what;
  }
}

}  // namespace
}  // namespace qv
