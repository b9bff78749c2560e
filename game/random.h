// The game's random numbers: the minimal standard multiplicative congruential
// generator (multiplier 16807, modulus 2^31 - 1) in checked 32-bit arithmetic,
// with single-precision results. The state belongs to the game driver and is
// passed by reference; nothing here is global.
#pragma once

#include <cstdint>

namespace Game {

// The generator's whole state. 1 .. 2^31 - 2 gives the full period; 0 and
// 2147483647 lead to the fixed point 2147483647.
struct Random_State {
  int32_t Seed;
};

// Seed := (X mod 2147483647) + 1, with the mathematical (never negative) modulus.
void InitRandom(Random_State& State, int32_t X);

// Advances the state one step and returns Seed / 2^31 rounded to single precision, in (0.0, 1.0].
float Random(Random_State& State);

// One draw in Low .. High for ordinary draws (Low - 1 and High + 1 at the range's extremes).
int32_t RandInt(Random_State& State, int32_t Low, int32_t High);

// A state in 1 .. 2^31 - 2 made from any 64-bit value (never 0 or the fixed point).
int32_t Seed_From(uint64_t Entropy);

// A state in 1 .. 2^31 - 2 that differs from run to run (clock nanoseconds mixed with the process id).
int32_t Time_Dependent_Seed();

}  // namespace Game
