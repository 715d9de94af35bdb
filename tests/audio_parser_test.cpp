// The MIDI and WAV readers on files built byte by byte: the cases real files bring (running
// status, tempo changes in the middle, a conductor track, frame-based time) and damaged ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "formats/midi.hpp"
#include "formats/wav.hpp"

namespace qv {
namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& out, std::initializer_list<int> bytes) {
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}

Bytes chunk(const char* id, const Bytes& body) {
  Bytes out(id, id + 4);
  uint32_t n = static_cast<uint32_t>(body.size());
  append(out, {int(n >> 24), int((n >> 16) & 0xFF), int((n >> 8) & 0xFF), int(n & 0xFF)});
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes midi_file(int format, int division, const std::vector<Bytes>& tracks) {
  Bytes header;
  append(header, {0, format, 0, int(tracks.size()), (division >> 8) & 0xFF, division & 0xFF});
  Bytes out = chunk("MThd", header);
  for (const Bytes& t : tracks) {
    Bytes c = chunk("MTrk", t);
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

std::optional<MidiSong> parse(const Bytes& b) {
  return parse_midi(b.data(), b.size());
}

TEST(MidiReader, RunningStatusCarriesTheStatusToFollowingData) {
  Bytes track;
  append(track, {0x00, 0x90, 60, 100,  // note on
                 0x60, 64, 90,         // running status: another note on
                 0x60, 60, 0,          // running status: velocity 0 releases
                 0x00, 0xC1, 5,        // a program change has one data byte...
                 0x10, 7,              // ...and runs on with one
                 0x00, 0xFF, 0x2F, 0x00});
  auto song = parse(midi_file(0, 96, {track}));
  ASSERT_TRUE(song);
  ASSERT_EQ(song->events.size(), 5u);
  EXPECT_EQ(song->events[1].status, 0x90);
  EXPECT_EQ(song->events[1].data1, 64);
  EXPECT_EQ(song->events[1].data2, 90);
  EXPECT_EQ(song->events[2].data1, 60);
  EXPECT_EQ(song->events[2].data2, 0);
  EXPECT_EQ(song->events[4].status, 0xC1);
  EXPECT_EQ(song->events[4].data1, 7);
  // 96 ticks a quarter at the default 120 a minute: a tick is 1/192 s.
  EXPECT_EQ(song->events[1].time_us, 500000u);
  EXPECT_EQ(song->events[4].time_us, 1000000u + 16 * 1000000u / 192);
}

TEST(MidiReader, DataWithoutAnyStatusIsDamage) {
  Bytes track;
  append(track, {0x00, 60, 100, 0x00, 0xFF, 0x2F, 0x00});
  EXPECT_FALSE(parse(midi_file(0, 96, {track})));
}

TEST(MidiReader, TempoChangesInTheConductorTrackTimeTheOtherTracks) {
  Bytes conductor, notes;
  // 120 a minute, then at tick 96 twice as fast, then at tick 288 back to 60 a minute.
  append(conductor, {0x00, 0xFF, 0x51, 3,    0x07, 0xA1, 0x20, 0x60, 0xFF, 0x51, 3,    0x03, 0xD0,
                     0x90, 0x81, 0x40, 0xFF, 0x51, 3,    0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00});
  append(notes, {0x60, 0x90, 60, 100,      // tick 96
                 0x81, 0x40, 0x80, 60, 0,  // tick 288
                 0x60, 0x90, 62, 100,      // tick 384
                 0x00, 0xFF, 0x2F, 0x00});
  auto song = parse(midi_file(1, 96, {conductor, notes}));
  ASSERT_TRUE(song);
  ASSERT_EQ(song->events.size(), 3u);
  EXPECT_EQ(song->events[0].time_us, 500000u);
  EXPECT_EQ(song->events[1].time_us, 500000u + 500000u);    // 192 ticks at 0.25 s a quarter
  EXPECT_EQ(song->events[2].time_us, 1000000u + 1000000u);  // 96 ticks at 1 s a quarter
  EXPECT_EQ(song->length_us, 2000000u);
}

TEST(MidiReader, LengthRunsToTheLastEventOfAnyTrackEndMarkerIncluded) {
  Bytes a, b;
  append(a, {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
  append(b, {0x83, 0x00, 0xFF, 0x2F, 0x00});  // an empty track that ends at tick 384
  auto song = parse(midi_file(1, 96, {a, b}));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->length_us, 2000000u);
}

TEST(MidiReader, FrameBasedTimeIgnoresTempo) {
  Bytes track;  // 25 frames a second, 40 ticks a frame: a tick is 1 ms
  append(track, {0x00, 0xFF, 0x51, 3, 0x03, 0xD0, 0x90, 0x83, 0x74, 0x90, 60, 100, 0x00, 0xFF, 0x2F,
                 0x00});
  auto song = parse(midi_file(0, 0xE728, {track}));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->events[0].time_us, 500000u);
}

TEST(MidiReader, EveryCutOfAFileIsReadSafely) {
  Bytes a, b;
  append(a, {0x00, 0xFF, 0x03, 4, 'l', 'e', 'a', 'd', 0x00, 0x90, 60, 100, 0x60, 60, 0, 0x00, 0xFF,
             0x2F, 0x00});
  append(b, {0x00, 0xC9, 0, 0x00, 0x99, 36, 100, 0x30, 36, 0, 0x00, 0xFF, 0x2F, 0x00});
  Bytes file = midi_file(1, 96, {a, b});
  auto whole = parse(file);
  ASSERT_TRUE(whole);
  size_t first_track_end = 14 + 8 + a.size();
  for (size_t n = 0; n < file.size(); ++n) {
    auto cut = parse_midi(file.data(), n);
    if (n >= first_track_end && n < first_track_end + 8) {
      // Only the second track is missing: what is there still plays.
      ASSERT_TRUE(cut) << n;
      EXPECT_EQ(cut->events.size(), 2u);
    } else {
      EXPECT_FALSE(cut) << "a cut inside a chunk must not pass for a tune, at " << n;
    }
  }
}

TEST(MidiReader, HostileFilesAreRefused) {
  Bytes endless;  // a delta of 2^28 - 1 ticks, over and over, runs past a day
  for (int i = 0; i < 400; ++i) append(endless, {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1});
  EXPECT_FALSE(parse(midi_file(0, 1, {endless})));
  Bytes long_vlq;
  append(long_vlq, {0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1});
  EXPECT_FALSE(parse(midi_file(0, 96, {long_vlq})));
  Bytes high_data;
  append(high_data, {0x00, 0x90, 60, 0x80});
  EXPECT_FALSE(parse(midi_file(0, 96, {high_data})));
  EXPECT_FALSE(parse(midi_file(2, 96, {high_data})));  // format 2 is not for a sequencer
  EXPECT_FALSE(parse_midi(nullptr, 0));

  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    Bytes junk(random() % 200);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
    if (i % 2) {  // half of them with a proper header, so the track reader gets the junk
      Bytes body(junk);
      junk = midi_file(i % 4 == 1 ? 0 : 1, 96, {body});
    }
    parse(junk);  // must neither crash nor read outside the buffer
  }
}

// Our chunk() writes big-endian lengths; WAV wants them little-endian.
Bytes le_chunk(const char* id, const Bytes& body) {
  Bytes out(id, id + 4);
  uint32_t n = static_cast<uint32_t>(body.size());
  append(out, {int(n & 0xFF), int((n >> 8) & 0xFF), int((n >> 16) & 0xFF), int(n >> 24)});
  out.insert(out.end(), body.begin(), body.end());
  if (body.size() % 2) out.push_back(0);
  return out;
}

TEST(WavReader, EncodedWavesReadBackExactly) {
  Wave w;
  w.sample_rate = 22050;
  w.channels = 2;
  w.samples = {0, -1, 32767, -32768, 1234, -4321};
  Bytes file = encode_wav(w);
  auto back = parse_wav(file.data(), file.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->sample_rate, 22050);
  EXPECT_EQ(back->channels, 2);
  EXPECT_EQ(back->samples, w.samples);
}

TEST(WavReader, EightBitSamplesAreCentredAndOddChunksPadded) {
  // By hand: an odd-sized chunk of our own before the format, then 8-bit data.
  Bytes fmt;
  append(fmt, {1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0});
  Bytes body;
  append(body, {'W', 'A', 'V', 'E'});
  for (const Bytes& c : {le_chunk("LIST", Bytes{1, 2, 3}), le_chunk("fmt ", fmt),
                         le_chunk("data", Bytes{0, 128, 255})})
    body.insert(body.end(), c.begin(), c.end());
  Bytes riff;
  append(riff, {'R', 'I', 'F', 'F', int(body.size()), 0, 0, 0});
  riff.insert(riff.end(), body.begin(), body.end());
  auto back = parse_wav(riff.data(), riff.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->sample_rate, 11025);
  EXPECT_EQ(back->samples, (std::vector<int16_t>{-32768, 0, 127 << 8}));
}

TEST(WavReader, DamagedOrForeignFilesAreRefused) {
  Wave w;
  w.sample_rate = 44100;
  w.channels = 1;
  w.samples.assign(100, 1000);
  Bytes good = encode_wav(w);
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(parse_wav(good.data(), n)) << "cut at " << n;

  Bytes floats = good;
  floats[20] = 3;  // IEEE float samples: not ours to read
  EXPECT_FALSE(parse_wav(floats.data(), floats.size()));
  Bytes wide = good;
  wide[34] = 24;  // 24-bit
  EXPECT_FALSE(parse_wav(wide.data(), wide.size()));
  Bytes many = good;
  many[22] = 6;  // six channels
  EXPECT_FALSE(parse_wav(many.data(), many.size()));

  // Data before its format cannot be read.
  Bytes body{'W', 'A', 'V', 'E'};
  for (uint8_t b : le_chunk("data", Bytes{1, 2})) body.push_back(b);
  for (size_t i = 12; i < 36; ++i) body.push_back(good[i]);  // the format chunk
  Bytes swapped{'R', 'I', 'F', 'F', static_cast<uint8_t>(body.size()), 0, 0, 0};
  for (uint8_t b : body) swapped.push_back(b);
  EXPECT_FALSE(parse_wav(swapped.data(), swapped.size()));

  std::mt19937 random(11);
  for (int i = 0; i < 3000; ++i) {
    Bytes junk = good;
    for (int k = 0; k < 4; ++k) junk[random() % junk.size()] = static_cast<uint8_t>(random());
    parse_wav(junk.data(), junk.size());  // must neither crash nor read outside the buffer
  }
}

}  // namespace
}  // namespace qv
