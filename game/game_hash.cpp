#include "game/game_hash.hpp"

#include "game/game.hpp"
#include "system/random.hpp"

namespace qv {
namespace {

void add(Fnv1a64& h, const Int& v) {
  h.u32(static_cast<uint32_t>(static_cast<int32_t>(v)));
}

template <int32_t U>
void add(Fnv1a64& h, const IntArray<U>& a) {
  for (int32_t i = 0; i <= U; ++i) add(h, a[i]);
}

template <int32_t U1, int32_t U2>
void add(Fnv1a64& h, const IntGrid<U1, U2>& g) {
  for (int32_t a = 0; a <= U1; ++a)
    for (int32_t b = 0; b <= U2; ++b) add(h, g(a, b));
}

void add(Fnv1a64& h, const Timer& t) {
  h.u32(static_cast<uint32_t>(t.Interval()));
  h.byte(t.Enabled() ? 1 : 0);
  h.u64(t.due_us());
}

}  // namespace

uint64_t check_value(const Game& game) {
  Fnv1a64 h;
  h.u64(static_cast<uint64_t>(game.current_step()));
  h.byte(game.ended() ? 1 : 0);
  h.u64(game.keys_digest());
  const Window& win = game.win();
  for_each_variable(win.s, [&](const char*, const auto& variable) { add(h, variable); });
  h.text(win.score1);
  add(h, win.op);
  add(h, win.time);
  add(h, win.Bgm_Check);
  h.u32(game.context().random.state());
  Media::Music music = game.media().music();
  h.text(music.tune);
  h.byte(music.playing ? 1 : 0);
  h.u64(music.position_us);
  return h.value();
}

uint64_t hash_of_bytes(std::string_view bytes) {
  Fnv1a64 h;
  for (char c : bytes) h.byte(static_cast<uint8_t>(c));
  return h.value();
}

void append_hex(std::string& out, uint64_t value) {
  for (int shift = 60; shift >= 0; shift -= 4) out += "0123456789abcdef"[(value >> shift) & 15];
}

}  // namespace qv
