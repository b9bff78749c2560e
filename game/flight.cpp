#include "game/flight.h"

#include "frame/checked.h"
#include "frame/console.h"
#include "game/delay.h"
#include "graphics/tarnwick.h"

namespace Game {

using Tarnwick::Color_Type;

namespace {

constexpr int32_t Start_X = 20;
constexpr int32_t Right_Wall_Margin = 20;  // the wall column is Width - 20
constexpr unsigned char Down_Key = 'a';    // only the lower-case letter; 'A' steers up

}  // namespace

bool Main_Proc(int32_t Width, int32_t Height, bool Ok, int32_t Speed) {
  int32_t X = Start_X;
  int32_t Y = Height / 2;  // the start point is neither tested nor drawn
  unsigned char Key = No_Key_Yet;

  while (Ok) {
    Delay(Speed);
    const int32_t NX = Checked::Add(X, 1);
    if (NX > Checked::Subtract(Width, Right_Wall_Margin)) break;  // past the wall: level done

    // One key per step at most; later keys wait for later steps.
    if (Tarnwick::Key_Hit()) Key = Tarnwick::Get_Key();
    const int32_t NY = Key == Down_Key ? Checked::Add(Y, 1) : Checked::Subtract(Y, 1);

    Console::New_Line(1);

    // Walls, obstacles and trail are found only by reading the picture back.
    if (Tarnwick::Get_Pixel(NX, NY) == Color_Type::Black) Ok = false;
    Tarnwick::Put_Pixel(NX, NY, Color_Type::Black);  // the colliding step is drawn too

    X = NX;
    Y = NY;
  }
  return Ok;
}

}  // namespace Game
