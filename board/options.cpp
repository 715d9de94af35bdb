#include "board/options.hpp"

#include <CLI/CLI.hpp>
#include <thread>

#include "system/number_option.hpp"

namespace qv::board {

std::optional<Options> parse_options(int argc, char** argv, int& status) {
  Options o;
  CLI::App app{"quelvaris-board: an online board of runs, each replayed to prove its score"};
  std::string listen = "127.0.0.1:8080";
  int verifiers = -1, timeout = 10, memory_mib = 512;
  app.add_option("--database", o.database, "PostgreSQL connection URI (the only state)");
  app.add_option("--listen", listen, "HOST:PORT to serve HTTP on, or none (only verify)");
  app.add_option("--verifiers", verifiers, "verifier threads (default: the cores; 0: HTTP only)")
      ->check(whole_number(0, 256));
  app.add_option("--site", o.site,
                 "the web build's folder (scripts/build-web.sh), served at /play/");
  app.add_option("--lease", o.lease_seconds,
                 "seconds a verifier holds a run before another may take it")
      ->check(whole_number(2, 3600));
  app.add_flag("--reverify", o.reverify,
               "replay every stored run with this build, mark those that no longer verify");
  app.add_option("--data", o.data_folder,
                 "the folder that holds bgm&se (default: found as the game finds it)");
  app.add_option("--token-limit", o.limits.per_token, "submissions a minute per token")
      ->check(whole_number(1, 1000000));
  app.add_option("--address-limit", o.limits.per_address, "submissions a minute per address")
      ->check(whole_number(1, 1000000));
  app.add_option("--http-threads", o.http.threads, "threads serving HTTP")
      ->check(whole_number(1, 256));
  app.add_option("--connections", o.http.connections, "connections served at once")
      ->check(whole_number(1, 100000));
  app.add_option("--timeout", timeout, "seconds to read a whole request, and to write its answer")
      ->check(whole_number(1, 600));
  app.add_option("--child-cpu", o.child.cpu_seconds, "CPU seconds a verification may take")
      ->check(whole_number(1, 3600));
  app.add_option("--child-memory", memory_mib, "MiB of address space a verification may take")
      ->check(whole_number(64, 65536));
  app.add_flag("--verify-child", o.verify_child)
      ->group("");  // the verifying child: stdin to stdout
  // A later option overrides an earlier one, as wrappers expect (run-board.sh, the tests).
  for (CLI::Option* option : app.get_options())
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    status = app.exit(e);
    return std::nullopt;
  }
  o.data_given = app.count("--data") > 0;
  if (o.verify_child) return o;
  if (o.database.empty()) {
    std::cerr << "quelvaris-board: --database URI is needed\n";
    status = 2;
    return std::nullopt;
  }
  if (listen == "none") {
    o.host.reset();
  } else {
    size_t colon = listen.rfind(':');
    std::optional<int64_t> port =
        colon == std::string::npos
            ? std::nullopt
            : read_whole_number(std::string_view(listen).substr(colon + 1), 0, 65535);
    o.port = port ? static_cast<int>(*port) : -1;
    if (o.port < 0) {
      std::cerr << "quelvaris-board: --listen HOST:PORT or none, not " << listen << "\n";
      status = 2;
      return std::nullopt;
    }
    o.host = listen.substr(0, colon);
    if (o.host->size() > 2 && o.host->front() == '[')
      *o.host = o.host->substr(1, o.host->size() - 2);
  }
  o.verifiers = verifiers >= 0
                    ? verifiers
                    : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  o.http.deadline = std::chrono::seconds(timeout);
  o.child.memory_bytes = static_cast<size_t>(memory_mib) << 20;
  return o;
}

}  // namespace qv::board
