// Reads our tune notation. A tune file is a list of voices, named parts and the order in which
// the parts play:
//
//   title Empty sky
//   tempo 80                 quarter notes a minute
//   meter 4                  quarter notes a bar (what the bar lines | check)
//   voice flute channel=3 program=74 volume=95 pan=70 reverb=70 chorus=10 gate=92
//   part A
//   flute: f+5/4. e5/8 d5/2 | e5/4 c+5 a4/2 |
//   part A2 from A           starts as a copy of A; a voice given lines here is written anew
//   song intro A B A+2 outro     a part may be played transposed by semitones
//
// In a voice line:
//   c4 .. b4         a note: letter, sharps (+) or flats (-), octave (c4 is middle C)
//   bd sn hh ...     a drum by name (see kDrums)
//   /4 /8. /12       the length as a fraction of a whole note, dots lengthen; it carries on
//                    to the following notes until another length is given
//   [c4 e4 g4]/2     notes struck together
//   r/4              a rest
//   ~ ^ '            after a note: tied into the next note of the same pitch, accented,
//                    short (half its length)
//   !pp .. !ff       loudness from here on
//   (...)x4          the bracketed notes four times
//   T120             the tempo changes here
//   @49              the instrument changes here
//   |                a bar line: it must fall on a bar
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <sstream>

#include "tools/tunegen/score.hpp"

namespace tunegen {
namespace {

struct Drum {
  const char* name;
  int key;
};
constexpr Drum kDrums[] = {
    {"bk", 35}, {"bd", 36}, {"sk", 37}, {"sn", 38}, {"cp", 39},  {"se", 40},  {"ft", 41},
    {"hh", 42}, {"fh", 43}, {"ph", 44}, {"lt", 45}, {"oh", 46},  {"mt", 47},  {"hm", 48},
    {"cr", 49}, {"ht", 50}, {"rd", 51}, {"ch", 52}, {"rb", 53},  {"tb", 54},  {"sp", 55},
    {"cb", 56}, {"cx", 57}, {"cs", 69}, {"mr", 70}, {"mtr", 80}, {"tri", 81},
};

struct Dynamic {
  const char* name;
  int velocity;
};
constexpr Dynamic kDynamics[] = {{"ppp", 30}, {"pp", 42}, {"p", 56},   {"mp", 70},
                                 {"mf", 84},  {"f", 98},  {"ff", 112}, {"fff", 124}};

constexpr int kDrumChannel = 9;

// One voice's notes in one part, positions from the part's start.
struct PartVoice {
  std::vector<Note> notes;
  std::vector<int64_t> written_end;  // where each note ends as written, for ties
  std::vector<ProgramChange> programs;
  std::map<int, size_t> ties;  // key -> note waiting for its continuation
  int64_t length = 0;
  int64_t duration = kTicksPerQuarter;
  int velocity = 0;
  bool used = false;
  bool inherited = false;  // copied from another part, until the part gives it lines
};

struct Part {
  std::string name;
  int line = 0;
  std::vector<PartVoice> voices;
  std::vector<Tempo> tempos;
};

class Parser {
 public:
  Parser(const std::string& file) : file_(file) {}
  Score run(const std::string& text);

 private:
  [[noreturn]] void fail(const std::string& message) const {
    throw NotationError(file_ + ":" + std::to_string(line_) + ": " + message);
  }
  void header_line(const std::string& keyword, std::istringstream& rest);
  void voice_line(const std::string& name, const std::string& notes);
  void add_voice(std::istringstream& rest);
  void add_part(std::istringstream& rest);
  int number(const std::string& text, int low, int high, const char* what) const;
  void assemble(const std::vector<std::pair<std::string, int>>& order);

  // Within one voice line.
  void sequence(char closing);
  void chord();
  void note_or_rest();
  void group();
  int read_int();
  std::string read_word();
  int pitch(const std::string& word);
  void length();
  void strike(const std::vector<int>& keys);
  void check_ties();
  void skip_blanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }

  std::string file_;
  int line_ = 0;
  Score score_;
  int tempo_ = 120;
  std::vector<Part> parts_;
  std::vector<std::pair<std::string, int>> order_;

