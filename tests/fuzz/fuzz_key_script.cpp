// The simulator's key scripts: accepted with ascending steps and known keys, or refused with a
// message naming the line.
#include <cstdlib>
#include <sstream>

#include "sim/simulator.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<qv::KeyLine> lines;
  std::string error;
  if (!qv::parse_key_script(in, lines, error)) {
    if (error.rfind("key script line ", 0) != 0) std::abort();
    return 0;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].step < 0 || lines[i].keys > 31) std::abort();
    if (i > 0 && lines[i].step <= lines[i - 1].step) std::abort();
  }
  return 0;
}
