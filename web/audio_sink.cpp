#include "web/audio_sink.hpp"

#include <emscripten.h>

#include <algorithm>

// The page's side is web/audio.js.
// clang-format off
EM_JS(void, qv_js_song, (int32_t id, const double* times, const uint8_t* bytes, int32_t count,
                         double length_us), {
  quelvarisAudio.song(id, HEAPF64.slice(times >> 3, (times >> 3) + count),
                      HEAPU8.slice(bytes, bytes + 3 * count), length_us);
});
EM_JS(void, qv_js_wave, (int32_t id, const int16_t* samples, int32_t count, int32_t channels,
                         int32_t rate), {
  quelvarisAudio.wave(id, HEAP16.slice(samples >> 1, (samples >> 1) + count), channels, rate);
});
EM_JS(void, qv_js_music_play, (int32_t id, double from_us), {
  quelvarisAudio.musicPlay(id, from_us);
});
EM_JS(void, qv_js_music_stop, (), { quelvarisAudio.musicStop(); });
EM_JS(void, qv_js_effect_play, (int32_t id, bool loop), { quelvarisAudio.effectPlay(id, loop); });
EM_JS(void, qv_js_effect_stop, (), { quelvarisAudio.effectStop(); });
EM_JS(void, qv_js_clock, (double now_us), { quelvarisAudio.clock(now_us); });
// clang-format on

namespace qv {

int32_t WebAudioSink::song_id(const MidiSong* song) {
  auto known = std::find(songs_.begin(), songs_.end(), song);
  if (known != songs_.end()) return static_cast<int32_t>(known - songs_.begin());
  std::vector<double> times;
  std::vector<uint8_t> bytes;
  times.reserve(song->events.size());
  bytes.reserve(3 * song->events.size());
  for (const MidiEvent& e : song->events) {
    times.push_back(static_cast<double>(e.time_us));
    bytes.insert(bytes.end(), {e.status, e.data1, e.data2});
  }
  auto id = static_cast<int32_t>(songs_.size());
  qv_js_song(id, times.data(), bytes.data(), static_cast<int32_t>(times.size()),
             static_cast<double>(song->length_us));
  songs_.push_back(song);
  return id;
}

int32_t WebAudioSink::wave_id(const Wave* wave) {
  auto known = std::find(waves_.begin(), waves_.end(), wave);
  if (known != waves_.end()) return static_cast<int32_t>(known - waves_.begin());
  auto id = static_cast<int32_t>(waves_.size());
  qv_js_wave(id, wave->samples.data(), static_cast<int32_t>(wave->samples.size()), wave->channels,
             wave->sample_rate);
  waves_.push_back(wave);
  return id;
}

void WebAudioSink::music_play(const MidiSong* song, uint64_t from_us) {
  if (!song) {
    qv_js_music_stop();
    return;
  }
  qv_js_music_play(song_id(song), static_cast<double>(from_us));
}

void WebAudioSink::music_stop() {
  qv_js_music_stop();
}

// Only waves the desktop's effect voice would play reach the page.
void WebAudioSink::effect_play(const Wave* wave, bool loop) {
  if (!wave || wave->sample_rate <= 0 || wave->channels < 1 || wave->channels > 2 ||
      wave->samples.size() < static_cast<size_t>(wave->channels)) {
    qv_js_effect_stop();
    return;
  }
  qv_js_effect_play(wave_id(wave), loop);
}

void WebAudioSink::effect_stop() {
  qv_js_effect_stop();
}

void WebAudioSink::tell_clock(uint64_t now_us) {
  qv_js_clock(static_cast<double>(now_us));
}

}  // namespace qv
