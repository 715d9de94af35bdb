#include "sim/simulator.hpp"

#include <istream>
#include <ostream>
#include <sstream>

#include "game/label.hpp"

namespace qv {
Simulator::Simulator(uint32_t seed, std::vector<KeyLine> script)
    : game_(sink_, KeySource::replay), seed_(seed), script_(std::move(script)) {
  game_.keep_audio_calls(true);
}

Simulator::~Simulator() = default;

void Simulator::set_trace(std::ostream* trace) {
  trace_ = trace ? std::make_unique<TraceWriter>(*trace) : nullptr;
  game_.set_observer(trace_.get());
}

void Simulator::start() {
  if (recording_) recorder_.begin(seed_, *recording_);
  game_.start(seed_);
}

bool Simulator::step() {
  if (game_.ended()) return false;
  std::optional<uint8_t> instead;
  if (has_override_) instead = override_;
  StepKeys keys = script_.next(game_.current_step() + 1, instead);
  lit_keys_ = lit_keys(keys);
  bool going = game_.step(keys);
  if (recording_) recorder_.after_step(game_, keys, *recording_);
  return going;
}

void Simulator::close() {
  if (recording_) recorder_.closing(game_, *recording_);
  game_.close();
}

Picture Simulator::screen(const StudyAids& aids) const {
  const Window& win = game_.win();
  Picture p;
  p.width = kPlayWidth;
  p.height = kPlayHeight;
  p.pixels = win.onPB.pixels();
  draw_label(win.score1, p.pixels.data(), p.width, p.height, p.width);
  draw_study_aids(aids, win.s, lit_keys_, AidCanvas{p.pixels.data(), p.width, p.height, p.width});
  return p;
}

}  // namespace qv
