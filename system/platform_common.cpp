// What the two sides of system/platform.hpp share: the words for a file that was not read, and
// finding the temporaries a killed program left behind.
#include <chrono>
#include <cstring>
#include <filesystem>

#include "system/platform.hpp"

namespace qv {

namespace fs = std::filesystem;

std::string size_text(size_t bytes) {
  if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  if (bytes >= (1u << 10) && bytes % (1u << 10) == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::string FileRead::why(size_t most) const {
  switch (outcome) {
    case read:
      return "read";
    case unopened:
      return std::strerror(error);
    case not_regular:
      return "not a regular file";
    case too_large:
      return "larger than " + size_text(most);
    case short_read:
      return error ? std::strerror(error) : "cut short while it was read";
  }
  return "?";
}

FileRead read_regular_file(const std::string& name, size_t most, std::string& out) {
  std::vector<uint8_t> bytes;
  FileRead got = read_regular_file(name, most, bytes);
  out.assign(bytes.begin(), bytes.end());
  return got;
}

namespace {

// NAME + kTemporaryMark + six letters, as replace_file makes them; `of` is NAME when not empty.
bool temporary_name(const std::string& name, std::string_view of) {
  size_t mark = name.size() >= kTemporaryMark.size() + 6 ? name.size() - 6 - kTemporaryMark.size()
                                                         : std::string::npos;
  if (mark == std::string::npos || mark == 0 ||
      name.compare(mark, kTemporaryMark.size(), kTemporaryMark) != 0)
    return false;
  return of.empty() || std::string_view(name).substr(0, mark) == of;
}

}  // namespace

void remove_stale_temporaries(const std::string& folder, std::string_view of) {
  std::error_code ec;
  const auto stale_before =
      fs::file_time_type::clock::now() - std::chrono::seconds(kStaleTemporarySeconds);
  for (const fs::directory_entry& e :
       fs::directory_iterator(path_from_utf8(folder.empty() ? "." : folder), ec)) {
    if (!temporary_name(utf8_from_path(e.path().filename()), of)) continue;
    std::error_code file_ec;
    if (!e.is_regular_file(file_ec) || e.is_symlink(file_ec)) continue;
    auto written = e.last_write_time(file_ec);
    if (!file_ec && written < stale_before) fs::remove(e.path(), file_ec);
  }
}

}  // namespace qv
