// The recordings of games: what the recorder writes and how it says a write failed, the
// recordings of a game in the window and the replay folder they keep, and the reader of a
// recording cut off by a crash.
#include "desktop/recording.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "audio/audio_sdl.hpp"
#include "desktop/options.hpp"
#include "desktop/replay_folder.hpp"
#include "front/recorder.hpp"
#include "game/key_script.hpp"
#include "game/take_over.hpp"
#include "game/verify.hpp"

namespace qv {
namespace {

namespace fs = std::filesystem;

class Recordings : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("qv-recordings-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  static std::string read(const std::string& file) {
    std::stringstream s;
    s << std::ifstream(file, std::ios::binary).rdbuf();
    return s.str();
  }
  static KeyScript parse(const std::string& text) {
    std::istringstream in(text);
    KeyScript script;
    std::string error;
    EXPECT_TRUE(parse_key_script(in, script, error)) << error << "\n" << text;
    return script;
  }
  std::set<std::string> names(const fs::path& folder) const {
    std::set<std::string> out;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
      out.insert(e.path().filename().string());
    return out;
  }

  fs::path folder_;
};

// The keys of a game: Space held from step 3, Left tapped within step 150.
StepKeys keys_at(int64_t step) {
  StepKeys keys{static_cast<uint8_t>(step >= 3 ? kKeySpace : 0), 0};
  if (step == 3) keys.went_down = kKeySpace;
  if (step == 150) keys.went_down |= kKeyLeft;
  return keys;
}

// A game of 3000 steps recorded as the window records it, from its first step on.
void play(GameRecording& recording, int keep_automatic, uint32_t seed) {
  SilentSink sink;
  Game game(sink, KeySource::keyboard);
  game.start(seed);
  for (int64_t step = 1; step <= 3000; ++step) {
    recording.before_step(step, keys_at(step));
    game.step(keys_at(step));
    if (step == 1) recording.start(keep_automatic, seed);
    recording.after_step(game, keys_at(step));
  }
  recording.closing(game);
  game.close();
}

// Files of this process may grow to `bytes` at most (a disk that fills up), while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &before_);
    rlimit limit = before_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, signal_);
  }

 private:
  rlimit before_{};
  void (*signal_)(int);
};

TEST_F(Recordings, TheRecorderWritesWholeLinesAndTheCopySavedMidGameReplaysToThatStep) {
  SilentSink sink;
  Game game(sink, KeySource::keyboard);
  Recorder recorder;
  RecordingFile file;
  std::string error;
  ASSERT_TRUE(file.open(path("game.keys"), false, error)) << error;
  recorder.begin(77);
  game.start(77);
  auto step = [&](StepKeys keys) {
    game.step(keys);
    recorder.after_step(game, keys);
    file.catch_up(recorder.text(), game.current_step());
  };
  for (int64_t s = 1; s <= 250; ++s) step(keys_at(s));
  recorder.mark(250);  // the page saves a copy here
  recorder.mark(250);  // and again: one line is enough
  file.catch_up(recorder.text(), 250);
  EXPECT_EQ(parse(read(path("game.keys"))).last_step(), 250);
  step({kKeySpace | kKeyUp, kKeyUp});
  recorder.closing(game);
  game.close();
  file.finish(recorder.text(), 251);
  std::string text = read(path("game.keys"));
  EXPECT_EQ(text, recorder.text());
  size_t at = 0;
  for (const char* line :
       {"seed 77\n", "3 space\n", "check 100 ", "150 space tap:left\n", "check 200 ", "250 space\n",
        "251 space up\n", "check 251 ", "251 close\n"}) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << " in\n" << text;
  }
  EXPECT_EQ(verify_file(path("game.keys")).status, 0) << verify_file(path("game.keys")).text;
  EXPECT_TRUE(file.failure().empty());
  RecordingFile again;
  EXPECT_FALSE(again.open(path("game.keys"), false, error));  // never over a game
}

