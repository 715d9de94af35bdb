#include "desktop/board_commands.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "desktop/board_account.hpp"
#include "desktop/folders.hpp"
#include "desktop/replay_folder.hpp"
#include "desktop/score_folder.hpp"
#include "desktop/settings.hpp"
#include "game/verify.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace qv {
namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr auto kVerdictWait = std::chrono::seconds(15);
constexpr int kRequestMs = 15000;
constexpr size_t kLongestToken = 256;

json parsed(const std::string& body) {
  json j = json::parse(body, nullptr, false);
  return j.is_object() ? j : json::object();
}
std::string text_of(const json& j, const char* key) {
  auto i = j.find(key);
  return i != j.end() && i->is_string() ? i->get<std::string>() : std::string();
}
std::optional<int64_t> number_of(const json& j, const char* key) {
  auto i = j.find(key);
  if (i == j.end() || !i->is_number_integer()) return std::nullopt;
  return i->get<int64_t>();
}

// "refused (429 too many submissions; try again later): try again in 60 s": the board's own
// word for it, and when to try again.
std::string refusal(const HttpResponse& r) {
  std::string what = text_of(parsed(r.body), "error");
  std::string line = "refused (" + std::to_string(r.status) + " " +
                     (what.empty() ? "from the board" : printable(what)) + ")";
  if (!r.retry_after.empty()) return line + ": try again in " + printable(r.retry_after) + " s";
  if (r.status == 401) return line + ": register a name again (--register NAME)";
  return line;
}

std::string unreachable(const std::string& url, const HttpResponse& r) {
  return "the board at " + printable(url) + " cannot be reached (" + printable(r.error) + ")";
}

// The board's token, said back to it as given: hex from our board, nothing that could end a
// header line or a line of board.ini.
bool good_token(const std::string& token) {
  return !token.empty() && token.size() <= kLongestToken &&
         std::all_of(token.begin(), token.end(), [](unsigned char c) {
           return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '+' ||
                  c == '/' || c == '=';
         });
}
bool one_line(const std::string& text) {
  return !text.empty() && std::none_of(text.begin(), text.end(),
                                       [](unsigned char c) { return c < ' ' || c == 0x7f; });
}

enum class Result { verified, waiting, refused };  // exit 0, 1 and 2

struct Sent {
  Result result = Result::refused;
  std::optional<SentRun> run;  // what the board now has of it
  bool go_on = true;           // false: the next would fare no better (no board, no token)
};

class Board {
 public:
  Board(HttpClient& http, std::string url) : http_(http), url_(std::move(url)) {}
  const std::string& url() const { return url_; }

  HttpResponse post(const std::string& path, std::string body,
                    std::vector<std::pair<std::string, std::string>> headers) {
    return http_.send({"POST", url_ + path, std::move(headers), std::move(body), kRequestMs});
  }
  HttpResponse get(const std::string& path, int timeout_ms) {
    return http_.send({"GET", url_ + path, {}, {}, timeout_ms});
  }

  // A recording sent, its verdict waited for, its line printed.
  Sent submit(const std::string& label, const std::string& token, const std::string& bytes) {
    HttpResponse r =
        post("/api/runs", bytes,
             {{"Authorization", "Bearer " + token}, {"Content-Type", "text/plain; charset=utf-8"}});
    if (!r.reached)
      return say(label, "not sent: " + unreachable(url_, r)),
             Sent{Result::refused, std::nullopt, false};
    json answer = parsed(r.body);
    if (r.status == 202 && number_of(answer, "id")) return verdict(label, *number_of(answer, "id"));
    if (r.status == 400 || r.status == 409) {
      say(label, "rejected: " + printable(text_of(answer, "error")));
      // A game the board had already stays had: it is never sent again.
      return {Result::waiting, r.status == 409 ? std::optional(SentRun{}) : std::nullopt};
    }
    say(label, refusal(r));
    return {Result::refused, std::nullopt, r.status != 401 && r.status != 429 && r.status < 500};
  }

  // The run as the board has it now; nothing when it cannot tell.
  std::optional<json> run(int64_t id, int timeout_ms) {
    HttpResponse r = get("/api/runs/" + std::to_string(id), timeout_ms);
    if (!r.reached || r.status != 200) return std::nullopt;
    return parsed(r.body);
  }

