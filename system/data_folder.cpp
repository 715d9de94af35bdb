#include "system/data_folder.hpp"

#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

bool holds_media(const std::string& folder) {
  struct stat st;
  return stat((folder + "/bgm&se").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string program_folder() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) == sizeof path) return "";
  std::string program(path, static_cast<size_t>(n));
  return program.substr(0, program.rfind('/'));
}

std::string find_data_folder(const std::string& installed) {
  std::string own = program_folder();
  if (!own.empty()) {
    if (!installed.empty()) {
      std::string folder = installed.front() == '/' ? installed : own + "/" + installed;
      if (holds_media(folder)) return folder;
    }
    if (holds_media(own)) return own;
  } else if (!installed.empty() && installed.front() == '/' && holds_media(installed)) {
    return installed;
  }
  return "";
}

}  // namespace qv
