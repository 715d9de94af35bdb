#include "audio/soundfont_subset.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

#include "system/regular_file.hpp"

namespace qv {
namespace {

// The nine tables of a SoundFont's hydra, in the order the file holds them.
enum Table { kPhdr, kPbag, kPmod, kPgen, kInst, kIbag, kImod, kIgen, kShdr, kTableCount };
constexpr struct {
  char id[5];
  uint32_t record;
} kFormat[kTableCount] = {{"phdr", 38}, {"pbag", 4},  {"pmod", 10}, {"pgen", 4}, {"inst", 22},
                          {"ibag", 4},  {"imod", 10}, {"igen", 4},  {"shdr", 46}};

// Where a preset or instrument record keeps the index of its first zone.
constexpr size_t kPresetBag = 24, kInstrumentBag = 20;
constexpr size_t kPresetProgram = 20, kPresetBank = 22;
constexpr size_t kSampleStart = 20, kSampleEnd = 24, kSampleLink = 42;
// The generators the cut reads: a zone's key range, and the instrument or sample that ends it.
constexpr uint16_t kKeyRange = 43, kInstrument = 41, kSampleId = 53;

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void put16(uint8_t* p, size_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool read_at(int fd, int64_t at, void* out, int64_t n) {
  auto* to = static_cast<uint8_t*>(out);
  while (n > 0) {
    ssize_t got = pread(fd, to, static_cast<size_t>(n), at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    to += got;
    at += got;
    n -= got;
  }
  return true;
}

struct Hydra {
  std::array<std::vector<uint8_t>, kTableCount> tables;
  size_t count(Table t) const { return tables[t].size() / kFormat[t].record; }
  const uint8_t* record(Table t, size_t i) const {
    return tables[t].data() + i * kFormat[t].record;
  }
};

struct Layout {
  int64_t riff_end = 0;
  int64_t pdta_at = -1;  // the hydra's LIST chunk, from its header to its end
  int64_t pdta_end = 0;
  Hydra hydra;
};

// The nine tables, each of whole records and at least its closing one.
bool read_hydra(int fd, int64_t from, int64_t to, Hydra& hydra) {
  int64_t pos = from;
  for (int t = 0; t < kTableCount; ++t) {
    uint8_t head[8];
    if (pos + 8 > to || !read_at(fd, pos, head, 8)) return false;
    uint32_t len = le32(head + 4);
    if (std::memcmp(head, kFormat[t].id, 4) != 0 || len == 0 || len % kFormat[t].record != 0 ||
        static_cast<int64_t>(len) > to - pos - 8)
      return false;
    hydra.tables[t].resize(len);
    if (!read_at(fd, pos + 8, hydra.tables[t].data(), len)) return false;
    pos += 8 + static_cast<int64_t>(len);
  }
  return true;
}

// A RIFF file of the SoundFont kind with its information, its samples and a whole hydra.
std::optional<Layout> read_layout(int fd) {
  struct stat st;
  uint8_t head[12];
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !read_at(fd, 0, head, 12) ||
      std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "sfbk", 4) != 0)
    return std::nullopt;
  Layout layout;
  layout.riff_end = std::min<int64_t>(st.st_size, 8 + static_cast<int64_t>(le32(head + 4)));
  bool info = false, samples = false;
  int64_t pos = 12;
  uint8_t list[12];
  while (pos + 12 <= layout.riff_end && read_at(fd, pos, list, 12)) {
    int64_t len = le32(list + 4);
    if (std::memcmp(list, "LIST", 4) != 0 || len < 4 || len > layout.riff_end - pos - 8) break;
    if (std::memcmp(list + 8, "INFO", 4) == 0) info = true;
    if (std::memcmp(list + 8, "sdta", 4) == 0) samples = true;
    if (std::memcmp(list + 8, "pdta", 4) == 0 && layout.pdta_at < 0) {
      if (!read_hydra(fd, pos + 12, pos + 8 + len, layout.hydra)) return std::nullopt;
      layout.pdta_at = pos;
      layout.pdta_end = std::min(layout.riff_end, pos + 8 + len + (len & 1));
    }
    pos += 8 + len + (len & 1);
  }
  if (!info || !samples || layout.pdta_at < 0) return std::nullopt;
  return layout;
}

// A zone as FluidSynth reads it: its generators up to the one that names its instrument (or
// sample) and ends it, a key range only as the very first of them, and the first zone naming
// none is the global one, the others of that kind being dropped.
struct Zone {
  size_t gen_begin = 0, gen_end = 0;
  size_t mod_begin = 0, mod_end = 0;
  int32_t target = -1;  // -1: none, a global zone
  std::bitset<128> keys;
};

std::bitset<128> key_range(uint8_t lo, uint8_t hi) {
  std::bitset<128> keys;
  for (int k = lo; k <= hi && k < 128; ++k) keys.set(static_cast<size_t>(k));
  return keys;
}

// The sides of the hydra: presets made of instruments, instruments made of samples.
struct Side {
  Table items, bags, mods, gens;
  size_t bag_field;
  uint16_t terminator;
};
constexpr Side kPresets{kPhdr, kPbag, kPmod, kPgen, kPresetBag, kInstrument};
constexpr Side kInstruments{kInst, kIbag, kImod, kIgen, kInstrumentBag, kSampleId};

// The zones of item `i`; false when the indices do not hold together.
bool zones_of(const Hydra& h, const Side& side, size_t i, std::vector<Zone>& zones) {
  zones.clear();
  size_t first = le16(h.record(side.items, i) + side.bag_field);
  size_t last = le16(h.record(side.items, i + 1) + side.bag_field);
  if (first > last || last + 1 > h.count(side.bags)) return false;
  for (size_t z = first; z < last; ++z) {
    const uint8_t* bag = h.record(side.bags, z);
    const uint8_t* next = h.record(side.bags, z + 1);
    Zone zone;
    zone.gen_begin = le16(bag);
    zone.mod_begin = le16(bag + 2);
    size_t gen_last = le16(next), mod_last = le16(next + 2);
    if (zone.gen_begin > gen_last || gen_last + 1 > h.count(side.gens) ||
        zone.mod_begin > mod_last || mod_last + 1 > h.count(side.mods))
      return false;
    zone.mod_end = mod_last;
    zone.gen_end = gen_last;
    zone.keys.set();
    for (size_t g = zone.gen_begin; g < gen_last; ++g) {
      const uint8_t* gen = h.record(side.gens, g);
      if (g == zone.gen_begin && le16(gen) == kKeyRange) zone.keys = key_range(gen[2], gen[3]);
      if (le16(gen) == side.terminator) {
        zone.target = le16(gen + 2);
        zone.gen_end = g + 1;
        break;
      }
    }
    zones.push_back(zone);
  }
  return true;
}

// Keys struck, by the index of the preset, instrument or sample they reach.
using KeysByItem = std::map<size_t, std::bitset<128>>;

// The presets the synthesizer picks for these instruments, as FluidSynth falls back.
KeysByItem presets_for(const Hydra& h, const std::vector<InstrumentUse>& uses) {
  KeysByItem found;
  size_t presets = h.count(kPhdr) - 1;
  for (const InstrumentUse& use : uses) {
    std::vector<std::pair<int32_t, int32_t>> tries;
    if (use.bank == kDrumBank)
      tries = {{kDrumBank, use.program}, {kDrumBank, 0}};
    else
      tries = {{use.bank, use.program}, {0, use.program}, {0, 0}};
    for (auto [bank, program] : tries) {
      bool hit = false;
      for (size_t i = 0; i < presets; ++i) {
        const uint8_t* p = h.record(kPhdr, i);
        if (le16(p + kPresetBank) != bank || le16(p + kPresetProgram) != program) continue;
        found[i] |= use.keys;
        hit = true;
      }
      if (hit) break;
    }
  }
  return found;
}

// The zones of each item that the keys can sound (and its global zone); what they reach on
// the side below is added to `below`. False when a zone names something that is not there.
bool keep_zones(const Hydra& h, const Side& side, const KeysByItem& keys, size_t below_count,
                std::map<size_t, std::vector<Zone>>& kept, KeysByItem& below) {
  std::vector<Zone> zones;
  for (const auto& [item, struck] : keys) {
    if (!zones_of(h, side, item, zones)) return false;
    std::vector<Zone>& out = kept[item];
    bool global = false;
    for (const Zone& zone : zones) {
      if (zone.target < 0) {
        if (!global) out.push_back(zone);
        global = true;
        continue;
      }
      std::bitset<128> hit = zone.keys & struck;
      if (hit.none()) continue;
      if (static_cast<size_t>(zone.target) >= below_count) return false;
      out.push_back(zone);
      below[static_cast<size_t>(zone.target)] |= hit;
    }
  }
  return true;
}

// New indices for the kept items, in their old order.
std::map<size_t, size_t> renumber(const KeysByItem& items) {
  std::map<size_t, size_t> index;
  for (const auto& entry : items) index.emplace(entry.first, index.size());
  return index;
}

struct Tables {
  std::array<std::vector<uint8_t>, kTableCount> out;
  void copy(const Hydra& h, Table t, size_t i) {
    const uint8_t* r = h.record(t, i);
    out[t].insert(out[t].end(), r, r + kFormat[t].record);
  }
  size_t count(Table t) const { return out[t].size() / kFormat[t].record; }
  uint8_t* last(Table t) { return out[t].data() + out[t].size() - kFormat[t].record; }
};

// Writes one side's kept items with their zones, the named items renumbered, and the closing
// records.
void write_side(const Hydra& h, const Side& side, const std::map<size_t, std::vector<Zone>>& kept,
                const std::map<size_t, size_t>& below, Tables& t) {
  auto bag = [&](size_t gen, size_t mod) {
    uint8_t b[4];
    put16(b, gen);
    put16(b + 2, mod);
    t.out[side.bags].insert(t.out[side.bags].end(), b, b + 4);
  };
  for (const auto& [item, zones] : kept) {
    t.copy(h, side.items, item);
    put16(t.last(side.items) + side.bag_field, t.count(side.bags));
    for (const Zone& zone : zones) {
      bag(t.count(side.gens), t.count(side.mods));
      for (size_t g = zone.gen_begin; g < zone.gen_end; ++g) t.copy(h, side.gens, g);
      if (zone.target >= 0)
        put16(t.last(side.gens) + 2, below.at(static_cast<size_t>(zone.target)));
      for (size_t m = zone.mod_begin; m < zone.mod_end; ++m) t.copy(h, side.mods, m);
    }
  }
  t.copy(h, side.items, h.count(side.items) - 1);
  put16(t.last(side.items) + side.bag_field, t.count(side.bags));
  bag(t.count(side.gens), t.count(side.mods));
  t.copy(h, side.gens, h.count(side.gens) - 1);
  t.copy(h, side.mods, h.count(side.mods) - 1);
}

int64_t sample_length(const Hydra& h, size_t s) {
  const uint8_t* r = h.record(kShdr, s);
  uint32_t start = le32(r + kSampleStart), end = le32(r + kSampleEnd);
  return end > start ? 2 * static_cast<int64_t>(end - start) : 0;
}

}  // namespace

std::shared_ptr<const SoundfontSubset> SoundfontSubset::cut(
    const std::string& path, const std::vector<InstrumentUse>& uses) {
  std::shared_ptr<SoundfontSubset> subset(new SoundfontSubset);
  subset->fd_ = open_regular_file(path, kLargestSoundfont);
  if (subset->fd_ < 0) return nullptr;
  std::optional<Layout> layout = read_layout(subset->fd_);
  if (!layout) return nullptr;
  const Hydra& h = layout->hydra;

  KeysByItem preset_keys = presets_for(h, uses), instrument_keys, sample_keys;
  std::map<size_t, std::vector<Zone>> presets, instruments;
  if (preset_keys.empty() ||
      !keep_zones(h, kPresets, preset_keys, h.count(kInst) - 1, presets, instrument_keys) ||
      !keep_zones(h, kInstruments, instrument_keys, h.count(kShdr) - 1, instruments, sample_keys))
    return nullptr;
  std::map<size_t, size_t> instrument_index = renumber(instrument_keys);
  std::map<size_t, size_t> sample_index = renumber(sample_keys);

  Tables t;
  write_side(h, kPresets, presets, instrument_index, t);
  write_side(h, kInstruments, instruments, sample_index, t);
  for (const auto& [sample, index] : sample_index) {
    t.copy(h, kShdr, sample);
    auto link = sample_index.find(le16(t.last(kShdr) + kSampleLink));
    put16(t.last(kShdr) + kSampleLink, link == sample_index.end() ? 0 : link->second);
    subset->sample_bytes_ += sample_length(h, sample);
  }
  t.copy(h, kShdr, h.count(kShdr) - 1);
  for (size_t s = 0; s + 1 < h.count(kShdr); ++s) subset->all_sample_bytes_ += sample_length(h, s);
  for (const auto& entry : presets) {
    const uint8_t* p = h.record(kPhdr, entry.first);
    std::pair<int32_t, int32_t> id{le16(p + kPresetBank), le16(p + kPresetProgram)};
    if (std::find(subset->presets_.begin(), subset->presets_.end(), id) == subset->presets_.end())
      subset->presets_.push_back(id);
  }

  // The new file: the RIFF head, everything up to the old hydra as it is, the new hydra, and
  // whatever followed the old one.
  std::vector<uint8_t>& m = subset->memory_;
  m.resize(12 + 12);
  std::memcpy(m.data(), "RIFF\0\0\0\0sfbkLIST\0\0\0\0pdta", 24);
  for (int i = 0; i < kTableCount; ++i) {
    uint8_t head[8];
    std::memcpy(head, kFormat[i].id, 4);
    put32(head + 4, t.out[i].size());
    m.insert(m.end(), head, head + 8);
    m.insert(m.end(), t.out[i].begin(), t.out[i].end());
  }
  int64_t hydra_size = static_cast<int64_t>(m.size()) - 12;
  put32(m.data() + 16, static_cast<uint64_t>(hydra_size - 8));
  int64_t at = 0;
  auto piece = [&](int64_t size, int64_t source, size_t kept) {
    if (size > 0) subset->pieces_.push_back({at, size, source, kept});
    at += size;
  };
  piece(12, -1, 0);
  piece(layout->pdta_at - 12, 12, 0);
  piece(hydra_size, -1, 12);
  piece(layout->riff_end - layout->pdta_end, layout->pdta_end, 0);
  subset->size_ = at;
  put32(m.data() + 4, static_cast<uint64_t>(at - 8));
  return subset;
}

SoundfontSubset::~SoundfontSubset() {
  if (fd_ >= 0) close(fd_);
}

bool SoundfontSubset::read(int64_t at, void* out, int64_t n) const {
  if (at < 0 || n < 0 || at + n > size_) return false;
  auto* to = static_cast<uint8_t*>(out);
  for (const Piece& p : pieces_) {
    if (n == 0) break;
    if (at >= p.at + p.size) continue;
    int64_t offset = at - p.at, len = std::min(n, p.size - offset);
    if (p.source < 0) {
      std::memcpy(to, memory_.data() + p.kept + static_cast<size_t>(offset),
                  static_cast<size_t>(len));
    } else if (!read_at(fd_, p.source + offset, to, len)) {
      return false;
    }
    to += len;
    at += len;
    n -= len;
  }
  return n == 0;
}

}  // namespace qv
