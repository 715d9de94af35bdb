#include "desktop/options.hpp"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "game/take_over.hpp"
#include "system/number_option.hpp"
#include "system/printable.hpp"

#ifndef QV_VERSION
#define QV_VERSION "0.0.0"
#endif

namespace qv {
namespace {

void add_ranged(CLI::App& app, const char* name, std::optional<int>& into, int low, int high,
                const char* what) {
  app.add_option(name, into, what)->check(whole_number(low, high))->type_name("N");
}

// An empty file name would quietly mean no file at all: a normal game instead of the replay.
const CLI::Validator kFileName(
    [](const std::string& name) { return name.empty() ? "an empty file name" : ""; }, "");

void describe(CLI::App& app, Options& o) {
  add_ranged(app, "--scale", o.scale, 1, 8, "window scale 1..8 (client area N*432 x N*568)");
  auto* full = app.add_flag_callback(
      "--fullscreen", [&o] { o.fullscreen = true; }, "start in desktop fullscreen");
  auto* window = app.add_flag_callback(
      "--window", [&o] { o.fullscreen = false; }, "start in a window");
  full->excludes(window);
  app.add_option("--soundfont", o.soundfont, "SoundFont for the music")->type_name("PATH");
  add_ranged(app, "--music-volume", o.music_volume, 0, 100, "music volume 0..100 (100 = full)");
  add_ranged(app, "--effects-volume", o.effects_volume, 0, 100, "effects volume 0..100");
  app.add_flag("--mute", o.mute, "silence music and effects for this run");
  app.add_option("--record", o.record, "record this game to FILE")
      ->check(kFileName)
      ->type_name("FILE");
  app.add_option("--replay", o.replay, "play a recording in the window")
      ->check(kFileName)
      ->type_name("FILE");
  app.add_option("--trace", o.trace, "write the simulator's trace format")
      ->check(kFileName)
      ->type_name("FILE");
  // Neither opens a window: both are done before any would be.
  app.add_option("--verify", o.verify, "verify recordings, one line each; no window")
      ->check(kFileName)
      ->type_name("FILE")
      ->expected(1, -1);
  app.add_flag("--scores", o.scores, "print the table of best runs; no window");
}

// The online board's commands; none opens a window.
void describe_board(CLI::App& app, Options& o) {
  app.add_option("--board", o.board, "the online board's address (http:// or https://)")
      ->type_name("URL");
  auto* enrol = app.add_option("--register", o.register_name, "register NAME at the board")
                    ->type_name("NAME");
  auto* submit = app.add_option("--submit", o.submit_files, "send recordings to the board")
                     ->check(kFileName)
                     ->type_name("FILE")
                     ->expected(0, -1);
  app.add_flag("--best", o.best, "with --submit: the best runs the board has not had")
      ->needs(submit);
  enrol->excludes(submit);
  app.callback([&o, submit] {
    o.submit = submit->count() > 0;
    // Given alone, --submit holds one empty name for the value it did not get.
    std::erase(o.submit_files, std::string());
    if (!o.board.empty() && !o.submit && !o.register_name)
      throw CLI::ValidationError("--board", "goes with --register NAME or --submit");
    if (o.submit && o.submit_files.empty() == !o.best) {
      throw CLI::ValidationError(
          "--submit", o.best ? "takes FILE... or --best, not both" : "needs FILE... or --best");
    }
  });
}

// A step of a replay: a whole number from 0, of at most twelve digits as in a recording.
const CLI::Validator kStep = whole_number(0, kLastScriptStep, "a step is a whole number from 0");

// The replay options: steps from 0, the speeds the viewer offers, and practice's WHERE.
void describe_replay(CLI::App& app, Options& o) {
  app.add_option("--from", o.from, "start watching the replay at STEP")
      ->check(kStep)
      ->type_name("STEP")
      ->needs("--replay");
  app.add_option("--speed", o.speed, "replay speed: 0.25, 0.5, 1, 2, 4 or 8")
      ->check(CLI::IsMember({0.25, 0.5, 1.0, 2.0, 4.0, 8.0}))
      ->type_name("X")
      ->needs("--replay");
  app.add_option("--take-over", o.take_over, "take over the replay after STEP")
      ->check(whole_number(
          0, kLatestTakeOver,
          "a step to take over at is a whole number from 0 to " + std::to_string(kLatestTakeOver)))
      ->type_name("STEP")
      ->needs("--replay");
  app.add_option_function<std::string>(
         "--practice",
         [&o](const std::string& where) {
           o.practice = practice_frame(where);
           if (!o.practice)
             throw CLI::ValidationError("--practice", "WHERE is a stage frame 11..2099 or boss");
         },
         "practise from a stage frame (11..2099) or the boss")
      ->type_name("WHERE")
      ->excludes("--replay");
}

}  // namespace

int parse_options(int argc, const char* const* argv, Options& options) {
  CLI::App app{"Quelvaris \xE5\xBC\x90: a vertical shoot-'em-up", "quelvaris"};
  app.set_version_flag("--version", std::string("quelvaris ") + QV_VERSION);
  describe(app, options);
  describe_replay(app, options);
  describe_board(app, options);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::printf("quelvaris %s\n", QV_VERSION);
    return 0;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "quelvaris: %s (try --help)\n", printable(e.what()).c_str());
    return 2;
  }
  return kGoOn;
}

}  // namespace qv
