#include "game/verify.hpp"

#include <algorithm>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>

#include "game/credits.hpp"
#include "game/game_hash.hpp"
#include "game/recording_format.hpp"
#include "game/replay_stop.hpp"
#include "system/checked_int.hpp"
#include "system/media.hpp"
#include "system/media_files.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace qv {
namespace {

std::string step_text(int64_t step) {
  return "step " + std::to_string(step);
}

std::string score_text(int32_t score, CreditEnd how) {
  return std::to_string(score) + " (" + credit_end_name(how) + ")";
}

Verdict failed(int64_t step, std::string text) {
  return Verdict{1, step, std::move(text), {}, {}, std::nullopt};
}

// Walks the replay along the recording's lines, step by step, and says at the first step
// where they part what is wrong.
class Replay {
 public:
  Replay(const KeyScript& r, const std::string& data_folder)
      : r_(r), game_(sink_, KeySource::replay), keys_(r.lines), stop_(r), last_(stop_.last_step()) {
    game_.media().set_folder(data_folder);
    // Nobody sees a verification and no check value covers a pixel: nothing is drawn.
    game_.context().drawing = false;
  }

  Verdict run() {
    try {
      game_.start(*r_.seed);
      if (auto wrong = compare()) return *wrong;
      while (stop_.goes_on(game_)) {
        game_.step(keys_.next(game_.current_step() + 1));
        if (auto wrong = compare()) return *wrong;
      }
    } catch (const RunTimeError& e) {
      return diverges(std::string(" (the replay stopped: ") + e.what() + ")");
    }
    std::string text = "verified, " + std::to_string(last_) + " steps, ";
    if (scores_.empty()) text += "no scores";
    for (size_t i = 0; i < scores_.size(); ++i)
      text += (i ? ", " : "scores ") + score_text(scores_[i].score, scores_[i].how);
    if (r_.taken_over_at) text += ", taken over at step " + std::to_string(*r_.taken_over_at);
    return Verdict{0, last_, std::move(text), scores_, credits_proven_, r_.taken_over_at};
  }

 private:
  // A check line comes after every 100th step, every score and the last step; a recording
  // cut short may lose the one of its very last step, unless a score stands there.
  bool check_due(int64_t step) const {
    if (next_score_ < r_.scores.size() && r_.scores[next_score_].step == step) return true;
    if (step == last_) return r_.closed_after || r_.ended_at;
    return step > 0 && step % kCheckEvery == 0;
  }

  Verdict diverges(const std::string& why = "") const {
    std::string text = "diverges at " + step_text(game_.current_step()) + why;
    if (!r_.game_version.empty() && r_.game_version != game_version())
      text += " (recorded by quelvaris " + r_.game_version + ", this is " +
              std::string(game_version()) + ")";
    return failed(game_.current_step(), text);
  }

  std::optional<Verdict> compare() {
    int64_t step = game_.current_step();
    if (next_check_ < r_.checks.size() && r_.checks[next_check_].step == step) {
      if (r_.checks[next_check_++].value != check_value(game_)) return diverges();
    } else if (check_due(step)) {
      return failed(step, "no check value at " + step_text(step));
    }
    CreditNews news = credits_.after_step(game_);
    if (news.started == CreditStart::title || news.started == CreditStart::title_ten_ships)
      game_start_ = news.started;
    if (auto wrong = compare_score(news)) return wrong;
    if (game_.ended() != (r_.ended_at == step)) return diverges();
    return std::nullopt;
  }

  std::optional<Verdict> compare_score(const CreditNews& news) {
    int64_t step = game_.current_step();
    const ScoreLine* claim = nullptr;
    if (next_score_ < r_.scores.size() && r_.scores[next_score_].step == step)
      claim = &r_.scores[next_score_++];
    if (!news.ended && !claim) return std::nullopt;
    if (!news.ended)
      return failed(step, "no credit ends at " + step_text(step) + ", the recording claims " +
                              score_text(claim->score, claim->how));
    if (!claim)
      return failed(step, "score at " + step_text(step) + " is " + std::to_string(news.score) +
                              ", not in the recording");
    if (claim->how != *news.ended)
      return failed(step, "score at " + step_text(step) + " is " +
                              score_text(news.score, *news.ended) + ", not " +
                              score_text(claim->score, claim->how));
    if (claim->score != news.score)
      return failed(step, "score at " + step_text(step) + " is " + std::to_string(news.score) +
                              ", not " + std::to_string(claim->score));
    scores_.push_back(*claim);
    credits_proven_.push_back({*claim, news.stage_count, game_start_});
    return std::nullopt;
  }