  std::string text_;  // the voice line being read
  size_t pos_ = 0;
  PartVoice* pv_ = nullptr;
  const Voice* voice_ = nullptr;
  Part* part_ = nullptr;
};

int Parser::number(const std::string& text, int low, int high, const char* what) const {
  bool digits = !text.empty() && text.size() < 7;
  for (char c : text) digits = digits && std::isdigit(static_cast<unsigned char>(c));
  if (!digits) fail(std::string("expected a number for ") + what + ", found '" + text + "'");
  int v = std::stoi(text);
  if (v < low || v > high)
    fail(std::string(what) + " must lie in " + std::to_string(low) + ".." + std::to_string(high));
  return v;
}

void Parser::add_voice(std::istringstream& rest) {
  Voice v;
  if (!(rest >> v.name)) fail("a voice needs a name");
  for (const Track& t : score_.tracks)
    if (t.voice.name == v.name) fail("voice '" + v.name + "' is defined twice");
  std::string setting;
  bool have_channel = false;
  while (rest >> setting) {
    size_t eq = setting.find('=');
    if (eq == std::string::npos) fail("expected key=value, found '" + setting + "'");
    std::string key = setting.substr(0, eq), value = setting.substr(eq + 1);
    if (key == "channel") {
      v.channel = number(value, 1, 16, "channel") - 1;
      have_channel = true;
    } else if (key == "program") {
      v.program = number(value, 1, 128, "program") - 1;
    } else if (key == "volume") {
      v.volume = number(value, 0, 127, "volume");
    } else if (key == "pan") {
      v.pan = number(value, 0, 127, "pan");
    } else if (key == "reverb") {
      v.reverb = number(value, 0, 127, "reverb");
    } else if (key == "chorus") {
      v.chorus = number(value, 0, 127, "chorus");
    } else if (key == "gate") {
      v.gate = number(value, 1, 100, "gate");
    } else if (key == "velocity") {
      v.velocity = number(value, 1, 127, "velocity");
    } else {
      fail("unknown voice setting '" + key + "'");
    }
  }
  if (!have_channel) fail("voice '" + v.name + "' needs a channel");
  Track t;
  t.voice = v;
  score_.tracks.push_back(t);
}

void Parser::add_part(std::istringstream& rest) {
  std::string name, from, source;
  if (!(rest >> name)) fail("a part needs a name");
  for (const Part& q : parts_)
    if (q.name == name) fail("part '" + name + "' is defined twice");
  Part p;
  if (rest >> from) {
    if (from != "from" || !(rest >> source)) fail("expected 'part NAME from PART'");
    const Part* base = nullptr;
    for (const Part& q : parts_)
      if (q.name == source) base = &q;
    if (!base) fail("no part '" + source + "' to start from");
    p = *base;
    for (PartVoice& pv : p.voices) pv.inherited = pv.used;
  } else {
    p.voices.resize(score_.tracks.size());
    for (size_t i = 0; i < p.voices.size(); ++i)
      p.voices[i].velocity = score_.tracks[i].voice.velocity;
  }
  p.name = name;
  p.line = line_;
  parts_.push_back(std::move(p));
}

void Parser::header_line(const std::string& keyword, std::istringstream& rest) {
  if (keyword == "title") {
    std::getline(rest >> std::ws, score_.title);
  } else if (keyword == "tempo") {
    std::string v;
    rest >> v;
    tempo_ = number(v, 20, 400, "tempo");
  } else if (keyword == "meter") {
    std::string v;
    rest >> v;
    score_.meter_beats = number(v, 1, 16, "meter");
  } else if (keyword == "voice") {
    if (!parts_.empty()) fail("voices come before the parts");
    add_voice(rest);
  } else if (keyword == "part") {
    add_part(rest);
  } else if (keyword == "song") {
    std::string entry;
    while (rest >> entry) {
      size_t sign = entry.find_first_of("+-");
      int shift = 0;
      if (sign != std::string::npos) {
        int amount = number(entry.substr(sign + 1), 0, 24, "transposition");
        shift = entry[sign] == '-' ? -amount : amount;
      }
      order_.emplace_back(entry.substr(0, sign), shift);
    }
  } else {
    fail("unknown line '" + keyword + "'");
  }
}

Score Parser::run(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    ++line_;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    if (first.back() == ':') {
      std::string notes;
      std::getline(words, notes);
      voice_line(first.substr(0, first.size() - 1), notes);
    } else {
      header_line(first, words);
    }
  }
  if (order_.empty()) fail("no song line: nothing to play");
  score_.tempos.push_back({0, tempo_});
  assemble(order_);
  return score_;
}

