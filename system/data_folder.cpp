#include "system/data_folder.hpp"

#include <filesystem>

#include "system/platform.hpp"

namespace qv {
namespace {

bool holds_media(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(path_from_utf8(folder + "/bgm&se"), ec);
}

}  // namespace

std::string find_data_folder(const std::string& installed) {
  std::string own = program_folder();
  if (!own.empty()) {
    if (!installed.empty()) {
      std::string folder =
          path_from_utf8(installed).is_absolute() ? installed : own + "/" + installed;
      if (holds_media(folder)) return folder;
    }
    if (holds_media(own)) return own;
  } else if (!installed.empty() && path_from_utf8(installed).is_absolute() &&
             holds_media(installed)) {
    return installed;
  }
  return "";
}

}  // namespace qv
