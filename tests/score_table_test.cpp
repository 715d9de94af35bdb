// The table of best runs: its ranking and what leaves it, and the folder that keeps it as
// recordings (a recording that does not verify is left out with one warning, one that leaves
// the table is deleted, a spoilt index is made again).
#include "front/score_table.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "desktop/best_runs.hpp"
#include "desktop/score_folder.hpp"
#include "front/recorder.hpp"
#include "game/game_hash.hpp"
#include "game/key_script.hpp"
#include "system/platform.hpp"

namespace qv {
namespace {

namespace fs = std::filesystem;

ScoreEntry entry(CreditStart start, int32_t score, const char* date, const char* name) {
  ScoreEntry e;
  e.start = start;
  e.score = score;
  e.date = date;
  e.recording = name;
  return e;
}

// Each case offers its entries in turn into a list already holding ten entries scoring 1000,
// 900, ... 100 (dated 2026-12-01): the places they take, and which recordings leave.
TEST(ScoreTable, RanksByScoreThenAgeAndPushesOutTheEleventh) {
  constexpr CreditStart kTwo = CreditStart::title, kTen = CreditStart::title_ten_ships;
  struct Offer {
    CreditStart start;
    int32_t score;
    const char* date;
    std::optional<int> place;
    const char* leaves;  // the recording pushed out, or ""
  };
  struct Case {
    const char* what;
    std::vector<Offer> offers;
  } cases[] = {
      {"a best score comes first and pushes out the last",
       {{kTwo, 5000, "2026-12-08 10:00:00", 1, "r100"}}},
      {"an equal score ranks after the older one", {{kTwo, 500, "2026-12-08 10:00:00", 7, "r100"}}},
      {"...and before a younger one", {{kTwo, 500, "2026-11-30 10:00:00", 6, "r100"}}},
      {"below the tenth it does not enter", {{kTwo, 100, "2026-12-08 10:00:00", {}, "new"}}},
      {"the ten-ship list is apart, negative scores rank too",
       {{kTen, -9000, "2026-12-08 10:00:00", 1, ""}, {kTen, -2000, "2026-12-08 10:01:00", 1, ""}}},
      {"continues and restarts have no list of their own",
       {{CreditStart::continued, 9000, "2026-12-08 10:00:00", {}, ""}}},
      {"two in turn push out the two last",
       {{kTwo, 150, "2026-12-08 10:00:00", 10, "r100"},
        {kTwo, 160, "2026-12-08 10:01:00", 10, "new"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScoreTable table;
    for (int32_t s = 100; s <= 1000; s += 100) {
      std::string name = std::to_string(s);
      name.insert(name.begin(), 'r');
      table.offer(entry(kTwo, s, "2026-12-01 00:00:00", name.c_str()));
    }
    for (const Offer& o : c.offers) {
      std::vector<ScoreEntry> left;
      EXPECT_EQ(table.offer(entry(o.start, o.score, o.date, "new"), &left), o.place);
      EXPECT_EQ(left.size(), *o.leaves ? 1u : 0u);
      if (!left.empty()) {
        EXPECT_EQ(left[0].recording, o.leaves);
      }
    }
    EXPECT_EQ(table.list(0).size(), ScoreTable::kPlaces);
  }
}

class ScoreFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("qv-scores-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  // Plays the corpus's key script in a game recorded as the window records it, handing every
  // credit that ends to the folder.
  void play(ScoreFolder& scores, const char* script_name, std::vector<int>& places) {
    KeyScript script;
    std::string error;
    ASSERT_TRUE(read_key_script(std::string(QV_SOURCE_DIR) + "/" + script_name, script, error));
    SilentSink sink;
    Game game(sink, KeySource::keyboard);
    ScriptKeys keys(script.lines);
    Recorder recorder;
    recorder.begin(*script.seed);
    game.start(*script.seed);
    while (game.current_step() < *script.last_step()) {
      StepKeys k = keys.next(game.current_step() + 1);
      if (!game.step(k)) break;
      recorder.after_step(game, k);
      if (recorder.news().ended && recorder.game_start()) {
        std::optional<int> place =
            scores.add(*recorder.game_start(), recorder.news(), recorder.text(), error);
        EXPECT_EQ(error, "");
        if (place) places.push_back(*place);
      }
    }
  }
  std::vector<std::string> recordings() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(folder_))
      if (e.path().extension() == ".keys") names.push_back(e.path().filename().string());
    return names;
  }
  static std::string read(const fs::path& file) {
    std::stringstream s;
    s << std::ifstream(file, std::ios::binary).rdbuf();
    return s.str();
  }

  fs::path folder_;
};

TEST_F(ScoreFolderTest, KeepsProvenCreditsAndLeavesOutWhatDoesNotVerify) {
  ScoreFolder scores(folder_.string());
  EXPECT_TRUE(scores.load().empty());
  std::vector<int> places;
  play(scores, "tests/data/replays/scripts/space_continue.keys", places);
  EXPECT_EQ(places, (std::vector<int>{1, 1}));  // 2200, then the continue's 5700 above it
  ASSERT_EQ(recordings().size(), 2u);
  EXPECT_EQ(scores.table().list(0)[0].score, 5700);
  EXPECT_EQ(scores.table().list(0)[1].score, 2200);

  // Loaded again from the index, from the recordings alone, and with a spoilt index: the same.
  auto listed = [&] { return table_lines(scores.table(), true); };
  std::vector<std::string> first = listed();
  std::string index = read(folder_ / "index");
  for (const char* spoil : std::vector<const char*>{nullptr, "missing", "", "garbage\n"}) {
    if (spoil && std::string(spoil) == "missing")
      fs::remove(folder_ / "index");
    else if (spoil)
      std::ofstream(folder_ / "index") << spoil;
    ScoreFolder again(folder_.string());
    EXPECT_TRUE(again.load().empty());
    EXPECT_EQ(table_lines(again.table(), true), first);
    EXPECT_EQ(read(folder_ / "index"), index);
  }

  // A copy with its score raised is left out with one warning naming it, load after load.
  std::string best = scores.table().list(0)[0].recording;
  std::string text = read(folder_ / best);
  size_t at = text.find("score ");
  at = text.find(" 5700 ", at);
  ASSERT_NE(at, std::string::npos);
  std::ofstream(folder_ / "raised.keys") << text.replace(at, 6, " 9700 ");
  // The first time with an index edited along with it, vouching for the raised copy's bytes:
  // the index is never taken as proof.
  Fnv1a64 forged;
  for (char c : read(folder_ / "raised.keys")) forged.byte(static_cast<uint8_t>(c));
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(forged.value()));
  std::ofstream(folder_ / "index", std::ios::app)
      << "raised.keys " << hex << " two 9700 over 1200 2026-12-08 12:00:00\n";
  for (int i = 0; i < 2; ++i) {
    ScoreFolder again(folder_.string());
    std::vector<std::string> warnings = again.load();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("raised.keys"), std::string::npos) << warnings[0];
    EXPECT_EQ(table_lines(again.table(), true), first);
  }
}

TEST_F(ScoreFolderTest, ARecordingThatLeavesTheTableIsDeleted) {
  ScoreFolder scores(folder_.string());
  scores.load();
  std::vector<int> places;
  for (int i = 0; i < 6; ++i) play(scores, "tests/data/replays/scripts/space_restart.keys", places);
  // Twelve credits of two scores: the 4300s rank above the 2500s, each below its equals.
  EXPECT_EQ(places, (std::vector<int>{1, 1, 3, 2, 5, 3, 7, 4, 9, 5, 6}));
  EXPECT_EQ(scores.table().list(0).size(), 10u);
  EXPECT_EQ(recordings().size(), 10u);
  ScoreFolder again(folder_.string());
  EXPECT_TRUE(again.load().empty());
  EXPECT_EQ(table_lines(again.table(), true), table_lines(scores.table(), true));
}

// What lies under the index's name is read through the bounded reader: a pipe no writer ever
// opens does not hold the reading, a link to an endless device does not exhaust memory. Both
// are replaced by the index. (Each in a child of its own, which an alarm ends if it hangs.)
TEST_F(ScoreFolderTest, NothingUnderTheIndexsNameHoldsTheReadingOrOutgrowsIt) {
  const fs::path index = folder_ / "index";
  for (const char* what : {"a pipe", "a link to /dev/zero"}) {
    SCOPED_TRACE(what);
    fs::remove(index);
    if (std::string(what) == "a pipe")
      ASSERT_EQ(mkfifo(index.c_str(), 0600), 0);
    else
      fs::create_symlink("/dev/zero", index);
    EXPECT_EXIT(
        {
          alarm(20);
          ScoreFolder scores(folder_.string());
          std::exit(scores.load().empty() && fs::is_regular_file(fs::symlink_status(index)) ? 0
                                                                                            : 1);
        },
        ::testing::ExitedWithCode(0), "");
  }
}

// A write that fails names its own cause: with the disk full or the file too large, not what
// an earlier call left in errno ("No such file or directory" from looking for the file first).
TEST_F(ScoreFolderTest, AFailedWriteNamesItsOwnCause) {
  CreditNews news;
  news.ended = CreditEnd::over;
  news.score = 2200;
  const std::string recording(64 << 10, '#');
  EXPECT_EXIT(
      {
        // Files may grow to 4 KiB: the recording's write stops short, the next one says why.
        rlimit small;
        small.rlim_cur = small.rlim_max = 4096;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        ScoreFolder scores(folder_.string());
        std::string error;
        scores.add(CreditStart::title, news, recording, error);
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      std::string("cannot write the recording .*: ") + std::strerror(EFBIG));
  EXPECT_TRUE(recordings().empty());
}

// A save killed halfway leaves its temporary beside the file: the next reading of the table
// (and the next write of the same file) deletes it once it is stale, and nothing else.
TEST_F(ScoreFolderTest, StaleTemporariesAreCleanedAndNothingElse) {
  const std::string mark(kTemporaryMark);
  const auto long_ago = fs::file_time_type::clock::now() - std::chrono::hours(1);
  struct File {
    std::string name;
    bool stale;
    bool goes;
  };
  const File files[] = {
      {"2026-12-08_14-03-55.keys" + mark + "a1B2c3", true, true},
      {"index" + mark + "zzzzzz", true, true},
      {"index" + mark + "fresh1", false, false},  // another game writing it just now
      {"notes.txt" + mark + "abcdefg", true, false},
      {"notes" + mark.substr(0, mark.size() - 1), true, false},
      {mark + "abcdef", true, false},
      {"mine.keys", true, false},
  };
  for (const File& f : files) {
    std::ofstream(folder_ / f.name) << "x";
    if (f.stale) fs::last_write_time(folder_ / f.name, long_ago);
  }
  ScoreFolder scores(folder_.string());
  scores.load();
  for (const File& f : files) EXPECT_EQ(fs::exists(folder_ / f.name), !f.goes) << f.name;

  // The settings are written by name alone: their own stale temporaries go then.
  const fs::path settings = folder_ / "settings.ini";
  std::ofstream(folder_ / ("settings.ini" + mark + "q1w2e3")) << "[window]";
  fs::last_write_time(folder_ / ("settings.ini" + mark + "q1w2e3"), long_ago);
  ASSERT_TRUE(replace_file(settings.string(), "[window]\nscale = 2\n"));
  EXPECT_FALSE(fs::exists(folder_ / ("settings.ini" + mark + "q1w2e3")));
  EXPECT_EQ(read(settings), "[window]\nscale = 2\n");
  EXPECT_TRUE(fs::exists(folder_ / ("index" + mark + "fresh1")));
}

// The page's table keeps each run under a name of its own: two that ended within one second,
// or a name stored twice, keep their own recordings.
TEST(RecordedTable, TwoRunsOfOneNameKeepTheirOwnRecordings) {
  RecordedTable table;
  const char* stamp = "2026-12-08_14-03-55";
  EXPECT_EQ(table.offer(entry(CreditStart::title, 2200, "2026-12-08 14:03:55", stamp), "first"), 1);
  EXPECT_EQ(table.offer(entry(CreditStart::title, 5700, "2026-12-08 14:03:55", stamp), "second"),
            1);
  EXPECT_EQ(table.offer(entry(CreditStart::title, 100, "2026-12-08 14:03:55", stamp), "third"), 3);
  const std::vector<ScoreEntry>& list = table.table().list(0);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(table.recording_of(list[0].recording), "second");
  EXPECT_EQ(table.recording_of(list[1].recording), "first");
  EXPECT_EQ(table.recording_of(list[2].recording), "third");
  EXPECT_EQ(list[0].recording, std::string(stamp) + "-2");
}

// A close while the table is being read does not wait for the recording being verified: here
// one of 150,000 steps, a good part of a second to verify (longer under the sanitizers). A
// credit that ended meanwhile is written all the same, to be ranked at the next reading.
TEST_F(ScoreFolderTest, ACloseNeverWaitsForTheTableBeingRead) {
  SilentSink sink;
  Game game(sink, KeySource::keyboard);
  game.context().drawing = false;
  Recorder recorder;
  recorder.begin(1);
  game.start(1);
  ScriptKeys keys({{150, kSimSpace}, {160, 0}});
  while (game.current_step() < 150000) {
    StepKeys k = keys.next(game.current_step() + 1);
    if (game.current_step() % 200 == 0) k = {kSimUp, kSimUp};  // continue after a game over
    recorder.before_step(game.current_step() + 1, k);
    ASSERT_TRUE(game.step(k));
    recorder.after_step(game, k);
  }
  recorder.closing(game);
  const fs::path scores = folder_ / "quelvaris" / "scores";
  fs::create_directories(scores);
  std::ofstream(scores / "long.keys", std::ios::binary) << recorder.text();
  auto verifying = std::chrono::steady_clock::now();
  ASSERT_EQ(verify_file((scores / "long.keys").string()).status, 0);
  auto verified = std::chrono::steady_clock::now() - verifying;

  const char* data_home = std::getenv("XDG_DATA_HOME");
  std::string saved = data_home ? data_home : "";
  setenv("XDG_DATA_HOME", folder_.c_str(), 1);
  Screen screen;
  auto runs = std::make_unique<BestRuns>(screen);
  runs->load("");
  // Meanwhile a game is over (Space on the title, the ship left where it is: 2200 at step
  // 824): its credit is handed over, and is in the folder once the window has closed.
  Game over(sink, KeySource::keyboard);
  Recorder credit;
  credit.begin(2);
  over.start(2);
  ScriptKeys space({{150, kSimSpace}});
  while (!credit.news().ended) {
    StepKeys k = space.next(over.current_step() + 1);
    over.step(k);
    credit.after_step(over, k);
  }
  runs->after_step(over, &credit, 0);
  std::this_thread::sleep_for(verified / 4);  // well into the verifying
  auto closing = std::chrono::steady_clock::now();
  runs.reset();
  auto closed = std::chrono::steady_clock::now() - closing;
  data_home ? setenv("XDG_DATA_HOME", saved.c_str(), 1) : unsetenv("XDG_DATA_HOME");
  EXPECT_LT(closed * 4, verified) << "the close took "
                                  << std::chrono::duration<double>(closed).count() << " s";
  std::vector<std::string> kept;
  for (const fs::directory_entry& e : fs::directory_iterator(scores))
    if (e.path().filename() != "long.keys") kept.push_back(read(e.path()));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0], credit.text());
  EXPECT_EQ(verify_text(kept[0]).text, "verified, 824 steps, scores 2200 (over)");
}

}  // namespace
}  // namespace qv
