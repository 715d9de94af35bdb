#include "desktop/best_runs.hpp"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "desktop/board_account.hpp"
#include "desktop/folders.hpp"
#include "desktop/replay_folder.hpp"
#include "desktop/score_folder.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace qv {

namespace {

// The entries board.ini says a board has had, with their rank there; read with the table, never
// from the network.
EntryMarks board_marks_kept() {
  std::string path = utf8_from_path(board_account_place()), why;
  std::optional<BoardAccount> account = path.empty() ? std::nullopt : load_board_account(path, why);
  return account ? board_marks(*account) : EntryMarks();
}

struct EndedCredit {
  CreditStart start;
  CreditNews news;
  std::string recording;
};

}  // namespace

struct BestRuns::Keeper {
  Keeper(std::string folder, std::string data_folder) : scores(std::move(folder), data_folder) {}

  // The keeper's thread: the table read, then each credit handed over written, in order.
  void run() {
    std::vector<std::string> warnings = scores.load(&closing);
    EntryMarks sent = board_marks_kept();
    std::unique_lock lock(mutex);
    table = scores.table();
    marks = std::move(sent);
    said.insert(said.end(), warnings.begin(), warnings.end());
    loaded = true;
    for (;;) {
      wake.wait(lock, [this] { return !credits.empty() || closing; });
      if (credits.empty()) return;
      EndedCredit credit = std::move(credits.front());
      credits.pop_front();
      lock.unlock();
      std::string error;
      std::optional<int> place = scores.add(credit.start, credit.news, credit.recording, error);
      lock.lock();
      table = scores.table();
      if (!error.empty() && !failure) failure = error;  // the first is said, once
      if (place) ranks.emplace_back(credit.start, *place);
    }
  }

  // A close while the table is still being read: the credits handed over go into the folder
  // unranked, as the recordings that prove them; the next reading of the table ranks them, and
  // deletes those that do not rank.
  void write_unranked() {
    for (const EndedCredit& credit : credits) {
      std::string path = new_replay_path(scores.folder());
      if (!replace_file(path, credit.recording))
        std::fprintf(stderr, "quelvaris: cannot write the recording %s: %s\n",
                     printable(path).c_str(), std::strerror(errno));
    }
    credits.clear();
  }

  ScoreFolder scores;  // the thread's alone, but for the name of its folder
  std::atomic<bool> closing = false;
  std::mutex mutex;
  std::condition_variable wake;
  // Under the mutex: to the thread,
  std::deque<EndedCredit> credits;
  // and from it.
  bool loaded = false;
  ScoreTable table;                    // once read, and after each credit written
  EntryMarks marks;                    // the entries an online board has had, as board.ini says
  std::vector<std::string> said;       // warnings not yet shown
  std::optional<std::string> failure;  // the first credit that could not be written
  bool failure_said = false;
  std::vector<std::pair<CreditStart, int>> ranks;  // credits that entered, not yet shown
  std::thread thread;
};

void BestRuns::load(const std::string& data_folder) {
  std::string folder = scores_folder();
  if (folder.empty()) return;
  keeper_ = std::make_shared<Keeper>(folder, data_folder);
  keeper_->thread = std::thread([keeper = keeper_] { keeper->run(); });
}

BestRuns::~BestRuns() {
  if (!keeper_) return;
  std::unique_lock lock(keeper_->mutex);
  keeper_->closing = true;
  keeper_->wake.notify_all();
  if (keeper_->loaded) {
    lock.unlock();
    keeper_->thread.join();  // the credits handed over: a write each
    return;
  }
  // Still reading: the thread ends on its own once the recording in hand is verified, holding
  // its share of the keeper until then, and never touches the folder again.
  keeper_->write_unranked();
  keeper_->thread.detach();
}

void BestRuns::after_step(const Game& game, const Recorder* recorder, uint64_t now_us) {
  overlay_.after_step(game, now_us);
  if (!keeper_) return;
  std::lock_guard lock(keeper_->mutex);
  if (recorder && recorder->news().ended && recorder->game_start()) {
    keeper_->credits.push_back({*recorder->game_start(), recorder->news(), recorder->text()});
    keeper_->wake.notify_all();
  }
  for (const std::string& line : keeper_->said)
    std::fprintf(stderr, "quelvaris: %s\n", printable(line).c_str());
  keeper_->said.clear();
  if (keeper_->failure && !std::exchange(keeper_->failure_said, true))
    std::fprintf(stderr, "quelvaris: %s\n", printable(*keeper_->failure).c_str());
  for (auto [start, place] : keeper_->ranks) overlay_.show_rank(start, place, now_us);
  keeper_->ranks.clear();
}

void BestRuns::toggle(const Game& game) {
  if (!keeper_) return overlay_.toggle(game, ScoreTable());
  ScoreTable table;
  EntryMarks marks;
  {
    std::lock_guard lock(keeper_->mutex);
    table = keeper_->table;
    marks = keeper_->marks;
  }
  overlay_.toggle(game, table, marks);
}

}  // namespace qv
