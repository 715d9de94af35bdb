#include "formats/midi.hpp"

#include <algorithm>

namespace qv {
namespace {

constexpr uint64_t kLongestTuneUs = 24ull * 3600 * 1000000;  // a day: anything longer is damage

class Reader {
 public:
  Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool has(size_t k) const { return n_ - pos_ >= k; }
  size_t pos() const { return pos_; }
  size_t left() const { return n_ - pos_; }
  uint8_t u8() { return p_[pos_++]; }
  uint32_t be(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p_[pos_++];
    return v;
  }
  // A variable-length quantity of at most four bytes.
  bool vlq(uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      if (!has(1)) return false;
      uint8_t b = u8();
      out = (out << 7) | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  void skip(size_t k) { pos_ += k; }
  Reader sub(size_t k) const { return Reader(p_ + pos_, k); }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t pos_ = 0;
};

struct TickEvent {
  uint64_t tick;
  MidiEvent ev;
};
struct TempoChange {
  uint64_t tick;
  uint32_t us_per_quarter;
};

int data_bytes(uint8_t status) {
  uint8_t kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

// One track chunk; appends its channel events and tempo changes. Returns the tick of its
// last event, or false for damage.
bool read_track(Reader r, std::vector<TickEvent>& events, std::vector<TempoChange>& tempos,
                uint64_t& last_tick) {
  uint64_t tick = 0;
  uint8_t running = 0;
  while (r.left() > 0) {
    uint32_t delta;
    if (!r.vlq(delta)) return false;
    tick += delta;
    if (!r.has(1)) return false;
    uint8_t status = r.u8();
    if (status == 0xFF) {  // meta event
      if (!r.has(1)) return false;
      uint8_t type = r.u8();
      uint32_t len;
      if (!r.vlq(len) || !r.has(len)) return false;
      if (type == 0x51 && len == 3) {
        Reader t = r.sub(3);
        uint32_t tempo = t.be(3);
        if (tempo == 0) return false;
        if (events.size() + tempos.size() >= kMostMidiEvents) return false;
        tempos.push_back({tick, tempo});
      }
      r.skip(len);
      last_tick = std::max(last_tick, tick);
      if (type == 0x2F) return true;  // end of track
      continue;
    }
    if (status == 0xF0 || status == 0xF7) {  // system exclusive: not for us
      uint32_t len;
      if (!r.vlq(len) || !r.has(len)) return false;
      r.skip(len);
      last_tick = std::max(last_tick, tick);
      continue;
    }
    uint8_t d1;
    if (status & 0x80) {
      if (status >= 0xF0) return false;  // no other system messages belong in a file
      running = status;
      if (!r.has(1)) return false;
      d1 = r.u8();
    } else {
      if (!running) return false;
      d1 = status;
      status = running;
    }
    uint8_t d2 = 0;
    if (data_bytes(status) == 2) {
      if (!r.has(1)) return false;
      d2 = r.u8();
    }
    if ((d1 | d2) & 0x80) return false;
    if (events.size() + tempos.size() >= kMostMidiEvents) return false;
    events.push_back({tick, {0, status, d1, d2}});
    last_tick = std::max(last_tick, tick);
  }
  return true;  // a track without its end marker still plays
}

}  // namespace

std::optional<MidiSong> parse_midi(const uint8_t* data, size_t size) {
  if (!data) return std::nullopt;
  Reader r(data, size);
  if (!r.has(14) || r.be(4) != 0x4D546864 /* MThd */) return std::nullopt;
  uint32_t header_len = r.be(4);
  if (header_len < 6 || !r.has(header_len)) return std::nullopt;
  uint32_t format = r.be(2), tracks = r.be(2), division = r.be(2);
  r.skip(header_len - 6);
  if (format > 1 || tracks == 0 || division == 0) return std::nullopt;

  // Microseconds per tick: by tempo for musical time, fixed for frame-based time.
  bool smpte = division & 0x8000;
  uint32_t ticks_per_quarter = smpte ? 0 : division;
  uint64_t smpte_ticks_per_second = 0;
  if (smpte) {
    int fps = -static_cast<int8_t>(division >> 8);
    uint32_t per_frame = division & 0xFF;
    if (fps <= 0 || per_frame == 0) return std::nullopt;
    smpte_ticks_per_second = static_cast<uint64_t>(fps) * per_frame;
  }

  std::vector<TickEvent> events;
  std::vector<TempoChange> tempos;
  uint64_t last_tick = 0;
  uint32_t found = 0;
  while (found < tracks && r.has(8)) {
    uint32_t id = r.be(4), len = r.be(4);
    if (!r.has(len)) return std::nullopt;
    if (id == 0x4D54726B /* MTrk */) {
      if (!read_track(r.sub(len), events, tempos, last_tick)) return std::nullopt;
      ++found;
    }
    r.skip(len);
  }
  if (found == 0) return std::nullopt;

  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  std::stable_sort(events.begin(), events.end(),
                   [](const TickEvent& a, const TickEvent& b) { return a.tick < b.tick; });

  // Walk the tempo map once alongside the sorted ticks.
  size_t next_tempo = 0;
  uint64_t seg_tick = 0;
  unsigned __int128 seg_us = 0;
  uint32_t tempo = 500000;
  bool too_long = false;
  auto to_us = [&](uint64_t tick) -> uint64_t {
    if (smpte) {
      unsigned __int128 us =
          static_cast<unsigned __int128>(tick) * 1000000 / smpte_ticks_per_second;
      if (us > kLongestTuneUs) too_long = true;
      return too_long ? kLongestTuneUs : static_cast<uint64_t>(us);
    }
    while (next_tempo < tempos.size() && tempos[next_tempo].tick <= tick) {
      seg_us += static_cast<unsigned __int128>(tempos[next_tempo].tick - seg_tick) * tempo /
                ticks_per_quarter;
      seg_tick = tempos[next_tempo].tick;
      tempo = tempos[next_tempo].us_per_quarter;
      ++next_tempo;
    }
    unsigned __int128 us =
        seg_us + static_cast<unsigned __int128>(tick - seg_tick) * tempo / ticks_per_quarter;
    if (us > kLongestTuneUs) too_long = true;
    return too_long ? kLongestTuneUs : static_cast<uint64_t>(us);
  };

  MidiSong song;
  song.events.reserve(events.size());
  for (const TickEvent& e : events) {
    MidiEvent ev = e.ev;
    ev.time_us = to_us(e.tick);
    song.events.push_back(ev);
  }
  song.length_us = to_us(last_tick);
  if (too_long) return std::nullopt;
  return song;
}

}  // namespace qv
