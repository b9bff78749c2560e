#include "game/delay.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "frame/platform.h"

namespace Game {

namespace {

// The chain of one count, in 64ths of a link; set by Calibrate_Delay before the game starts.
int32_t Count_Chain = Default_Count_Chain;

// Where each delay leaves its chain's last value.
volatile uint32_t Chain_End;

// Runs the links of the Delay_Plan at Plan. Each link is a multiply and an
// add that depend on the previous link, so the chain costs its latency
// (about 4 cycles a link) whatever the core's width. The calibration and the
// delay both run it apart (Platform::Run_Apart), so that the calibration
// times the very code the delay runs: no copy of it merged into a caller.
void Run_Links(const void* Plan) {
  uint32_t Work = 1;
  Run_Plan(*static_cast<const Delay_Plan*>(Plan), [&Work] {
    Work = Work * 0x9E3779B1u + 1u;
    // The empty statement claims to read and change Work, so the optimiser
    // can neither fold the chain nor drop the loop.
    asm volatile("" : "+r"(Work));
  });
  // The statement above is gone once WebAssembly is compiled, and the
  // browser's optimising compiler would drop a chain whose value nothing
  // uses: the delay would cost what the tier the code runs in makes of it.
  Chain_End = Work;
}

// The typical time of Times (sorted here): the mean of those within a tenth
// above the median. A sample that an interrupt (a fifth of a sample on a
// virtual machine), a stall or another thread (on a wall clock) slowed by more
// is left out: play pays for those too, but they are too rare and too large to
// average from the samples of one round.
double Typical_Time(int64_t* Times, size_t Count) {
  // The median is the upper of the two middle times when their number is even.
  std::sort(Times, Times + Count);
  const double Limit = 1.1 * static_cast<double>(Times[Count / 2]);
  double Sum = 0;
  int32_t Kept = 0;
  for (size_t Index = 0; Index < Count && static_cast<double>(Times[Index]) <= Limit; ++Index, ++Kept)
    Sum += static_cast<double>(Times[Index]);
  return Sum / Kept;
}

// The time from one reading of Clock to the next, Start to End; false when
// the clock stood still, went back or jumped beyond the 64-bit range.
bool Elapsed_Between(int64_t Start, int64_t End, int64_t& Elapsed) {
  return !__builtin_sub_overflow(End, Start, &Elapsed) && Elapsed > 0;
}

// What reading Clock costs: the typical time between two back-to-back
// readings of Samples pairs; 0 without samples or when none read a time.
double Reading_Cost(Nanosecond_Clock Clock, int32_t Samples) {
  std::array<int64_t, Max_Samples> Times{};
  size_t Usable = 0;
  for (int32_t Sample = 0; Sample < Samples; ++Sample) {
    const int64_t Start = Clock();
    const int64_t End = Clock();
    if (int64_t Elapsed = 0; Elapsed_Between(Start, End, Elapsed)) Times[Usable++] = Elapsed;
  }
  return Usable == 0 ? 0.0 : Typical_Time(Times.data(), Usable);
}

// One round of the calibration: Samples delays of Probe_Speed counts at
// Chain, timed on Clock less Cost, and Chain rescaled by their typical time.
// {0, Chain} when no sample read a time.
Delay_Calibration Measure_Round(Nanosecond_Clock Clock, int32_t Probe_Speed, int32_t Samples, double Cost,
                                int32_t Chain) {
  const Delay_Plan Probe = Plan_Delay(Probe_Speed, Chain);
  std::array<int64_t, Max_Samples> Times{};
  size_t Usable = 0;
  for (int32_t Sample = 0; Sample < Samples; ++Sample) {
    const int64_t Start = Clock();
    Platform::Run_Apart(Run_Links, &Probe);
    const int64_t End = Clock();
    if (int64_t Elapsed = 0; Elapsed_Between(Start, End, Elapsed)) Times[Usable++] = Elapsed;
  }
  if (Usable == 0) return {0.0, Chain};

  // A reading cost not below the samples' time says nothing, and is not taken.
  const double Measured = Typical_Time(Times.data(), Usable);
  const double Typical = Cost < Measured ? Measured - Cost : Measured;
  const double Links = static_cast<double>(Probe.Counts * Probe.Links_Per_Count + Probe.Fraction_Links);
  const double Rescaled = std::round(Chain * (Probe_Speed * Count_Cost_Ns) / Typical);
  return {Typical / Links, static_cast<int32_t>(std::clamp(Rescaled, double{Link_Fraction}, double{Max_Count_Chain}))};
}

// The plan for what the platform's clock reads.
const Calibration_Plan& Plan_For(Platform::Clock_Kind Kind) {
  switch (Kind) {
    case Platform::Clock_Kind::Running_Time: return Running_Time_Plan;
    case Platform::Clock_Kind::Wall_Time: return Wall_Time_Plan;
    case Platform::Clock_Kind::Coarse_Wall_Time: return Coarse_Wall_Time_Plan;
  }
  return Wall_Time_Plan;
}

}  // namespace

Delay_Calibration Measure_Delay(Nanosecond_Clock Clock, const Calibration_Plan& Plan) {
  const double Cost = Reading_Cost(Clock, std::min(Plan.Cost_Samples, Max_Samples));
  const Delay_Calibration Warm_Up =
      Measure_Round(Clock, Plan.Probe_Speed, std::min(Plan.Warm_Up_Samples, Max_Samples), Cost, Default_Count_Chain);
  return Measure_Round(Clock, Plan.Probe_Speed, std::min(Plan.Calibration_Samples, Max_Samples), Cost,
                       Warm_Up.Count_Chain);
}

Delay_Calibration Calibrate_Delay() {
  const Delay_Calibration Result = Measure_Delay(Platform::Fine_Clock_Ns, Plan_For(Platform::Fine_Clock_Kind));
  Count_Chain = Result.Count_Chain;
  return Result;
}

void Delay(int32_t Speed) {
  const Delay_Plan Plan = Plan_Delay(Speed, Count_Chain);
  Platform::Run_Apart(Run_Links, &Plan);
}

}  // namespace Game
