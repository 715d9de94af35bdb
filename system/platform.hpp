// What differs between the systems the game runs on, behind a few calls: names of files,
// reading one of ours, standard output and the command line. The hosts and the simulator go
// through these, so that the game and its tools compile unchanged everywhere and every file
// they write holds the same bytes on every system. platform_posix.cpp and platform_windows.cpp
// are the two sides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A file name as the file system takes it, from the UTF-8 every name is kept in (on Windows a
// wide name, so that a name of any letters opens).
std::filesystem::path path_from_utf8(std::string_view name);
// The other way: a file name as UTF-8.
std::string utf8_from_path(const std::filesystem::path& path);

// Opens a file by its UTF-8 name, as std::fopen does; every mode is binary on Windows.
std::FILE* open_file(const std::string& name, const char* mode);

// A descriptor for writing bytes as they are (never text mode), the file made if missing:
// emptied when `replace`, refused when it is there already otherwise. -1 with errno set.
int open_for_writing(const std::string& name, bool replace);
// Puts what was written to the descriptor on the disk; 0, or -1 with errno set. Pipes and
// terminals have nothing to put there: EINVAL.
int sync_file(int fd);

// Shortens the regular file `name` to its first `size` bytes (a writer holding it open writes
// on where it seeks to). False with errno set: a pipe or a device cannot be cut back (EINVAL).
bool cut_file(const std::string& name, uint64_t size);

// Whether a file could be written, found without creating or changing it: a file that is there
// is opened for writing and closed untouched (a pipe without a reader is refused, not waited
// for); for one that is not, its folder must take new files. False with the reason in `why`.
bool can_write_file(const std::string& name, std::string& why);

// Writes `bytes` to a new file beside `name` and puts it in its place once it is whole on the
// disk, so that the old file stays whole if anything fails; the new file keeps the old one's
// permissions (a new one is the user's alone). False with errno set to the cause of the failure
// (a full disk, a file too large), never to what an earlier call left there.
// The new file is named `name` + kTemporaryMark + six letters; a program killed while writing
// leaves it behind, and the next replace_file of `name` removes such stale ones.
bool replace_file(const std::string& name, const std::string& bytes);

// What names the temporaries of replace_file, and how old one is before it is taken for a
// leftover of a program killed while writing (a write takes milliseconds; another game running
// beside this one may be writing a fresh one).
constexpr std::string_view kTemporaryMark = ".quelvaris-new-";
constexpr int kStaleTemporarySeconds = 600;
// Deletes the stale temporaries of replace_file in `folder`: of the file `of` only, or of any
// file when `of` is empty. Only regular files named as replace_file names them are touched.
void remove_stale_temporaries(const std::string& folder, std::string_view of = {});

// The file a name stands for, through its symbolic links: a file kept as a link (into a folder
// of dotfiles) is the link's target, and the link stays. A link to nowhere names the file it
// would make. Windows: the name itself.
std::string file_behind_links(std::string name);

// True when the file is there and marked as not to be written (or this user may not write it).
bool read_only_file(const std::string& name);

// What came of reading a file by its name.
struct FileRead {
  enum Outcome { read, unopened, not_regular, too_large, short_read };
  Outcome outcome = read;
  int error = 0;  // errno of `unopened` and `short_read`
  bool ok() const { return outcome == read; }
  // Why it was not read, for a message: "No such file or directory", "not a regular file",
  // "larger than 1 MiB"; `most` is the bound it was read with.
  std::string why(size_t most) const;
};

// The one reader of every file a player or a stranger hands the program (recordings, key
// scripts, the table's index, the music): a regular file of at most `most` bytes, read whole
// from the handle opened once, whose kind and size are checked on that handle, never on the
// name again. Anything else is refused without waiting: missing, a folder, a pipe or a device
// (opening one never waits), larger, or cut short while read.
FileRead read_regular_file(const std::string& name, size_t most, std::vector<uint8_t>& out);
FileRead read_regular_file(const std::string& name, size_t most, std::string& out);
// "1 MiB", "64 KiB" or "1000 bytes".
std::string size_text(size_t bytes);

// The folder the running program lies in, in UTF-8, or "" when the system cannot tell.
std::string program_folder();

// Standard output passes bytes as written: no line ending is changed on the way.
void binary_standard_output();

// The program's arguments in UTF-8, whatever the system's own code page.
std::vector<std::string> utf8_arguments(int argc, char** argv);

}  // namespace qv
