#include "board/run_verdict.hpp"

#include <sstream>

namespace qv::board {

RunVerdict run_verdict(const Verdict& verdict) {
  RunVerdict v;
  v.reason = verdict.text;
  std::string why;
  std::optional<ProvenCredit> c = ranked_credit(verdict, why);
  // A verified game that proves no credit begun on the title is verified, and on no table.
  v.verified = c || (verdict.status == 0 && !verdict.taken_over_at);
  if (!v.verified) {
    v.reason = why;
    return v;
  }
  v.steps = verdict.step;
  if (!c) return v;
  v.start = *c->game_start == CreditStart::title ? "two" : "ten";
  v.score = c->line.score;
  v.ending = credit_end_name(c->line.how);
  return v;
}

// "verified 1|0", "steps N", "credit START SCORE ENDING", "reason TEXT" (last: the rest of it).
std::string verdict_text(const RunVerdict& v) {
  std::string text = "verified " + std::string(v.verified ? "1" : "0") + "\n";
  text += "steps " + std::to_string(v.steps) + "\n";
  if (v.start) text += "credit " + *v.start + " " + std::to_string(v.score) + " " + v.ending + "\n";
  std::string reason = v.reason;
  for (char& c : reason)
    if (c == '\n' || c == '\r') c = ' ';
  text += "reason " + reason + "\n";
  return text;
}

std::optional<RunVerdict> verdict_from_text(const std::string& text) {
  RunVerdict v;
  std::istringstream in(text);
  std::string line;
  bool reason = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "verified") {
      int n = 0;
      words >> n;
      v.verified = n == 1;
    } else if (word == "steps") {
      words >> v.steps;
    } else if (word == "credit") {
      std::string start;
      words >> start >> v.score >> v.ending;
      v.start = start;
    } else if (word == "reason") {
      v.reason = line.size() > 7 ? line.substr(7) : "";
      reason = true;
    }
  }
  if (!reason) return std::nullopt;
  return v;
}

}  // namespace qv::board
