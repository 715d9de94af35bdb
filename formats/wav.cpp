#include "formats/wav.hpp"

namespace qv {
namespace {

uint32_t le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void put_le(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> encode_wav(const Wave& wave) {
  uint32_t channels = static_cast<uint32_t>(wave.channels);
  uint32_t rate = static_cast<uint32_t>(wave.sample_rate);
  uint32_t data_bytes = static_cast<uint32_t>(wave.samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + data_bytes);
  put_le(out, 0x46464952, 4);  // RIFF
  put_le(out, 36 + data_bytes, 4);
  put_le(out, 0x45564157, 4);  // WAVE
  put_le(out, 0x20746D66, 4);  // "fmt "
  put_le(out, 16, 4);
  put_le(out, 1, 2);  // PCM
  put_le(out, channels, 2);
  put_le(out, rate, 4);
  put_le(out, rate * channels * 2, 4);
  put_le(out, channels * 2, 2);
  put_le(out, 16, 2);
  put_le(out, 0x61746164, 4);  // data
  put_le(out, data_bytes, 4);
  for (int16_t s : wave.samples) put_le(out, static_cast<uint16_t>(s), 2);
  return out;
}

std::optional<Wave> parse_wav(const uint8_t* data, size_t size) {
  if (!data || size < 12 || le(data, 4) != 0x46464952 /* RIFF */ ||
      le(data + 8, 4) != 0x45564157 /* WAVE */)
    return std::nullopt;
  size_t pos = 12;
  uint32_t channels = 0, rate = 0, bits = 0;
  bool have_format = false;
  while (size - pos >= 8) {
    uint32_t id = le(data + pos, 4);
    uint32_t len = le(data + pos + 4, 4);
    pos += 8;
    if (len > size - pos) return std::nullopt;
    if (id == 0x20746D66 /* "fmt " */) {
      if (len < 16) return std::nullopt;
      uint32_t tag = le(data + pos, 2);
      channels = le(data + pos + 2, 2);
      rate = le(data + pos + 4, 4);
      bits = le(data + pos + 14, 2);
      if (tag != 1 || channels < 1 || channels > 2 || rate < 1000 || rate > 192000 ||
          (bits != 8 && bits != 16))
        return std::nullopt;
      have_format = true;
    } else if (id == 0x61746164 /* data */) {
      if (!have_format) return std::nullopt;
      Wave w;
      w.sample_rate = static_cast<int32_t>(rate);
      w.channels = static_cast<int32_t>(channels);
      size_t frame_bytes = channels * bits / 8;
      size_t frames = len / frame_bytes;
      w.samples.resize(frames * channels);
      const uint8_t* s = data + pos;
      for (size_t i = 0; i < frames * channels; ++i) {
        w.samples[i] = bits == 16 ? static_cast<int16_t>(le(s + 2 * i, 2))
                                  : static_cast<int16_t>((static_cast<int>(s[i]) - 128) << 8);
      }
      return w;
    }
    pos += len + (len & 1);  // chunks are padded to even length
    if (pos > size) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace qv
