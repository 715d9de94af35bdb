#include "web/best_runs.hpp"

#include <emscripten.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "game/verify.hpp"
#include "system/printable.hpp"

// The page's side is web/page.js: the stored runs as they were read when the page opened, and
// the table to store and list.
// clang-format off
EM_JS(int, qv_js_stored_count, (), { return quelvarisStoredRuns().length; });
EM_JS(int, qv_js_stored_size, (int i, int field), {
  return lengthBytesUTF8(quelvarisStoredField(i, field)) + 1;
});
EM_JS(void, qv_js_stored_copy, (int i, int field, char* out, int size), {
  stringToUTF8(quelvarisStoredField(i, field), out, size);
});
EM_JS(void, qv_js_store_begin, (), { quelvarisStoreBegin(); });
EM_JS(void, qv_js_store_run, (const char* name, const char* date, const char* line,
                              const char* recording), {
  quelvarisStoreRun(UTF8ToString(name), UTF8ToString(date), UTF8ToString(line),
                    UTF8ToString(recording));
});
EM_JS(void, qv_js_store_end, (), { quelvarisStoreEnd(); });
// clang-format on

namespace qv {
namespace {

enum StoredField { kRecording = 0, kDate = 1, kName = 2 };

std::string stored(int index, StoredField field) {
  int size = qv_js_stored_size(index, field);
  std::vector<char> text(static_cast<size_t>(size));
  qv_js_stored_copy(index, field, text.data(), size);
  return std::string(text.data());
}

std::string now_text(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

}  // namespace

void WebBestRuns::verify_next() {
  if (stored_count_ < 0) stored_count_ = qv_js_stored_count();
  if (next_stored_ >= stored_count_) return;
  verify_stored(next_stored_++);
  if (next_stored_ == stored_count_) store();  // what verified, listed on the page
}

void WebBestRuns::verify_stored(int index) {
  std::string name = stored(index, kName), text = stored(index, kRecording), why;
  std::optional<ScoreEntry> e = proven_entry(verify_text(text), why);
  if (!e) {
    std::fprintf(stderr, "quelvaris: the stored run %s is left out of the table of best runs: %s\n",
                 printable(name).c_str(), printable(why).c_str());
    return;
  }
  // What the storage holds is shown on the page: the name and the date as plain text.
  e->recording = printable(name);
  e->date = printable(stored(index, kDate));
  table_.offer(*e, std::move(text));
}

void WebBestRuns::after_step(const Game& game, const Recorder& recorder, uint64_t now_us) {
  overlay_.after_step(game, now_us);
  const CreditNews& news = recorder.news();
  if (!news.ended || !recorder.game_start()) return;
  if (stored_count_ < 0) stored_count_ = qv_js_stored_count();
  while (next_stored_ < stored_count_) verify_stored(next_stored_++);  // all, before storing
  ScoreEntry e;
  e.start = *recorder.game_start();
  e.score = news.score;
  e.how = *news.ended;
  e.stage_count = news.stage_count;
  e.date = now_text("%Y-%m-%d %H:%M:%S");
  e.recording = now_text("%Y-%m-%d_%H-%M-%S");
  std::optional<int> place = table_.offer(e, recorder.text());
  if (!place) return;
  store();
  overlay_.show_rank(e.start, *place, now_us);
}

void WebBestRuns::toggle(const Game& game) {
  overlay_.toggle(game, table_.table());
}

void WebBestRuns::store() const {
  qv_js_store_begin();
  for (int which = 0; which < 2; ++which) {
    const std::vector<ScoreEntry>& list = table_.table().list(which);
    for (size_t i = 0; i < list.size(); ++i) {
      const ScoreEntry& e = list[i];
      std::string line = (which ? "Ten ships: " : "Two ships: ") + std::to_string(i + 1) + ". " +
                         std::to_string(e.score) + " (" + credit_end_name(e.how) + ", frame " +
                         std::to_string(e.stage_count) + "), " + e.date.substr(0, 16);
      qv_js_store_run(e.recording.c_str(), e.date.c_str(), line.c_str(),
                      table_.recording_of(e.recording).c_str());
    }
  }
  qv_js_store_end();
}

}  // namespace qv
