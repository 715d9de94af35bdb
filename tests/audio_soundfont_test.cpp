// The soundfont cut down to what our tunes play: which instruments and keys the tunes strike,
// and that the cut plays every note of them exactly as the whole soundfont does while holding a
// fraction of its samples.
#include <SDL.h>
#include <fcntl.h>
#include <fluidsynth.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "audio/audio_sdl.hpp"
#include "audio/soundfont_loader.hpp"
#include "audio/soundfont_subset.hpp"
#include "audio/synth.hpp"
#include "audio/tune_instruments.hpp"

namespace qv {
namespace {

constexpr int32_t kRate = 44100;
const char* const kTunes[] = {"emptysky.mid", "escape.mid", "win.mid"};
// The General MIDI soundfonts Debian ships that we know of: whichever are installed are tried.
const char* const kSoundfonts[] = {"/usr/share/sounds/sf2/FluidR3_GM.sf2",
                                   "/usr/share/sounds/sf2/TimGM6mb.sf2"};

MidiSong game_tune(const std::string& name) {
  std::ifstream in(std::string(QV_SOURCE_DIR) + "/bgm&se/" + name, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  std::optional<MidiSong> song = parse_midi(bytes.data(), bytes.size());
  EXPECT_TRUE(song) << name;
  return song ? *song : MidiSong{};
}

MidiEvent event(uint64_t ms, int status, int data1, int data2 = 0) {
  return {ms * 1000, static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
          static_cast<uint8_t>(data2)};
}

const InstrumentUse* find_use(const std::vector<InstrumentUse>& uses, int bank, int program) {
  for (const InstrumentUse& u : uses)
    if (u.bank == bank && u.program == program) return &u;
  return nullptr;
}

TEST(TuneInstruments, EachProgramWithTheKeysStruckOnItInEveryBankItsChannelChose) {
  MidiSong first, second;
  first.events = {event(0, 0x90, 60, 100),  // the piano every channel starts with
                  event(1, 0xC1, 40),      event(2, 0x91, 50, 90),
                  event(3, 0x91, 52, 0),   event(4, 0x99, 36, 100),  // channel 10: the standard kit
                  event(5, 0xC9, 25),      event(6, 0x99, 38, 100)};
  second.events = {event(0, 0xB1, 0, 8), event(1, 0xC1, 40), event(2, 0x91, 55, 90),
                   event(3, 0xB9, 0, 5)};  // a drum channel takes no bank
  TuneInstruments tunes;
  tunes.add(first);
  tunes.add(second);
  std::vector<InstrumentUse> uses = tunes.uses();
  ASSERT_EQ(uses.size(), 5u);
  const InstrumentUse* piano = find_use(uses, 0, 0);
  ASSERT_TRUE(piano);
  EXPECT_TRUE(piano->keys.test(60));
  EXPECT_EQ(piano->keys.count(), 1u);
  // Program 40 on channel 2 in bank 0 and in bank 8, which may still hold when the first tune
  // plays again; a note-on of velocity 0 is a release, no key struck.
  for (int bank : {0, 8}) {
    const InstrumentUse* violin = find_use(uses, bank, 40);
    ASSERT_TRUE(violin) << bank;
    EXPECT_TRUE(violin->keys.test(50) && violin->keys.test(55) && !violin->keys.test(52));
  }
  ASSERT_TRUE(find_use(uses, kDrumBank, 0));
  EXPECT_TRUE(find_use(uses, kDrumBank, 0)->keys.test(36));
  ASSERT_TRUE(find_use(uses, kDrumBank, 25));
  EXPECT_TRUE(find_use(uses, kDrumBank, 25)->keys.test(38));
}

std::vector<InstrumentUse> game_instruments() {
  TuneInstruments tunes;
  for (const char* name : kTunes) tunes.add(game_tune(name));
  return tunes.uses();
}

void send(fluid_synth_t* synth, const MidiEvent& e) {
  int ch = e.status & 0x0F;
  switch (e.status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth, ch, e.data1);
      break;
    case 0x90:
      fluid_synth_noteon(synth, ch, e.data1, e.data2);
      break;
    case 0xB0:
      fluid_synth_cc(synth, ch, e.data1, e.data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, ch, e.data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth, ch, e.data1 | (e.data2 << 7));
      break;
    default:
      break;
  }
}

// The tunes one after the other through a synthesizer with the game's settings, each event on
// its frame.
std::vector<float> play_tunes(fluid_synth_t* synth, double seconds_each) {
  std::vector<float> out;
  for (const char* name : kTunes) {
    MidiSong song = game_tune(name);
    size_t frames = static_cast<size_t>(seconds_each * kRate), start = out.size() / 2, next = 0;
    out.resize(out.size() + 2 * frames);
    for (size_t done = 0; done < frames;) {
      while (next < song.events.size() && song.events[next].time_us * kRate / 1000000 <= done)
        send(synth, song.events[next++]);
      int n = static_cast<int>(std::min<size_t>(64, frames - done));
      float* at = out.data() + 2 * (start + done);
      fluid_synth_write_float(synth, n, at, 0, 2, at, 1, 2);
      done += static_cast<size_t>(n);
    }
    fluid_synth_system_reset(synth);
  }
  return out;
}

TEST(SoundfontSubset, TheCutPlaysOurTunesExactlyAsTheWholeSoundfontFromAFractionOfIt) {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
    fluid_set_log_function(level, nullptr, nullptr);
  std::vector<InstrumentUse> uses = game_instruments();
  int tried = 0;
  for (const char* font : kSoundfonts) {
    if (!std::ifstream(font)) continue;
    ++tried;
    std::shared_ptr<const SoundfontSubset> cut = SoundfontSubset::cut(font, uses);
    ASSERT_TRUE(cut) << font;
    EXPECT_LT(cut->sample_bytes(), cut->all_sample_bytes() / 3) << font;

    fluid_settings_t* settings = new_game_fluid_settings(kRate, 16);
    fluid_synth_t* whole = new_fluid_synth(settings);
    fluid_synth_t* part = new_fluid_synth(settings);
    ASSERT_NE(fluid_synth_sfload(whole, font, 1), FLUID_FAILED) << font;
    std::string name;
    ASSERT_GE(load_subset(part, settings, cut, name), 0) << font;
    std::vector<float> expected = play_tunes(whole, 12.0), got = play_tunes(part, 12.0);
    size_t differ = 0;
    for (size_t i = 0; i < expected.size(); ++i) differ += expected[i] != got[i];
    EXPECT_EQ(differ, 0u) << font << ": samples that differ of " << expected.size();
    delete_fluid_synth(part);
    delete_fluid_synth(whole);
    delete_fluid_settings(settings);
    unregister_subset(name);
  }
  if (!tried) GTEST_SKIP() << "no General MIDI soundfont installed (fluid-soundfont-gm)";
}

// A small SoundFont of our own, written byte by byte: five samples; an instrument of two
// halves of the keyboard (with a global zone), a kit of two drums; a piano on the whole
// instrument, a second preset on its lowest keys only (its key range given second, so ignored,
// in a zone that follows), and the kit.
struct TinyFont {
  static constexpr int kSamplePoints = 64;  // and 46 points of silence after each
  std::vector<uint8_t> bytes;

