// The headless back end through the library's C entry points: the window's
// state, queues and failure codes; the geometry the game depends on: box edges
// and corners, line end points, read-back, clearing, clipping (extreme
// coordinates included), flood fill, text cells. The exit gap's rows are
// checked with the level's whole picture in layout_flight_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <tuple>
#include <utility>
#include <vector>

#include "graphics/backend/headless/headless_control.h"
#include "graphics/tarnwick_library.h"

namespace {

constexpr int32_t Black = 0, Red = 4, White = 15;
constexpr int32_t Fill = 0, No_Fill = 1;

class Headless_Window : public ::testing::Test {
 protected:
  void SetUp() override { Headless_Reset(); }
  void TearDown() override { Headless_Reset(); }
};

TEST_F(Headless_Window, OpeningGivesTheConfiguredOrAskedSize) {
  for (const int32_t Mode : {0, 1}) {
    ASSERT_EQ(CreateGraphWindow(Mode), 0);
    EXPECT_EQ(GetWindowWidth(), 800);
    EXPECT_EQ(GetWindowHeight(), 600);
    ASSERT_EQ(DestroyGraphWindow(), 0);
  }
  Headless_Set_Window_Size(320, 200);
  int32_t X = 0, Y = 0;
  ASSERT_EQ(GetMaxSize(&X, &Y), 0);  // no window needed
  EXPECT_EQ(X, 320);
  EXPECT_EQ(Y, 200);
  ASSERT_EQ(CreateGraphWindow(1), 0);
  EXPECT_EQ(GetWindowWidth(), 320);
  EXPECT_EQ(GetWindowHeight(), 200);
  EXPECT_EQ(GetColorPixel(319, 199), 15);  // a new window is white
  EXPECT_EQ(GetColorPixel(320, 199), -8);
  ASSERT_EQ(DestroyGraphWindow(), 0);
  ASSERT_EQ(CreateSizedGraphWindow(123, 1), 0);
  EXPECT_EQ(GetWindowWidth(), 123);
  EXPECT_EQ(GetWindowHeight(), 1);
}

TEST_F(Headless_Window, WrongStateAndBadArgumentsAnswerTheirCodes) {
  EXPECT_EQ(IsOpen(), 0);
  EXPECT_EQ(DestroyGraphWindow(), -2);
  EXPECT_EQ(CreateGraphWindow(2), -30);
  EXPECT_EQ(CreateGraphWindow(-1), -30);
  for (const auto& [X, Y] : {std::pair{0, 10}, {10, 0}, {-5, 10}, {INT32_MIN, INT32_MAX}, {INT32_MAX, 1}})
    EXPECT_EQ(CreateSizedGraphWindow(X, Y), -30) << X << "," << Y;
  EXPECT_EQ(IsOpen(), 0);

  // Every call that needs a window, without one.
  int32_t Record[3];
  const std::function<int32_t()> Needs_Window[] = {
      [] { return GetWindowWidth(); }, [] { return GetWindowHeight(); }, [] { return GetFontWidth(); },
      [] { return GetFontHeight(); }, [] { return ClearWindow(15); }, [] { return GetColorPixel(0, 0); },
      [] { return PutPixel(0, 0, 0); }, [] { return DrawLine(0, 0, 1, 1, 0); },
      [] { return DrawBox(0, 0, 1, 1, 0, 1); }, [] { return DrawCircle(5, 5, 1, 0, 1); },
      [] { return DrawEllipse(0, 0, 4, 4, 0, 0); }, [] { return FillFlood(0, 0, 0); },
      [] { return DisplayText(0, 0, "a", 0); }, [] { return WhereX(); }, [] { return WhereY(); },
      [] { return GotoXY(1, 1); }, [] { return DrawTo(2, 2, 0); }, [] { return KeyHit(); },
      [] { return GetKey(); }, [] { return MouseEvent(); }, [&Record] { return GetMouse(Record); },
      [] { return SetWindowTitle("x"); }};
  for (size_t I = 0; I < std::size(Needs_Window); ++I) EXPECT_EQ(Needs_Window[I](), -6) << "call " << I;
  EXPECT_EQ(GetDLLVersion(), 5);

  ASSERT_EQ(CreateGraphWindow(1), 0);
  EXPECT_EQ(IsOpen(), 1);
  EXPECT_EQ(CreateGraphWindow(1), -1);
  EXPECT_EQ(CreateSizedGraphWindow(10, 10), -1);
  for (const int32_t Color : {-1, 16, INT32_MIN, INT32_MAX}) {
    const std::function<int32_t()> Draws[] = {
        [=] { return ClearWindow(Color); }, [=] { return PutPixel(1, 1, Color); },
        [=] { return DrawLine(0, 0, 5, 5, Color); }, [=] { return DrawBox(0, 0, 5, 5, Color, 0); },
        [=] { return DrawCircle(9, 9, 3, Color, 1); }, [=] { return DrawEllipse(0, 0, 5, 5, Color, 1); },
        [=] { return FillFlood(3, 3, Color); }, [=] { return DisplayText(0, 0, "a", Color); },
        [=] { return DrawTo(4, 4, Color); }};
    for (size_t I = 0; I < std::size(Draws); ++I) EXPECT_EQ(Draws[I](), -7) << "call " << I << " colour " << Color;
  }
  for (const int32_t Fill : {-1, 2, INT32_MAX}) {
    EXPECT_EQ(DrawBox(0, 0, 5, 5, 0, Fill), -9);
    EXPECT_EQ(DrawCircle(9, 9, 3, 0, Fill), -9);
    EXPECT_EQ(DrawEllipse(0, 0, 5, 5, 0, Fill), -9);
  }
  for (const auto& [X, Y] : {std::pair{-1, 0}, {0, -1}, {800, 0}, {0, 600}, {INT32_MIN, INT32_MAX}})
    EXPECT_EQ(GetColorPixel(X, Y), -8) << X << "," << Y;
  EXPECT_EQ(FillFlood(-1, 0, 0), -8);
  EXPECT_EQ(GotoXY(-1, 5), -8);  // WhereX would answer a negative position as a failure
  EXPECT_EQ(DrawTo(5, -1, 0), -8);
  EXPECT_EQ(DrawCircle(9, 9, -1, 0, 1), -25);
  EXPECT_EQ(DisplayText(0, 0, nullptr, 0), -29);
  EXPECT_EQ(SetWindowTitle(nullptr), -12);
  EXPECT_EQ(GetMouse(nullptr), -31);
  // None of the refused calls drew anything.
  for (int32_t Y = 0; Y < 20; ++Y)
    for (int32_t X = 0; X < 20; ++X) ASSERT_EQ(GetColorPixel(X, Y), 15) << X << "," << Y;

  ASSERT_EQ(DestroyGraphWindow(), 0);
  EXPECT_EQ(IsOpen(), 0);
  EXPECT_EQ(DestroyGraphWindow(), -2);
}

TEST_F(Headless_Window, KeysComeOutOneAtATimeInOrder) {
  ASSERT_EQ(CreateGraphWindow(1), 0);
  EXPECT_EQ(KeyHit(), 0);
  EXPECT_EQ(GetKey(), -14);  // nothing waits, and nothing ever will
  for (const int32_t Code : {int32_t{'a'}, int32_t{'b'}, 0, 255, 256}) Headless_Push_Key(Code);
  for (const int32_t Code : {int32_t{'a'}, int32_t{'b'}, 0, 255, 256}) {
    EXPECT_GT(KeyHit(), 0);
    EXPECT_GT(KeyHit(), 0);  // asking removes nothing
    EXPECT_EQ(GetKey(), Code);
  }
  EXPECT_EQ(KeyHit(), 0);
  Headless_Push_Key('z');
  Headless_Reset();  // forgets waiting keys
  ASSERT_EQ(CreateGraphWindow(1), 0);
  EXPECT_EQ(KeyHit(), 0);
}

TEST_F(Headless_Window, MouseEventsComeOutInOrder) {
  ASSERT_EQ(CreateGraphWindow(1), 0);
  Headless_Push_Mouse(4, 10, 20);
  Headless_Push_Mouse(2, 11, 21);
  int32_t Record[3] = {-1, -1, -1};
  for (const auto& Expected : {std::array{4, 10, 20}, std::array{2, 11, 21}, std::array{0, 0, 0}}) {
    EXPECT_EQ(MouseEvent(), Expected[0] != 0 ? 1 : 0);
    ASSERT_EQ(GetMouse(Record), 0);
    EXPECT_EQ(Record[0], Expected[0]);
    EXPECT_EQ(Record[1], Expected[1]);
    EXPECT_EQ(Record[2], Expected[2]);
  }
}

TEST_F(Headless_Window, TitleAndCurrentPosition) {
  EXPECT_STREQ(Headless_Title(), "");
  ASSERT_EQ(CreateGraphWindow(0), 0);
  ASSERT_EQ(SetWindowTitle("Drovanel"), 0);
  EXPECT_STREQ(Headless_Title(), "Drovanel");
  EXPECT_EQ(WhereX(), 0);
  ASSERT_EQ(GotoXY(10, 20), 0);
  ASSERT_EQ(DrawTo(30, 20, 0), 0);
  EXPECT_EQ(WhereX(), 30);
  EXPECT_EQ(WhereY(), 20);
  EXPECT_EQ(GetColorPixel(10, 20), 0);
  ASSERT_EQ(DisplayText(100, 100, "abc", 0), 0);  // text leaves the position alone
  EXPECT_EQ(WhereX(), 30);
  ASSERT_EQ(DrawTo(900, 700, 0), 0);  // beyond the surface: clipped, and the position is kept
  EXPECT_EQ(WhereX(), 900);
  EXPECT_EQ(GetColorPixel(799, 599), 15);
}

// The drawing tests start on an open 800 x 600 window.
class Headless_Drawing : public Headless_Window {
 protected:
  void SetUp() override {
    Headless_Reset();
    ASSERT_EQ(CreateGraphWindow(1), 0);
  }

