// The media layer against what the surroundings may put in its way: files that are not files,
// long names, commands out of the ordinary. None of it may hang the game or end it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "system/media.hpp"
#include "system/sound.hpp"
#include "sim/simulator.hpp"

namespace qv {
namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> kTune = {
    'M', 'T', 'h', 'd', 0,    0,    0,  6,   0,    0,    0,  1, 0,    96,   'M',  'T',  'r', 'k',
    0,   0,   0,   13,  0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x60, 0xFF, 0x2F, 0x00, 0};

// A tune of `events` program changes, two bytes each after the first: as small as events get.
std::vector<uint8_t> tiny_events(size_t events) {
  std::vector<uint8_t> track = {0x00, 0xC0, 0x00};
  for (size_t i = 1; i < events; ++i) track.insert(track.end(), {0x00, 0x01});
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0,  0,   0,   6,   0,
                               0,   0,   1,   0,   96, 'M', 'T', 'r', 'k'};
  for (int shift = 24; shift >= 0; shift -= 8)
    file.push_back(static_cast<uint8_t>(track.size() >> shift));
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

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

// What was opened is what is checked: a pipe put in the tune's place between a look at the name
// and the open must not hold the reader either. The name turns from the tune to a pipe and
// back as fast as it can while the tune is read again and again. A reader that makes no
// progress for two seconds is held in a pipe: it is let go by opening the pipe's other end,
// and the test fails.
TEST_F(MediaRobust, APipeSwappedInForATuneBetweenLookAndOpenDoesNotHold) {
  write("bgm&se/tune", kTune);
  ASSERT_EQ(::mkfifo("bgm&se/pipe", 0644), 0);
  const char* name = "bgm&se/swapped.mid";
  std::atomic<bool> stop{false}, reader_done{false};
  std::atomic<int> reads{0};
  std::thread swapper([&] {
    while (!stop) {
      std::rename("bgm&se/tune", name), std::rename(name, "bgm&se/tune");
      std::rename("bgm&se/pipe", name), std::rename(name, "bgm&se/pipe");
    }
  });
  std::thread reader([&] {
    while (!stop) {
      Media fresh(clock_, sink_);  // a Media reads each file once
      fresh.preload("bgm&se\\swapped.mid");
      ++reads;
    }
    reader_done = true;
  });
  using Time = std::chrono::steady_clock;
  const Time::time_point start = Time::now();
  Time::time_point last_progress = start;
  int seen = 0;
  bool held = false;
  while (!reader_done && !held) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (Time::now() - start > std::chrono::seconds(3)) stop = true;  // read often enough
    if (reads != seen) {
      seen = reads;
      last_progress = Time::now();
    } else {
      held = Time::now() - last_progress > std::chrono::seconds(2);
    }
  }
  stop = true;
  swapper.join();
  for (const char* n : {name, "bgm&se/pipe"}) {  // lets a held reader go: the pipe has a writer
    int fd = held ? ::open(n, O_WRONLY | O_NONBLOCK) : -1;
    if (fd >= 0) ::close(fd);
  }
  reader.join();
  EXPECT_FALSE(held) << "the reader was held in a pipe after " << seen << " reads";
  EXPECT_GT(seen, 100);
}

// Files far beyond any of ours are refused before they cost time or memory, and the game stays
// silent as for a missing file: over 4 MiB, or a tune of more events than the reader takes.
TEST_F(MediaRobust, FilesFarLargerThanOursAreRefused) {
  write("bgm&se/huge.mid", tiny_events(2200000));  // 4.2 MiB
  EXPECT_EQ(open("bgm&se\\huge.mid"), MCIERR_FILE_NOT_FOUND);
  write("bgm&se/most.mid", tiny_events(kMostMidiEvents));
  EXPECT_EQ(open("bgm&se\\most.mid"), MCI_OK);
  EXPECT_EQ(mciSendStringA("close midifile", nullptr, 0, 0), MCI_OK);
  write("bgm&se/many.mid", tiny_events(kMostMidiEvents + 1));
  EXPECT_EQ(open("bgm&se\\many.mid"), MCIERR_INVALID_FILE);

  // A 44-byte header and 16-bit stereo frames: 4 MiB to the byte plays, a frame more does not.
  const size_t most_samples = ((4u << 20) - 44) / 2;
  write("bgm&se/long.wav", encode_wav(Wave{44100, 2, std::vector<int16_t>(most_samples)}));
  EXPECT_TRUE(sndPlaySoundA("bgm&se\\long.wav", SND_ASYNC));
  write("bgm&se/longer.wav", encode_wav(Wave{44100, 2, std::vector<int16_t>(most_samples + 2)}));
  EXPECT_FALSE(sndPlaySoundA("bgm&se\\longer.wav", SND_ASYNC));
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
