#include "game/delay.h"

namespace Game {

namespace {

// Links in the chain of one count. Each link is a multiply and an add that
// depend on the previous link, so the chain costs its latency (about 4 cycles
// a link) whatever the core's width; 11 links put Speed = 220000 at 300 to
// 600 steps a second.
constexpr int Links_Per_Count = 11;

}  // namespace

void Delay(int32_t Speed) {
  uint32_t Work = 1;
  // A 64-bit counter, so that Speed = 2^31 - 1 ends without overflow.
  for (int64_t Count = 1; Count <= Speed; ++Count) {
    for (int Link = 0; Link < Links_Per_Count; ++Link) {
      Work = Work * 0x9E3779B1u + 1u;
      // The empty statement claims to read and change Work, so the optimiser
      // can neither fold the chain nor drop the loop.
      asm volatile("" : "+r"(Work));
    }
  }
}

}  // namespace Game
