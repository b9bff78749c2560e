// The flight of the player's dot across one level that Setup has just drawn.
#pragma once

#include <cstdint>

namespace Game {

// The key a flight steers by before the first key is read: anything but 'a', so it starts upward.
constexpr unsigned char No_Key_Yet = 0;

// Flies the dot from (20, Height / 2) one column per step, down while the last
// key read is 'a' and up otherwise, leaving a black trail and writing one line
// terminator per step. True when it passes the wall column Width - 20, False when
// it moves onto a black pixel (drawn black first). Ok = False returns False at once.
bool Main_Proc(int32_t Width, int32_t Height, bool Ok, int32_t Speed);

}  // namespace Game
