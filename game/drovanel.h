// The game's main procedure: the console dialogue around a run of levels.
#pragma once

#include <cstdint>

namespace Game {

// The main procedure the program frame calls once: calibrates the delay to this
// machine, then plays a game with a layout that differs from run to run.
void Drovanel();

// One whole game whose random generator starts from Initial_Seed (the test twin
// of the program replays fixed layouts with it), at the pace Calibrate_Delay
// set last, or at the default pace when nothing calibrated it.
void Play(int32_t Initial_Seed);

}  // namespace Game