// Each recording's first failure is one line naming its file; the player's makes the game exit
// 1 at its end (named_whole), the automatic one is only warned of; neither stops the game, and
// what was written before the failure replays.
TEST_F(Recordings, AFailedRecordingIsOneLineAndOnlyThePlayersCountsAgainstTheGame) {
  constexpr rlim_t kNoLimit = RLIM_INFINITY, kFull = 700;  // the game needs some 1300 bytes
  struct Case {
    const char* named;
    rlim_t file_size;
    bool named_whole;
    int lines;
    const char* says;
  } cases[] = {
      {"/dev/full", kNoLimit, false, 1, "cannot write the recording /dev/full: No space left"},
      {"mine.keys", kFull, false, 2, "mine.keys: File too large"},
      {"", kFull, true, 1, "File too large"},
      {"mine.keys", kNoLimit, true, 0, ""},
  };
  const char* state_before = std::getenv("XDG_STATE_HOME");
  std::string saved_state = state_before ? state_before : "";
  setenv("XDG_STATE_HOME", path("state").c_str(), 1);
  fs::path replays = folder_ / "state" / "quelvaris" / "replays";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    fs::remove_all(folder_ / "state");
    std::string named = *c.named == '/' || !*c.named ? c.named : path(c.named);
    GameRecording recording;
    std::string error;
    ASSERT_TRUE(recording.check(named, error)) << error;
    ::testing::internal::CaptureStderr();
    {
      FileSizeLimit limit(c.file_size);
      play(recording, 20, 5);
    }
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(recording.named_whole(), c.named_whole);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), c.lines) << said;
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    ASSERT_EQ(names(replays).size(), 1u);
    std::string automatic = read((replays / *names(replays).begin()).string());
    KeyScript replayed = parse(automatic);
    EXPECT_EQ(replayed.closed_after == 3000, c.file_size == kNoLimit);
    if (c.file_size != kNoLimit) {
      EXPECT_FALSE(replayed.cut_line.empty());  // the last write was cut off within its line
      EXPECT_GE(replayed.last_step(), 1000);
    }
    if (*c.named == 'm') {
      EXPECT_EQ(read(named), automatic);
    }
  }
  if (state_before)
    setenv("XDG_STATE_HOME", saved_state.c_str(), 1);
  else
    unsetenv("XDG_STATE_HOME");
}

// Before the window opens the file the player named is only looked at: a file that is there
// keeps its bytes, a missing one is not made.
TEST_F(Recordings, TheNamedFileIsCheckedWithoutBeingTouched) {
  std::ofstream(path("old.keys")) << "seed 1\n5 close\n";
  struct Case {
    std::string file;
    bool writable;
  } cases[] = {{path("old.keys"), true},
               {path("new.keys"), true},
               {path("missing/new.keys"), false},
               {folder_.string(), false},
               {"/dev/full", true}};
  for (const Case& c : cases) {
    GameRecording recording;
    std::string error;
    EXPECT_EQ(recording.check(c.file, error), c.writable) << c.file;
    if (!c.writable) {
      EXPECT_NE(error.find(c.file), std::string::npos) << error;
    }
  }
  EXPECT_EQ(read(path("old.keys")), "seed 1\n5 close\n");
  EXPECT_FALSE(fs::exists(path("new.keys")));
}

// The folder keeps the games that began last: "-2" began after the plain name of its second,
// "-10" after "-9"; files of other names are the player's.
TEST_F(Recordings, PruningKeepsTheGamesThatBeganLastAndLeavesOtherFilesAlone) {
  for (const char* name :
       {"2026-12-08_14-03-55-2.keys", "2026-12-08_14-03-55.keys", "2026-12-08_14-03-55-10.keys",
        "2026-12-08_14-03-55-9.keys", "2026-12-08_14-03-54.keys", "2026-12-09_00-00-00.keys",
        "mine.keys", "2026-12-08_14-03-5x.keys", "2026-12-08_14-03-55-2.txt"})
    std::ofstream(path(name)) << "seed 1\n";
  prune_replays(folder_.string(), 3);
  EXPECT_EQ(names(folder_),
            (std::set<std::string>{"2026-12-08_14-03-55-9.keys", "2026-12-08_14-03-55-10.keys",
                                   "2026-12-09_00-00-00.keys", "mine.keys",
                                   "2026-12-08_14-03-5x.keys", "2026-12-08_14-03-55-2.txt"}));
}

