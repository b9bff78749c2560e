// The generator's step uses Schrage's decomposition so that every intermediate
// value fits in 32 bits; each operation is still checked, so a corrupt
// (negative) state raises CONSTRAINT_ERROR instead of wrapping.
//
// The single-precision roundings decide the draws at the very top and bottom
// of the range, so this file is compiled with -ffp-contract=off (no fused
// multiply-add may merge F x R with the following - 0.5) and relies on float
// arithmetic being evaluated in float (checked below).
#include "game/random.h"

#include <cfloat>
#include <chrono>

#include "frame/checked.h"
#include "frame/platform.h"

static_assert(FLT_EVAL_METHOD == 0, "float arithmetic must round to single precision at every step");

namespace Game {

namespace {

constexpr int32_t Multiplier = 16807;
constexpr int32_t Modulus = 2147483647;
constexpr int32_t Schrage_Quotient = 127773;  // Modulus div Multiplier
constexpr int32_t Schrage_Remainder = 2836;   // Modulus mod Multiplier
constexpr float Scale = 2147483648.0f;        // 2^31

// The mathematical modulus for a positive divisor: never negative.
int32_t Modulo(int32_t Value, int32_t Divisor) {
  const int32_t Remainder = Value % Divisor;
  return Remainder < 0 ? Remainder + Divisor : Remainder;
}

}  // namespace

void InitRandom(Random_State& State, int32_t X) {
  State.Seed = Checked::Add(Modulo(X, Modulus), 1);
}

float Random(Random_State& State) {
  const int32_t Hi = State.Seed / Schrage_Quotient;  // truncates toward zero
  const int32_t Lo = Modulo(State.Seed, Schrage_Quotient);
  const int32_t Test = Checked::Subtract(Checked::Multiply(Multiplier, Lo),
                                         Checked::Multiply(Schrage_Remainder, Hi));
  State.Seed = Test > 0 ? Test : Checked::Add(Test, Modulus);
  // The division by 2^31 is exact in double; the one rounding is to float.
  return static_cast<float>(static_cast<double>(State.Seed) / static_cast<double>(Scale));
}

int32_t RandInt(Random_State& State, int32_t Low, int32_t High) {
  const float R = Random(State);
  const int32_t N = Checked::Add(Checked::Subtract(High, Low), 1);
  const float F = static_cast<float>(N);
  float T = F * R;  // rounded to float
  T = T - 0.5f;     // rounded to float: this decides Low - 1 for the tiniest draws
  if (T < -Scale || T > Scale) raise_constraint_error();
  // Halves away from zero in double; T = 2^31 (N near 2^31 with R = 1.0) has no
  // 32-bit result and raises CONSTRAINT_ERROR here.
  const int32_t I = Checked::To_Integer(static_cast<double>(T));
  return Checked::Add(Low, I);
}

int32_t Seed_From(uint64_t Entropy) {
  // Modulus - 1 residues, shifted up by one: 1 .. 2^31 - 2.
  return static_cast<int32_t>(Entropy % static_cast<uint64_t>(Modulus - 1)) + 1;
}

int32_t Time_Dependent_Seed() {
  const auto Now = std::chrono::system_clock::now().time_since_epoch();
  uint64_t Mixed = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Now).count());
  Mixed ^= static_cast<uint64_t>(Platform::Process_Id()) << 32;
  // A 64-bit finaliser spreads the nanoseconds over every bit, so runs started
  // close together still get unrelated layouts.
  Mixed ^= Mixed >> 30;
  Mixed *= 0xbf58476d1ce4e5b9u;
  Mixed ^= Mixed >> 27;
  Mixed *= 0x94d049bb133111ebu;
  Mixed ^= Mixed >> 31;
  return Seed_From(Mixed);
}

}  // namespace Game
