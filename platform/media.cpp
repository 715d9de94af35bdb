#include "platform/media.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace qv {
namespace {

constexpr std::streamsize kLargestFile = 16 << 20;  // no music or effect of ours comes near

bool read_file(const std::string& path, std::vector<uint8_t>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamsize size = in.tellg();
  if (size < 0 || size > kLargestFile) return false;
  in.seekg(0);
  out.resize(static_cast<size_t>(size));
  return static_cast<bool>(in.read(reinterpret_cast<char*>(out.data()), size)) || size == 0;
}

std::string lower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return r;
}

// Splits a command into words; a double-quoted word may hold blanks.
std::vector<std::string> words_of(std::string_view cmd) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < cmd.size()) {
    while (i < cmd.size() && std::isspace(static_cast<unsigned char>(cmd[i]))) ++i;
    if (i >= cmd.size()) break;
    std::string w;
    if (cmd[i] == '"') {
      size_t end = cmd.find('"', i + 1);
      if (end == std::string_view::npos) end = cmd.size();
      w = std::string(cmd.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      while (i < cmd.size() && !std::isspace(static_cast<unsigned char>(cmd[i]))) w += cmd[i++];
    }
    words.push_back(std::move(w));
  }
  return words;
}

int32_t answer(const std::string& text, char* ret, uint32_t ret_len) {
  if (!ret || ret_len == 0) return MCI_OK;
  if (text.size() + 1 > ret_len) return MCIERR_PARAM_OVERFLOW;
  std::memcpy(ret, text.c_str(), text.size() + 1);
  return MCI_OK;
}

bool parse_ms(const std::string& s, uint64_t& ms) {
  if (s.empty() || s.size() > 9) return false;
  ms = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    ms = ms * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

Media* g_media = nullptr;

}  // namespace

std::string Media::resolve(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

void Media::preload(std::string_view name) { load(name); }

const Media::Loaded& Media::load(std::string_view name) {
  std::string path = resolve(name);
  auto it = files_.find(path);
  if (it != files_.end()) return it->second;
  Loaded f;
  std::vector<uint8_t> bytes;
  f.found = read_file(path, bytes);
  if (f.found) {
    if (auto song = parse_midi(bytes.data(), bytes.size())) f.song = std::make_unique<MidiSong>(std::move(*song));
    if (auto wave = parse_wav(bytes.data(), bytes.size())) f.wave = std::make_unique<Wave>(std::move(*wave));
  }
  return files_.emplace(path, std::move(f)).first->second;
}

Media::Device* Media::device(const std::string& alias) {
  return device_ && device_->alias == lower(alias) ? device_.get() : nullptr;
}

uint64_t Media::position(const Device& d) const {
  if (!d.playing) return d.stopped_at;
  uint64_t now = clock_.now_us();
  return std::min(now - std::min(now, d.started_us), d.song->length_us);
}

bool Media::is_playing(const Device& d) const {
  return d.playing && position(d) < d.song->length_us;
}

int32_t Media::open(const std::vector<std::string>& words) {
  if (words.size() < 2) return MCIERR_MISSING_PARAMETER;
  std::string alias = lower(words[1]);
  for (size_t i = 2; i + 1 < words.size(); ++i) {
    if (lower(words[i]) == "alias") alias = lower(words[i + 1]);
  }
  if (device_) return MCIERR_DUPLICATE_ALIAS;  // one sequencer, as the platform has
  const Loaded& f = load(words[1]);
  if (!f.found) return MCIERR_FILE_NOT_FOUND;
  if (!f.song) return MCIERR_INVALID_FILE;
  device_ = std::make_unique<Device>();
  device_->alias = alias;
  device_->song = f.song.get();
  return MCI_OK;
}

int32_t Media::mciSendStringA(std::string_view command, char* ret, uint32_t ret_len) {
  if (log_) log_->push_back("mci " + std::string(command));
  std::vector<std::string> w = words_of(command);
  if (w.empty()) return MCIERR_UNRECOGNIZED_COMMAND;
  std::string verb = lower(w[0]);
  if (verb == "open") return open(w);
  if (verb != "play" && verb != "stop" && verb != "close" && verb != "status")
    return MCIERR_UNRECOGNIZED_COMMAND;
  if (w.size() < 2) return MCIERR_MISSING_PARAMETER;
  Device* d = device(w[1]);
  if (!d) return MCIERR_INVALID_DEVICE_NAME;

  if (verb == "play") {
    uint64_t from_ms = position(*d) >= d->song->length_us ? 0 : position(*d) / 1000;
    for (size_t i = 2; i < w.size(); ++i) {
      if (lower(w[i]) == "from") {
        if (i + 1 >= w.size() || !parse_ms(w[i + 1], from_ms)) return MCIERR_MISSING_PARAMETER;
      }
    }
    uint64_t from_us = std::min(from_ms * 1000, d->song->length_us);
    d->playing = true;
    d->started_us = clock_.now_us() - std::min(clock_.now_us(), from_us);
    sink_->music_play(d->song, from_us);
    return MCI_OK;
  }
  if (verb == "stop") {
    d->stopped_at = position(*d);
    d->playing = false;
    sink_->music_stop();
    return MCI_OK;
  }
  if (verb == "close") {
    sink_->music_stop();
    device_.reset();
    return MCI_OK;
  }
  // status
  if (w.size() < 3) return MCIERR_MISSING_PARAMETER;
  std::string item = lower(w[2]);
  if (item == "mode") return answer(is_playing(*d) ? "playing" : "stopped", ret, ret_len);
  if (item == "length") return answer(std::to_string(d->song->length_us / 1000), ret, ret_len);
  if (item == "position") return answer(std::to_string(position(*d) / 1000), ret, ret_len);
  return MCIERR_UNRECOGNIZED_KEYWORD;
}

bool Media::sndPlaySoundA(std::string_view name, uint32_t flags) {
  if (log_) log_->push_back("snd " + std::string(name) + " " + std::to_string(flags));
  if (name.empty()) {
    sink_->effect_stop();
    return true;
  }
  const Loaded& f = load(name);
  if (!f.wave) return false;  // and no default sound: we have none to give
  // A synchronous call would hold up the game; it plays in the background like the rest.
  sink_->effect_play(f.wave.get(), (flags & SND_LOOP) != 0);
  return true;
}

void install_media(Media* media) { g_media = media; }
Media* installed_media() { return g_media; }

int32_t mciSendStringA(std::string_view command, char* ret, uint32_t ret_len, int32_t) {
  return g_media ? g_media->mciSendStringA(command, ret, ret_len) : MCIERR_INVALID_DEVICE_NAME;
}

bool sndPlaySoundA(std::string_view name, uint32_t flags) {
  return g_media ? g_media->sndPlaySoundA(name, flags) : false;
}

}  // namespace qv
