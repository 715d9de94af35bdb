// The game's numbers: 32-bit signed integers whose overflow, and array indices whose
// escape from their bounds, end the program with a report instead of undefined behaviour.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qv {

// Thrown for an overflow or an index out of bounds; the host reports it and ends the program.
class RunTimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void overflow_error(const char* what);
[[noreturn]] void index_error(const char* array, int32_t index, int32_t upper);

inline int32_t checked_add(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) overflow_error("addition");
  return r;
}
inline int32_t checked_sub(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) overflow_error("subtraction");
  return r;
}
inline int32_t checked_mul(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) overflow_error("multiplication");
  return r;
}

// A 32-bit game variable. It reads as an int32_t; arithmetic through its operators is checked.
class Int {
 public:
  constexpr Int() = default;
  constexpr Int(int32_t v) : v_(v) {}                // NOLINT: game code assigns plain numbers
  constexpr operator int32_t() const { return v_; }  // NOLINT: and reads them back

  Int& operator+=(int32_t d) {
    v_ = checked_add(v_, d);
    return *this;
  }
  Int& operator-=(int32_t d) {
    v_ = checked_sub(v_, d);
    return *this;
  }
  Int& operator++() { return *this += 1; }

  // For the counters that run on while nobody looks: a title or game-over screen left alone
  // for months, a game paused on the spot for most of a year, shots and swirls that fly off
  // and are never written again. Such a counter would overflow after weeks and end the
  // program, so it stops at the end of the range instead, and stays there.
  void saturating_add(int32_t d) {
    int32_t r;
    v_ = __builtin_add_overflow(v_, d, &r) ? (d > 0 ? INT32_MAX : INT32_MIN) : r;
  }

 private:
  int32_t v_ = 0;
};

inline Int operator+(Int a, int32_t b) {
  return checked_add(a, b);
}
inline Int operator+(int32_t a, Int b) {
  return checked_add(a, b);
}
inline Int operator+(Int a, Int b) {
  return checked_add(a, b);
}
inline Int operator-(Int a, int32_t b) {
  return checked_sub(a, b);
}
inline Int operator-(int32_t a, Int b) {
  return checked_sub(a, b);
}
inline Int operator-(Int a, Int b) {
  return checked_sub(a, b);
}
inline Int operator*(Int a, int32_t b) {
  return checked_mul(a, b);
}
inline Int operator*(int32_t a, Int b) {
  return checked_mul(a, b);
}
inline Int operator*(Int a, Int b) {
  return checked_mul(a, b);
}

// An array of game variables with the inclusive bounds 0..Upper, named for error reports.
template <int32_t Upper>
class IntArray {
 public:
  static constexpr int32_t upper = Upper;
  static constexpr int32_t size = Upper + 1;

  explicit constexpr IntArray(const char* name) : name_(name) {}

  Int& operator[](int32_t i) {
    if (i < 0 || i > Upper) index_error(name_, i, Upper);
    return v_[i];
  }
  const Int& operator[](int32_t i) const {
    if (i < 0 || i > Upper) index_error(name_, i, Upper);
    return v_[i];
  }
  const char* name() const { return name_; }

 private:
  const char* name_;
  Int v_[size] = {};
};

// A two-dimensional array with bounds 0..Upper1 by 0..Upper2 (the shots: gun by slot).
template <int32_t Upper1, int32_t Upper2>
class IntGrid {
 public:
  static constexpr int32_t upper1 = Upper1;
  static constexpr int32_t upper2 = Upper2;

  explicit constexpr IntGrid(const char* name) : name_(name) {}

  Int& operator()(int32_t a, int32_t b) {
    check(a, b);
    return v_[a][b];
  }
  const Int& operator()(int32_t a, int32_t b) const {
    check(a, b);
    return v_[a][b];
  }
  const char* name() const { return name_; }

 private:
  void check(int32_t a, int32_t b) const {
    if (a < 0 || a > Upper1) index_error(name_, a, Upper1);
    if (b < 0 || b > Upper2) index_error(name_, b, Upper2);
  }
  const char* name_;
  Int v_[Upper1 + 1][Upper2 + 1] = {};
};

}  // namespace qv
