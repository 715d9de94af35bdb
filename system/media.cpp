#include "system/media.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>

#include "system/context.hpp"
#include "system/platform.hpp"

namespace qv {
namespace {

// Our largest file, an effect, has 84 KB and our longest tune 15 KB; anything past this is
// not ours and is left unread, as if it were missing, before it costs time or memory. Only a
// regular file is read: a pipe or a device under a tune's name would hold the game.
constexpr size_t kLargestFile = size_t{4} << 20;

char lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Keywords and aliases are compared without regard to case.
bool same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// The words of a command, as views into it: commands come during play, so splitting one must
// not allocate. A double-quoted word may hold blanks. No command of ours has half as many words.
class Words {
 public:
  static constexpr size_t kMost = 16;

  explicit Words(std::string_view cmd) {
    size_t i = 0;
    while (i < cmd.size()) {
      while (i < cmd.size() && std::isspace(static_cast<unsigned char>(cmd[i]))) ++i;
      if (i >= cmd.size()) break;
      size_t start = i, end;
      if (cmd[i] == '"') {
        start = i + 1;
        end = std::min(cmd.find('"', start), cmd.size());
        i = end + 1;
      } else {
        while (i < cmd.size() && !std::isspace(static_cast<unsigned char>(cmd[i]))) ++i;
        end = i;
      }
      if (count_ == kMost) {
        too_many_ = true;
        return;
      }
      words_[count_++] = cmd.substr(start, end - start);
    }
  }

  size_t size() const { return count_; }
  bool too_many() const { return too_many_; }
  std::string_view operator[](size_t i) const { return words_[i]; }

