// The flight's only clock: an empty counting loop whose length the player chose.
#pragma once

#include <cstdint>

namespace Game {

// Counts from 1 to Speed, each count doing a fixed chain of dependent integer
// work (about 11 ns on a current x86-64 core, so 220000 takes about 2.4 ms);
// nothing happens when Speed <= 0.
void Delay(int32_t Speed);

}  // namespace Game
