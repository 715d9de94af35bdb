#include "system/printable.hpp"

namespace qv {
namespace {

void escape_byte(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

bool continuation(unsigned char byte, unsigned char lo = 0x80, unsigned char hi = 0xbf) {
  return byte >= lo && byte <= hi;
}

// The length of the well-formed UTF-8 sequence that starts `text` at `i`, or 0 when it is
// none (a stray continuation byte, an overlong form, a surrogate, past U+10FFFF, cut short).
size_t sequence_length(std::string_view text, size_t i) {
  auto at = [&](size_t k) -> unsigned char {
    return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
  };
  unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) return continuation(at(1)) ? 2 : 0;
  if (lead >= 0xe0 && lead <= 0xef) {
    unsigned char lo = lead == 0xe0 ? 0xa0 : 0x80, hi = lead == 0xed ? 0x9f : 0xbf;
    return continuation(at(1), lo, hi) && continuation(at(2)) ? 3 : 0;
  }
  if (lead >= 0xf0 && lead <= 0xf4) {
    unsigned char lo = lead == 0xf0 ? 0x90 : 0x80, hi = lead == 0xf4 ? 0x8f : 0xbf;
    return continuation(at(1), lo, hi) && continuation(at(2)) && continuation(at(3)) ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    size_t length = sequence_length(text, i);
    if (length == 0) {
      escape_byte(out, byte);
      ++i;
    } else if (length == 2 && byte == 0xc2 && static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
      out += "\\u00";  // a C1 control
      out += "0123456789abcdef"[static_cast<unsigned char>(text[i + 1]) >> 4];
      out += "0123456789abcdef"[text[i + 1] & 15];
      i += 2;
    } else if (byte == '\n' || byte == '\r' || byte == '\t') {
      out += byte == '\n' ? "\\n" : byte == '\r' ? "\\r" : "\\t";
      ++i;
    } else if (byte < 0x20 || byte == 0x7f) {
      escape_byte(out, byte);
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace qv
