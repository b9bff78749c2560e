#include "game/delay.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "frame/platform.h"

namespace Game {

namespace {

// The chain of one count, in 64ths of a link; set by Calibrate_Delay before the game starts.
int32_t Count_Chain = Default_Count_Chain;

// Runs Plan's links. Each link is a multiply and an add that depend on the
// previous link, so the chain costs its latency (about 4 cycles a link)
// whatever the core's width. Kept out of line, so the calibration times the
// very code the delay runs.
[[gnu::noinline]] void Run_Links(const Delay_Plan& Plan) {
  uint32_t Work = 1;
  Run_Plan(Plan, [&Work] {
    Work = Work * 0x9E3779B1u + 1u;
    // The empty statement claims to read and change Work, so the optimiser
    // can neither fold the chain nor drop the loop.
    asm volatile("" : "+r"(Work));
  });
}

// One round of the calibration: Samples delays of Probe_Speed counts at
// Chain, timed on Clock, and Chain rescaled by their typical time: the mean of
// the samples within a tenth above the median, the loop's usual cost. A
// sample that an interrupt (a fifth of a sample on a virtual machine), a
// stall or another thread (on a wall clock) slowed by more is left out: play
// pays for those too, but they are too rare and too large to average from a
// dozen samples. {0, Chain} when no sample read a time.
Delay_Calibration Measure_Round(Nanosecond_Clock Clock, int32_t Samples, int32_t Chain) {
  const Delay_Plan Probe = Plan_Delay(Probe_Speed, Chain);
  std::array<int64_t, std::max(Warm_Up_Samples, Calibration_Samples)> Times{};
  size_t Usable = 0;
  for (int32_t Sample = 0; Sample < Samples; ++Sample) {
    const int64_t Start = Clock();
    Run_Links(Probe);
    const int64_t End = Clock();
    // A clock that stood still, went back or jumped beyond the 64-bit range says nothing.
    int64_t Elapsed = 0;
    if (__builtin_sub_overflow(End, Start, &Elapsed) || Elapsed <= 0) continue;
    Times[Usable++] = Elapsed;
  }
  if (Usable == 0) return {0.0, Chain};

  // The median is the upper of the two middle times when their number is even.
  std::sort(Times.begin(), Times.begin() + Usable);
  const double Limit = 1.1 * static_cast<double>(Times[Usable / 2]);
  double Sum = 0;
  int32_t Kept = 0;
  for (size_t Index = 0; Index < Usable && static_cast<double>(Times[Index]) <= Limit; ++Index, ++Kept)
    Sum += static_cast<double>(Times[Index]);
  const double Typical = Sum / Kept;
  const double Links = static_cast<double>(Probe.Counts * Probe.Links_Per_Count + Probe.Fraction_Links);
  const double Rescaled = std::round(Chain * (Probe_Speed * Count_Cost_Ns) / Typical);
  return {Typical / Links, static_cast<int32_t>(std::clamp(Rescaled, double{Link_Fraction}, double{Max_Count_Chain}))};
}

}  // namespace

int64_t Thread_Cpu_Time_Ns() { return Platform::Fine_Clock_Ns(); }

Delay_Calibration Measure_Delay(Nanosecond_Clock Clock) {
  const Delay_Calibration Warm_Up = Measure_Round(Clock, Warm_Up_Samples, Default_Count_Chain);
  return Measure_Round(Clock, Calibration_Samples, Warm_Up.Count_Chain);
}

Delay_Calibration Calibrate_Delay() {
  const Delay_Calibration Result = Measure_Delay(Thread_Cpu_Time_Ns);
  Count_Chain = Result.Count_Chain;
  return Result;
}

void Delay(int32_t Speed) { Run_Links(Plan_Delay(Speed, Count_Chain)); }

}  // namespace Game
