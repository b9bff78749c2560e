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

// The calibration times Calibration_Samples runs of Calibration_Probe_Links links each.
inline constexpr int32_t Calibration_Samples = 6;
inline constexpr int64_t Calibration_Probe_Links = int64_t{1} << 18;

// A clock that reads nanoseconds; the calibration takes one as a parameter, so tests can script it.
using Nanosecond_Clock = int64_t (*)();

// What a calibration measured and what it chose.
struct Delay_Calibration {
  double Link_Ns;       // one link's cost in the fastest sample; 0 when no sample was usable
  int32_t Count_Chain;  // 64ths of a link that bring one count nearest Count_Cost_Ns,
                        // from one link (Link_Fraction) to Max_Count_Chain
};

// The calibration's clock in nanoseconds, the platform's fine clock
// (frame/platform.h): on Linux the calling thread's CPU time, which does not
// advance while another process has the core. 0 if the clock cannot be read.
int64_t Thread_Cpu_Time_Ns();

// Times the chain Calibration_Samples times on Clock and chooses the chain of
// one count from the fastest sample, since interference only ever slows a sample.
// Samples that read no time or a negative time are ignored; with none left the
// chain is Default_Count_Chain.
Delay_Calibration Measure_Delay(Nanosecond_Clock Clock);

// Measures on the thread's CPU-time clock and makes Delay use the chain chosen.
Delay_Calibration Calibrate_Delay();

// Counts from 1 to Speed, each count doing a chain of dependent integer work of
// the calibrated length; nothing happens when Speed <= 0. Reads no clock.
void Delay(int32_t Speed);

}  // namespace Game
