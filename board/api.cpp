#include "board/api.hpp"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "board/names.hpp"
#include "board/page.hpp"
#include "board/store.hpp"
#include "system/numbers.hpp"

namespace qv::board {
namespace {

using json = nlohmann::ordered_json;

// The page's own scripts and styles only; the web build, framed by nothing, needs WebAssembly.
constexpr const char* kPagePolicy =
    "default-src 'self'; script-src 'self'; style-src 'self'; "
    "img-src 'self' data:; connect-src 'self'; object-src 'none'; base-uri 'none'; "
    "frame-ancestors 'none'; form-action 'self'";

HttpResponse reply(int status, const json& body) {
  return {
      status, "application/json", body.dump(-1, ' ', false, json::error_handler_t::replace), {}};
}

HttpResponse error(int status, const std::string& why) {
  return reply(status, {{"error", why}});
}

std::string bearer(const HttpRequest& r) {
  std::string h = r.header("authorization");
  return h.rfind("Bearer ", 0) == 0 ? h.substr(7) : "";
}

json or_null(const std::optional<std::string>& v) {
  return v ? json(*v) : json(nullptr);
}
json or_null(const std::optional<int64_t>& v) {
  return v ? json(*v) : json(nullptr);
}

HttpResponse too_many(int seconds) {
  HttpResponse r = error(429, "too many submissions; try again later");
  r.headers.emplace_back("Retry-After", std::to_string(seconds));
  return r;
}

// The calls answer pages of any origin (a web build elsewhere given ?board=URL): a token is
// sent as a header, never a cookie, so there is nothing of a player's the browser adds itself.
HttpResponse preflight() {
  HttpResponse r{204, "text/plain", "", {}};
  r.headers.emplace_back("Access-Control-Allow-Methods", "GET, POST, DELETE");
  r.headers.emplace_back("Access-Control-Allow-Headers", "Authorization, Content-Type");
  r.headers.emplace_back("Access-Control-Max-Age", "86400");
  return r;
}

}  // namespace

HttpResponse Api::handle(const HttpRequest& request) {
  bool api = request.path.rfind("/api/", 0) == 0;
  HttpResponse response;
  try {
    response = api && request.method == "OPTIONS" ? preflight() : route(request);
  } catch (const DatabaseDown&) {
    response = error(503, "the database is not answering; try again soon");
    response.headers.emplace_back("Retry-After", "5");
  } catch (const DatabaseError& e) {
    response = error(500, "internal error");
  }
  response.headers.emplace_back("X-Content-Type-Options", "nosniff");
  if (api) {
    response.headers.emplace_back("Access-Control-Allow-Origin", "*");
    response.headers.emplace_back("Access-Control-Expose-Headers", "Retry-After");
  }
  metrics_.count_response(response.status);
  return response;
}

HttpResponse Api::route(const HttpRequest& r) {
  const std::string& p = r.path;
  bool get = r.method == "GET";
  if (p == "/api/runs") return r.method == "POST" ? submit(r) : error(405, "POST a recording");
  if (r.too_large) return error(413, "too large");
  if (p == "/api/players" && r.method == "POST") return add_player(r);
  if (p == "/api/players/me" && r.method == "DELETE") return delete_me(r);
  if (p == "/api/board" && get) return board(r);
  if (p.rfind("/api/runs/", 0) == 0 && get) {
    std::string rest = p.substr(10);
    bool bytes = rest.size() > 10 && rest.ends_with("/recording");
    if (bytes) rest.resize(rest.size() - 10);
    std::optional<int64_t> id = read_whole_number(rest, 1, INT64_MAX);
    if (!id) return error(404, "no such run");
    return bytes ? recording(*id) : run(r, *id);
  }
  if (p == "/healthz" && get) return health();
  if (p == "/metrics" && get)
    return {200, "text/plain; version=0.0.4", metrics_.text(*pool_.take()), {}};
  if ((p == "/" || p == "/index.html") && get) {
    HttpResponse page{200, "text/html; charset=utf-8", page_html(), {}};
    page.headers.emplace_back("Content-Security-Policy", kPagePolicy);
    return page;
  }
  if (p == "/board.js" && get) return {200, "text/javascript; charset=utf-8", page_script(), {}};
  if (p == "/board.css" && get) return {200, "text/css; charset=utf-8", page_style(), {}};
  if (p.rfind("/play/", 0) == 0 && get) return site_file(p.substr(6));
  return error(404, "not found");
}

HttpResponse Api::add_player(const HttpRequest& r) {
  json body = json::parse(r.body, nullptr, false);
  if (!body.is_object() || !body.contains("name") || !body["name"].is_string())
    return error(400, "send {\"name\": \"...\"}");
  std::string why;
  std::optional<PlayerName> name = player_name(body["name"].get<std::string>(), why);
  if (!name) return error(400, why);
  std::optional<std::string> token = qv::board::add_player(*pool_.take(), *name);
  if (!token) return error(409, "that name is taken");
  return reply(201, {{"name", name->shown}, {"token", *token}});
}

HttpResponse Api::submit(const HttpRequest& r) {
  auto db = pool_.take();
  if (std::optional<int> wait =
          count_request(*db, "address:" + r.address, settings_.limits.per_address))
    return too_many(*wait);
  std::string token = bearer(r);
  if (!token.empty())
    if (std::optional<int> wait = count_request(*db, token_key(token), settings_.limits.per_token))
      return too_many(*wait);
  if (r.too_large) return error(413, "a recording is at most 1 MiB");
  std::optional<Player> player = token.empty() ? std::nullopt : player_of_token(*db, token);
  if (!player) {
    HttpResponse refused = error(401, "register a name first: POST /api/players");
    refused.headers.emplace_back("WWW-Authenticate", "Bearer");
    return refused;
  }
  std::string why;
  std::optional<Submission> s = read_submission(r.body, settings_.route, why);
  if (!s) return error(400, why);
  std::optional<int64_t> id = add_run(*db, player->id, r.body, *s);
  if (!id) return error(409, "this game (its seed and keys) was submitted before");
  submitted_();
  return reply(202, {{"id", *id}, {"status", "pending"}});
}

HttpResponse Api::run(const HttpRequest&, int64_t id) {
  std::optional<RunInfo> i = run_info(*pool_.take(), id);
  if (!i) return error(404, "no such run");
  json out = {{"id", i->id},
              {"status", i->status},
              {"reason", or_null(i->reason)},
              {"player", i->player},
              {"start", or_null(i->start)},
              {"score", or_null(i->score)},
              {"ending", or_null(i->ending)},
              {"steps", or_null(i->steps)},
              {"seed", or_null(i->seed)},
              {"game", i->game},
              {"submitted", i->submitted},
              {"verified", or_null(i->verified)}};
  if (i->stale_reason) out["no_longer_verifies"] = *i->stale_reason;
  if (i->rank) out["rank"] = *i->rank;
  return reply(200, out);
}

HttpResponse Api::recording(int64_t id) {
  std::optional<std::string> bytes = run_recording(*pool_.take(), id);
  if (!bytes) return error(404, "no such run");
  HttpResponse r{200, "text/plain; charset=utf-8", *bytes, {}};
  // A run's recording never changes while it has this id.
  r.headers.emplace_back("Cache-Control", "public, max-age=31536000, immutable");
  return r;
}

HttpResponse Api::board(const HttpRequest& r) {
  std::string start = r.param("start");
  if (start.empty()) start = "two";
  if (start != "two" && start != "ten") return error(400, "start is two or ten");
  std::string limit_text = r.param("limit"), offset_text = r.param("offset");
  std::optional<int64_t> limit = limit_text.empty() ? 100 : read_whole_number(limit_text, 1, 1000);
  std::optional<int64_t> offset =
      offset_text.empty() ? 0 : read_whole_number(offset_text, 0, INT64_MAX);
  if (!limit || !offset) return error(400, "limit is 1 to 1000, offset 0 or more");
  json runs = json::array();
  for (const BoardRow& b : qv::board::board(*pool_.take(), start, *limit, *offset))
    runs.push_back({{"rank", b.rank},
                    {"id", b.id},
                    {"player", b.player},
                    {"score", b.score},
                    {"ending", b.ending},
                    {"steps", b.steps},
                    {"seed", b.seed},
                    {"submitted", b.submitted}});
  return reply(200, {{"start", start}, {"runs", runs}});
}

HttpResponse Api::delete_me(const HttpRequest& r) {
  auto db = pool_.take();
  std::string token = bearer(r);
  std::optional<Player> player = token.empty() ? std::nullopt : player_of_token(*db, token);
  if (!player) return error(401, "no such token");
  delete_player(*db, player->id);
  return reply(200, {{"deleted", player->name}});
}

HttpResponse Api::health() {
  pool_.take()->exec("SELECT 1");
  return {200, "text/plain", "ok\n", {}};
}

// Files of the web build, and nothing outside its folder.
HttpResponse Api::site_file(const std::string& path) {
  namespace fs = std::filesystem;
  if (settings_.site.empty()) return error(404, "no web build here (--site DIR)");
  std::string name = path.empty() ? "index.html" : path;
  // Only files below the site's folder: no way up, and no absolute name, which a path joined
  // to the folder would take in its place.
  if (name.find("..") != std::string::npos || name.find('\0') != std::string::npos ||
      name.front() == '/' || name.find('\\') != std::string::npos)
    return error(404, "not found");
  fs::path file = fs::path(settings_.site) / name;
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return error(404, "not found");
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  static const std::map<std::string, std::string> kTypes = {
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"},
      {".wasm", "application/wasm"},
      {".css", "text/css; charset=utf-8"},
      {".json", "application/json"},
      {".png", "image/png"},
      {".sf2", "application/octet-stream"},
      {".data", "application/octet-stream"},
      {".webmanifest", "application/manifest+json"}};
  auto type = kTypes.find(file.extension().string());
  return {200, type == kTypes.end() ? "application/octet-stream" : type->second, bytes.str(), {}};
}

}  // namespace qv::board