  static std::vector<uint8_t> Picture() {
    const Canvas* Surface = Headless_Canvas();
    std::vector<uint8_t> Pixels;
    for (int32_t Y = 0; Y < Surface->Height; ++Y)
      for (int32_t X = 0; X < Surface->Width; ++X) Pixels.push_back(Canvas_Read_Pixel(*Surface, X, Y));
    return Pixels;
  }

  static int Count(int32_t Color) {
    int N = 0;
    for (const uint8_t Pixel : Picture()) N += Pixel == Color;
    return N;
  }
};

// Both corner rows and columns, nothing outside them, whichever corners come first.
TEST_F(Headless_Drawing, BoxesCoverBothCornersInAnyOrder) {
  ASSERT_EQ(DrawBox(10, 10, 780, 590, Black, No_Fill), 0);  // the game's frame on an 800 x 600 window
  for (const auto& [X, Y] : {std::pair{10, 10}, {780, 10}, {10, 590}, {780, 590}, {400, 10}, {780, 300}})
    EXPECT_EQ(GetColorPixel(X, Y), Black) << X << "," << Y;
  EXPECT_EQ(Count(Black), 2 * 771 + 2 * 579);
  for (const int32_t Filled : {Fill, No_Fill}) {
    ASSERT_EQ(ClearWindow(White), 0);
    ASSERT_EQ(DrawBox(30, 40, 50, 70, Red, Filled), 0);
    const std::vector<uint8_t> Expected = Picture();
    EXPECT_EQ(Count(Red), Filled == Fill ? 21 * 31 : 2 * 21 + 2 * 29);
    EXPECT_EQ(GetColorPixel(31, 41), Filled == Fill ? Red : White);
    for (const auto& [X1, Y1, X2, Y2] : {std::tuple{50, 70, 30, 40}, {30, 70, 50, 40}, {50, 40, 30, 70}}) {
      ASSERT_EQ(ClearWindow(White), 0);
      ASSERT_EQ(DrawBox(X1, Y1, X2, Y2, Red, Filled), 0);
      EXPECT_EQ(Picture(), Expected) << X1 << "," << Y1 << " " << X2 << "," << Y2;
    }
  }
}

// Both end points, one pixel per step of the longer axis, no gaps, and the
// reverse line covers the same pixels.
TEST_F(Headless_Drawing, LinesIncludeBothEndsAndAreSymmetric) {
  for (const auto& [X1, Y1, X2, Y2] :
       {std::tuple{5, 5, 5, 5}, {0, 0, 799, 599}, {100, 50, 107, 53}, {300, 10, 290, 500}, {700, 20, 20, 21}}) {
    ASSERT_EQ(ClearWindow(White), 0);
    ASSERT_EQ(DrawLine(X1, Y1, X2, Y2, Black), 0);
    const std::vector<uint8_t> Forward = Picture();
    EXPECT_EQ(GetColorPixel(X1, Y1), Black);
    EXPECT_EQ(GetColorPixel(X2, Y2), Black);
    EXPECT_EQ(Count(Black), std::max(std::abs(X2 - X1), std::abs(Y2 - Y1)) + 1);
    ASSERT_EQ(ClearWindow(White), 0);
    ASSERT_EQ(DrawLine(X2, Y2, X1, Y1, Black), 0);
    EXPECT_EQ(Picture(), Forward) << X1 << "," << Y1 << " " << X2 << "," << Y2;
  }
}

// Each drawing call is followed by a read-back of a pixel it must have set.
TEST_F(Headless_Drawing, EveryDrawingCallIsReadBack) {
  struct Row {
    const char* Call;
    std::function<int32_t()> Draw;
    int32_t X, Y, Color;
  };
  const Row Rows[] = {
      {"PutPixel", [] { return PutPixel(3, 4, 1); }, 3, 4, 1},
      {"DrawLine", [] { return DrawLine(20, 20, 40, 30, 2); }, 40, 30, 2},
      {"DrawBox", [] { return DrawBox(50, 50, 60, 60, 3, No_Fill); }, 60, 55, 3},
      {"DrawCircle", [] { return DrawCircle(200, 200, 20, 5, No_Fill); }, 220, 200, 5},
      {"DrawEllipse", [] { return DrawEllipse(300, 300, 340, 320, 6, Fill); }, 320, 310, 6},
      {"FillFlood", [] { return FillFlood(700, 500, 7); }, 799, 599, 7},
      {"DisplayText", [] { return DisplayText(500, 100, "I", 8); }, 503, 100, 8},
      {"DrawTo", [] { return GotoXY(600, 10) < 0 ? -1 : DrawTo(650, 10, 9); }, 650, 10, 9},
      {"ClearWindow", [] { return ClearWindow(14); }, 0, 0, 14},
  };
  for (const Row& R : Rows) {
    ASSERT_EQ(R.Draw(), 0) << R.Call;
    EXPECT_EQ(GetColorPixel(R.X, R.Y), R.Color) << R.Call;
  }
  EXPECT_EQ(Count(14), 800 * 600);
}

TEST_F(Headless_Drawing, ClippingAtAndBeyondTheEdges) {
  ASSERT_EQ(PutPixel(-1, 0, Black), 0);
  ASSERT_EQ(PutPixel(800, 599, Black), 0);
  ASSERT_EQ(PutPixel(INT32_MIN, INT32_MAX, Black), 0);
  EXPECT_EQ(Count(Black), 0);
  ASSERT_EQ(DrawBox(790, 590, 900, 700, Black, Fill), 0);  // only the corner 10 x 10 is on the surface
  EXPECT_EQ(Count(Black), 100);
  EXPECT_EQ(GetColorPixel(799, 599), Black);

  const int32_t Min = INT32_MIN, Max = INT32_MAX;
  struct Row {
    const char* Call;
    std::function<int32_t()> Draw;
    int Black_Pixels;
  };
  const Row Rows[] = {
      {"whole-surface box", [=] { return DrawBox(Min, Min, Max, Max, Black, Fill); }, 800 * 600},
      {"outline far outside", [=] { return DrawBox(Min, Min, Max, Max, Black, No_Fill); }, 0},
      {"row 300 end to end", [=] { return DrawLine(Min, 300, Max, 300, Black); }, 800},
      {"diagonal end to end", [=] { return DrawLine(Min, Min, Max, Max, Black); }, 600},
      {"column far right", [=] { return DrawLine(Max, Min, Max, Max, Black); }, 0},
      {"huge filled circle", [=] { return DrawCircle(400, 300, Max, Black, Fill); }, 800 * 600},
      {"huge circle outline", [=] { return DrawCircle(400, 300, Max, Black, No_Fill); }, 0},
      {"huge ellipse outline", [=] { return DrawEllipse(Min, Min, Max, Max, Black, No_Fill); }, 0},
      {"text far left", [=] { return DisplayText(Min, 10, "IIII", Black); }, 0},
      {"text far right", [=] { return DisplayText(Max - 8, Max, "IIII", Black); }, 0},
  };
  for (const Row& R : Rows) {
    ASSERT_EQ(ClearWindow(White), 0);
    ASSERT_EQ(R.Draw(), 0) << R.Call;
    EXPECT_EQ(Count(Black), R.Black_Pixels) << R.Call;
  }
}

TEST_F(Headless_Drawing, FloodFillStaysInsideAnOutline) {
  ASSERT_EQ(DrawBox(100, 100, 200, 200, Black, No_Fill), 0);
  ASSERT_EQ(DrawCircle(500, 300, 60, Black, No_Fill), 0);
  const int Outline = Count(Black);
  ASSERT_EQ(FillFlood(150, 150, Red), 0);
  EXPECT_EQ(Count(Red), 99 * 99);
  ASSERT_EQ(FillFlood(500, 300, Red), 0);
  EXPECT_EQ(GetColorPixel(500, 300), Red);
  EXPECT_EQ(GetColorPixel(500, 230), White);  // outside the circle
  EXPECT_EQ(Count(Black), Outline);
  // The whole remaining white region, far more pixels than any call stack could recurse.
  ASSERT_EQ(FillFlood(0, 0, 2), 0);
  EXPECT_EQ(Count(White), 0);
  const std::vector<uint8_t> Before = Picture();
  ASSERT_EQ(FillFlood(0, 0, 2), 0);
  EXPECT_EQ(Picture(), Before);
}

TEST_F(Headless_Drawing, TextKeepsToItsCells) {
  ASSERT_EQ(GetFontWidth(), 8);
  ASSERT_EQ(GetFontHeight(), 8);
  ASSERT_EQ(DisplayText(40, 60, "Ag", Black), 0);
  int Ink[2] = {0, 0};
  for (int32_t Y = 50; Y < 80; ++Y)
    for (int32_t X = 30; X < 70; ++X) {
      if (GetColorPixel(X, Y) != Black) continue;
      ASSERT_TRUE(Y >= 60 && Y < 68 && X >= 40 && X < 56) << X << "," << Y;
      ++Ink[X < 48 ? 0 : 1];
    }
  EXPECT_TRUE(Ink[0] > 0 && Ink[1] > 0);
  EXPECT_EQ(Count(Black), Ink[0] + Ink[1]);
  ASSERT_EQ(ClearWindow(White), 0);
  ASSERT_EQ(DisplayText(0, 0, " ", Black), 0);
  ASSERT_EQ(DisplayText(0, 0, "", Black), 0);
  EXPECT_EQ(Count(Black), 0);
  ASSERT_EQ(DisplayText(0, 0, "\x01\xff", Black), 0);  // unknown characters are boxes
  EXPECT_GT(Count(Black), 0);
}

}  // namespace
