#include "sim/simulator.hpp"

#include <istream>
#include <ostream>
#include <sstream>

#include "game/label.hpp"

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

bool parse_number(const std::string& text, size_t most_digits, int64_t& value) {
  if (text.empty() || text.size() > most_digits) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::stoll(text);
  return true;
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
    int64_t step = 0;
    if (!parse_number(words[0], 12, step)) return fail("expected 'STEP KEYS'");
    if (words.size() == 2 && (words[1] == "close" || words[1] == "end"))
      return stop(words[1], step);
    KeyLine key_line{step, 0, 0};
    for (size_t i = 1; i < words.size(); ++i)
      if (!parse_key_word(words[i], key_line.keys, key_line.taps))
        return fail("expected 'STEP KEYS'");
    if (!out_.lines.empty() && step <= out_.lines.back().step) return fail("steps must ascend");
    out_.lines.push_back(key_line);
    return true;
  }

 private:
  bool seed(const std::vector<std::string>& words) {
    int64_t seed = 0;
    if (out_.seed || words.size() != 2 || !parse_number(words[1], 10, seed) || seed > UINT32_MAX)
      return fail("expected one 'seed N' with N from 0 to 4294967295");
    out_.seed = static_cast<uint32_t>(seed);
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
  if (seed) return lines.empty() ? 0 : lines.back().step;
  return std::nullopt;
}

bool parse_key_script(std::istream& in, KeyScript& out, std::string& error) {
  out = KeyScript{};
  ScriptReader reader(out, error);
  std::string line;
  int line_no = 0;
  while (std::getline(in, line))
    if (!reader.line(line, ++line_no)) return false;
  return true;
}

bool parse_key_script(std::istream& in, std::vector<KeyLine>& out, std::string& error) {
  KeyScript script;
  bool ok = parse_key_script(in, script, error);
  out = std::move(script.lines);
  return ok;
}

Simulator::Simulator(uint32_t seed, std::vector<KeyLine> script)
    : game_(sink_, KeySource::replay), seed_(seed), script_(std::move(script)) {
  game_.keep_audio_calls(true);
}

Simulator::~Simulator() = default;

void Simulator::set_trace(std::ostream* trace) {
  trace_ = trace ? std::make_unique<TraceWriter>(*trace) : nullptr;
  game_.set_observer(trace_.get());
}

StepKeys Simulator::next_keys() {
  int64_t step = game_.current_step() + 1;
  uint8_t want = held_, taps = 0;
  while (next_line_ < script_.size() && script_[next_line_].step <= step) {
    want = script_[next_line_].keys;
    taps |= script_[next_line_].taps;
    ++next_line_;
  }
  if (has_override_) want = override_;
  StepKeys keys{want, static_cast<uint8_t>((want & ~held_) | taps)};
  held_ = want;
  return keys;
}

bool Simulator::step() {
  if (game_.ended()) return false;
  return game_.step(next_keys());
}

Picture Simulator::screen() const {
  const Window& win = game_.win();
  Picture p;
  p.width = kPlayWidth;
  p.height = kPlayHeight;
  p.pixels = win.onPB.pixels();
  draw_label(win.score1, p.pixels.data(), p.width, p.height, p.width);
  return p;
}

}  // namespace qv
