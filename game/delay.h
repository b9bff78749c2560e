// The flight's only clock: an empty counting loop whose length the player chose.
// What one count costs is set once at start-up by timing the loop's work, so
// that a Speed means the same pace on every machine.
#pragma once

#include <cstdint>

namespace Game {

// The time one count should take, in nanoseconds: Speed 220000 gives 400 steps a second.
inline constexpr double Count_Cost_Ns = 1e9 / (400.0 * 220000.0);

// The chain of one count is set in 64ths of a link: rounding to whole links
// would be off by up to half a link, a twentieth of a count on a fast core and
// a tenth or more on a slow one, too much of the pace's tolerance.
inline constexpr int32_t Link_Fraction = 64;

// The chain of one count until a calibration sets it: 11 links, about right for a core near 4 GHz.
inline constexpr int32_t Default_Count_Chain = 11 * Link_Fraction;

// The longest chain a calibration chooses: a link costs about four cycles, so
// even a core four times faster than today's fastest needs fewer than 64 links.
inline constexpr int32_t Max_Count_Chain = 64 * Link_Fraction;

// How a calibration samples the loop: every sample is one delay of
// Probe_Speed counts. Warm_Up_Samples of them at the default chain give a
// first estimate, and warm the code and the core; Calibration_Samples at that
// estimate give the chain. Cost_Samples pairs of back-to-back readings, when
// there are any, give what reading the clock costs, taken from every sample.
struct Calibration_Plan {
  int32_t Probe_Speed;
  int32_t Warm_Up_Samples, Calibration_Samples;
  int32_t Cost_Samples;
};

// On a clock of the thread's own running time: a dozen samples of about
// 0.19 ms at the pace sought, each read at its two ends.
inline constexpr Calibration_Plan Running_Time_Plan = {16384, 3, 12, 0};

// On a wall clock, which also counts the moments the thread waited while
// other threads had its core, as the Wine server and its services take it
// again and again while a program starts: samples 8 times shorter (about
// 23 us), 8 times as many, so that a moment of another thread stretches the
// one sample it falls into, which the typical sample leaves out, rather than
// every one of a dozen. Reading the counter under Wine takes half a
// microsecond, too much to leave in so short a sample.
inline constexpr Calibration_Plan Wall_Time_Plan = {2048, 24, 96, 16};

// On a wall clock read in steps of up to 100 us (a browser's, with a random
// threshold in each step, so that a difference is right on average): samples
// of about 2 ms, whose readings are off by a twentieth at most and a
// sixtieth on average, two dozen of them, so that their typical time is
// right to a few thousandths.
inline constexpr Calibration_Plan Coarse_Wall_Time_Plan = {176000, 4, 24, 0};

// The most samples a round of any plan takes.
inline constexpr int32_t Max_Samples = 96;

// A clock that reads nanoseconds; the calibration takes one as a parameter, so tests can script it.
using Nanosecond_Clock = int64_t (*)();

// What a calibration measured and what it chose.
struct Delay_Calibration {
  double Link_Ns;       // one link's typical cost in the calibration samples; 0 when
                        // none of them was usable
  int32_t Count_Chain;  // 64ths of a link that bring one count nearest Count_Cost_Ns,
                        // from one link (Link_Fraction) to Max_Count_Chain
};

// The links a delay runs: every count its whole links, then the fractions of
// a link the counts are owed, one link each, so Speed counts cost Speed times the chain.
struct Delay_Plan {
  int64_t Counts;           // Speed, or 0 when Speed <= 0
  int32_t Links_Per_Count;  // the chain's whole links
  int64_t Fraction_Links;   // Counts times the chain's 64ths beyond its whole links, over 64, rounded down
};

// The plan of a delay of Speed counts of Count_Chain 64ths of a link each.
// 64-bit counts: Speed = 2^31 - 1 with a chain of 63/64 beyond its links does not overflow.
constexpr Delay_Plan Plan_Delay(int32_t Speed, int32_t Count_Chain) {
  if (Speed <= 0) return {0, 0, 0};
  return {Speed, Count_Chain / Link_Fraction, int64_t{Speed} * (Count_Chain % Link_Fraction) / Link_Fraction};
}

// Runs Plan, one call of Link a link: the delay's loops, with the link as a
// parameter so that a test can count the links.
template <typename Link_Operation>
inline void Run_Plan(const Delay_Plan& Plan, Link_Operation&& Link) {
  for (int64_t Count = 1; Count <= Plan.Counts; ++Count) {
    for (int32_t Whole = 0; Whole < Plan.Links_Per_Count; ++Whole) Link();
  }
  for (int64_t Fraction = 0; Fraction < Plan.Fraction_Links; ++Fraction) Link();
}

// Chooses the chain of one count by timing delays of Plan.Probe_Speed counts
// on Clock: the typical warm-up sample rescales the default chain, then the
// typical calibration sample, run at that chain, rescales it again. Typical:
// the mean of the samples within a tenth above the median, since play runs at
// the loop's usual cost, not at its best. With Plan.Cost_Samples, the typical
// time between two back-to-back readings is taken from every sample first.
// Samples that read no time or a negative time are ignored; a round with none
// left keeps the chain it started from.
Delay_Calibration Measure_Delay(Nanosecond_Clock Clock, const Calibration_Plan& Plan = Running_Time_Plan);

// Measures on the platform's fine clock (frame/platform.h), with the plan
// for the time it reads (the thread's running time, or wall time), and makes
// Delay use the chain chosen.
Delay_Calibration Calibrate_Delay();

// Counts from 1 to Speed, each count doing a chain of dependent integer work of
// the calibrated length; nothing happens when Speed <= 0. Reads no clock.
void Delay(int32_t Speed);

}  // namespace Game
