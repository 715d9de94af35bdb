#include "game/trace.hpp"

#include <algorithm>
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

void put_value(std::string& out, const Int& v) {
  put_int(out, v);
}

template <int32_t U>
void put_value(std::string& out, const IntArray<U>& a) {
  out += '[';
  for (int32_t i = 0; i <= U; ++i) {
    if (i) out += ',';
    put_int(out, a[i]);
  }
  out += ']';
}

template <int32_t U1, int32_t U2>
void put_value(std::string& out, const IntGrid<U1, U2>& g) {
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
  out += '{';
  for_each_variable(s, [&](const char* name, const auto& value) {
    if (out.back() != '{') out += ',';
    out += '"';
    out += name;
    out += "\":";
    put_value(out, value);
  });
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
  uint64_t before = written_;
  written_ += line_.size();
  mark_end(game.current_step(), before);
}

// A step without records of its own ends where the next record begins; a record past the
// steps kept closes them all. The steps come one by one as a game runs, so the vector grows
// by one step at a time (doubling its room now and then), never by a number a file claims.
void TraceWriter::mark_end(int64_t step, uint64_t before) {
  if (last_kept_ < 0) return;
  if (step > last_kept_) {
    if (ends_.size() <= static_cast<size_t>(last_kept_)) ends_.resize(last_kept_ + 1, before);
    return;
  }
  ends_.resize(static_cast<size_t>(step), before);
  ends_.push_back(written_);
}

void TraceWriter::keep_step_ends(int64_t last) {
  last_kept_ = std::max<int64_t>(last, 0);
  ends_.reserve(std::min(static_cast<size_t>(last_kept_) + 1, kFirstRoom));
}

std::optional<uint64_t> TraceWriter::end_of(int64_t step) const {
  if (step < 0 || step > last_kept_) return std::nullopt;
  if (static_cast<size_t>(step) < ends_.size()) return ends_[step];
  return written_;  // nothing written after the step yet
}

bool TraceWriter::cut_back_to(int64_t step) {
  std::optional<uint64_t> end = end_of(step);
  if (!end) return false;
  if (*end != written_) {
    out_.flush();
    if (!cut_ || !cut_(*end)) return false;
    written_ = *end;
  }
  ends_.resize(std::min(ends_.size(), static_cast<size_t>(step) + 1));
  return true;
}

TraceWriter::Cutter string_cutter(std::ostringstream& out) {
  return [&out](uint64_t bytes) {
    std::string kept = out.str();
    kept.resize(std::min<uint64_t>(bytes, kept.size()));
    out.str(kept);
    out.seekp(0, std::ios::end);
    return true;
  };
}

bool TraceWriter::failed() const {
  return !out_.good();
}

}  // namespace qv
