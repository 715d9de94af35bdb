#include "desktop/score_commands.hpp"

#include <cstdio>
#include <iostream>

#include "desktop/replay_folder.hpp"
#include "desktop/score_folder.hpp"
#include "game/verify.hpp"
#include "system/printable.hpp"

namespace qv {

int verify_command(const std::vector<std::string>& files, const std::string& data_folder) {
  return verify_files(files, std::cout, std::cerr, "quelvaris", data_folder);
}

int scores_command(const std::string& data_folder) {
  std::string folder = scores_folder();
  if (folder.empty()) {
    std::fprintf(stderr, "quelvaris: there is no folder for the table of best runs (no home)\n");
    return 1;
  }
  ScoreFolder scores(folder, data_folder);
  for (const std::string& warning : scores.load())
    std::fprintf(stderr, "quelvaris: %s\n", printable(warning).c_str());
  std::printf("Best runs, kept in %s\n\n", printable(folder).c_str());
  for (const std::string& line : table_lines(scores.table(), true))
    std::printf("%s\n", printable(line).c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace qv
