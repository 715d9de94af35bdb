// quelvaris-board's command line.
#pragma once

#include <optional>
#include <string>

#include "board/child_verify.hpp"
#include "board/http_server.hpp"
#include "board/rate_limit.hpp"

namespace qv::board {

struct Options {
  std::string database;
  std::optional<std::string> host = "127.0.0.1";  // nothing: --listen none
  int port = 8080;
  int verifiers = 0;  // set to the cores when not given
  std::string site;
  int lease_seconds = 60;
  bool reverify = false;
  std::string data_folder;  // the folder holding bgm&se; found as the game finds it when empty
  bool data_given = false;
  bool verify_child = false;
  RateLimits limits;
  HttpLimits http;
  ChildLimits child;
};

// The options, or nothing with an exit status in `status` (0 after --help).
std::optional<Options> parse_options(int argc, char** argv, int& status);

}  // namespace qv::board
