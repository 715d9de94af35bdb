// quelvaris-soak [--seed N] [--steps N] [--run K]: random runs of the whole game in the
// simulator, the state checked after every step. Exits 1 at the first failure, naming the run
// to replay with --run.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/soak/soak.hpp"

namespace {

int usage() {
  std::fprintf(stderr, "usage: quelvaris-soak [--seed N] [--steps N] [--run K]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  qv::soak::Options options;
  if (argc % 2 == 0) return usage();
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    char* end = nullptr;
    unsigned long long v = std::strtoull(argv[i + 1], &end, 10);
    if (!end || *end || end == argv[i + 1]) return usage();
    if (arg == "--seed") {
      options.seed = v;
    } else if (arg == "--steps") {
      options.steps = static_cast<int64_t>(v);
    } else if (arg == "--run") {
      options.only_run = static_cast<int64_t>(v);
    } else {
      return usage();
    }
  }
  qv::soak::Report report = qv::soak::run(options);
  std::printf("seed %llu: %s\n", static_cast<unsigned long long>(options.seed),
              report.summary().c_str());
  if (!report.failure.empty()) {
    std::printf("FAIL: %s\n", report.failure.c_str());
    return 1;
  }
  return 0;
}
