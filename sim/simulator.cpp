#include "sim/simulator.hpp"

#include <istream>
#include <ostream>
#include <sstream>

#include "game/label.hpp"
#include "system/keys.hpp"

namespace qv {
namespace {

constexpr int32_t kSimKeyVk[] = {VK_SPACE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};
constexpr size_t kLongestKeyLine = 4096;
constexpr const char* kSimKeyName[] = {"space", "left", "up", "right", "down"};

bool parse_keys(const std::string& text, uint8_t& keys) {
  keys = 0;
  std::string word;
  std::istringstream words(text);
  std::string list;
  for (char c : text) list += (c == ',') ? ' ' : c;
  std::istringstream in(list);
  while (in >> word) {
    if (word == "none" || word == "-") continue;
    bool known = false;
    for (int k = 0; k < 5; ++k) {
      if (word == kSimKeyName[k]) {
        keys |= static_cast<uint8_t>(1 << k);
        known = true;
      }
    }
    if (!known) return false;
  }
  return true;
}

enum class LineRead { kLine, kEnd, kTooLong };

// One line of a key script, without its newline. A line is short: reading stops at
// kLongestKeyLine characters, so that a file without newlines (a device of endless zeros) is
// refused instead of read whole into memory.
LineRead read_line(std::istream& in, std::string& line) {
  line.clear();
  for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
    if (c == '\n') return LineRead::kLine;
    if (line.size() == kLongestKeyLine) return LineRead::kTooLong;
    line += static_cast<char>(c);
  }
  return line.empty() ? LineRead::kEnd : LineRead::kLine;
}

// JSON pieces.
void put_string(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += c;
    }
  }
  out += '"';
}

void put_int(std::string& out, int64_t v) {
  out += std::to_string(v);
}

template <int32_t U>
void put_array(std::string& out, const IntArray<U>& a) {
  out += '[';
  for (int32_t i = 0; i <= U; ++i) {
    if (i) out += ',';
    put_int(out, a[i]);
  }
  out += ']';
}

template <int32_t U1, int32_t U2>
void put_grid(std::string& out, const IntGrid<U1, U2>& g) {
  out += '[';
  for (int32_t a = 0; a <= U1; ++a) {
    if (a) out += ',';
    out += '[';
    for (int32_t b = 0; b <= U2; ++b) {
      if (b) out += ',';
      put_int(out, g(a, b));
    }
    out += ']';
  }
  out += ']';
}

void put_state(std::string& out, const GameState& s) {
  auto field = [&](const char* name) {
    if (out.back() != '{') out += ',';
    out += '"';
    out += name;
    out += "\":";
  };
  out += '{';
  field("tick"), put_int(out, s.tick);
  field("loop_i"), put_int(out, s.loop_i);
  field("score"), put_int(out, s.score);
  field("over_y"), put_int(out, s.over_y);
  field("roll_y"), put_int(out, s.roll_y);
  field("st_x"), put_array(out, s.st_x);
  field("st_y"), put_array(out, s.st_y);
  field("st_c"), put_array(out, s.st_c);
  field("st_phase"), put_int(out, s.st_phase);
  field("st_next"), put_int(out, s.st_next);
  field("sh_next"), put_int(out, s.sh_next);
  field("sh_wait"), put_int(out, s.sh_wait);
  field("sh_x"), put_grid(out, s.sh_x);
  field("sh_y"), put_grid(out, s.sh_y);
  field("sh_on"), put_grid(out, s.sh_on);
  field("stage_count"), put_int(out, s.stage_count);
  field("en_x"), put_array(out, s.en_x);
  field("en_y"), put_array(out, s.en_y);
  field("en_hits"), put_array(out, s.en_hits);
  field("en_size"), put_array(out, s.en_size);
  field("bl_x"), put_array(out, s.bl_x);
  field("bl_y"), put_array(out, s.bl_y);
  field("bl_on"), put_array(out, s.bl_on);
  field("bl_size"), put_array(out, s.bl_size);
  field("volley_no"), put_int(out, s.volley_no);
  field("volley_count"), put_int(out, s.volley_count);
  field("key_space"), put_int(out, s.key_space);
  field("safe_count"), put_int(out, s.safe_count);
  field("lives"), put_int(out, s.lives);
  field("px"), put_int(out, s.px);
  field("py"), put_int(out, s.py);
  out += '}';
}

}  // namespace