  TinyFont() {
    Bytes info = list("INFO", chunk("ifil", {2, 0, 1, 0}));
    Bytes smpl;
    for (int s = 0; s < 5; ++s)
      for (int i = 0; i < kSamplePoints + 46; ++i)
        add16(smpl, i < kSamplePoints ? 1000 * (s + 1) : 0);
    Bytes sdta = list("sdta", chunk("smpl", smpl));
    Bytes phdr, pbag, pmod(10, 0), pgen, inst, ibag, imod(10, 0), igen, shdr;
    auto gen = [](Bytes& to, int oper, int lo, int hi) {
      add16(to, oper);
      to.push_back(static_cast<uint8_t>(lo));
      to.push_back(static_cast<uint8_t>(hi));
    };
    auto bag = [](Bytes& to, const Bytes& gens) {
      add16(to, static_cast<int>(gens.size() / 4));
      add16(to, 0);
    };
    auto preset = [&](const char* name, int program, int bank) {
      name20(phdr, name);
      add16(phdr, program);
      add16(phdr, bank);
      add16(phdr, static_cast<int>(pbag.size() / 4));
      phdr.resize(phdr.size() + 12, 0);
    };
    preset("piano", 0, 0);
    bag(pbag, pgen), gen(pgen, 41, 0, 0);  // the whole of instrument 0
    preset("low", 5, 0);
    bag(pbag, pgen), gen(pgen, 8, 0x10, 0), gen(pgen, 43, 0, 40), gen(pgen, 41, 0, 0);
    bag(pbag, pgen), gen(pgen, 43, 0, 40), gen(pgen, 41, 0, 0);
    preset("kit", 0, kDrumBank);
    bag(pbag, pgen), gen(pgen, 41, 1, 0);
    preset("EOP", 0, 0);
    bag(pbag, pgen), pgen.resize(pgen.size() + 4, 0);
    auto instrument = [&](const char* name) {
      name20(inst, name);
      add16(inst, static_cast<int>(ibag.size() / 4));
    };
    instrument("keys");
    bag(ibag, igen), gen(igen, 34, 0, 0xF0);  // global: an attack of 0.1 s
    bag(ibag, igen), gen(igen, 43, 0, 59), gen(igen, 53, 0, 0);
    bag(ibag, igen), gen(igen, 43, 60, 127), gen(igen, 53, 1, 0);
    instrument("drums");
    bag(ibag, igen), gen(igen, 43, 36, 36), gen(igen, 53, 2, 0);
    bag(ibag, igen), gen(igen, 43, 38, 38), gen(igen, 53, 3, 0);
    instrument("EOI");
    bag(ibag, igen), igen.resize(igen.size() + 4, 0);
    for (int s = 0; s <= 5; ++s) {
      name20(shdr, s < 5 ? "sample" : "EOS");
      int start = s * (kSamplePoints + 46), end = start + kSamplePoints;
      for (int v : {start, end, start + 8, end - 8, s < 5 ? 22050 : 0}) add32(shdr, v);
      shdr.push_back(60);
      shdr.push_back(0);
      add16(shdr, 0);              // no links
      add16(shdr, s < 5 ? 1 : 0);  // mono
    }
    Bytes pdta = list("pdta", cat({chunk("phdr", phdr), chunk("pbag", pbag), chunk("pmod", pmod),
                                   chunk("pgen", pgen), chunk("inst", inst), chunk("ibag", ibag),
                                   chunk("imod", imod), chunk("igen", igen), chunk("shdr", shdr)}));
    Bytes body = cat({{'s', 'f', 'b', 'k'}, info, sdta, pdta});
    bytes = chunk("RIFF", body);
  }

