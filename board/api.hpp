// The board's HTTP calls: the JSON API, the page, the web build under /play/, /healthz and
// /metrics. README "Run a board" documents each call.
#pragma once

#include <functional>
#include <string>

#include "board/database.hpp"
#include "board/http_server.hpp"
#include "board/metrics.hpp"
#include "board/rate_limit.hpp"
#include "board/submission.hpp"

namespace qv::board {

struct ApiSettings {
  RateLimits limits;
  std::string site;  // the web build's folder (scripts/build-web.sh), served at /play/
  Route route;
};

class Api {
 public:
  Api(Pool& pool, ApiSettings settings, Metrics& metrics, std::function<void()> submitted)
      : pool_(pool),
        settings_(std::move(settings)),
        metrics_(metrics),
        submitted_(std::move(submitted)) {}
  HttpResponse handle(const HttpRequest& request);

 private:
  HttpResponse route(const HttpRequest& request);
  HttpResponse add_player(const HttpRequest& request);
  HttpResponse submit(const HttpRequest& request);
  HttpResponse run(const HttpRequest& request, int64_t id);
  HttpResponse recording(int64_t id);
  HttpResponse board(const HttpRequest& request);
  HttpResponse delete_me(const HttpRequest& request);
  HttpResponse health();
  HttpResponse site_file(const std::string& path);

  Pool& pool_;
  ApiSettings settings_;
  Metrics& metrics_;
  std::function<void()> submitted_;
};

}  // namespace qv::board