 private:
  static void say(const std::string& label, const std::string& line) {
    std::printf("%s: %s\n", label.c_str(), line.c_str());
    std::fflush(stdout);
  }

  Sent verdict(const std::string& label, int64_t id) {
    const std::string run_n = "run " + std::to_string(id);
    Clock::time_point end = Clock::now() + kVerdictWait;
    auto pause = std::chrono::milliseconds(100);
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
      if (left.count() <= 0) break;
      std::optional<json> j = run(id, static_cast<int>(std::max<int64_t>(left.count(), 100)));
      std::string status = j ? text_of(*j, "status") : "";
      if (status == "verified") {
        std::optional<int64_t> rank = number_of(*j, "rank");
        std::string board = text_of(*j, "start") == "ten" ? "ten-ship" : "two-ship";
        say(label, run_n + " verified, " + std::to_string(number_of(*j, "score").value_or(0)) +
                       (rank ? ", rank " + std::to_string(*rank) + " on the "
                             : ", below your best on the ") +
                       board + " board");
        return {Result::verified, SentRun{id, rank}};
      }
      if (status == "rejected") {
        say(label, "rejected: " + printable(text_of(*j, "reason")));
        return {Result::waiting, SentRun{id, {}}};
      }
      std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(pause, left));
      pause = std::min(pause * 2, std::chrono::milliseconds(1000));
    }
    say(label, run_n + " pending");
    return {Result::waiting, SentRun{id, {}}};
  }

  HttpClient& http_;
  std::string url_;
};

// The account for the board asked for: the address given, or the one the token came from.
// Nothing (said on stderr) when there is none, or when the token kept is another board's.
std::optional<BoardAccount> account_for(const BoardPlaces& places, std::string& url) {
  std::string why;
  std::optional<BoardAccount> account =
      places.account.empty() ? std::nullopt : load_board_account(places.account, why);
  if (!why.empty()) std::fprintf(stderr, "quelvaris: %s\n", printable(why).c_str());
  if (!places.url.empty()) {
    std::optional<std::string> given = board_url(places.url, why);
    if (!given) {
      std::fprintf(stderr, "quelvaris: %s: %s\n", printable(places.url).c_str(), why.c_str());
      return std::nullopt;
    }
    url = *given;
  } else if (account) {
    url = account->url;
  }
  if (!account || account->url != url) {
    std::string at = url.empty() ? "a board" : printable(url);
    std::fprintf(stderr,
                 "quelvaris: no name registered at %s: quelvaris --board URL --register NAME\n",
                 at.c_str());
    return std::nullopt;
  }
  return account;
}

void keep(const BoardPlaces& places, const BoardAccount& account, Result& worst) {
  std::string why;
  if (save_board_account(places.account, account, why)) return;
  std::fprintf(stderr, "quelvaris: %s\n", printable(why).c_str());
  worst = std::max(worst, Result::waiting);
}

// A name of the table that a line of board.ini can hold.
bool keepable(const std::string& name) {
  return one_line(name) && name.find('=') == std::string::npos && name[0] != '[' && name[0] != ';';
}

int submit_best(Board& board, const BoardPlaces& places, BoardAccount& account) {
  if (places.scores.empty()) {
    std::fprintf(stderr, "quelvaris: there is no folder for the table of best runs (no home)\n");
    return 2;
  }
  ScoreFolder scores(places.scores, places.data_folder);
  for (const std::string& warning : scores.load())
    std::fprintf(stderr, "quelvaris: %s\n", printable(warning).c_str());
  std::vector<std::string> names;
  for (int which = 0; which < 2; ++which)
    for (const ScoreEntry& e : scores.table().list(which)) names.push_back(e.recording);
  // What the table no longer holds the board keeps, but board.ini need not.
  std::erase_if(account.sent, [&](const auto& s) {
    return std::find(names.begin(), names.end(), s.first) == names.end();
  });
  Result worst = Result::verified;
  std::vector<std::string> had;
  int sent = 0;
  for (const std::string& name : names) {
    if (account.sent.count(name)) {
      had.push_back(name);
      continue;
    }
    if (!keepable(name)) continue;
    std::string path = utf8_from_path(path_from_utf8(places.scores) / path_from_utf8(name));
    std::string bytes;
    FileRead read = read_regular_file(path, kLargestVerifiedRecording, bytes);
    if (!read.ok()) {
      std::printf("%s: not sent: %s\n", printable(path).c_str(),
                  read.why(kLargestVerifiedRecording).c_str());
      worst = Result::refused;
      continue;
    }
    Sent s = board.submit(printable(path), account.token, bytes);
    ++sent;
    worst = std::max(worst, s.result);
    if (s.run) {
      account.sent[name] = *s.run;
      keep(places, account, worst);
    }
    if (!s.go_on) return 2;
  }
  // The ranks of the runs sent before, as the board has them now, for the table in the window.
  for (const std::string& name : had) {
    SentRun& run = account.sent[name];
    if (!run.id) continue;
    std::optional<json> j = board.run(run.id, kRequestMs);
    if (j) run.rank = number_of(*j, "rank");
  }
  keep(places, account, worst);
  if (!sent)
    std::printf("The board at %s has had every run of the table.\n",
                printable(board.url()).c_str());
  return static_cast<int>(worst);
}

}  // namespace

