// The layout of one level: the picture in the window is the level's only
// state, so everything the flight will meet is drawn here.
#pragma once

#include <cstdint>

#include "game/random.h"

namespace Game {

// Half the height of the exit gap in the right-hand wall, around the middle row.
constexpr int32_t Gap_Half_Height = 30;

// Draws a white window, the black frame (x = 10 .. Width - 20, y = 10 .. Height - 10),
// the white exit gap over the right edge and Count hollow 21 x 21 squares at random places.
void Setup(Random_State& Generator, int32_t Width, int32_t Height, int32_t Count);

}  // namespace Game
