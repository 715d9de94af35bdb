// quelvaris-board: the online board. Any number of these, on any number of machines, over one
// PostgreSQL database: each serves HTTP, verifies submitted runs, or both.
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "board/api.hpp"
#include "board/child_verify.hpp"
#include "board/options.hpp"
#include "board/schema.hpp"
#include "board/verifier.hpp"
#include "game/take_over.hpp"
#include "system/data_folder.hpp"
#include "system/media.hpp"
#include "system/media_files.hpp"

#ifndef QV_DATA_FOLDER
#define QV_DATA_FOLDER ""
#endif

namespace qv::board {
namespace {

// The music is part of every check value: without it no run verifies, so the board will not
// start. The practice route beside it is what copies of it are told by.
bool read_data(const std::string& folder, Route& route) {
  namespace fs = std::filesystem;
  fs::path base = folder.empty() ? fs::path(".") : fs::path(folder);
  for (const char* name : media_files::kAll)
    if (!fs::is_regular_file(base / Media::resolve(name))) {
      std::cerr << "quelvaris-board: no music in " << (base / "bgm&se").string()
                << " (give the folder that holds bgm&se with --data): " << Media::resolve(name)
                << " is missing\n";
      return false;
    }
  KeyScript script;
  std::string error;
  if (!read_key_script((base / kPracticeRoute).string(), script, error)) {
    std::cerr << "quelvaris-board: " << error << "\n";
    return false;
  }
  route.checks = script.checks;
  return true;
}

std::string this_program() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("quelvaris-board") : self.string();
}

int wait_for_a_stop_signal() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  int which = 0;
  sigwait(&stop, &which);
  return 0;
}

int run(const Options& o) {
  std::string data = o.data_given ? o.data_folder : find_data_folder(QV_DATA_FOLDER);
  VerifierSettings verify{o.database, this_program(), data, o.lease_seconds, o.child, {}};
  if (!read_data(data, verify.route)) return 1;
  try {
    Connection db(o.database);
    migrate(db);
  } catch (const std::exception& e) {
    std::cerr << "quelvaris-board: " << e.what() << "\n";
    return 1;
  }
  if (o.reverify) {
    int64_t marked = reverify_all(verify, std::cout);
    std::cout << marked << " runs no longer verify with this build\n";
    return 0;
  }
  Metrics metrics;
  // With nothing but verifying to do, the stop signals are waited for, not handled.
  if (!o.host) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  }
  Verifiers verifiers(verify, o.verifiers, metrics.verifiers);
  if (!o.host) return wait_for_a_stop_signal();
  Pool pool(o.database, static_cast<size_t>(o.http.threads));
  Api api(pool, {o.limits, o.site, verify.route}, metrics, [&] { verifiers.wake(); });
  std::string error;
  if (!serve_http(
          *o.host, o.port, o.http, [&](const HttpRequest& r) { return api.handle(r); }, error)) {
    std::cerr << "quelvaris-board: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace qv::board

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  int status = 0;
  std::optional<qv::board::Options> o = qv::board::parse_options(argc, argv, status);
  if (!o) return status;
  if (o->verify_child) return qv::board::verify_child_main(o->data_folder);
  return qv::board::run(*o);
}
