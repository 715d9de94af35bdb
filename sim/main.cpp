// quelvaris-sim [--seed N] [--keys FILE] [--steps N] [--trace FILE|-] [--shot STEP:FILE.png]...
//               [--close STEP] [--record FILE] [--show-keys] [--show-hit-areas]
// quelvaris-sim --verify FILE...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "game/replay_stop.hpp"
#include "game/verify.hpp"
#include "sim/simulator.hpp"
#include "system/media_files.hpp"
#include "system/numbers.hpp"
#include "system/platform.hpp"
#include "system/printable.hpp"

namespace {

constexpr const char* kUsage =
    "usage: quelvaris-sim [--seed N] [--keys FILE] [--steps N] [--trace FILE|-]\n"
    "                     [--shot STEP:FILE.png]... [--close STEP] [--record FILE]\n"
    "                     [--show-keys] [--show-hit-areas]\n"
    "       quelvaris-sim --verify FILE...\n";

std::optional<int64_t> number(std::string_view text, int64_t lo, int64_t hi) {
  return qv::read_whole_number(text, lo, hi);
}

// Exit statuses: 1 a file could not be written, 2 bad options or key script, 3 a run-time
// error of the game.
constexpr int kWriteFailed = 1;

// How long a plain key script (no recording's seed) plays without --steps.
constexpr int64_t kPlainScriptSteps = 10000;

// The message names files and options as given: shown with their control characters escaped.
int fail(const std::string& message, int status = 2) {
  std::cerr << "quelvaris-sim: " << qv::printable(message) << "\n";
  return status;
}

int fail_with_usage(const std::string& message) {
  fail(message);
  std::cerr << kUsage;
  return 2;
}

// One line a file on standard output; the worst status of them all.
int verify(const std::vector<std::string>& files) {
  if (files.empty()) return fail_with_usage("--verify takes the recordings to verify");
  return qv::verify_files(files, std::cout, std::cerr, "quelvaris-sim");
}

bool write_file(const std::string& path, const std::string& text) {
  std::ofstream out(qv::path_from_utf8(path), std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return !out.fail();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = qv::utf8_arguments(argc, argv);
  if (args.size() >= 2 && args[1] == "--verify")
    return verify(std::vector<std::string>(args.begin() + 2, args.end()));
  std::optional<uint32_t> seed;
  std::optional<int64_t> steps;
  int64_t close_step = -1;
  std::string keys_path, trace_path, record_path;
  std::multimap<int64_t, std::string> shots;
  qv::StudyAids aids;  // drawn on the shots only
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--verify") return fail_with_usage("--verify comes first and takes only files");
    if (arg == "--show-keys" || arg == "--show-hit-areas") {
      (arg == "--show-keys" ? aids.show_keys : aids.show_hit_areas) = true;
      continue;
    }
    if (i + 1 >= args.size()) return fail_with_usage("missing value after " + arg);
    const char* value = args[++i].c_str();
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
    } else if (arg == "--record") {
      record_path = value;
    } else if (arg == "--shot") {
      const char* colon = std::strchr(value, ':');
      auto v = colon ? number(std::string_view(value, static_cast<size_t>(colon - value)), 0,
                              INT64_C(1) << 40)
                     : std::nullopt;
      if (!v || !colon[1]) return fail("--shot takes STEP:FILE.png");
      shots.emplace(*v, colon + 1);
    } else {
      return fail_with_usage("unknown option " + arg);
    }
  }

  qv::KeyScript script;
  if (!keys_path.empty()) {
    std::string error;
    if (!qv::read_key_script(keys_path, script, error)) return fail(error);
    if (!script.cut_line.empty())
      std::cerr << "quelvaris-sim: " << qv::printable(script.cut_line) << "\n";
  }
  // A recording replays as it was played: its seed, and stopping where the game stopped,
  // closing the window if it was closed. Options given on the command line come first.
  const bool close_asked = close_step >= 0;
  if (!seed) seed = script.seed.value_or(1);
  const qv::ReplayStop stop(script, steps, kPlainScriptSteps);
  steps = stop.last_step();
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
    qv::binary_standard_output();
    trace = &std::cout;
  } else if (!trace_path.empty()) {
    trace_file.open(qv::path_from_utf8(trace_path), std::ios::binary | std::ios::trunc);
    if (!trace_file) return fail("cannot write the trace to " + trace_path, kWriteFailed);
    trace = &trace_file;
  }

  qv::Simulator sim(*seed, std::move(script.lines));
  sim.set_trace(trace);
  std::string recording;
  if (!record_path.empty()) sim.record_to(&recording);
  auto write_recording = [&] { return record_path.empty() || write_file(record_path, recording); };
  std::string unwritten;  // the first shot that could not be written
  auto take_shots = [&](int64_t step) {
    auto [lo, hi] = shots.equal_range(step);
    for (auto it = lo; it != hi; ++it) {
      if (!qv::write_png(qv::path_from_utf8(it->second), sim.screen(aids)) && unwritten.empty())
        unwritten = it->second;
    }
    return unwritten.empty();
  };
  try {
    sim.start();
    if (!take_shots(0)) return fail("cannot write " + unwritten, kWriteFailed);
    bool closed = close_step == 0;
    if (closed) sim.close();
    while (!closed && stop.goes_on(sim.game())) {
      sim.step();
      if (!take_shots(sim.current_step())) return fail("cannot write " + unwritten, kWriteFailed);
      if (!sim.ended() && sim.current_step() == close_step) {
        sim.close();
        closed = true;
      }
    }
    // A recording says how the game stopped: a run that neither ended itself nor was closed
    // closes the window after its last step, as a player would.
    if (!record_path.empty() && !closed && !sim.ended()) sim.close();
  } catch (const qv::RunTimeError& e) {
    if (trace) trace->flush();
    write_recording();
    std::cerr << "quelvaris-sim: " << e.what() << " (step " << sim.current_step() << ")\n";
    return 3;
  }
  if (!write_recording()) return fail("cannot write the recording to " + record_path, kWriteFailed);
  if (trace && !trace->flush()) {
    return fail("cannot write the trace to " + (trace_path == "-" ? "standard output" : trace_path),
                kWriteFailed);
  }
  return 0;
}
