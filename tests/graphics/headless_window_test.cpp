// The headless back end's window state, queues and failure codes, through
// the C entry points.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "graphics/backend/headless_control.h"
#include "graphics/tarnwick_library.h"

namespace {

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

}  // namespace