// R in practice starts a new practice game, recorded anew, each time: those recordings are
// kept apart, to the same number, so that practising never pushes a played game out.
TEST_F(Recordings, PracticeGamesAreKeptApartAndNeverPushOutAPlayedGame) {
  const char* state_before = std::getenv("XDG_STATE_HOME");
  std::string saved_state = state_before ? state_before : "";
  setenv("XDG_STATE_HOME", path("state").c_str(), 1);
  const fs::path replays = folder_ / "state" / "quelvaris" / "replays";
  GameRecording played;
  play(played, 3, 5);
  const std::set<std::string> played_names = names(replays);
  ASSERT_EQ(played_names.size(), 1u);

  KeyScript route;
  std::string error;
  ASSERT_TRUE(read_key_script(std::string(QV_SOURCE_DIR) + "/" + kPracticeRoute, route, error))
      << error;
  SilentSink silent;
  Game played_in(silent, KeySource::replay);  // which files are kept does not hang on the music
  std::optional<TakeOver> from = practice(route, 300, played_in);
  ASSERT_TRUE(from);
  GameRecording practising;
  for (int again = 0; again < 5; ++again) practising.take_over(*from, 3, true);
  EXPECT_EQ(names(replays), (std::set<std::string>{*played_names.begin(), "practice"}));
  EXPECT_EQ(names(replays / "practice").size(), 3u);
  if (state_before)
    setenv("XDG_STATE_HOME", saved_state.c_str(), 1);
  else
    unsetenv("XDG_STATE_HOME");
}

// Only a recording's last line, with no newline after it, may be cut off: it is left out and
// named, and the rest replays. A bad line anywhere else is refused as ever.
TEST(KeyScriptReader, OnlyARecordingsUnendedLastLineMayBeCutOff) {
  struct Case {
    const char* text;
    const char* refused_at;  // nullptr: read
    size_t lines;
    bool cut;
  } cases[] = {
      {"seed 5\n10 space\n450 spa", nullptr, 1, true},
      {"seed 5\n10 space\n4", nullptr, 1, true},          // "4" of "450 ...": before the last line
      {"seed 5\n10 space\n450 left", nullptr, 2, false},  // whole, though unended
      {"seed 5\n10 space\n450 spa\n", "line 3", 0, false},
      {"seed 5\n10 spa\n450 space", "line 2", 0, false},
      {"10 space\n450 spa", "line 2", 0, false},  // a plain key script: no recording
      {"450 spa", "line 1", 0, false},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    KeyScript script;
    std::string error;
    bool read = parse_key_script(in, script, error);
    EXPECT_EQ(read, !c.refused_at) << c.text;
    if (c.refused_at) {
      EXPECT_NE(error.find(c.refused_at), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(script.lines.size(), c.lines) << c.text;
    EXPECT_EQ(!script.cut_line.empty(), c.cut) << c.text;
    if (c.cut) {
      EXPECT_NE(script.cut_line.find("line 3"), std::string::npos) << script.cut_line;
    }
  }
}

TEST(DesktopOptions, AnEmptyFileNameIsRefused) {
  for (const char* option : {"--replay", "--record", "--trace"}) {
    Options o;
    const char* args[] = {"quelvaris", option, ""};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(parse_options(3, args, o), 2) << option;
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(option), std::string::npos);
  }
}

// While paused no sound is played, so a close has nothing to fade out and does not wait for
// it. (The wait it would have is 150 ms at least; the best of three closes is far below.)
TEST(SdlAudio, ACloseWhilePausedDoesNotWaitForAFade) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto best = std::chrono::steady_clock::duration::max();
  for (int i = 0; i < 3; ++i) {
    std::unique_ptr<PlayerAudio> audio = open_sdl_audio();
    audio->pause(true);
    auto begin = std::chrono::steady_clock::now();
    audio.reset();
    best = std::min(best, std::chrono::steady_clock::now() - begin);
  }
  unsetenv("SDL_AUDIODRIVER");
  EXPECT_LT(best, std::chrono::milliseconds(150));
}

}  // namespace
}  // namespace qv
