// Our stand-in for the platform's media-control string interface (a MIDI sequencer device
// opened under an alias) and its simple sound call. The game sends the command strings;
// this layer keeps the device's state on a clock and hands the sound to an audio sink.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "formats/midi.hpp"
#include "formats/wav.hpp"

namespace qv {

// Result codes of the string interface.
constexpr int32_t MCI_OK = 0;
constexpr int32_t MCIERR_UNRECOGNIZED_KEYWORD = 259;
constexpr int32_t MCIERR_UNRECOGNIZED_COMMAND = 261;
constexpr int32_t MCIERR_INVALID_DEVICE_NAME = 263;
constexpr int32_t MCIERR_PARAM_OVERFLOW = 268;
constexpr int32_t MCIERR_MISSING_PARAMETER = 273;
constexpr int32_t MCIERR_FILE_NOT_FOUND = 275;
constexpr int32_t MCIERR_DUPLICATE_ALIAS = 289;
constexpr int32_t MCIERR_INVALID_FILE = 296;

// Flags of the simple sound call.
constexpr uint32_t SND_SYNC = 0x0;
constexpr uint32_t SND_ASYNC = 0x1;
constexpr uint32_t SND_NODEFAULT = 0x2;
constexpr uint32_t SND_LOOP = 0x8;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t now_us() const = 0;
};

// What makes the sound. Calls come from the game's thread and must return at once; the
// song and wave pointers stay valid as long as the Media that passes them.
class AudioSink {
 public:
  virtual ~AudioSink() = default;
  // A tune that may be played, told of before the first is: a synthesizer loads just the
  // instruments of the tunes it knows of when the first is played.
  virtual void expect_tune(const MidiSong&) {}
  // Plays the song from the given point; whatever played before falls silent.
  virtual void music_play(const MidiSong* song, uint64_t from_us) = 0;
  virtual void music_stop() = 0;
  // Plays the effect, cutting off the effect that sounds now; the music goes on.
  virtual void effect_play(const Wave* wave, bool loop) = 0;
  virtual void effect_stop() = 0;
};

// A sink that plays nothing, for the simulator and for machines without sound; `Sink` is the
// kind of sink it stands in for.
template <typename Sink>
class Silent : public Sink {
 public:
  void music_play(const MidiSong*, uint64_t) override {}
  void music_stop() override {}
  void effect_play(const Wave*, bool) override {}
  void effect_stop() override {}
};
using SilentSink = Silent<AudioSink>;

class Media {
 public:
  Media(const Clock& clock, AudioSink& sink) : clock_(clock), sink_(&sink) {}

  // The command string interface: a result code, and the answer text in `ret` when asked.
  int32_t mciSendStringA(std::string_view command, char* ret, uint32_t ret_len);
  // The simple sound call: true when the effect was found and started.
  bool sndPlaySoundA(std::string_view name, uint32_t flags);

  // Reads files ahead, so that no file is read while a frame is being drawn.
  void preload(std::string_view name);
  // The folder our file names are found in (the one that holds `bgm&se`); empty, as it starts,
  // for the working folder. The host that runs the game sets it; every copy of that game (a
  // replay's scout, the replay a take-over records) takes it from there.
  void set_folder(std::string folder) { folder_ = std::move(folder); }
  const std::string& folder() const { return folder_; }
  // Every call is written here, in order ("mci ..." or "snd NAME FLAGS"), when set.
  void set_log(std::vector<std::string>* log) { log_ = log; }
  // The new sink is told of every tune read so far; of those read later, as they are read.
  void set_sink(AudioSink& sink);

  // Our file names use backslashes; the file system wants slashes.
  static std::string resolve(std::string_view name);

  // What the sequencer holds: the tune opened (its file, as resolved), whether it plays now
  // and where it stands. Nothing is open: an empty tune.
  struct Music {
    std::string_view tune;
    bool playing = false;
    uint64_t position_us = 0;
  };
  Music music() const;

  // What the layer holds of the game's state, for snapshots of the whole game: the sequencer
  // device as it stands, its tune by name, so that it may be put back into the media layer of
  // another game of the same replay. Putting it back tells the sink nothing; resync_sink() does.
  struct Sequencer;
  void save(Sequencer& into) const;
  void restore(const Sequencer& from);
  // Tells the sink what it should sound now, after it heard nothing for a while (a replay
  // jumped, or ran at another speed): the open tune from where it stands, or silence. An
  // effect cut short meanwhile is not taken up again.
  void resync_sink();

 private:
  struct Device {
    std::string alias;
    std::string_view file;  // the key of its entry in `files_`, which lives as long
    const MidiSong* song = nullptr;
    bool playing = false;
    uint64_t started_us = 0;  // clock time at which position 0 played
    uint64_t stopped_at = 0;  // position when stopped
  };
  struct Loaded {
    bool found = false;
    std::unique_ptr<MidiSong> song;
    std::unique_ptr<Wave> wave;
  };
  using Files = std::map<std::string, Loaded, std::less<>>;
  const Files::value_type& load(std::string_view name);
  template <typename Words>
  int32_t open(const Words& words);
  Device* device(std::string_view alias);
  bool is_playing(const Device& d) const;
  uint64_t position(const Device& d) const;

  const Clock& clock_;
  AudioSink* sink_;
  std::vector<std::string>* log_ = nullptr;
  std::string folder_;
  Device device_;  // the one sequencer device, kept in place so that opening it never allocates
  bool device_open_ = false;
  Files files_;
};

struct Media::Sequencer {
  Device device;  // with no song: its file names the tune
  std::string file;
  bool open = false;
};

// The media layer of the current context, installed by the host that runs the game.
void install_media(Media* media);
Media* installed_media();

int32_t mciSendStringA(std::string_view command, char* ret, uint32_t ret_len, int32_t callback);
bool sndPlaySoundA(std::string_view name, uint32_t flags);

}  // namespace qv
