#include "game/delay.h"

#include <algorithm>
#include <cmath>

#include "frame/platform.h"

namespace Game {

namespace {

// The chain of one count, in 64ths of a link; set by Calibrate_Delay before the game starts.
int32_t Count_Chain = Default_Count_Chain;

// The probe runs the same nested loop as Delay, with as many links per count as
// a typical core needs, so it measures the loop the game will run.
constexpr int32_t Probe_Links_Per_Count = 8;
static_assert(Calibration_Probe_Links % Probe_Links_Per_Count == 0);

// Counts times Links links. Each link is a multiply and an add that depend on
// the previous link, so the chain costs its latency (about 4 cycles a link)
// whatever the core's width, and a count costs Links times one link. Kept out
// of line, so the calibration times the very code the delay runs.
[[gnu::noinline]] void Run_Chain(int64_t Counts, int32_t Links) {
  uint32_t Work = 1;
  for (int64_t Count = 1; Count <= Counts; ++Count) {
    for (int32_t Link = 0; Link < Links; ++Link) {
      Work = Work * 0x9E3779B1u + 1u;
      // The empty statement claims to read and change Work, so the optimiser
      // can neither fold the chain nor drop the loop.
      asm volatile("" : "+r"(Work));
    }
  }
}

}  // namespace

int64_t Thread_Cpu_Time_Ns() { return Platform::Fine_Clock_Ns(); }

Delay_Calibration Measure_Delay(Nanosecond_Clock Clock) {
  int64_t Fastest = 0;  // 0 until a sample reads a positive time
  for (int32_t Sample = 0; Sample < Calibration_Samples; ++Sample) {
    const int64_t Start = Clock();
    Run_Chain(Calibration_Probe_Links / Probe_Links_Per_Count, Probe_Links_Per_Count);
    const int64_t End = Clock();
    // A clock that stood still, went back or jumped beyond the 64-bit range says nothing.
    int64_t Elapsed = 0;
    if (__builtin_sub_overflow(End, Start, &Elapsed) || Elapsed <= 0) continue;
    if (Fastest == 0 || Elapsed < Fastest) Fastest = Elapsed;
  }
  if (Fastest == 0) return {0.0, Default_Count_Chain};

  const double Link_Ns = static_cast<double>(Fastest) / static_cast<double>(Calibration_Probe_Links);
  const double Chain = std::round(Count_Cost_Ns / Link_Ns * Link_Fraction);
  return {Link_Ns, static_cast<int32_t>(std::clamp(Chain, double{Link_Fraction}, double{Max_Count_Chain}))};
}

Delay_Calibration Calibrate_Delay() {
  const Delay_Calibration Result = Measure_Delay(Thread_Cpu_Time_Ns);
  Count_Chain = Result.Count_Chain;
  return Result;
}

void Delay(int32_t Speed) {
  if (Speed <= 0) return;
  // Every count runs the chain's whole links; the fractions of a link the
  // counts are owed run together after them, so Speed counts cost Speed times
  // the chain. Run_Chain's counter is 64-bit, so Speed = 2^31 - 1 ends without overflow.
  Run_Chain(Speed, Count_Chain / Link_Fraction);
  Run_Chain(int64_t{Speed} * (Count_Chain % Link_Fraction) / Link_Fraction, 1);
}

}  // namespace Game
