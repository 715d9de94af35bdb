#include "board/names.hpp"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace qv::board {
namespace {

constexpr int kLongest = 24;

bool is_mark(UChar32 c) {
  return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}
bool is_letter(UChar32 c) {
  return (U_GET_GC_MASK(c) & U_GC_L_MASK) != 0;
}
bool is_digit(UChar32 c) {
  return u_charType(c) == U_DECIMAL_DIGIT_NUMBER;
}

bool valid_utf8(const std::string& s) {
  // ICU puts U+FFFD in place of what is not UTF-8: the bytes then do not come back.
  std::string back;
  icu::UnicodeString::fromUTF8(s).toUTF8String(back);
  return back == s;
}

}  // namespace

std::optional<PlayerName> player_name(const std::string& utf8, std::string& why) {
  if (utf8.size() > 4 * kLongest * 4 || !valid_utf8(utf8)) {
    why = "a name is 1 to 24 letters, digits, spaces or - _ .";
    return std::nullopt;
  }
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  icu::UnicodeString name = nfc->normalize(icu::UnicodeString::fromUTF8(utf8), status);
  if (U_FAILURE(status)) {
    why = "the name cannot be read";
    return std::nullopt;
  }
  int32_t length = name.countChar32();
  if (length < 1 || length > kLongest) {
    why = "a name is 1 to 24 characters long";
    return std::nullopt;
  }
  UChar32 before = 0;
  for (int32_t i = 0; i < name.length(); i = name.moveIndex32(i, 1)) {
    UChar32 c = name.char32At(i);
    bool fits = is_letter(c) || is_digit(c) || c == '-' || c == '_' || c == '.' ||
                (c == ' ' && before != 0 && before != ' ') ||
                (is_mark(c) && (is_letter(before) || is_mark(before)));
    if (!fits) {
      why = "a name holds only letters, digits, single spaces between words and - _ .";
      return std::nullopt;
    }
    before = c;
  }
  if (before == ' ') {
    why = "a name does not end with a space";
    return std::nullopt;
  }
  PlayerName out;
  name.toUTF8String(out.shown);
  icu::UnicodeString folded = name;
  folded.foldCase();
  folded = nfc->normalize(folded, status);
  folded.toUTF8String(out.key);
  return out;
}

}  // namespace qv::board
