#include "game/recording_format.hpp"

#include <algorithm>
#include <charconv>

#include "game/game_hash.hpp"
#include "system/numbers.hpp"

#ifndef QV_VERSION
#define QV_VERSION "0.0.0"
#endif

namespace qv {
namespace {

template <typename Number>
void append_number(std::string& out, Number n, int base = 10) {
  char text[24];
  auto [end, ec] = std::to_chars(text, text + sizeof text, n, base);
  out.append(text, static_cast<size_t>(end - text));
}

void append_step(std::string& out, const char* word, int64_t step) {
  out += word;
  out += ' ';
  append_number(out, step);
}

bool read_number(std::string_view text, int64_t lo, int64_t hi, int64_t& value) {
  std::optional<int64_t> n = read_whole_number(text, lo, hi);
  if (n) value = *n;
  return n.has_value();
}

// Exactly 16 hexadecimal digits, as the writer puts them.
bool read_check_value(std::string_view text, uint64_t& value) {
  std::optional<uint64_t> n = read_hex_number(text, 16);
  if (n) value = *n;
  return n.has_value();
}

constexpr int64_t kLastStep = kLastScriptStep;

bool has_steps(const KeyScript& s) {
  return !s.lines.empty() || !s.checks.empty() || !s.scores.empty() || s.closed_after ||
         s.ended_at || s.taken_over_at;
}

RecordingLine refuse(std::string& why, std::string text) {
  why = std::move(text);
  return RecordingLine::refused;
}

RecordingLine read_format(const std::vector<std::string>& words, KeyScript& out, std::string& why) {
  int64_t format = 0;
  if (words.size() != 2 || !read_number(words[1], 1, 999999999, format))
    return refuse(why, "expected 'format N'");
  if (format > kNewestRecordingFormat) {
    out.format = static_cast<int>(format);
    return refuse(why, "made by a newer Quelvaris: format " + std::to_string(format));
  }
  if (out.format != 1 || !out.game_version.empty() || has_steps(out))
    return refuse(why, "the format line comes once, before any step");
  out.format = static_cast<int>(format);
  return RecordingLine::read;
}

RecordingLine read_game(const std::vector<std::string>& words, KeyScript& out, std::string& why) {
  if (words.size() != 3 || words[1] != "quelvaris")
    return refuse(why, "expected 'game quelvaris VERSION'");
  if (!out.game_version.empty() || has_steps(out))
    return refuse(why, "the game line comes once, before any step");
  out.game_version = words[2];
  return RecordingLine::read;
}

// Check and score lines each ascend, and keep to the order of all the steps.
template <typename Line>
RecordingLine add_in_order(std::vector<Line>& lines, const Line& line, KeyScript& out,
                           const char* kind, std::string& why) {
  if (!lines.empty() && line.step <= lines.back().step) {
    out.out_of_order_at = line.step;
    return refuse(why, std::string(kind) + " steps must ascend");
  }
  if (!in_step_order(out, line.step, why)) return RecordingLine::refused;
  lines.push_back(line);
  return RecordingLine::read;
}

RecordingLine read_check(const std::vector<std::string>& words, KeyScript& out, std::string& why) {
  CheckLine check{};
  if (words.size() != 3 || !read_number(words[1], 0, kLastStep, check.step) ||
      !read_check_value(words[2], check.value))
    return refuse(why, "expected 'check STEP HASH' with 16 hexadecimal digits");
  return add_in_order(out.checks, check, out, "check", why);
}

RecordingLine read_score(const std::vector<std::string>& words, KeyScript& out, std::string& why) {
  ScoreLine score{};
  int64_t n = 0;
  std::optional<CreditEnd> how = words.size() == 4 ? credit_end_from_name(words[3]) : std::nullopt;
  if (!how || !read_number(words[1], 0, kLastStep, score.step) ||
      !read_number(words[2], INT32_MIN, INT32_MAX, n))
    return refuse(why, "expected 'score STEP N HOW' with HOW 'over' or 'ending'");
  score.score = static_cast<int32_t>(n);
  score.how = *how;
  return add_in_order(out.scores, score, out, "score", why);
}

RecordingLine read_take_over(const std::vector<std::string>& words, KeyScript& out,
                             std::string& why) {
  int64_t step = 0;
  if (out.format < kTakenOverFormat)
    return refuse(why, "a 'takeover' line needs 'format 3' before it");
  if (words.size() != 2 || !read_number(words[1], 0, kLastStep, step))
    return refuse(why, "expected 'takeover STEP'");
  if (out.taken_over_at) return refuse(why, "a game is taken over once");
  if (!in_step_order(out, step, why)) return RecordingLine::refused;
  out.taken_over_at = step;
  return RecordingLine::read;
}

}  // namespace

std::string_view game_version() {
  return QV_VERSION;
}

void append_recording_head(std::string& out, uint32_t seed, int format) {
  out += "# Quelvaris recording: quelvaris-sim --keys FILE replays it, --verify FILE checks it\n";
  out += "format ";
  append_number(out, format);
  out += "\ngame quelvaris ";
  out += game_version();
  out += "\nseed ";
  append_number(out, seed);
  out += '\n';
}

void append_key_line(std::string& out, int64_t step, uint8_t keys, uint8_t taps) {
  append_number(out, step);
  if (!keys) out += " none";
  for (int k = 0; k < kGameKeys; ++k) {
    if (keys & (1u << k)) {
      out += ' ';
      out += kGameKeyName[k];
    }
  }
  for (int k = 0; k < kGameKeys; ++k) {
    if (taps & (1u << k)) {
      out += " tap:";
      out += kGameKeyName[k];
    }
  }
  out += '\n';
}

void append_score_line(std::string& out, const ScoreLine& score) {
  append_step(out, "score", score.step);
  out += ' ';
  append_number(out, score.score);
  out += ' ';
  out += credit_end_name(score.how);
  out += '\n';
}

void append_check_line(std::string& out, const CheckLine& check) {
  append_step(out, "check", check.step);
  out += ' ';
  append_hex(out, check.value);
  out += '\n';
}

void append_stop_line(std::string& out, int64_t step, bool closed) {
  append_number(out, step);
  out += closed ? " close\n" : " end\n";
}

void append_take_over_line(std::string& out, int64_t step) {
  append_step(out, "takeover", step);
  out += '\n';
}

void RecordingWriter::begin(uint32_t seed, std::string& out) {
  append_recording_head(out, seed);
}

void RecordingWriter::check(const Game& game, std::string& out) {
  if (last_check_ == game.current_step()) return;
  last_check_ = game.current_step();
  append_check_line(out, {last_check_, check_value(game)});
}

// A key that went down without becoming held in this step (or while held already) was tapped.
void RecordingWriter::before_step(int64_t step, StepKeys keys, std::string& out) {
  if (stopped_ || keys_step_ == step) return;
  keys_step_ = step;
  uint8_t newly_held = static_cast<uint8_t>(keys.held & ~held_);
  uint8_t taps = static_cast<uint8_t>(keys.went_down & ~newly_held);
  if (keys.held != held_ || taps) {
    append_key_line(out, step, keys.held, taps);
    latest_ = step;
  }
  held_ = keys.held;
}

void RecordingWriter::after_step(const Game& game, StepKeys keys, std::string& out) {
  if (stopped_) return;
  int64_t step = game.current_step();
  size_t size_before = out.size();
  before_step(step, keys, out);
  news_ = credits_.after_step(game);
  if (news_.ended) {
    append_score_line(out, {step, news_.score, *news_.ended});
    check(game, out);
  }
  if (step % kCheckEvery == 0 || game.ended()) check(game, out);
  if (game.ended()) {
    append_stop_line(out, step, false);
    stopped_ = true;
  }
  if (out.size() != size_before) latest_ = step;
}

void RecordingWriter::mark(int64_t step, std::string& out) {
  if (stopped_ || step <= latest_) return;
  append_key_line(out, step, held_, 0);
  latest_ = step;
}

void RecordingWriter::closing(const Game& game, std::string& out) {
  if (stopped_) return;
  check(game, out);
  append_stop_line(out, game.current_step(), true);
  latest_ = game.current_step();
  stopped_ = true;
}

RecordingLine read_recording_line(const std::vector<std::string>& words, KeyScript& out,
                                  std::string& why) {
  const std::string& word = words[0];
  if (word == "format") return read_format(words, out, why);
  if (word == "takeover") return read_take_over(words, out, why);
  if (word != "game" && word != "check" && word != "score") return RecordingLine::other;
  if (out.format < 2) return refuse(why, "a '" + word + "' line needs 'format 2' before it");
  if (word == "game") return read_game(words, out, why);
  if (word == "check") return read_check(words, out, why);
  return read_score(words, out, why);
}

bool in_step_order(KeyScript& out, int64_t step, std::string& why) {
  if (out.format < 2 || step >= latest_step(out)) return true;
  out.out_of_order_at = step;
  why = "lines must come in the order of their steps";
  return false;
}

int64_t latest_step(const KeyScript& s) {
  int64_t latest = 0;
  if (!s.lines.empty()) latest = s.lines.back().step;
  if (!s.checks.empty()) latest = std::max(latest, s.checks.back().step);
  if (!s.scores.empty()) latest = std::max(latest, s.scores.back().step);
  if (s.taken_over_at) latest = std::max(latest, *s.taken_over_at);
  return latest;
}

}  // namespace qv