bool parse_key_script(std::istream& in, std::vector<KeyLine>& out, std::string& error) {
  std::string line;
  int line_no = 0;
  out.clear();
  for (LineRead read; (read = read_line(in, line)) != LineRead::kEnd;) {
    ++line_no;
    if (read == LineRead::kTooLong) {
      error = "key script line " + std::to_string(line_no) + ": longer than " +
              std::to_string(kLongestKeyLine) + " characters";
      return false;
    }
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string step_text;
    if (!(words >> step_text)) continue;  // blank
    std::string rest;
    std::getline(words, rest);
    int64_t step = 0;
    bool number = !step_text.empty() && step_text.size() <= 12;
    for (char c : step_text) number = number && c >= '0' && c <= '9';
    if (number) step = std::stoll(step_text);
    uint8_t keys = 0;
    if (!number || !parse_keys(rest, keys)) {
      error = "key script line " + std::to_string(line_no) + ": expected 'STEP KEYS'";
      return false;
    }
    if (!out.empty() && step <= out.back().step) {
      error = "key script line " + std::to_string(line_no) + ": steps must ascend";
      return false;
    }
    out.push_back({step, keys});
  }
  return true;
}

Simulator::Simulator(uint32_t seed, std::vector<KeyLine> script)
    : media_(clock_, sink_), seed_(seed), script_(std::move(script)) {
  keyboard().release_all();
  install_media(&media_);
  media_.set_log(&calls_);
  win_ = std::make_unique<Window>(clock_);
}

Simulator::~Simulator() {
  if (installed_media() == &media_) install_media(nullptr);
}

void Simulator::write_record(const char* name, bool ended) {
  if (!trace_) return;
  std::string& out = line_;
  out.clear();
  out += "{\"t\":";
  put_int(out, static_cast<int64_t>(clock_.now_us() / 1000));
  out += ",\"step\":";
  put_int(out, step_);
  out += ",\"handler\":";
  put_string(out, name);
  out += ",\"label\":";
  put_string(out, win_->score1);
  out += ",\"op\":";
  put_int(out, win_->op.Interval());
  out += ",\"time\":";
  put_int(out, win_->time.Interval());
  out += ",\"bgm_check\":";
  out += win_->Bgm_Check.Enabled() ? "true" : "false";
  out += ",\"audio\":[";
  for (size_t i = 0; i < calls_.size(); ++i) {
    if (i) out += ',';
    put_string(out, calls_[i]);
  }
  out += "],\"state\":";
  put_state(out, win_->s);
  if (ended) out += ",\"ended\":true";
  out += "}\n";
  *trace_ << out;
}

template <typename Handler>
void Simulator::run_handler(const char* name, Handler&& handler) {
  calls_.clear();
  try {
    handler();
  } catch (const ProgramEnd&) {
    ended_ = true;
  }
  write_record(name, ended_);
}

void Simulator::start() {
  clock_.set_ms(0);
  run_handler("Form_Load", [&] { Form_Load(*win_, seed_); });
}

void Simulator::apply_keys() {
  uint8_t want = held_;
  while (next_line_ < script_.size() && script_[next_line_].step <= step_) {
    want = script_[next_line_].keys;
    ++next_line_;
  }
  if (has_override_) want = override_;
  for (int k = 0; k < 5; ++k) {
    uint8_t bit = static_cast<uint8_t>(1 << k);
    if ((want & bit) && !(held_ & bit)) keyboard().key_down(kSimKeyVk[k]);
    if (!(want & bit) && (held_ & bit)) keyboard().key_up(kSimKeyVk[k]);
  }
  held_ = want;
}

bool Simulator::step() {
  if (ended_) return false;
  ++step_;
  clock_.set_ms(static_cast<uint64_t>(step_) * 10);
  apply_keys();
  uint64_t now = clock_.now_us();
  struct Entry {
    const char* name;
    Timer Window::*timer;
    void (*handler)(Window&);
  };
  static constexpr Entry kOrder[] = {{"op", &Window::op, &op_Timer},
                                     {"time", &Window::time, &time_Timer},
                                     {"Bgm_Check", &Window::Bgm_Check, &Bgm_Check_Timer}};
  for (const Entry& e : kOrder) {
    Timer& t = (*win_).*(e.timer);
    if (!t.is_due(now)) continue;
    t.delivered(now);
    run_handler(e.name, [&] { e.handler(*win_); });
    if (ended_) return false;
  }
  return true;
}

void Simulator::close() {
  run_handler("Form_Unload", [&] { Form_Unload(*win_); });
}

Picture Simulator::screen() const {
  Picture p;
  p.width = kPlayWidth;
  p.height = kPlayHeight;
  p.pixels = win_->onPB.pixels();
  draw_label(win_->score1, p.pixels.data(), p.width, p.height, p.width);
  return p;
}

}  // namespace qv
