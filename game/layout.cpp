#include "game/layout.h"

#include "frame/checked.h"
#include "graphics/tarnwick.h"

namespace Game {

using Tarnwick::Color_Type;
using Tarnwick::Fill_Type;

namespace {

constexpr int32_t Frame_Margin = 10;        // top, left and bottom edges
constexpr int32_t Right_Wall_Margin = 20;   // the right edge lies on Width - 20
constexpr int32_t Obstacle_Side = 20;       // corner to corner: 21 pixels with both corners
constexpr int32_t Obstacle_Left_Bound = 80; // keeps the flight's first 60 columns free
constexpr int32_t Obstacle_Right_Margin = 40;
constexpr int32_t Obstacle_Top_Bound = 40;
constexpr int32_t Obstacle_Bottom_Margin = 40;

}  // namespace

void Setup(Random_State& Generator, int32_t Width, int32_t Height, int32_t Count) {
  Tarnwick::Clear_Window(Color_Type::White);

  const int32_t Wall_X = Checked::Subtract(Width, Right_Wall_Margin);
  Tarnwick::Draw_Box(Frame_Margin, Frame_Margin, Wall_X, Checked::Subtract(Height, Frame_Margin),
                     Color_Type::Black, Fill_Type::No_Fill);

  // The gap is a white line over the right edge, from the lower end up to the upper.
  const int32_t Middle = Height / 2;
  Tarnwick::Draw_Line(Wall_X, Checked::Add(Middle, Gap_Half_Height), Wall_X,
                      Checked::Subtract(Middle, Gap_Half_Height), Color_Type::White);

  // Obstacles come after the gap, so one at the far right may close part of it.
  // Counting from 0 keeps the counter clear of overflow even for Count = 2^31 - 1.
  for (int32_t Drawn = 0; Drawn < Count; ++Drawn) {
    const int32_t X = RandInt(Generator, Obstacle_Left_Bound, Checked::Subtract(Width, Obstacle_Right_Margin));
    const int32_t Y = RandInt(Generator, Obstacle_Top_Bound, Checked::Subtract(Height, Obstacle_Bottom_Margin));
    Tarnwick::Draw_Box(X, Y, Checked::Add(X, Obstacle_Side), Checked::Add(Y, Obstacle_Side),
                       Color_Type::Black, Fill_Type::No_Fill);
  }
}

}  // namespace Game
