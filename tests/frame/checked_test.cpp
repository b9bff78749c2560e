// The checked 32-bit helpers at their edges: exact results inside the range,
// CONSTRAINT_ERROR one step beyond it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

#include "frame/checked.h"

namespace {

// The error a computation raised, or nullptr when it returned.
const Error_Id* Raised_By(const std::function<void()>& Computation) {
  try {
    Computation();
  } catch (const Raised_Error& Error) {
    return Error.Id;
  }
  return nullptr;
}

TEST(Checked, ArithmeticIsExactUpToTheLimitsAndRaisesBeyond) {
  EXPECT_EQ(Checked::Add(INT32_MAX - 1, 1), INT32_MAX);
  EXPECT_EQ(Checked::Add(INT32_MIN, 0), INT32_MIN);
  EXPECT_EQ(Checked::Subtract(INT32_MIN + 1, 1), INT32_MIN);
  EXPECT_EQ(Checked::Subtract(-1, INT32_MIN), INT32_MAX);
  EXPECT_EQ(Checked::Multiply(16807, 127773), 2147480811);
  EXPECT_EQ(Checked::Multiply(-65536, 32768), INT32_MIN);

  const std::function<void()> Overflows[] = {
      [] { Checked::Add(INT32_MAX, 1); },
      [] { Checked::Add(INT32_MIN, -1); },
      [] { Checked::Subtract(INT32_MIN, 1); },
      [] { Checked::Subtract(0, INT32_MIN); },
      [] { Checked::Multiply(65536, 32768); },
      [] { Checked::Multiply(-1, INT32_MIN); },
  };
  for (const auto& Overflow : Overflows) EXPECT_EQ(Raised_By(Overflow), &Constraint_Error);
}

TEST(Checked, ConversionsRoundHalvesAwayFromZeroAndRejectWhatDoesNotFit) {
  const struct {
    double Value;
    int32_t Expected;
  } Roundings[] = {
      {-0.5, -1}, {0.5, 1}, {-0.3, 0}, {3.2, 3}, {2.5, 3}, {-2.5, -3},
      {2147483647.4, INT32_MAX}, {-2147483648.4, INT32_MIN},
  };
  for (const auto& Case : Roundings) EXPECT_EQ(Checked::To_Integer(Case.Value), Case.Expected) << Case.Value;
  EXPECT_EQ(Checked::To_Integer(int64_t{INT32_MIN}), INT32_MIN);
  EXPECT_EQ(Checked::To_Integer(int64_t{INT32_MAX}), INT32_MAX);

  const std::function<void()> Out_Of_Range[] = {
      [] { Checked::To_Integer(2147483647.5); },
      [] { Checked::To_Integer(2147483648.0); },
      [] { Checked::To_Integer(-2147483648.5); },
      [] { Checked::To_Integer(std::nan("")); },
      [] { Checked::To_Integer(int64_t{INT32_MAX} + 1); },
      [] { Checked::To_Integer(int64_t{INT32_MIN} - 1); },
  };
  for (const auto& Conversion : Out_Of_Range) EXPECT_EQ(Raised_By(Conversion), &Constraint_Error);
}

}  // namespace