  const KeyScript& r_;
  SilentSink sink_;
  Game game_;
  ScriptKeys keys_;
  CreditWatch credits_;
  ReplayStop stop_;
  int64_t last_;
  size_t next_check_ = 0;
  size_t next_score_ = 0;
  std::vector<ScoreLine> scores_;
  std::vector<ProvenCredit> credits_proven_;
  std::optional<CreditStart> game_start_;  // of the game under way: how it began on the title
};

}  // namespace

std::optional<ProvenCredit> ranked_credit(const Verdict& verdict, std::string& why) {
  if (verdict.status != 0) {
    why = verdict.text;
    return std::nullopt;
  }
  if (verdict.taken_over_at) {
    why = "a game taken over from a replay, or practised, is never ranked";
    return std::nullopt;
  }
  if (verdict.credits.empty() || !verdict.credits.back().game_start) {
    why = "it proves no credit of a game begun on the title";
    return std::nullopt;
  }
  return verdict.credits.back();
}

Verdict verify_recording(const KeyScript& r, const std::string& data_folder) {
  if (r.last_step().value_or(0) > kLongestVerifiedSteps)
    return failed(0, "longer than two hours: not verified");
  if (r.checks.empty()) {
    return failed(0, r.format < 2 ? "format 1, no check values: it replays, but proves nothing"
                                  : "no check values: it replays, but proves nothing");
  }
  if (!r.seed) return Verdict{2, 0, "no seed line", {}, {}, std::nullopt};
  return Replay(r, data_folder).run();
}

namespace {

// A recording the reader refused: of a newer format, tampered with (a line moved out of the
// order of the steps), or malformed.
Verdict refused(const KeyScript& r, std::string error) {
  if (r.format > kNewestRecordingFormat)
    return Verdict{2,  0,  "made by a newer Quelvaris: format " + std::to_string(r.format),
                   {}, {}, std::nullopt};
  if (r.format >= 2 && r.out_of_order_at) {
    return failed(*r.out_of_order_at,
                  "diverges at " + step_text(*r.out_of_order_at) + " (a line out of order)");
  }
  return Verdict{2, 0, error, {}, {}, std::nullopt};
}

Verdict too_large() {
  return failed(0, "larger than " + size_text(kLargestVerifiedRecording) + ": not verified");
}

}  // namespace

Verdict verify_file(const std::string& path, const std::string& data_folder, std::string* read) {
  std::string own;
  std::string& bytes = read ? *read : own;
  FileRead got = read_regular_file(path, kLargestVerifiedRecording, bytes);
  if (got.outcome == FileRead::too_large) return too_large();
  if (!got.ok())
    return Verdict{2,  0,  "cannot read it (" + got.why(kLargestVerifiedRecording) + ")",
                   {}, {}, std::nullopt};
  return verify_text(bytes, data_folder);
}

Verdict verify_text(std::istream& in, const std::string& data_folder) {
  std::string text;
  char buffer[4096];
  while (text.size() <= kLargestVerifiedRecording && in.read(buffer, sizeof buffer).gcount() > 0)
    text.append(buffer, static_cast<size_t>(in.gcount()));
  return verify_text(text, data_folder);
}

Verdict verify_text(std::string_view text, const std::string& data_folder) {
  if (text.size() > kLargestVerifiedRecording) return too_large();
  KeyScript r;
  std::string error;
  std::istringstream in{std::string(text)};
  if (!parse_key_script(in, r, error)) return refused(r, error);
  return verify_recording(r, data_folder);
}

int verify_files(const std::vector<std::string>& files, std::ostream& out, std::ostream& warnings,
                 const std::string& program, const std::string& data_folder) {
  // The tunes' state is part of every check value: a recording made with music verifies only
  // where the music is found, as the game finds it.
  std::filesystem::path tune = Media::resolve(media_files::kStageTune);
  if (!data_folder.empty()) tune = std::filesystem::path(data_folder) / tune;
  if (!std::filesystem::is_regular_file(tune))
    warnings << program
             << ": warning: no music in bgm&se here; recordings made with it will not "
                "verify\n";
  int status = 0;
  for (const std::string& file : files) {
    Verdict verdict = verify_file(file, data_folder);
    out << printable(file) << ": " << printable(verdict.text) << "\n";
    status = std::max(status, verdict.status);
  }
  out.flush();
  return status;
}

}  // namespace qv
