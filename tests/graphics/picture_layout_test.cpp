// The canvas shown in a window of another size: placement and aspect ratio,
// and that shrinking never loses a one-pixel line while growing keeps edges sharp.
#include "graphics/backend/threaded/picture_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ranges>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Fit_Case {
  int32_t Canvas_Width, Canvas_Height, Output_Width, Output_Height;
  int32_t X, Y, Width, Height;  // where the picture should lie
};

TEST(Picture_Layout, PictureKeepsItsAspectRatioAndIsCentred) {
  const std::vector<Fit_Case> Cases = {
      {800, 600, 800, 600, 0, 0, 800, 600},      // the same size
      {800, 600, 1600, 1200, 0, 0, 1600, 1200},  // twice as large
      {800, 600, 796, 573, 16, 0, 764, 573},     // a little lower: black columns left and right
      {800, 600, 400, 600, 0, 150, 400, 300},    // narrower: black rows above and below
      {1024, 768, 3, 1, 1, 0, 1, 1},             // never smaller than one pixel
  };
  for (const Fit_Case& C : Cases) {
    const Picture_Layout Layout = Layout_Picture(C.Canvas_Width, C.Canvas_Height, C.Output_Width, C.Output_Height);
    EXPECT_EQ(Layout.X, C.X) << C.Output_Width << " x " << C.Output_Height;
    EXPECT_EQ(Layout.Y, C.Y) << C.Output_Width << " x " << C.Output_Height;
    EXPECT_EQ(Layout.Width, C.Width) << C.Output_Width << " x " << C.Output_Height;
    EXPECT_EQ(Layout.Height, C.Height) << C.Output_Width << " x " << C.Output_Height;
  }
}

// A white canvas with a black one-pixel frame on its edges and a black cross
// through its middle, composed at Layout's size.
std::vector<std::vector<uint8_t>> Shown_Frame_And_Cross(int32_t Width, int32_t Height, Picture_Layout& Layout) {
  Canvas Surface;
  Canvas_Create(Surface, Width, Height);
  Canvas_Box(Surface, 0, 0, Width - 1, Height - 1, 0, 1);
  Canvas_Line(Surface, Width / 2, 0, Width / 2, Height - 1, 0);
  Canvas_Line(Surface, 0, Height / 2, Width - 1, Height / 2, 0);
  std::vector<std::vector<uint8_t>> Picture(static_cast<size_t>(Layout.Height),
                                            std::vector<uint8_t>(static_cast<size_t>(Layout.Width)));
  for (int32_t Row = 0; Row < Layout.Height; ++Row) Compose_Picture_Row(Surface, Layout, Row, Picture[Row].data());
  return Picture;
}

TEST(Picture_Layout, ShrinkingKeepsEveryOnePixelLine) {
  for (const auto& [Width, Height] : {std::pair{800, 600}, std::pair{797, 601}, std::pair{1920, 1080}}) {
    for (const int32_t Output_Width : {700, 511, 333, 97}) {
      Picture_Layout Layout = Layout_Picture(Width, Height, Output_Width, Output_Width);
      const auto Picture = Shown_Frame_And_Cross(Width, Height, Layout);
      const auto Black_Row = [&](int32_t Row) {
        return std::ranges::all_of(Picture[static_cast<size_t>(Row)], [](uint8_t Code) { return Code == 0; });
      };
      const auto Black_Column = [&](int32_t Column) {
        return std::ranges::all_of(Picture, [&](const auto& Row) { return Row[static_cast<size_t>(Column)] == 0; });
      };
      const auto Black_Rows = std::ranges::count_if(std::views::iota(0, Layout.Height), Black_Row);
      const auto Black_Columns = std::ranges::count_if(std::views::iota(0, Layout.Width), Black_Column);
      SCOPED_TRACE(std::to_string(Width) + " x " + std::to_string(Height) + " in " + std::to_string(Output_Width));
      EXPECT_TRUE(Black_Row(0) && Black_Row(Layout.Height - 1) && Black_Column(0) && Black_Column(Layout.Width - 1));
      // The cross's lines are one picture pixel wide too: shrinking neither drops nor thickens them.
      EXPECT_EQ(Black_Rows, 3);
      EXPECT_EQ(Black_Columns, 3);
      EXPECT_EQ(Picture[1][1], 15) << "white stays white where no line is";
    }
  }
}

TEST(Picture_Layout, GrowingMakesEachCanvasPixelAWholeBlock) {
  Picture_Layout Layout = Layout_Picture(40, 30, 80, 60);
  const auto Picture = Shown_Frame_And_Cross(40, 30, Layout);
  for (int32_t Y = 0; Y < 60; ++Y)
    for (int32_t X = 0; X < 80; ++X) {
      const bool On_Line = X / 2 == 0 || X / 2 == 39 || X / 2 == 20 || Y / 2 == 0 || Y / 2 == 29 || Y / 2 == 15;
      EXPECT_EQ(Picture[static_cast<size_t>(Y)][static_cast<size_t>(X)], On_Line ? 0 : 15) << X << ", " << Y;
    }
}

TEST(Picture_Layout, MousePositionsMapBackToTheCanvas) {
  const Picture_Layout Layout = Layout_Picture(800, 600, 1600, 1400);  // picture at (0, 100), twice the size
  struct Point_Case {
    int32_t X, Y, Canvas_X, Canvas_Y;
  } Cases[] = {{0, 100, 0, 0}, {1599, 1299, 799, 599}, {801, 700, 400, 300}, {-5, 0, 0, 0}, {1700, 1399, 799, 599}};
  for (const Point_Case& C : Cases) {
    int32_t X = C.X, Y = C.Y;
    Canvas_Point_Of(Layout, X, Y);
    EXPECT_EQ(X, C.Canvas_X) << C.X << ", " << C.Y;
    EXPECT_EQ(Y, C.Canvas_Y) << C.X << ", " << C.Y;
  }
}

}  // namespace
