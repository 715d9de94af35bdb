// The settings file's reader on Windows: Debian's inih, whose interface (ini.h, with Debian's
// run-time switches) the Linux build links, cannot be cross-built here, as the package mirror
// does not serve its source. This is the same reading, to the same rules, so that one settings
// file means the same on both systems: sections in brackets, "name = value" or "name: value",
// comments from ";" or "#" at a line's start and from " ;" within it, indented lines continuing
// the value before, a byte order mark allowed, and the number of the first bad line returned.
#include <ini.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
bool ini_allow_multiline = true;
bool ini_allow_bom = true;
char* ini_start_comment_prefixes = const_cast<char*>(";#");
bool ini_allow_inline_comments = true;
char* ini_inline_comment_prefixes = const_cast<char*>(";");
bool ini_use_stack = true;
int ini_max_line = 200;
bool ini_allow_realloc = false;
int ini_initial_alloc = 200;
bool ini_stop_on_first_error = false;
bool ini_allow_no_value = false;
}

namespace {

char* rstrip(char* s) {
  char* p = s + std::strlen(s);
  while (p > s && std::isspace(static_cast<unsigned char>(*--p))) *p = '\0';
  return s;
}

char* lskip(char* s) {
  while (*s && std::isspace(static_cast<unsigned char>(*s))) ++s;
  return s;
}

// The first of `chars` (if given) or the start of an inline comment (after a space), or the end.
char* find_chars_or_comment(char* s, const char* chars) {
  bool was_space = false;
  while (
      *s && (!chars || !std::strchr(chars, *s)) &&
      !(ini_allow_inline_comments && was_space && std::strchr(ini_inline_comment_prefixes, *s))) {
    was_space = std::isspace(static_cast<unsigned char>(*s)) != 0;
    ++s;
  }
  return s;
}

}  // namespace

extern "C" int ini_parse_stream(ini_reader reader, void* stream, ini_handler handler, void* user) {
  std::vector<char> buffer(static_cast<size_t>(ini_use_stack ? ini_max_line : ini_initial_alloc));
  std::string section, prev_name;
  int lineno = 0, error = 0;
  while (reader(buffer.data(), static_cast<int>(buffer.size()), stream)) {
    ++lineno;
    char* line = buffer.data();
    char* start = line;
    if (ini_allow_bom && lineno == 1 && std::strncmp(start, "\xEF\xBB\xBF", 3) == 0) start += 3;
    start = lskip(rstrip(start));
    bool failed = false;
    if (std::strchr(ini_start_comment_prefixes, *start)) {
      // a comment, or an empty line
    } else if (ini_allow_multiline && !prev_name.empty() && *start && start > line) {
      char* end = find_chars_or_comment(start, nullptr);
      *end = '\0';
      rstrip(start);
      failed = !handler(user, section.c_str(), prev_name.c_str(), start);
    } else if (*start == '[') {
      char* end = find_chars_or_comment(start + 1, "]");
      if (*end == ']') {
        *end = '\0';
        section = start + 1;
        prev_name.clear();
      } else {
        failed = true;
      }
    } else {
      char* end = find_chars_or_comment(start, "=:");
      if (*end == '=' || *end == ':') {
        *end = '\0';
        char* name = rstrip(start);
        char* value = end + 1;
        *find_chars_or_comment(value, nullptr) = '\0';
        value = lskip(value);
        rstrip(value);
        prev_name = name;
        failed = !handler(user, section.c_str(), name, value);
      } else if (ini_allow_no_value) {
        *end = '\0';
        prev_name = rstrip(start);
        failed = !handler(user, section.c_str(), prev_name.c_str(), nullptr);
      } else {
        failed = true;
      }
    }
    if (failed && !error) error = lineno;
    if (error && ini_stop_on_first_error) break;
  }
  return error;
}