int register_command(HttpClient& http, const BoardPlaces& places, const std::string& name) {
  std::string why;
  std::optional<std::string> url = board_url(places.url, why);
  if (places.url.empty())
    why = "--register needs a board: --board URL, or [board] url in the settings";
  if (!url) return std::fprintf(stderr, "quelvaris: %s\n", why.c_str()), 2;
  if (places.account.empty())
    return std::fprintf(stderr, "quelvaris: there is no folder to keep a token in (no home)\n"), 1;
  Board board(http, *url);
  json request = {{"name", name}};
  HttpResponse r =
      board.post("/api/players", request.dump(-1, ' ', false, json::error_handler_t::replace),
                 {{"Content-Type", "application/json"}});
  if (!r.reached) return std::fprintf(stderr, "quelvaris: %s\n", unreachable(*url, r).c_str()), 2;
  if (r.status != 201) {
    std::fprintf(stderr, "quelvaris: %s: %s\n", printable(name).c_str(), refusal(r).c_str());
    return 2;
  }
  json answer = parsed(r.body);
  BoardAccount account{*url, text_of(answer, "name"), text_of(answer, "token"), {}};
  if (!good_token(account.token) || !one_line(account.name)) {
    std::fprintf(stderr, "quelvaris: the board at %s gave no token\n", printable(*url).c_str());
    return 2;
  }
  if (!save_board_account(places.account, account, why)) {
    std::fprintf(stderr, "quelvaris: %s; the name is registered, but its token is lost\n",
                 printable(why).c_str());
    return 1;
  }
  std::printf("Registered as %s at %s; the token is kept in %s\n", printable(account.name).c_str(),
              printable(*url).c_str(), printable(places.account).c_str());
  return 0;
}

int submit_command(HttpClient& http, const BoardPlaces& places,
                   const std::vector<std::string>& files, bool best) {
  std::string url;
  std::optional<BoardAccount> account = account_for(places, url);
  if (!account) return 2;
  Board board(http, url);
  if (best) return submit_best(board, places, *account);
  Result worst = Result::verified;
  for (const std::string& file : files) {
    std::string bytes;
    FileRead read = read_regular_file(file, kLargestVerifiedRecording, bytes);
    if (!read.ok()) {
      std::printf("%s: not sent: %s\n", printable(file).c_str(),
                  read.why(kLargestVerifiedRecording).c_str());
      worst = Result::refused;
      continue;
    }
    Sent s = board.submit(printable(file), account->token, bytes);
    worst = std::max(worst, s.result);
    if (!s.go_on) return 2;
  }
  return static_cast<int>(worst);
}

int board_command(const Options& options, const std::string& data_folder) {
  BoardPlaces places;
  places.url =
      options.board.empty() ? load_settings(settings_path()).settings.board_url : options.board;
  places.account = utf8_from_path(board_account_place());
  if (options.best) places.scores = scores_folder();
  places.data_folder = data_folder;
  std::unique_ptr<HttpClient> http = make_http_client();
  if (options.register_name) return register_command(*http, places, *options.register_name);
  return submit_command(*http, places, options.submit_files, options.best);
}

}  // namespace qv
