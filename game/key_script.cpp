#include "game/key_script.hpp"

#include <istream>
#include <sstream>

#include "game/recording_format.hpp"
#include "system/numbers.hpp"
#include "system/platform.hpp"

namespace qv {
namespace {

// One word of a key list: a key name sets its bit in `keys`, "tap:NAME" in `taps`.
bool parse_key_word(const std::string& word, uint8_t& keys, uint8_t& taps) {
  if (word == "none" || word == "-") return true;
  bool tap = word.rfind("tap:", 0) == 0;
  std::string name = tap ? word.substr(4) : word;
  for (int k = 0; k < kGameKeys; ++k) {
    if (name == kGameKeyName[k]) {
      (tap ? taps : keys) |= static_cast<uint8_t>(1 << k);
      return true;
    }
  }
  return false;
}

// No line of a script or a recording comes near this; an endless one is refused, not read.
constexpr size_t kLongestLine = 4096;

// `unended`: the last line of the file, with no newline after it.
enum class LineRead { line, unended, none, too_long };

LineRead read_line(std::istream& in, std::string& line) {
  line.clear();
  std::istream::int_type c;
  while ((c = in.get()) != std::istream::traits_type::eof()) {
    if (c == '\n') return LineRead::line;
    if (line.size() == kLongestLine) return LineRead::too_long;
    line += static_cast<char>(c);
  }
  return line.empty() ? LineRead::none : LineRead::unended;
}

class ScriptReader {
 public:
  ScriptReader(KeyScript& out, std::string& error) : out_(out), error_(error) {}

  bool line(std::string text, int line_no) {
    line_no_ = line_no;
    if (auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    for (char& c : text)
      if (c == ',') c = ' ';
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) return true;
    if (out_.closed_after || out_.ended_at) return fail("nothing may follow the close or end line");
    if (words[0] == "seed") return seed(words);
    std::string why;
    RecordingLine recording_line = read_recording_line(words, out_, why);
    if (recording_line == RecordingLine::refused) return fail(why);
    if (recording_line == RecordingLine::read) return true;
    std::optional<int64_t> read_step = read_whole_number(words[0], 0, kLastScriptStep);
    if (!read_step) return fail("expected 'STEP KEYS'");
    int64_t step = *read_step;
    if (!in_step_order(out_, step, why)) return fail(why);
    if (words.size() == 2 && (words[1] == "close" || words[1] == "end"))
      return stop(words[1], step);
    KeyLine key_line{step, 0, 0};
    for (size_t i = 1; i < words.size(); ++i)
      if (!parse_key_word(words[i], key_line.keys, key_line.taps))
        return fail("expected 'STEP KEYS'");
    if (!out_.lines.empty() && step <= out_.lines.back().step) {
      out_.out_of_order_at = step;
      return fail("steps must ascend");
    }
    out_.lines.push_back(key_line);
    return true;
  }

 private:
  bool seed(const std::vector<std::string>& words) {
    std::optional<int64_t> seed =
        words.size() == 2 ? read_whole_number(words[1], 0, UINT32_MAX) : std::nullopt;
    if (out_.seed || !seed) return fail("expected one 'seed N' with N from 0 to 4294967295");
    out_.seed = static_cast<uint32_t>(*seed);
    return true;
  }

  bool stop(const std::string& how, int64_t step) {
    if (!out_.lines.empty() && step < out_.lines.back().step)
      return fail("the " + how + " step must not come before the last keys");
    (how == "close" ? out_.closed_after : out_.ended_at) = step;
    return true;
  }

  bool fail(const std::string& what) {
    error_ = "key script line " + std::to_string(line_no_) + ": " + what;
    return false;
  }

  KeyScript& out_;
  std::string& error_;
  int line_no_ = 0;
};

}  // namespace

std::optional<int64_t> KeyScript::last_step() const {
  if (closed_after) return closed_after;
  if (ended_at) return ended_at;
  if (seed) return latest_step(*this);
  return std::nullopt;
}

bool parse_key_script(std::istream& in, KeyScript& out, std::string& error) {
  out = KeyScript{};
  ScriptReader reader(out, error);
  std::string line;
  int line_no = 0;
  for (;;) {
    LineRead got = read_line(in, line);
    if (got == LineRead::none) return true;
    ++line_no;
    if (got == LineRead::too_long) {
      error = "key script line " + std::to_string(line_no) + ": longer than " +
              std::to_string(kLongestLine) + " characters";
      return false;
    }
    if (reader.line(line, line_no)) continue;
    // A recording cut off by a crash or a full disk: its last line may be incomplete. It is
    // left out, and the rest replays.
    if (got != LineRead::unended || !out.seed) return false;
    out.cut_line = "key script line " + std::to_string(line_no) +
                   " is cut off; the recording replays up to the line before it";
    error.clear();
    return true;
  }
}

bool parse_key_script(std::istream& in, std::vector<KeyLine>& out, std::string& error) {
  KeyScript script;
  bool ok = parse_key_script(in, script, error);
  out = std::move(script.lines);
  return ok;
}

bool read_key_script(const std::string& path, KeyScript& out, std::string& error) {
  std::string bytes;
  FileRead got = read_regular_file(path, kLargestKeyScript, bytes);
  if (!got.ok()) {
    out = KeyScript{};
    error = path + ": cannot read it (" + got.why(kLargestKeyScript) + ")";
    return false;
  }
  std::istringstream in(std::move(bytes));
  if (!parse_key_script(in, out, error)) {
    error = path + ": " + error;
    return false;
  }
  if (!out.cut_line.empty()) out.cut_line = path + ": " + out.cut_line;
  return true;
}

StepKeys ScriptKeys::next(int64_t step, std::optional<uint8_t> instead) {
  uint8_t taps = 0;
  while (next_line_ < lines_.size() && lines_[next_line_].step <= step) {
    want_ = lines_[next_line_].keys;
    taps |= lines_[next_line_].taps;
    ++next_line_;
  }
  uint8_t keys = instead.value_or(want_);
  StepKeys out{keys, static_cast<uint8_t>((keys & ~held_) | taps)};
  held_ = keys;
  return out;
}

}  // namespace qv
