#include "system/media.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "game/handlers.hpp"
#include "sim/simulator.hpp"
#include "system/sound.hpp"

namespace qv {
namespace {

namespace fs = std::filesystem;

// One note of half a second at the default tempo, then the end of the track at one second.
const std::vector<uint8_t> kOneSecondTune = {
    'M',  'T',  'h', 'd', 0,    0,    0,  6,  0,    0,    0,    1,    0, 96,  // format 0, 96 ticks
    'M',  'T',  'r', 'k', 0,    0,    0,  13,                                 //
    0x00, 0x90, 60,  100, 0x60, 0x80, 60, 0,  0x60, 0xFF, 0x2F, 0x00, 0};     // note, end at 192
const std::vector<uint8_t> kShortWave = {
    'R', 'I', 'F', 'F', 40,  0,   0,   0,   'W',  'A',  'V', 'E', 'f',  'm',  't',  ' ',
    16,  0,   0,   0,   1,   0,   1,   0,   0x44, 0xAC, 0,   0,   0x88, 0x58, 1,    0,
    2,   0,   16,  0,   'd', 'a', 't', 'a', 4,    0,    0,   0,   0x10, 0,    0xF0, 0xFF};

// A sink that remembers what it was asked to play.
struct RecordingSink : AudioSink {
  std::vector<std::string> calls;
  void music_play(const MidiSong* song, uint64_t from_us) override {
    calls.push_back("music " + std::to_string(song->length_us) + " from " +
                    std::to_string(from_us));
  }
  void music_stop() override { calls.push_back("music stop"); }
  void effect_play(const Wave* wave, bool loop) override {
    calls.push_back("effect " + std::to_string(wave->samples.size()) + (loop ? " loop" : ""));
  }
  void effect_stop() override { calls.push_back("effect stop"); }
};

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qv_media_" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "bgm&se");
    write("bgm&se/tune.mid", kOneSecondTune);
    write("bgm&se/hit.wav", kShortWave);
    write("bgm&se/garbage.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 1, 2});
    write("bgm&se/garbage.wav", {'R', 'I', 'F', 'F', 1, 2, 3});
    old_ = fs::current_path();
    fs::current_path(dir_);
    install_media(&media_);
    media_.set_log(&log_);
  }
  void TearDown() override {
    install_media(nullptr);
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  void write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::string mode() {
    char buf[16];
    int32_t r = mciSendStringA("status midifile mode", buf, 15, 0);
    return r == MCI_OK ? std::string(buf) : "error " + std::to_string(r);
  }

  fs::path dir_, old_;
  VirtualClock clock_;
  RecordingSink sink_;
  Media media_{clock_, sink_};
  std::vector<std::string> log_;
};

TEST_F(MediaTest, ATuneIsStoppedExactlyWhenItsOwnLengthHasPlayed) {
  Play_Bgm("bgm&se\\tune.mid");
  EXPECT_EQ(mode(), "playing");
  clock_.set_ms(999);
  EXPECT_EQ(mode(), "playing");
  clock_.set_ms(1000);
  EXPECT_EQ(mode(), "stopped");
  EXPECT_EQ(mciSendStringA("play midifile from 0", nullptr, 0, 0), MCI_OK);
  EXPECT_EQ(mode(), "playing");
  EXPECT_EQ(sink_.calls.back(), "music 1000000 from 0");
}

TEST_F(MediaTest, PlayBgmSendsItsFourCommandsAndAnEmptyNameOnlyStopsAndCloses) {
  Play_Bgm("bgm&se\\tune.mid");
  Play_Bgm("");
  EXPECT_EQ(log_, (std::vector<std::string>{
                      "mci stop midifile ", "mci close midifile",
                      "mci open \"bgm&se\\tune.mid\" type sequencer alias midifile",
                      "mci play midifile from 0", "mci stop midifile ", "mci close midifile"}));
  EXPECT_EQ(mode(), "error 263");
}

TEST_F(MediaTest, AMissingOrDamagedFileOpensNothingSoTheAliasNamesNoDevice) {
  for (const char* name : {"bgm&se\\none.mid", "bgm&se\\garbage.mid", "nowhere\\tune.mid"}) {
    Play_Bgm(name);
    EXPECT_EQ(mode(), "error 263") << name;
  }
  EXPECT_EQ(
      mciSendStringA("open \"bgm&se\\none.mid\" type sequencer alias midifile", nullptr, 0, 0),
      MCIERR_FILE_NOT_FOUND);
  EXPECT_EQ(mciSendStringA("open \"bgm&se\\garbage.mid\" alias midifile", nullptr, 0, 0),
            MCIERR_INVALID_FILE);
  EXPECT_TRUE(std::none_of(sink_.calls.begin(), sink_.calls.end(),
                           [](const std::string& c) { return c.rfind("music 0", 0) == 0; }));
}

TEST_F(MediaTest, CommandsAreCheckedWordByWord) {
  EXPECT_EQ(mciSendStringA("", nullptr, 0, 0), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(mciSendStringA("rewind midifile", nullptr, 0, 0), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(mciSendStringA("play midifile from 0", nullptr, 0, 0), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mciSendStringA("OPEN \"bgm&se/tune.mid\" TYPE sequencer ALIAS MidiFile", nullptr, 0, 0),
            MCI_OK);
  EXPECT_EQ(mciSendStringA("open \"bgm&se/tune.mid\" alias other", nullptr, 0, 0),
            MCIERR_DUPLICATE_ALIAS);
  EXPECT_EQ(mciSendStringA("status midifile colour", nullptr, 0, 0), MCIERR_UNRECOGNIZED_KEYWORD);
  char small[4];
  EXPECT_EQ(mciSendStringA("status midifile mode", small, 4, 0), MCIERR_PARAM_OVERFLOW);
  char length[16];
  EXPECT_EQ(mciSendStringA("status midifile length", length, 16, 0), MCI_OK);
  EXPECT_STREQ(length, "1000");
  EXPECT_EQ(mode(), "stopped");  // opened, not yet played
}

TEST_F(MediaTest, StopHoldsThePlaceAndPlayFromZeroStartsAgain) {
  Play_Bgm("bgm&se\\tune.mid");
  clock_.set_ms(300);
  mciSendStringA("stop midifile ", nullptr, 0, 0);
  clock_.set_ms(5000);
  EXPECT_EQ(mode(), "stopped");
  mciSendStringA("play midifile", nullptr, 0, 0);  // resumes where it stopped
  EXPECT_EQ(sink_.calls.back(), "music 1000000 from 300000");
  clock_.set_ms(5699);
  EXPECT_EQ(mode(), "playing");
  clock_.set_ms(5700);
  EXPECT_EQ(mode(), "stopped");
}

TEST_F(MediaTest, EffectsFollowTheModeRuleAndAMissingOneIsSilent) {
  Play_Se("bgm&se\\hit.wav", 1);
  Play_Se("bgm&se\\hit.wav", 0);
  Play_Se("bgm&se\\hit.wav", -1);
  Play_Se("bgm&se\\none.wav", 1);
  Play_Se("bgm&se\\garbage.wav", 1);
  EXPECT_EQ(log_, (std::vector<std::string>{"snd bgm&se\\hit.wav 3", "snd bgm&se\\hit.wav 11",
                                            "snd bgm&se\\hit.wav 0", "snd bgm&se\\none.wav 3",
                                            "snd bgm&se\\garbage.wav 3"}));
  EXPECT_EQ(sink_.calls, (std::vector<std::string>{"effect 2", "effect 2 loop", "effect 2"}));
  EXPECT_FALSE(sndPlaySoundA("bgm&se\\none.wav", SND_ASYNC));  // and no default sound either
}

TEST_F(MediaTest, TheWatchdogRestartsAStoppedTuneAndIsQuietWithoutOne) {
  Window win(clock_);
  Bgm_Check_Timer(win);  // nothing open
  EXPECT_EQ(log_, std::vector<std::string>{"mci status midifile mode"});
  Play_Bgm("bgm&se\\tune.mid");
  log_.clear();
  clock_.set_ms(500);
  Bgm_Check_Timer(win);
  EXPECT_EQ(log_, std::vector<std::string>{"mci status midifile mode"});
  clock_.set_ms(1000);
  Bgm_Check_Timer(win);
  EXPECT_EQ(log_.back(), "mci play midifile from 0");
  EXPECT_EQ(mode(), "playing");
}

}  // namespace
}  // namespace qv
