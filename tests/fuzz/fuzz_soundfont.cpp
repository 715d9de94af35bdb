// Soundfonts the player may choose: cut down for a few instruments, any file gives a cut or
// nothing, and a cut cut again for the same instruments is the same file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "audio/soundfont_subset.hpp"

namespace {

std::string as_file(const uint8_t* data, size_t size, int& fd) {
  fd = memfd_create("soundfont", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

std::vector<qv::InstrumentUse> uses() {
  std::vector<qv::InstrumentUse> u = {{0, 0, {}}, {0, 5, {}}, {8, 9, {}}, {qv::kDrumBank, 3, {}}};
  u[0].keys.set();
  for (size_t k = 0; k < 64; ++k) u[1].keys.set(k);
  for (size_t k = 64; k < 128; ++k) u[2].keys.set(k);
  for (size_t k = 30; k < 50; ++k) u[3].keys.set(k);
  return u;
}

std::vector<uint8_t> bytes_of(const qv::SoundfontSubset& cut) {
  std::vector<uint8_t> bytes(static_cast<size_t>(cut.size()));
  if (!cut.read(0, bytes.data(), cut.size())) std::abort();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fd;
  std::shared_ptr<const qv::SoundfontSubset> cut =
      qv::SoundfontSubset::cut(as_file(data, size, fd), uses());
  close(fd);
  if (!cut) return 0;
  if (cut->size() > static_cast<int64_t>(size) || cut->sample_bytes() > cut->all_sample_bytes())
    std::abort();
  std::vector<uint8_t> once = bytes_of(*cut);
  std::shared_ptr<const qv::SoundfontSubset> again =
      qv::SoundfontSubset::cut(as_file(once.data(), once.size(), fd), uses());
  close(fd);
  if (!again || bytes_of(*again) != once || again->presets() != cut->presets()) std::abort();
  return 0;
}
