// Writes a score as a format 1 standard MIDI file: a conductor track with the tempo map, then
// one track per voice. Every track ends at the score's last bar line, where each channel also
// gets an all-notes-off, so that a player looping the file never carries a note over.
#include <algorithm>
#include <map>

#include "tools/tunegen/score.hpp"

namespace tunegen {
namespace {

struct Event {
  int64_t tick;
  int order;  // at one tick: set-up, releases, instrument changes, new notes, the final off
  std::vector<uint8_t> bytes;
};

constexpr int kSetUp = 0, kRelease = 1, kProgram = 2, kStrike = 3, kFinal = 4;

void put_be(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put_vlq(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = v & 0x7F;
    v >>= 7;
  } while (v);
  while (n > 1) out.push_back(groups[--n] | 0x80);
  out.push_back(groups[0]);
}

std::vector<uint8_t> meta(uint8_t type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b{0xFF, type};
  put_vlq(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

std::vector<uint8_t> text(const std::string& s) {
  return {s.begin(), s.end()};
}

// Channel messages share their status byte with the one before (running status); a meta
// event interrupts it.
std::vector<uint8_t> track_chunk(std::vector<Event> events) {
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  std::vector<uint8_t> body;
  int64_t now = 0;
  uint8_t running = 0;
  for (const Event& e : events) {
    put_vlq(body, static_cast<uint32_t>(e.tick - now));
    now = e.tick;
    size_t skip = 0;
    if (e.bytes[0] == 0xFF) {
      running = 0;
    } else if (e.bytes[0] == running) {
      skip = 1;
    } else {
      running = e.bytes[0];
    }
    body.insert(body.end(), e.bytes.begin() + static_cast<std::ptrdiff_t>(skip), e.bytes.end());
  }
  std::vector<uint8_t> chunk = text("MTrk");
  put_be(chunk, static_cast<uint32_t>(body.size()), 4);
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

std::vector<uint8_t> conductor(const Score& score) {
  std::vector<Event> events;
  events.push_back({0, kSetUp, meta(0x03, text(score.title))});
  // The meter in quarter notes, 24 clocks a click, 8 thirty-seconds a quarter.
  events.push_back({0, kSetUp, meta(0x58, {static_cast<uint8_t>(score.meter_beats), 2, 24, 8})});
  std::map<int64_t, int> tempo_at;  // the last tempo given for a tick wins
  for (const Tempo& t : score.tempos) tempo_at[t.tick] = t.bpm;
  for (const auto& [tick, bpm] : tempo_at) {
    std::vector<uint8_t> us;
    put_be(us, static_cast<uint32_t>(60000000 / bpm), 3);
    events.push_back({tick, kProgram, meta(0x51, us)});
  }
  events.push_back({score.end, kFinal, meta(0x2F, {})});
  return track_chunk(std::move(events));
}

std::vector<uint8_t> voice_track(const Track& track, int64_t end) {
  const Voice& v = track.voice;
  auto ch = [&](int kind) { return static_cast<uint8_t>(kind | v.channel); };
  auto u7 = [](int value) { return static_cast<uint8_t>(value); };
  std::vector<Event> events;
  events.push_back({0, kSetUp, meta(0x03, text(v.name))});
  events.push_back({0, kSetUp, {ch(0xC0), u7(v.program)}});
  events.push_back({0, kSetUp, {ch(0xB0), 7, u7(v.volume)}});
  events.push_back({0, kSetUp, {ch(0xB0), 10, u7(v.pan)}});
  events.push_back({0, kSetUp, {ch(0xB0), 91, u7(v.reverb)}});
  events.push_back({0, kSetUp, {ch(0xB0), 93, u7(v.chorus)}});
  for (const ProgramChange& p : track.programs)
    events.push_back({p.tick, kProgram, {ch(0xC0), u7(p.program)}});
  for (const Note& n : track.notes) {
    events.push_back({n.on, kStrike, {ch(0x90), u7(n.key), u7(n.velocity)}});
    events.push_back({n.off, kRelease, {ch(0x90), u7(n.key), 0}});  // a note-on at 0 releases
  }
  events.push_back({end, kFinal, {ch(0xB0), 123, 0}});
  events.push_back({end, kFinal, meta(0x2F, {})});
  return track_chunk(std::move(events));
}

}  // namespace

std::vector<uint8_t> write_smf(const Score& score) {
  std::vector<uint8_t> out = text("MThd");
  put_be(out, 6, 4);
  put_be(out, 1, 2);  // format 1: tracks played together
  put_be(out, static_cast<uint32_t>(score.tracks.size() + 1), 2);
  put_be(out, kTicksPerQuarter, 2);
  std::vector<uint8_t> chunk = conductor(score);
  out.insert(out.end(), chunk.begin(), chunk.end());
  for (const Track& t : score.tracks) {
    chunk = voice_track(t, score.end);
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

}  // namespace tunegen