  using Bytes = std::vector<uint8_t>;
  static void add16(Bytes& b, int v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void add32(Bytes& b, int v) {
    add16(b, v & 0xFFFF);
    add16(b, (v >> 16) & 0xFFFF);
  }
  static void name20(Bytes& b, const char* name) {
    Bytes n(20, 0);
    std::memcpy(n.data(), name, std::strlen(name));
    b.insert(b.end(), n.begin(), n.end());
  }
  static Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }
  static Bytes chunk(const char* id, const Bytes& body) {
    Bytes out(id, id + 4);
    add32(out, static_cast<int>(body.size()));
    return cat({out, body});
  }
  static Bytes list(const char* kind, const Bytes& body) {
    return chunk("LIST", cat({Bytes(kind, kind + 4), body}));
  }
};

std::string write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<uint8_t> whole_file(const SoundfontSubset& s) {
  std::vector<uint8_t> bytes(static_cast<size_t>(s.size()));
  EXPECT_TRUE(s.read(0, bytes.data(), s.size()));
  return bytes;
}

InstrumentUse use(int bank, int program, std::initializer_list<int> keys) {
  InstrumentUse u{bank, program, {}};
  for (int k : keys) u.keys.set(static_cast<size_t>(k));
  return u;
}

TEST(SoundfontSubset, KeepsThePresetsLookedUpAndOnlyTheZonesTheKeysSound) {
  std::string path = write_file("qv_tiny.sf2", TinyFont().bytes);
  constexpr int64_t kSample = 2 * TinyFont::kSamplePoints;
  struct Case {
    std::vector<InstrumentUse> uses;
    std::vector<std::pair<int32_t, int32_t>> presets;
    int64_t sample_bytes;
  } cases[] = {
      // Program 9 is missing: the piano stands in; key 61 sounds the upper half only.
      {{use(0, 9, {61})}, {{0, 0}}, kSample},
      // Bank 8 is missing: bank 0 stands in. Its range is ignored, being second, and the
      // zone after it keeps its own: the lower half.
      {{use(8, 5, {30})}, {{0, 5}}, kSample},
      {{use(0, 5, {70})}, {{0, 5}}, kSample},
      // A missing kit falls back to the standard kit; two of its keys, both halves of the keys.
      {{use(kDrumBank, 3, {36, 38}), use(0, 0, {1, 127})}, {{0, 0}, {kDrumBank, 0}}, 4 * kSample},
      // No key of the kit's: the kit stays (it is looked up), without zones or samples.
      {{use(kDrumBank, 0, {40})}, {{kDrumBank, 0}}, 0},
  };
  for (const Case& c : cases) {
    std::shared_ptr<const SoundfontSubset> cut = SoundfontSubset::cut(path, c.uses);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->presets(), c.presets);
    EXPECT_EQ(cut->sample_bytes(), c.sample_bytes);
    EXPECT_EQ(cut->all_sample_bytes(), 5 * kSample);
    // Cut again for the same keys, it keeps all of itself, byte for byte.
    std::vector<uint8_t> bytes = whole_file(*cut);
    std::string again_path = write_file("qv_tiny_cut.sf2", bytes);
    std::shared_ptr<const SoundfontSubset> again = SoundfontSubset::cut(again_path, c.uses);
    ASSERT_TRUE(again);
    EXPECT_TRUE(whole_file(*again) == bytes);
    std::remove(again_path.c_str());
  }
  std::remove(path.c_str());
}

// Played by FluidSynth itself, each note sounds the same from the whole small font and from
// the font cut for that note alone: the rules the cut follows (fallbacks, a key range only as a
// zone's first generator, the global zone) are FluidSynth's.
TEST(SoundfontSubset, FluidSynthPlaysEachNoteFromItsCutAsFromTheWholeFont) {
  for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
    fluid_set_log_function(level, nullptr, nullptr);
  std::string path = write_file("qv_tiny.sf2", TinyFont().bytes);
  struct Note {
    int channel, bank, program, key;
  } notes[] = {{0, 0, 9, 61}, {0, 8, 5, 30}, {0, 0, 5, 70}, {9, 0, 3, 38}, {9, 0, 0, 40}};
  fluid_settings_t* settings = new_game_fluid_settings(kRate, 16);
  auto play = [](fluid_synth_t* synth, const Note& n) {  // and let go of the synth
    fluid_synth_cc(synth, n.channel, 0, n.bank);
    fluid_synth_program_change(synth, n.channel, n.program);
    fluid_synth_noteon(synth, n.channel, n.key, 100);
    std::vector<float> out(2 * 4410);
    fluid_synth_write_float(synth, 4410, out.data(), 0, 2, out.data(), 1, 2);
    delete_fluid_synth(synth);
    return out;
  };
  int heard = 0;
  for (const Note& n : notes) {
    std::shared_ptr<const SoundfontSubset> cut =
        SoundfontSubset::cut(path, {use(n.channel == 9 ? kDrumBank : n.bank, n.program, {n.key})});
    ASSERT_TRUE(cut);
    fluid_synth_t* whole = new_fluid_synth(settings);
    fluid_synth_t* part = new_fluid_synth(settings);
    std::string name;
    ASSERT_NE(fluid_synth_sfload(whole, path.c_str(), 1), FLUID_FAILED);
    ASSERT_GE(load_subset(part, settings, cut, name), 0);
    std::vector<float> expected = play(whole, n);
    EXPECT_TRUE(play(part, n) == expected) << "program " << n.program << " key " << n.key;
    heard += *std::max_element(expected.begin(), expected.end()) > 1e-6f;  // not the reverb's hum
    unregister_subset(name);
  }
  EXPECT_EQ(heard, 4) << "every note but the one on no drum of the kit";
  delete_fluid_settings(settings);
  std::remove(path.c_str());
}

TEST(SoundfontSubset, NoSoundfontOrNoneOfTheInstrumentsIsNoCut) {
  std::vector<uint8_t> font = TinyFont().bytes;
  std::string path = write_file("qv_tiny.sf2", font);
  EXPECT_TRUE(SoundfontSubset::cut(path, {}) == nullptr);
  EXPECT_TRUE(SoundfontSubset::cut(path + ".missing", {use(0, 0, {60})}) == nullptr);
  // Every shortening of the file, and a preset naming an instrument that is not there.
  for (size_t size = 0; size < font.size(); size += 7) {
    std::string cut_path = write_file("qv_tiny_short.sf2", {font.begin(), font.begin() + size});
    EXPECT_TRUE(SoundfontSubset::cut(cut_path, {use(0, 0, {60})}) == nullptr) << size;
    std::remove(cut_path.c_str());
  }
  std::vector<uint8_t> bad = font;
  auto at = std::search(bad.begin(), bad.end(), std::begin("pgen"), std::begin("pgen") + 4);
  ASSERT_NE(at, bad.end());
  at[8 + 2] = 9;  // the piano's instrument, number 9
  path = write_file("qv_tiny_bad.sf2", bad);
  EXPECT_TRUE(SoundfontSubset::cut(path, {use(0, 0, {60})}) == nullptr);
  EXPECT_TRUE(SoundfontSubset::cut(path, {use(0, 5, {20})}) != nullptr)
      << "the piano is not asked for";
  std::remove(path.c_str());
}

// Runs `work` on a thread of its own and waits up to a minute for it; a thread that is held in
// the open of `pipe` (which waits for a writer) is let go by opening the pipe's other end.
template <typename Work>
bool ends_by_itself(Work work, const std::string& pipe) {
  auto done = std::async(std::launch::async, work);
  if (done.wait_for(std::chrono::seconds(60)) == std::future_status::ready) return true;
  int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (writer >= 0) ::close(writer);
  done.wait();
  return false;
}

// The soundfont the player names may be anything: a pipe, a folder, a device, a file of another
// kind. None holds up the thread that looks at it; each gets one warning and the usual search,
// and the window's thread never even opens it.
TEST(PlayersSoundfont, APipeFolderOrDeviceGetsTheWarningAndTheUsualSearchWithoutWaiting) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("qv-players-soundfont-" + std::to_string(getpid()));
  fs::create_directories(dir / "folder.sf2");
  const std::string pipe = (dir / "pipe.sf2").string(), font = (dir / "tiny.sf2").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  std::ofstream(dir / "text.sf2") << "RIFF but not a soundfont";
  std::ofstream(font, std::ios::binary)
      .write(reinterpret_cast<const char*>(TinyFont().bytes.data()),
             static_cast<std::streamsize>(TinyFont().bytes.size()));
  struct Case {
    std::string chosen;
    bool usable;
  } cases[] = {{pipe, false},
               {(dir / "folder.sf2").string(), false},
               {"/dev/zero", false},
               {(dir / "missing.sf2").string(), false},
               {(dir / "text.sf2").string(), false},
               {font, true}};
  for (const Case& c : cases) {
    std::string used;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(ends_by_itself([&] { used = soundfont_to_use(c.chosen); }, pipe)) << c.chosen;
    std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(used, c.usable ? c.chosen : find_soundfont()) << c.chosen;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), c.usable ? 0 : 1) << warnings;
    EXPECT_TRUE(
        ends_by_itself([&] { return SoundfontSubset::cut(c.chosen, {use(0, 0, {60})}); }, pipe))
        << c.chosen;
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_TRUE(ends_by_itself(
      [&] {
        open_sdl_audio({pipe, 100, 100}).reset();
        SDL_TLSCleanup();  // the error texts SDL keeps for this thread, which is none of its own
      },
      pipe))
      << "the window's thread opened the pipe";
  fs::remove_all(dir);
}

// Whatever fails on the loader's thread (memory, most likely) costs the music, not the game.
TEST(SoundfontLoaderThread, AFailureLeavesTheMusicSilentWithOneWarning) {
  auto failing = [](const std::string&,
                    const std::vector<InstrumentUse>&) -> std::shared_ptr<const SoundfontSubset> {
    throw std::bad_alloc();
  };
  auto loader =
      std::make_shared<SoundfontLoader>("any.sf2", kRate, SoundfontChoice::file, +failing);
  ::testing::internal::CaptureStderr();
  SoundfontLoader::start(loader, {use(0, 0, {60})});
  EXPECT_FALSE(loader->wait());
  std::string warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(warnings.rfind("quelvaris: the music cannot be loaded", 0), 0u) << warnings;
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1) << warnings;
}

}  // namespace
}  // namespace qv