void Parser::voice_line(const std::string& name, const std::string& notes) {
  if (parts_.empty()) fail("notes outside a part");
  part_ = &parts_.back();
  size_t index = score_.tracks.size();
  for (size_t i = 0; i < score_.tracks.size(); ++i)
    if (score_.tracks[i].voice.name == name) index = i;
  if (index == score_.tracks.size()) fail("no voice named '" + name + "'");
  pv_ = &part_->voices[index];
  voice_ = &score_.tracks[index].voice;
  if (pv_->inherited) {  // this part writes the voice anew
    *pv_ = PartVoice{};
    pv_->velocity = voice_->velocity;
  }
  pv_->used = true;
  text_ = notes;
  pos_ = 0;
  sequence('\0');
}

void Parser::sequence(char closing) {
  for (;;) {
    skip_blanks();
    if (pos_ >= text_.size()) {
      if (closing) fail(std::string("missing '") + closing + "'");
      return;
    }
    char c = text_[pos_];
    if (c == closing) return;
    if (c == '|') {
      ++pos_;
      int64_t bar = score_.meter_beats * kTicksPerQuarter;
      if (pv_->length % bar != 0) {
        fail("bar line " + std::to_string(pv_->length % bar) + " ticks into a bar (" +
             std::to_string(pv_->length / bar) + " bars in)");
      }
    } else if (c == '!') {
      ++pos_;
      std::string word = read_word();
      bool known = false;
      for (const Dynamic& d : kDynamics) {
        if (word == d.name) {
          pv_->velocity = d.velocity;
          known = true;
        }
      }
      if (!known) fail("unknown loudness '!" + word + "'");
    } else if (c == 'T') {
      ++pos_;
      int bpm = read_int();
      if (bpm < 20 || bpm > 400) fail("tempo must lie in 20..400");
      part_->tempos.push_back({pv_->length, bpm});
    } else if (c == '@') {
      ++pos_;
      int program = read_int();
      if (program < 1 || program > 128) fail("program must lie in 1..128");
      pv_->programs.push_back({pv_->length, program - 1});
    } else if (c == '(') {
      group();
    } else if (c == '[') {
      chord();
    } else if (std::islower(static_cast<unsigned char>(c))) {
      note_or_rest();
    } else {
      fail(std::string("unexpected '") + c + "'");
    }
  }
}

void Parser::group() {
  size_t start = ++pos_;
  int depth = 1;
  size_t end = start;
  while (end < text_.size() && depth > 0) {
    if (text_[end] == '(') ++depth;
    if (text_[end] == ')') --depth;
    ++end;
  }
  if (depth) fail("missing ')'");
  pos_ = end;
  if (pos_ >= text_.size() || text_[pos_] != 'x') fail("a group needs a count: (...)x2");
  ++pos_;
  int times = read_int();
  if (times < 1 || times > 64) fail("a group repeats 1..64 times");
  size_t after = pos_;
  for (int i = 0; i < times; ++i) {
    pos_ = start;
    sequence(')');
  }
  pos_ = after;
}

int Parser::read_int() {
  size_t start = pos_;
  while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])) &&
         pos_ - start < 6)
    ++pos_;
  if (pos_ == start) fail("expected a number");
  return std::stoi(text_.substr(start, pos_ - start));
}

