#include "game/trace.hpp"

#include <cstdio>
#include <ostream>

namespace qv {
namespace {

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

void append_trace_record(std::string& out, const Game& game, const char* handler, bool ended) {
  const Window& win = game.win();
  out += "{\"t\":";
  put_int(out, game.current_step() * kStepMs);
  out += ",\"step\":";
  put_int(out, game.current_step());
  out += ",\"handler\":";
  put_string(out, handler);
  out += ",\"label\":";
  put_string(out, win.score1);
  out += ",\"op\":";
  put_int(out, win.op.Interval());
  out += ",\"time\":";
  put_int(out, win.time.Interval());
  out += ",\"bgm_check\":";
  out += win.Bgm_Check.Enabled() ? "true" : "false";
  out += ",\"audio\":[";
  const std::vector<std::string>& calls = game.audio_calls();
  for (size_t i = 0; i < calls.size(); ++i) {
    if (i) out += ',';
    put_string(out, calls[i]);
  }
  out += "],\"state\":";
  put_state(out, win.s);
  if (ended) out += ",\"ended\":true";
  out += "}\n";
}

void TraceWriter::handler_ran(const Game& game, const char* handler, bool ended) {
  line_.clear();
  append_trace_record(line_, game, handler, ended);
  out_ << line_;
}

bool TraceWriter::failed() const {
  return !out_.good();
}

}  // namespace qv
