// Checked 32-bit signed arithmetic: each helper returns the exact result or
// raises CONSTRAINT_ERROR when it does not fit in 32 bits. All the game's
// arithmetic goes through these; the graphics interface does none of its own
// on the numbers it passes to the library.
#pragma once

#include <cmath>
#include <cstdint>

#include "frame/errors.h"

namespace Checked {

inline int32_t Add(int32_t Left, int32_t Right) {
  int32_t Result;
  if (__builtin_add_overflow(Left, Right, &Result)) raise_constraint_error();
  return Result;
}

inline int32_t Subtract(int32_t Left, int32_t Right) {
  int32_t Result;
  if (__builtin_sub_overflow(Left, Right, &Result)) raise_constraint_error();
  return Result;
}

inline int32_t Multiply(int32_t Left, int32_t Right) {
  int32_t Result;
  if (__builtin_mul_overflow(Left, Right, &Result)) raise_constraint_error();
  return Result;
}

// A wider integer converted to 32 bits; out of range raises.
inline int32_t To_Integer(int64_t Value) {
  if (Value < INT32_MIN || Value > INT32_MAX) raise_constraint_error();
  return static_cast<int32_t>(Value);
}

// A floating-point value rounded to the nearest integer, halves away from zero;
// a NaN or a value whose rounding lies outside 32 bits raises.
inline int32_t To_Integer(double Value) {
  if (!(Value > -2147483649.0 && Value < 2147483648.0)) raise_constraint_error();
  const double Rounded = std::trunc(Value >= 0.0 ? Value + 0.5 : Value - 0.5);
  if (Rounded < -2147483648.0 || Rounded > 2147483647.0) raise_constraint_error();
  return static_cast<int32_t>(Rounded);
}

}  // namespace Checked
