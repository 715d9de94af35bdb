// quelvaris-sim [--seed N] [--keys FILE] [--steps N] [--trace FILE|-] [--shot STEP:FILE.png]...
//               [--close STEP]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "sim/simulator.hpp"

namespace {

constexpr const char* kUsage =
    "usage: quelvaris-sim [--seed N] [--keys FILE] [--steps N] [--trace FILE|-]\n"
    "                     [--shot STEP:FILE.png]... [--close STEP]\n";

std::optional<int64_t> number(const char* text, int64_t lo, int64_t hi) {
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text, &end, 10);
  if (errno || !end || *end || end == text || v < lo || v > hi) return std::nullopt;
  return v;
}

// Exit statuses: 1 a file could not be written, 2 bad options or key script, 3 a run-time
// error of the game.
constexpr int kWriteFailed = 1;

int fail(const std::string& message, int status = 2) {
  std::cerr << "quelvaris-sim: " << message << "\n";
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<uint32_t> seed;
  std::optional<int64_t> steps;
  int64_t close_step = -1;
  std::string keys_path, trace_path;
  std::multimap<int64_t, std::string> shots;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (i + 1 >= argc) return fail("missing value after " + arg + "\n" + kUsage);
    const char* value = argv[++i];
    if (arg == "--seed") {
      auto v = number(value, 0, UINT32_MAX);
      if (!v) return fail("--seed takes a whole number from 0 to 4294967295");
      seed = static_cast<uint32_t>(*v);
    } else if (arg == "--steps") {
      auto v = number(value, 0, INT64_C(1) << 40);
      if (!v) return fail("--steps takes a whole number");
      steps = *v;
    } else if (arg == "--close") {
      auto v = number(value, 0, INT64_C(1) << 40);
      if (!v) return fail("--close takes a step number");
      close_step = *v;
    } else if (arg == "--keys") {
      keys_path = value;
    } else if (arg == "--trace") {
      trace_path = value;
    } else if (arg == "--shot") {
      const char* colon = std::strchr(value, ':');
      auto v =
          colon ? number(std::string(value, colon).c_str(), 0, INT64_C(1) << 40) : std::nullopt;
      if (!v || !colon[1]) return fail("--shot takes STEP:FILE.png");
      shots.emplace(*v, colon + 1);
    } else {
      return fail("unknown option " + arg + "\n" + kUsage);
    }
  }

  qv::KeyScript script;
  if (!keys_path.empty()) {
    std::string error;
    if (!qv::read_key_script(keys_path, script, error)) return fail(error);
    if (!script.cut_line.empty()) std::cerr << "quelvaris-sim: " << script.cut_line << "\n";
  }
  // A recording replays as it was played: its seed, and stopping where the game stopped,
  // closing the window if it was closed. Options given on the command line come first.
  const bool close_asked = close_step >= 0;
  if (!seed) seed = script.seed.value_or(1);
  if (!steps) steps = script.last_step().value_or(10000);
  if (close_step < 0 && script.closed_after) close_step = *script.closed_after;
  // A close or a shot asked for after the last step would never happen.
  if (close_asked && close_step > *steps) {
    return fail("--close " + std::to_string(close_step) + " is after the last step (--steps " +
                std::to_string(*steps) + ")");
  }
  if (!shots.empty() && shots.rbegin()->first > *steps) {
    return fail("--shot " + std::to_string(shots.rbegin()->first) +
                " is after the last step (--steps " + std::to_string(*steps) + ")");
  }
  std::ofstream trace_file;
  std::ostream* trace = nullptr;
  if (trace_path == "-") {
    trace = &std::cout;
  } else if (!trace_path.empty()) {
    trace_file.open(trace_path);
    if (!trace_file) return fail("cannot write the trace to " + trace_path, kWriteFailed);
    trace = &trace_file;
  }

  qv::Simulator sim(*seed, std::move(script.lines));
  sim.set_trace(trace);
  std::string unwritten;  // the first shot that could not be written
  auto take_shots = [&](int64_t step) {
    auto [lo, hi] = shots.equal_range(step);
    for (auto it = lo; it != hi; ++it) {
      if (!qv::write_png(it->second, sim.screen()) && unwritten.empty()) unwritten = it->second;
    }
    return unwritten.empty();
  };
  try {
    sim.start();
    if (!take_shots(0)) return fail("cannot write " + unwritten, kWriteFailed);
    if (close_step == 0) sim.close();
    while (close_step != 0 && sim.current_step() < *steps) {
      bool going = sim.step();
      if (!take_shots(sim.current_step())) return fail("cannot write " + unwritten, kWriteFailed);
      if (!going) break;
      if (sim.current_step() == close_step) {
        sim.close();
        break;
      }
    }
  } catch (const qv::RunTimeError& e) {
    if (trace) trace->flush();
    std::cerr << "quelvaris-sim: " << e.what() << " (step " << sim.current_step() << ")\n";
    return 3;
  }
  if (trace && !trace->flush()) {
    return fail("cannot write the trace to " + (trace_path == "-" ? "standard output" : trace_path),
                kWriteFailed);
  }
  return 0;
}