 private:
  std::array<std::string_view, kMost> words_{};
  size_t count_ = 0;
  bool too_many_ = false;
};

int32_t answer(std::string_view text, char* ret, uint32_t ret_len) {
  if (!ret || ret_len == 0) return MCI_OK;
  if (text.size() + 1 > ret_len) return MCIERR_PARAM_OVERFLOW;
  std::memcpy(ret, text.data(), text.size());
  ret[text.size()] = '\0';
  return MCI_OK;
}

int32_t answer_number(uint64_t value, char* ret, uint32_t ret_len) {
  char text[24];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return answer(std::string_view(text, static_cast<size_t>(end - text)), ret, ret_len);
}

bool parse_ms(std::string_view s, uint64_t& ms) {
  if (s.empty() || s.size() > 9) return false;
  ms = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    ms = ms * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// The path a name stands for, built in the caller's buffer; empty when it does not fit.
std::string_view resolve_into(std::string_view name, std::array<char, 256>& buffer) {
  if (name.size() > buffer.size()) return {};
  for (size_t i = 0; i < name.size(); ++i) buffer[i] = name[i] == '\\' ? '/' : name[i];
  return std::string_view(buffer.data(), name.size());
}

}  // namespace

std::string Media::resolve(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

void Media::preload(std::string_view name) {
  load(name);
}

Media::Music Media::music() const {
  if (!device_open_) return {};
  return {device_.file, is_playing(device_), position(device_)};
}

void Media::save(Sequencer& into) const {
  into.device = device_;
  into.device.song = nullptr;
  into.device.file = {};
  into.file.assign(device_.file);
  into.open = device_open_;
}

// The tune is found among the files this layer read (the host reads all of ours ahead).
void Media::restore(const Sequencer& from) {
  device_open_ = false;
  if (!from.open) return;
  const auto& [file, f] = load(from.file);
  if (!f.song) return;
  device_ = from.device;
  device_.file = file;
  device_.song = f.song.get();
  device_open_ = true;
}

void Media::resync_sink() {
  sink_->effect_stop();
  if (device_open_ && is_playing(device_))
    sink_->music_play(device_.song, position(device_));
  else
    sink_->music_stop();
}

void Media::set_sink(AudioSink& sink) {
  sink_ = &sink;
  for (const auto& entry : files_)
    if (entry.second.song) sink.expect_tune(*entry.second.song);
}

// A file read before (the host reads ahead all of ours) is found without allocating.
const Media::Files::value_type& Media::load(std::string_view name) {
  std::array<char, 256> buffer;
  std::string_view path = resolve_into(name, buffer);
  std::string long_path;
  if (path.size() != name.size()) path = long_path = resolve(name);
  auto it = files_.find(path);
  if (it != files_.end()) return *it;
  Loaded f;
  std::vector<uint8_t> bytes;
  f.found =
      read_regular_file(folder_.empty() ? std::string(path) : folder_ + "/" + std::string(path),
                        kLargestFile, bytes)
          .ok();
  if (f.found) {
    if (auto song = parse_midi(bytes.data(), bytes.size()))
      f.song = std::make_unique<MidiSong>(std::move(*song));
    if (auto wave = parse_wav(bytes.data(), bytes.size()))
      f.wave = std::make_unique<Wave>(std::move(*wave));
  }
  if (f.song) sink_->expect_tune(*f.song);
  return *files_.emplace(std::string(path), std::move(f)).first;
}

Media::Device* Media::device(std::string_view alias) {
  return device_open_ && same(device_.alias, alias) ? &device_ : nullptr;
}

uint64_t Media::position(const Device& d) const {
  if (!d.playing) return d.stopped_at;
  uint64_t now = clock_.now_us();
  return std::min(now - std::min(now, d.started_us), d.song->length_us);
}

bool Media::is_playing(const Device& d) const {
  return d.playing && position(d) < d.song->length_us;
}

template <typename Words>
int32_t Media::open(const Words& words) {
  if (words.size() < 2) return MCIERR_MISSING_PARAMETER;
  std::string_view alias = words[1];
  for (size_t i = 2; i + 1 < words.size(); ++i) {
    if (same(words[i], "alias")) alias = words[i + 1];
  }
  if (device_open_) return MCIERR_DUPLICATE_ALIAS;  // one sequencer, as the platform has
  const auto& [file, f] = load(words[1]);
  if (!f.found) return MCIERR_FILE_NOT_FOUND;
  if (!f.song) return MCIERR_INVALID_FILE;
  device_ = Device{};
  device_.alias.assign(alias);  // our alias is short enough to live inside the string
  device_.file = file;
  device_.song = f.song.get();
  device_open_ = true;
  return MCI_OK;
}

int32_t Media::mciSendStringA(std::string_view command, char* ret, uint32_t ret_len) {
  if (log_) log_->push_back("mci " + std::string(command));
  Words w(command);
  if (w.size() == 0) return MCIERR_UNRECOGNIZED_COMMAND;
  if (w.too_many()) return MCIERR_UNRECOGNIZED_KEYWORD;
  std::string_view verb = w[0];
  if (same(verb, "open")) return open(w);
  if (!same(verb, "play") && !same(verb, "stop") && !same(verb, "close") && !same(verb, "status"))
    return MCIERR_UNRECOGNIZED_COMMAND;
  if (w.size() < 2) return MCIERR_MISSING_PARAMETER;
  Device* d = device(w[1]);
  if (!d) return MCIERR_INVALID_DEVICE_NAME;

  if (same(verb, "play")) {
    uint64_t from_ms = position(*d) >= d->song->length_us ? 0 : position(*d) / 1000;
    for (size_t i = 2; i < w.size(); ++i) {
      if (same(w[i], "from")) {
        if (i + 1 >= w.size() || !parse_ms(w[i + 1], from_ms)) return MCIERR_MISSING_PARAMETER;
      }
    }
    uint64_t from_us = std::min(from_ms * 1000, d->song->length_us);
    d->playing = true;
    d->started_us = clock_.now_us() - std::min(clock_.now_us(), from_us);
    sink_->music_play(d->song, from_us);
    return MCI_OK;
  }
  if (same(verb, "stop")) {
    d->stopped_at = position(*d);
    d->playing = false;
    sink_->music_stop();
    return MCI_OK;
  }
  if (same(verb, "close")) {
    sink_->music_stop();
    device_open_ = false;
    return MCI_OK;
  }
  // status
  if (w.size() < 3) return MCIERR_MISSING_PARAMETER;
  std::string_view item = w[2];
  if (same(item, "mode")) return answer(is_playing(*d) ? "playing" : "stopped", ret, ret_len);
  if (same(item, "length")) return answer_number(d->song->length_us / 1000, ret, ret_len);
  if (same(item, "position")) return answer_number(position(*d) / 1000, ret, ret_len);
  return MCIERR_UNRECOGNIZED_KEYWORD;
}

bool Media::sndPlaySoundA(std::string_view name, uint32_t flags) {
  if (log_) log_->push_back("snd " + std::string(name) + " " + std::to_string(flags));
  if (name.empty()) {
    sink_->effect_stop();
    return true;
  }
  const Loaded& f = load(name).second;
  if (!f.wave) return false;  // and no default sound: we have none to give
  // A synchronous call would hold up the game; it plays in the background like the rest.
  sink_->effect_play(f.wave.get(), (flags & SND_LOOP) != 0);
  return true;
}

void install_media(Media* media) {
  current_context().media = media;
}
Media* installed_media() {
  return current_context().media;
}

int32_t mciSendStringA(std::string_view command, char* ret, uint32_t ret_len, int32_t) {
  Media* media = installed_media();
  return media ? media->mciSendStringA(command, ret, ret_len) : MCIERR_INVALID_DEVICE_NAME;
}

bool sndPlaySoundA(std::string_view name, uint32_t flags) {
  Media* media = installed_media();
  return media ? media->sndPlaySoundA(name, flags) : false;
}

}  // namespace qv