std::string Parser::read_word() {
  size_t start = pos_;
  while (pos_ < text_.size() && std::islower(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  return text_.substr(start, pos_ - start);
}

int Parser::pitch(const std::string& word) {
  static constexpr int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
  if (word.size() == 1 && word[0] >= 'a' && word[0] <= 'g') {
    int key = kSemitone[word[0] - 'a'];
    while (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-'))
      key += text_[pos_++] == '+' ? 1 : -1;
    if (pos_ >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[pos_])))
      fail("note '" + word + "' needs an octave");
    key += 12 * (text_[pos_++] - '0' + 1);
    if (key < 0 || key > 127) fail("note out of range");
    return key;
  }
  for (const Drum& d : kDrums)
    if (word == d.name) return d.key;
  fail("unknown note or drum '" + word + "'");
}

void Parser::length() {
  if (pos_ >= text_.size() || text_[pos_] != '/') return;  // the length carries on
  ++pos_;
  int divisor = read_int();
  if (divisor < 1 || kTicksPerWhole % divisor != 0)
    fail("no such length: /" + std::to_string(divisor));
  int64_t part = kTicksPerWhole / divisor;
  int64_t total = part;
  while (pos_ < text_.size() && text_[pos_] == '.') {
    ++pos_;
    if (part % 2) fail("too many dots");
    part /= 2;
    total += part;
  }
  pv_->duration = total;
}

void Parser::note_or_rest() {
  std::string word = read_word();
  if (word == "r") {
    length();
    pv_->length += pv_->duration;
    check_ties();
    return;
  }
  std::vector<int> keys{pitch(word)};
  strike(keys);
}

void Parser::chord() {
  ++pos_;
  std::vector<int> keys;
  for (;;) {
    skip_blanks();
    if (pos_ >= text_.size()) fail("missing ']'");
    if (text_[pos_] == ']') break;
    keys.push_back(pitch(read_word()));
  }
  ++pos_;
  if (keys.empty()) fail("an empty chord");
  strike(keys);
}

// Sounds the keys for the current length, with the marks that follow them.
void Parser::strike(const std::vector<int>& keys) {
  length();
  bool tie = false, accent = false, staccato = false;
  while (pos_ < text_.size() && std::strchr("~^'", text_[pos_])) {
    char m = text_[pos_++];
    tie |= m == '~';
    accent |= m == '^';
    staccato |= m == '\'';
  }
  int64_t start = pv_->length, dur = pv_->duration;
  int gate = staccato ? 50 : voice_->gate;
  int64_t sounding = std::max<int64_t>(1, dur * gate / 100);
  int velocity = std::min(127, pv_->velocity + (accent ? 20 : 0));
  for (int key : keys) {
    auto tied = pv_->ties.find(key);
    if (tied != pv_->ties.end()) {  // the held note goes on
      Note& n = pv_->notes[tied->second];
      n.off = start + (tie ? dur : sounding);
      pv_->written_end[tied->second] = start + dur;
      if (!tie) pv_->ties.erase(tied);
      continue;
    }
    pv_->notes.push_back({start, start + (tie ? dur : sounding), key, velocity});
    pv_->written_end.push_back(start + dur);
    if (tie) pv_->ties[key] = pv_->notes.size() - 1;
  }
  pv_->length += dur;
  check_ties();
}

void Parser::check_ties() {
  for (const auto& [key, index] : pv_->ties) {
    if (pv_->written_end[index] < pv_->length)
      fail("a tie that no note of the same pitch continues");
  }
}

void Parser::assemble(const std::vector<std::pair<std::string, int>>& order) {
  int64_t at = 0;
  for (const auto& [name, shift] : order) {
    const Part* part = nullptr;
    for (const Part& p : parts_)
      if (p.name == name) part = &p;
    if (!part) fail("the song names no part '" + name + "'");
    line_ = part->line;
    int64_t length = 0;
    for (const PartVoice& pv : part->voices) length = std::max(length, pv.length);
    int64_t bar = score_.meter_beats * kTicksPerQuarter;
    if (length == 0 || length % bar != 0) fail("part '" + name + "' is not made of whole bars");
    for (size_t i = 0; i < part->voices.size(); ++i) {
      const PartVoice& pv = part->voices[i];
      Track& track = score_.tracks[i];
      if (!pv.used) continue;
      if (pv.length != length)
        fail("in part '" + name + "', voice '" + track.voice.name + "' lasts " +
             std::to_string(pv.length) + " ticks, the part " + std::to_string(length));
      if (!pv.ties.empty()) fail("a tie runs off the end of part '" + name + "'");
      int t = track.voice.channel == kDrumChannel ? 0 : shift;
      for (const Note& n : pv.notes) {
        if (n.key + t < 0 || n.key + t > 127) fail("transposed out of range");
        track.notes.push_back({n.on + at, n.off + at, n.key + t, n.velocity});
      }
      for (const ProgramChange& p : pv.programs) track.programs.push_back({p.tick + at, p.program});
    }
    for (const Tempo& tempo : part->tempos) score_.tempos.push_back({tempo.tick + at, tempo.bpm});
    at += length;
  }
  score_.end = at;
}

}  // namespace

Score parse_tune(const std::string& text, const std::string& file_name) {
  return Parser(file_name).run(text);
}

}  // namespace tunegen
