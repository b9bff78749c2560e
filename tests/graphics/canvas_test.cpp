// The shared rasteriser on a bare canvas: what a presenting thread sees (dirty
// rows, the clear count) and the shapes only the canvas can judge (ellipses
// and circles against their bounding boxes).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <tuple>
#include <utility>
#include <vector>

#include "graphics/backend/canvas.h"

namespace {

constexpr int32_t Black = 0, White = 15;
constexpr int32_t Fill = 0, No_Fill = 1;

std::vector<int32_t> Dirty_Rows(Canvas& Surface) {
  std::vector<int32_t> Rows;
  for (int32_t Y = 0; Y < Surface.Height; ++Y)
    if (Canvas_Take_Dirty_Row(Surface, Y)) Rows.push_back(Y);
  return Rows;
}

TEST(Canvas, EveryTouchedRowAndOnlyThoseIsMarkedDirty) {
  Canvas Surface;
  Canvas_Create(Surface, 40, 30);
  EXPECT_EQ(Dirty_Rows(Surface).size(), 30u);  // a new surface must be shown whole
  EXPECT_TRUE(Dirty_Rows(Surface).empty());    // taking a mark clears it

  ASSERT_EQ(Canvas_Put_Pixel(Surface, 3, 7, Black), 0);
  EXPECT_EQ(Dirty_Rows(Surface), std::vector<int32_t>{7});
  ASSERT_EQ(Canvas_Line(Surface, 0, 2, 39, 4, Black), 0);
  EXPECT_EQ(Dirty_Rows(Surface), (std::vector<int32_t>{2, 3, 4}));
  ASSERT_EQ(Canvas_Box(Surface, 5, 10, 8, 12, Black, No_Fill), 0);
  EXPECT_EQ(Dirty_Rows(Surface), (std::vector<int32_t>{10, 11, 12}));
  ASSERT_EQ(Canvas_Box(Surface, -5, 15, 50, 16, Black, Fill), 0);
  EXPECT_EQ(Dirty_Rows(Surface), (std::vector<int32_t>{15, 16}));
  ASSERT_EQ(Canvas_Text(Surface, -100, 20, "a", Black), 0);  // wholly clipped
  ASSERT_EQ(Canvas_Put_Pixel(Surface, 40, 5, Black), 0);
  EXPECT_TRUE(Dirty_Rows(Surface).empty());

  const uint32_t Clears = std::atomic_ref<uint32_t>(Surface.Clear_Count).load();
  ASSERT_EQ(Canvas_Clear(Surface, White), 0);
  EXPECT_EQ(std::atomic_ref<uint32_t>(Surface.Clear_Count).load(), Clears + 1);
  EXPECT_EQ(Dirty_Rows(Surface).size(), 30u);
}

// An ellipse fills exactly the rows and columns of its rectangle, touching all
// four sides and never leaving it; its outline is the filled shape's border.
TEST(Canvas, EllipsesAndCirclesFitTheirBoxes) {
  for (const auto& [Left, Top, Right, Bottom] :
       {std::tuple{10, 10, 10, 10}, {10, 10, 11, 30}, {5, 5, 60, 12}, {20, 3, 50, 50}, {1, 1, 62, 62}}) {
    Canvas Filled_Shape, Outline_Shape;
    Canvas_Create(Filled_Shape, 64, 64);
    Canvas_Create(Outline_Shape, 64, 64);
    ASSERT_EQ(Canvas_Ellipse(Filled_Shape, Right, Bottom, Left, Top, Black, Fill), 0);
    ASSERT_EQ(Canvas_Ellipse(Outline_Shape, Left, Top, Right, Bottom, Black, No_Fill), 0);
    int32_t Min_X = 64, Max_X = -1, Min_Y = 64, Max_Y = -1;
    for (int32_t Y = 0; Y < 64; ++Y)
      for (int32_t X = 0; X < 64; ++X) {
        const bool In_Fill = Canvas_Get_Pixel(Filled_Shape, X, Y) == Black;
        const bool In_Outline = Canvas_Get_Pixel(Outline_Shape, X, Y) == Black;
        ASSERT_TRUE(In_Fill || !In_Outline) << X << "," << Y;
        if (!In_Fill) continue;
        Min_X = std::min(Min_X, X), Max_X = std::max(Max_X, X);
        Min_Y = std::min(Min_Y, Y), Max_Y = std::max(Max_Y, Y);
        // A filled pixel with a four-neighbour outside the shape is on the outline.
        const bool Border = Canvas_Get_Pixel(Filled_Shape, X - 1, Y) != Black ||
                            Canvas_Get_Pixel(Filled_Shape, X + 1, Y) != Black ||
                            Canvas_Get_Pixel(Filled_Shape, X, Y - 1) != Black ||
                            Canvas_Get_Pixel(Filled_Shape, X, Y + 1) != Black;
        EXPECT_EQ(In_Outline, Border) << X << "," << Y;
      }
    EXPECT_EQ(std::tie(Min_X, Min_Y, Max_X, Max_Y), std::tie(Left, Top, Right, Bottom));
  }

  Canvas Surface;
  Canvas_Create(Surface, 21, 21);
  ASSERT_EQ(Canvas_Circle(Surface, 10, 10, 0, Black, No_Fill), 0);  // radius 0: the centre alone
  ASSERT_EQ(Canvas_Get_Pixel(Surface, 10, 10), Black);
  ASSERT_EQ(Canvas_Get_Pixel(Surface, 9, 10), White);
  ASSERT_EQ(Canvas_Circle(Surface, 10, 10, 10, Black, No_Fill), 0);
  for (int32_t Y = 0; Y < 21; ++Y)  // symmetric under both mirrors and the diagonal
    for (int32_t X = 0; X < 21; ++X) {
      const int32_t Pixel = Canvas_Get_Pixel(Surface, X, Y);
      EXPECT_EQ(Pixel, Canvas_Get_Pixel(Surface, 20 - X, Y));
      EXPECT_EQ(Pixel, Canvas_Get_Pixel(Surface, X, 20 - Y));
      EXPECT_EQ(Pixel, Canvas_Get_Pixel(Surface, Y, X));
    }
  for (const auto& [X, Y] : {std::pair{0, 10}, {20, 10}, {10, 0}, {10, 20}}) EXPECT_EQ(Canvas_Get_Pixel(Surface, X, Y), Black);
}

}  // namespace
