// The media layer against what the surroundings may put in its way: files that are not files,
// long names, commands out of the ordinary. None of it may hang the game or end it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "system/media.hpp"
#include "system/sound.hpp"
#include "sim/simulator.hpp"

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> kTune = {
    'M', 'T', 'h', 'd', 0,    0,    0,  6,   0,    0,    0,  1, 0,    96,   'M',  'T',  'r', 'k',
    0,   0,   0,   13,  0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x60, 0xFF, 0x2F, 0x00, 0};

class MediaRobust : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_media_robust_" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "bgm&se");
    old_ = fs::current_path();
    fs::current_path(dir_);
    install_media(&media_);
  }
  void TearDown() override {
    install_media(nullptr);
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  void write(const fs::path& name, const std::vector<uint8_t>& bytes) {
    fs::create_directories(fs::path(name).parent_path());
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  int32_t open(const std::string& name) {
    return mciSendStringA("open \"" + name + "\" type sequencer alias midifile", nullptr, 0, 0);
  }

  fs::path dir_, old_;
  VirtualClock clock_;
  SilentSink sink_;
  Media media_{clock_, sink_};
};

// A pipe would block the read until someone writes into it; a folder cannot be read at all.
TEST_F(MediaRobust, APipeOrAFolderUnderATunesNameIsNoFileAndDoesNotHold) {
  ASSERT_EQ(::mkfifo("bgm&se/escape.mid", 0644), 0);
  fs::create_directories("bgm&se/win.mid");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(open("bgm&se\\escape.mid"), MCIERR_FILE_NOT_FOUND);
  EXPECT_EQ(open("bgm&se\\win.mid"), MCIERR_FILE_NOT_FOUND);
  EXPECT_FALSE(sndPlaySoundA("bgm&se\\escape.mid", SND_ASYNC));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(MediaRobust, ASymbolicLinkToATuneIsFollowed) {
  write("elsewhere/tune.mid", kTune);
  fs::create_symlink(dir_ / "elsewhere/tune.mid", "bgm&se/link.mid");
  EXPECT_EQ(open("bgm&se\\link.mid"), MCI_OK);
}

// Names longer than the stack buffer that spares the allocation still work, only slower.
TEST_F(MediaRobust, AVeryLongNameStillOpensItsTune) {
  std::string folder = "bgm&se\\" + std::string(120, 'a') + "\\" + std::string(120, 'b');
  write(Media::resolve(folder) + "/" + std::string(40, 'c') + ".mid", kTune);
  std::string name = folder + "\\" + std::string(40, 'c') + ".mid";
  ASSERT_GT(name.size(), 256u);
  Play_Bgm(name);
  char mode[16];
  EXPECT_EQ(mciSendStringA("status midifile mode", mode, sizeof mode, 0), MCI_OK);
  EXPECT_STREQ(mode, "playing");
}

TEST_F(MediaRobust, KeywordsAndAliasesIgnoreCaseAndQuotesMayBeLeftOpen) {
  write("bgm&se/tune.mid", kTune);
  EXPECT_EQ(mciSendStringA("Open \"bgm&se\\tune.mid\" Alias MIDIFILE", nullptr, 0, 0), MCI_OK);
  char length[8];
  EXPECT_EQ(mciSendStringA("STATUS MidiFile LENGTH", length, sizeof length, 0), MCI_OK);
  EXPECT_STREQ(length, "1000");
  EXPECT_EQ(mciSendStringA("close midifile", nullptr, 0, 0), MCI_OK);
  // An unclosed quote runs to the end of the command.
  EXPECT_EQ(mciSendStringA("open \"bgm&se\\tune.mid", nullptr, 0, 0), MCI_OK);
  EXPECT_EQ(mciSendStringA("status \"bgm&se\\tune.mid\" position", length, sizeof length, 0),
            MCI_OK);
  EXPECT_STREQ(length, "0");
}

TEST_F(MediaRobust, ACommandOfTooManyWordsIsRefusedWhole) {
  write("bgm&se/tune.mid", kTune);
  std::string command = "open \"bgm&se\\tune.mid\" alias midifile";
  for (int i = 0; i < 16; ++i) command += " type sequencer";
  EXPECT_EQ(mciSendStringA(command, nullptr, 0, 0), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(mciSendStringA("status midifile mode", nullptr, 0, 0), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(open("bgm&se\\tune.mid"), MCI_OK);  // the device was left free
}

TEST_F(MediaRobust, AnAnswerIsWrittenWholeOrNotAtAll) {
  write("bgm&se/tune.mid", kTune);
  ASSERT_EQ(open("bgm&se\\tune.mid"), MCI_OK);
  char text[5] = {'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(mciSendStringA("status midifile length", text, 4, 0), MCIERR_PARAM_OVERFLOW);
  EXPECT_EQ(std::string(text, 5), "xxxxx");
  EXPECT_EQ(mciSendStringA("status midifile length", text, 5, 0), MCI_OK);
  EXPECT_STREQ(text, "1000");
  EXPECT_EQ(mciSendStringA("status midifile length", nullptr, 0, 0), MCI_OK);
}

}  // namespace
}  // namespace qv
