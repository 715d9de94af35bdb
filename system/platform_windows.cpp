// The Windows side of system/platform.hpp: names go to the wide calls, converted from UTF-8,
// and standard output is switched out of text mode.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "system/platform.hpp"

namespace qv {
namespace {

std::string utf8_from_wide(const wchar_t* wide) {
  int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};

// A file that is there, opened beside whoever else holds it open; none when it cannot be.
std::unique_ptr<void, HandleCloser> open_existing(const std::string& name, DWORD access) {
  HANDLE file = CreateFileW(path_from_utf8(name).c_str(), access,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return std::unique_ptr<void, HandleCloser>(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

}  // namespace

std::filesystem::path path_from_utf8(std::string_view name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string utf8_from_path(const std::filesystem::path& path) {
  return utf8_from_wide(path.c_str());
}

std::FILE* open_file(const std::string& name, const char* mode) {
  std::wstring wide_mode(mode, mode + std::strlen(mode));
  if (wide_mode.find(L'b') == std::wstring::npos) wide_mode += L'b';
  return _wfopen(path_from_utf8(name).c_str(), wide_mode.c_str());
}

int open_for_writing(const std::string& name, bool replace) {
  int flags = _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (replace ? _O_TRUNC : _O_EXCL);
  return _wopen(path_from_utf8(name).c_str(), flags, _S_IREAD | _S_IWRITE);
}

int sync_file(int fd) {
  if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK) {
    errno = EINVAL;
    return -1;
  }
  return _commit(fd);
}

// Opening for writing without truncating tells whether the file takes writes; a missing one
// is tried in its folder with a file that deletes itself when closed.
bool can_write_file(const std::string& name, std::string& why) {
  std::filesystem::path path = path_from_utf8(name);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = L".";
    wchar_t probe[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"qv", 0, probe) != 0) {
      DeleteFileW(probe);
      return true;
    }
  }
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return true;
  }
  DWORD error = GetLastError();
  why = error == ERROR_ACCESS_DENIED    ? "Permission denied"
        : error == ERROR_PATH_NOT_FOUND ? "No such file or directory"
                                        : "Windows error " + std::to_string(error);
  return false;
}

std::string file_behind_links(std::string name) {
  return name;
}

bool read_only_file(const std::string& name) {
  DWORD attributes = GetFileAttributesW(path_from_utf8(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

namespace {

// The errno of a Windows error, so that a failure names its own cause.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    default:
      return EIO;
  }
}

}  // namespace

bool replace_file(const std::string& name, const std::string& bytes) {
  std::filesystem::path path = path_from_utf8(name);
  remove_stale_temporaries(utf8_from_path(path.parent_path()), utf8_from_path(path.filename()));
  // NAME.quelvaris-new-XXXXXX, new each time: another game writing beside this one keeps its own.
  std::filesystem::path temp;
  HANDLE made = INVALID_HANDLE_VALUE;
  unsigned long long stamp =
      GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20);
  for (int attempt = 0; attempt < 16 && made == INVALID_HANDLE_VALUE; ++attempt) {
    char letters[7];
    for (int i = 0; i < 6; ++i)
      letters[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[(stamp >> (5 * i)) % 36];
    letters[6] = 0;
    temp = path;
    temp += path_from_utf8(std::string(kTemporaryMark) + letters);
    made = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (made == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    stamp = stamp * 6364136223846793005ull + 1442695040888963407ull;
  }
  if (made == INVALID_HANDLE_VALUE) {
    errno = errno_of(GetLastError());
    return false;
  }
  std::unique_ptr<void, HandleCloser> file(made);
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    ok = WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written > 0;
    done += written;
  }
  ok = ok && FlushFileBuffers(file.get());
  DWORD error = ok ? 0 : GetLastError();
  file.reset();
  if (ok && !MoveFileExW(temp.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    errno = errno_of(error);
  }
  return ok;
}

bool cut_file(const std::string& name, uint64_t size) {
  std::unique_ptr<void, HandleCloser> file = open_existing(name, GENERIC_WRITE);
  if (!file) {
    errno = EACCES;
    return false;
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK || size > INT64_MAX) {
    errno = EINVAL;
    return false;
  }
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) {
    errno = EIO;
    return false;
  }
  return true;
}

// What was opened is what is checked: a disk file (not a pipe, a console or a device), and not
// a folder, which CreateFileW does not open without being asked to.
FileRead read_regular_file(const std::string& name, size_t most, std::vector<uint8_t>& out) {
  out.clear();
  std::unique_ptr<void, HandleCloser> file = open_existing(name, GENERIC_READ);
  if (!file) {
    DWORD error = GetLastError();
    DWORD attributes = GetFileAttributesW(path_from_utf8(name).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return {FileRead::not_regular, 0};  // a folder, which CreateFileW refuses as denied
    return {FileRead::unopened, errno_of(error)};
  }
  LARGE_INTEGER size;
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return {FileRead::not_regular, 0};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0)
    return {FileRead::short_read, errno_of(GetLastError())};
  if (static_cast<uint64_t>(size.QuadPart) > most) return {FileRead::too_large, 0};
  out.resize(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  while (got < out.size()) {
    DWORD n = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(out.size() - got, 1u << 30));
    if (!ReadFile(file.get(), out.data() + got, chunk, &n, nullptr)) {
      out.clear();
      return {FileRead::short_read, errno_of(GetLastError())};
    }
    if (n == 0) {  // cut short while it was read
      out.clear();
      return {FileRead::short_read, 0};
    }
    got += n;
  }
  return {};
}

std::string program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return "";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // a long name: ask again with room for it
  }
  std::string program = utf8_from_wide(path.c_str());
  size_t slash = program.find_last_of("\\/");
  return slash == std::string::npos ? "" : program.substr(0, slash);
}

void binary_standard_output() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  int count = 0;
  std::unique_ptr<wchar_t*, decltype(&LocalFree)> wide(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(utf8_from_wide(wide.get()[i]));
  return args;
}

}  // namespace qv
