// The Windows build's settings reader (windows/ini_reader.cpp, built here under other names)
// reads every settings file as Debian's inih does on Linux: the same values, sections, names
// and first bad line, for files of every kind of line.
#include <gtest/gtest.h>
#include <ini.h>

#include <cstring>
#include <string>

extern "C" int qv_windows_ini_parse_stream(ini_reader reader, void* stream, ini_handler handler,
                                           void* user);

namespace {

struct Text {
  const char* at;
};

char* next_line(char* str, int num, void* stream) {
  auto* text = static_cast<Text*>(stream);
  if (!*text->at) return nullptr;
  int n = 0;
  while (n < num - 1 && text->at[n]) {
    if (text->at[n++] == '\n') break;
  }
  std::memcpy(str, text->at, static_cast<size_t>(n));
  str[n] = '\0';
  text->at += n;
  return str;
}

// Every value handed over, one "[section] name=value" line each, then the result.
int note(void* user, const char* section, const char* name, const char* value) {
  auto* out = static_cast<std::string*>(user);
  *out += std::string("[") + section + "] " + name + "=" + (value ? value : "(none)") + "\n";
  return std::strcmp(name, "refused") != 0;
}

std::string read_with(decltype(&ini_parse_stream) parse, const char* file) {
  Text text{file};
  std::string out;
  int result = parse(next_line, &text, note, &out);
  return out + "result " + std::to_string(result);
}

TEST(WindowsIniReader, ReadsAsInihDoes) {
  const char* files[] = {
      "",
      "[window]\nscale = 2\nfullscreen=true\n",
      "\xEF\xBB\xBF[sound]\r\nmusic_volume = 50\r\n",
      "; comment\n# comment\n[a]\nx = 1 ; inline\ny = 2;not inline\n",
      "[a]\nname: value with spaces  \n  continued\n\tmore\n",
      "[a]\nno value here\nx = 1\n[unclosed\ny = 2\n",
      "x = before any section\n[ spaced ]\n z = indented first\n",
      "[keys]\nfire = Return, Z ,  X\nrefused = 1\nrefused = 2\n",
      "[a]\n=empty name\nk =\nlast line without end",
      "[a]\nx = \xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87 ; \xE5\xBC\x90\n",
  };
  for (const char* file : files)
    EXPECT_EQ(read_with(qv_windows_ini_parse_stream, file), read_with(ini_parse_stream, file))
        << "file: " << file;
}

}  // namespace
