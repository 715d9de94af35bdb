// Text from files and the command line is shown with its control characters escaped, so that a
// recording cannot write on the terminal what the verifier never said.
#include "system/printable.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/verify.hpp"

namespace qv {
namespace {

TEST(Printable, EveryControlCharacterIsShownEscaped) {
  const std::pair<std::string, std::string> cases[] = {
      {"mygame.keys", "mygame.keys"},
      {"", ""},
      {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
      {"\x1b[2K\x1b[1Averified", "\\x1b[2K\\x1b[1Averified"},
      {std::string("nul\0here", 8), "nul\\x00here"},
      {"del\x7f", "del\\x7f"},
      {"\x01\x1f ~", "\\x01\\x1f ~"},
      {"C1 \xc2\x9b"
       "31m and \xc2\x80",
       "C1 \\u009b31m and \\u0080"},
      {"\xc2\xa0nbsp stays", "\xc2\xa0nbsp stays"},                                  // U+00A0
      {"Quelvaris \xe5\xbc\x90 caf\xc3\xa9", "Quelvaris \xe5\xbc\x90 caf\xc3\xa9"},  // 弐, é
      {"\xf0\x9f\x8e\xae", "\xf0\x9f\x8e\xae"},                                      // U+1F3AE
      {"lone \x9b"
       "31m",
       "lone \\x9b31m"},                   // CSI as Latin-1
      {"cut \xe5\xbc", "cut \\xe5\\xbc"},  // a sequence cut short
      {"overlong \xc0\xaf", "overlong \\xc0\\xaf"},
      {"surrogate \xed\xa0\x80", "surrogate \\xed\\xa0\\x80"},
      {"too high \xf4\x90\x80\x80", "too high \\xf4\\x90\\x80\\x80"},
      {"C:\\Users\\me\\game.keys", "C:\\Users\\me\\game.keys"},  // a Windows path as typed
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(printable(text), shown) << shown;
    EXPECT_EQ(printable(printable(text)), shown) << "shown twice: " << shown;
  }
}

// A game line with escape sequences that would wipe the verdict and write one of its own, in a
// file whose name holds one too: the verifier's line shows them as text, on one line.
TEST(Printable, TheVerifierShowsARecordingsTextEscaped) {
  namespace fs = std::filesystem;
  const fs::path file = fs::temp_directory_path() / ("qv-\x1b[2K-" + std::to_string(getpid()));
  std::ofstream(file) << "format 2\ngame quelvaris 9\x1b[1A\x1b[2K\xc2\x9b"
                         "32m\n"
                         "seed 1\ncheck 0 0000000000000000\n10 close\n";
  std::ostringstream out, warnings;
  EXPECT_EQ(verify_files({file.string()}, out, warnings, "test"), 1);
  fs::remove(file);
  const std::string line = out.str();
  EXPECT_EQ(line.find_first_of("\x1b\x9b"), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
  EXPECT_NE(line.find("qv-\\x1b[2K-"), std::string::npos) << line;
  EXPECT_NE(line.find("diverges at step 0 (recorded by quelvaris 9\\x1b[1A\\x1b[2K\\u009b32m,"),
            std::string::npos)
      << line;
}

}  // namespace
}  // namespace qv
