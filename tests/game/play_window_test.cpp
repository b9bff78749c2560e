// The real program drovanel on a private Xvfb, played with keys typed into
// its window by xdotool: two levels passed through the exit gap, then one
// lost, with the console report checked and the window's picture read back
// from the server's screen.
//
// Steering is exact rather than fast: the window queues every key press and
// the flight takes one per step, so as long as the queue never runs dry, the
// n-th key typed steers the n-th step whatever the timing. Level 0 has no
// obstacle, so its keys (a zigzag through the middle rows) are typed before
// the prompts are answered, together with the first steps of level 1, which
// stay left of x = 80, where no obstacle can be. While those run, the test
// reads level 1's obstacle from a screenshot, plans a path through the gap
// and types it; typing is several times faster than the flight at the
// chosen Speed. After the plan the queue runs dry, the direction holds, and
// the dot hits an edge or an obstacle of level 2.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/xvfb_server.h"

namespace {

constexpr uint32_t Black = 0x000000;
constexpr uint32_t White = 0xFFFFFF;

// About 33 ms a step: level 1's 58 queued steps give the test about 2 s to plan,
// even in a slow instrumented build; a small screen keeps the levels short.
const std::string Speed = "3000000";
constexpr int32_t Screen_Width = 400, Screen_Height = 300;
// Level 1's steps 1 .. 58 land on columns 21 .. 78, left of every obstacle.
constexpr int32_t Steps_Before_Plan = 58;

// Keys for Steps steps of a zigzag through the middle rows: down, up, down, ...
std::string Zigzag(int32_t Steps) {
  std::string Keys;
  for (int32_t Step = 0; Step < Steps; ++Step) Keys += Step % 2 == 0 ? 'a' : 'b';
  return Keys;
}

// One level's picture as the screen shows it; the window lies at the screen's top left.
struct Level_View {
  const Screenshot& Image;
  int32_t Width, Height;

  bool Is_Black(int32_t X, int32_t Y) const { return Image.At(X, Y) == Black; }

  // Whether the frame is there, with the exit gap whitened in its right edge around the middle row.
  bool Has_Frame_And_Gap() const {
    const int32_t Right = Width - 20, Bottom = Height - 10, Middle = Height / 2;
    for (int32_t X = 10; X <= Right; ++X)
      if (!Is_Black(X, 10) || !Is_Black(X, Bottom)) return false;
    for (int32_t Y = 10; Y <= Bottom; ++Y)
      if (!Is_Black(10, Y)) return false;
    // The right edge: black but for the gap, which only an obstacle drawn over it may narrow.
    for (int32_t Y = 10; Y <= Bottom; ++Y) {
      const bool In_Gap = Y >= Middle - 30 && Y <= Middle + 30;
      if (!In_Gap && !Is_Black(Right, Y)) return false;
    }
    int32_t White_Gap_Rows = 0;
    for (int32_t Y = Middle - 30; Y <= Middle + 30; ++Y) White_Gap_Rows += Image.At(Right, Y) == White;
    return White_Gap_Rows >= 61 - 21;
  }

  // Top-left corners of every complete 21 x 21 black outline in the obstacles' area.
  std::vector<std::pair<int32_t, int32_t>> Squares(bool Hollow_Only) const {
    std::vector<std::pair<int32_t, int32_t>> Found;
    for (int32_t Y = 39; Y + 20 <= Height - 19; ++Y) {
      for (int32_t X = 79; X + 20 <= Width - 19; ++X) {
        bool Outline = true;
        for (int32_t I = 0; I <= 20 && Outline; ++I) {
          Outline = Is_Black(X + I, Y) && Is_Black(X + I, Y + 20) && Is_Black(X, Y + I) && Is_Black(X + 20, Y + I);
        }
        if (!Outline) continue;
        bool Inside_White = true;
        for (int32_t J = 1; J < 20 && Inside_White; ++J)
          for (int32_t I = 1; I < 20 && Inside_White; ++I) Inside_White = Image.At(X + I, Y + J) == White;
        if (Inside_White || !Hollow_Only) Found.emplace_back(X, Y);
      }
    }
    return Found;
  }

  // Whether the two pictures agree right of x = 80 (the flight is still left of it).
  bool Same_Right_Part(const Screenshot& Other) const {
    if (Other.Width != Image.Width || Other.Height != Image.Height) return false;
    for (int32_t Y = 0; Y < Height; ++Y)
      for (int32_t X = 80; X < Width; ++X)
        if (Image.At(X, Y) != Other.At(X, Y)) return false;
    return true;
  }

  // Black pixels on the middle rows right of x = 80: a level just drawn has at most its squares there.
  int32_t Black_On_Middle_Rows() const {
    int32_t Count = 0;
    for (int32_t X = 80; X < Width - 20; ++X) Count += Is_Black(X, Height / 2) + Is_Black(X, Height / 2 + 1);
    return Count;
  }

  // The keys that steer the dot from (Start_X, Start_Y) past the wall without touching black, one per step.
  std::string Plan_Path(int32_t Start_X, int32_t Start_Y) const {
    const int32_t Wall = Width - 20;
    const auto Columns = static_cast<size_t>(Wall - Start_X + 1);
    // Came[c][y]: how (Start_X + c, y) was reached: 'a' from the row above, 'b' from the row below, 0 not at all.
    std::vector<std::vector<char>> Came(Columns, std::vector<char>(static_cast<size_t>(Height), 0));
    Came[0][static_cast<size_t>(Start_Y)] = 's';
    for (size_t C = 1; C < Columns; ++C) {
      const int32_t X = Start_X + static_cast<int32_t>(C);
      for (int32_t Y = 1; Y + 1 < Height; ++Y) {
        if (Is_Black(X, Y)) continue;
        if (Came[C - 1][static_cast<size_t>(Y - 1)]) Came[C][static_cast<size_t>(Y)] = 'a';
        else if (Came[C - 1][static_cast<size_t>(Y + 1)]) Came[C][static_cast<size_t>(Y)] = 'b';
      }
    }
    int32_t Y = -1;
    for (int32_t Row = 0; Row < Height && Y < 0; ++Row)
      if (Came[Columns - 1][static_cast<size_t>(Row)]) Y = Row;
    if (Y < 0) return "";
    std::string Keys(Columns - 1, ' ');
    for (size_t C = Columns - 1; C > 0; --C) {
      Keys[C - 1] = Came[C][static_cast<size_t>(Y)];
      Y += Keys[C - 1] == 'a' ? -1 : 1;
    }
    return Keys;
  }
};

class Play_Window : public ::testing::Test {
 protected:
  void SetUp() override {
    Server.Screen_Width = Screen_Width;
    Server.Screen_Height = Screen_Height;
    std::string Why;
    ASSERT_TRUE(Start_Xvfb(Server, &Why)) << Why;
  }

  // Reads console lines until Count steps have been written (the first line holds both prompts).
  void Read_Steps(Child_Process& Game, int32_t Count) {
    std::string Line;
    for (; Lines_Read < Count; ++Lines_Read) {
      ASSERT_TRUE(Read_Line_From_Child(Game, Line, 10000)) << "the game stopped after " << Lines_Read << " steps";
      if (Lines_Read == 0) {
        ASSERT_EQ(Line, "Speed 'The Lower the Faster' Rec 220000 :Starting level :");
      } else {
        ASSERT_EQ(Line, "") << "step " << Lines_Read + 1;
      }
    }
  }

  // Waits until the screen shows the level that has just begun, complete and steady, with its
  // flight started as Flight_Shown says, and keeps that picture in Image.
  bool Wait_For_New_Level(int32_t Width, int32_t Height, const std::function<bool(const Level_View&)>& Flight_Shown) {
    Screenshot Previous;
    return Eventually([&] {
      if (!Take_Screenshot(Server, Image) || Image.Width < Width || Image.Height < Height) return false;
      const Level_View View{Image, Width, Height};
      // The last level's trail ran along the middle rows; the new picture has only squares there.
      const bool Steady = View.Black_On_Middle_Rows() <= 2 * 21 * 3 && View.Has_Frame_And_Gap() &&
                          View.Same_Right_Part(Previous) && Flight_Shown(View);
      Previous = Image;
      return Steady;
    }, 5000);
  }

  Xvfb_Server Server;
  Screenshot Image;
  int32_t Lines_Read = 0;
};

TEST_F(Play_Window, PassesTwoLevelsThroughTheGapThenLosesOne) {
  Child_Process Game = Start_Child({.Arguments = {DROVANEL_PATH}, .Environment = Window_Program_Environment()});
  ASSERT_GT(Game.Pid, 0);

  // The window opens before the first prompt; keys go to it once it has the focus.
  std::string Window;
  ASSERT_TRUE(Eventually([&] { return !(Window = Find_Window("drovanel")).empty(); })) << "no window";
  ASSERT_TRUE(Eventually([&] { return Focused_Window() == Window; }))
      << "the window never took the keyboard focus";
  // Without a window manager the back end itself sizes a maximized window to the whole screen; the
  // X window may show its first size for a moment, so wait for the final one.
  int32_t Width = 0, Height = 0;
  ASSERT_TRUE(Eventually([&] {
    std::istringstream Geometry(Run_Command("xdotool getwindowgeometry --shell " + Window));
    for (std::string Entry; std::getline(Geometry, Entry);) {
      if (Entry.rfind("WIDTH=", 0) == 0) Width = std::stoi(Entry.substr(6));
      if (Entry.rfind("HEIGHT=", 0) == 0) Height = std::stoi(Entry.substr(7));
    }
    return Width == Screen_Width && Height == Screen_Height;
  })) << "the window is " << Width << " x " << Height << ", not maximized";
  const int32_t Steps_Per_Level = Width - 40;  // from x = 21 to the wall column x = Width - 20
  static_assert(Steps_Before_Plan % 2 == 0, "the zigzag must end on the middle row");
  ASSERT_EQ(Steps_Per_Level % 2, 0) << "level 0's zigzag must end on the middle row";

  // Level 0 and the start of level 1, typed before the game begins; then the two replies.
  ASSERT_EQ(Run_Command("xdotool type --delay 1 " + Zigzag(Steps_Per_Level + Steps_Before_Plan) + " ; echo $?"),
            "0\n");
  ASSERT_TRUE(Write_To_Child(Game, Speed + "\n0\n"));

  // Level 0: frame and gap, no square; the zigzag has begun.
  const auto Flight_Begun = [](const Level_View& View) {
    return View.Is_Black(21, View.Height / 2 - 1) || View.Is_Black(21, View.Height / 2 + 1);
  };
  Read_Steps(Game, 1);
  ASSERT_TRUE(Wait_For_New_Level(Width, Height, Flight_Begun)) << "level 0 never showed";
  EXPECT_EQ((Level_View{Image, Width, Height}.Squares(false).size()), 0u) << "no square on level 0";

  // Level 0 passed through the gap: level 1, with one obstacle, has begun. Its first steps follow
  // the queued zigzag (down, up, down), which shows that the keys are in step with the flight.
  Read_Steps(Game, Steps_Per_Level + 1);
  ASSERT_TRUE(Wait_For_New_Level(Width, Height, [](const Level_View& View) {
    const int32_t Middle = View.Height / 2;
    return View.Is_Black(21, Middle + 1) && View.Is_Black(22, Middle) && View.Is_Black(23, Middle + 1);
  })) << "level 1 never showed, or its flight did not follow the keys";
  // The plan is typed first, while the queued steps run; the picture is checked after.
  const Level_View Level_1{Image, Width, Height};
  const int32_t First_Planned_Column = 20 + Steps_Before_Plan + 1;
  ASSERT_FALSE(Level_1.Is_Black(First_Planned_Column, Height / 2 - 1) ||
               Level_1.Is_Black(First_Planned_Column, Height / 2 + 1))
      << "the flight ran past its queued keys before the test could plan";
  const std::string Plan = Level_1.Plan_Path(20 + Steps_Before_Plan, Height / 2);
  ASSERT_EQ(Plan.size(), static_cast<size_t>(Steps_Per_Level - Steps_Before_Plan)) << "no way through level 1";
  ASSERT_EQ(Run_Command("xdotool type --delay 1 " + Plan + " ; echo $?"), "0\n");
  EXPECT_TRUE(Level_1.Has_Frame_And_Gap());
  EXPECT_EQ(Level_1.Squares(true).size(), 1u) << "one hollow square on level 1";

  // Level 1 passed: level 2 shows two squares, then is lost when the queue has run dry.
  Read_Steps(Game, 2 * Steps_Per_Level + 1);
  ASSERT_TRUE(Wait_For_New_Level(Width, Height, Flight_Begun)) << "level 2 never showed";
  const Level_View Level_2{Image, Width, Height};
  EXPECT_EQ(Level_2.Squares(false).size(), 2u) << "two squares on level 2";

  std::string Line;
  while (Read_Line_From_Child(Game, Line, 10000) && Line.empty()) ++Lines_Read;
  EXPECT_EQ(Line, "You started on level: 0");
  ASSERT_TRUE(Read_Line_From_Child(Game, Line, 10000));
  EXPECT_EQ(Line, "You reached Level: 2");
  EXPECT_GT(Lines_Read, 2 * Steps_Per_Level + 59) << "level 2 was lost before its first obstacle column";
  EXPECT_TRUE(Eventually([&] { return Run_Command("xdotool search --name '^drovanel$' 2>/dev/null").empty(); }))
      << "the window is still open after the game";

  ASSERT_TRUE(Write_To_Child(Game, "0\n"));
  EXPECT_TRUE(Exited_With(Game, 0, 10000));
}

// A display server that stops answering mid-flight must not hold up the end
// of the game: the window is given up after a second, the report comes, and
// the program exits while the server is still stopped.
TEST_F(Play_Window, StoppedServerDoesNotHoldUpTheEnd) {
  Child_Process Game = Start_Child({.Arguments = {DROVANEL_PATH}, .Environment = Window_Program_Environment()});
  ASSERT_TRUE(Eventually([&] { return !Find_Window("drovanel").empty(); })) << "no window";
  // Level 0 without keys: the dot climbs from the middle row into the frame's top edge.
  ASSERT_TRUE(Write_To_Child(Game, "100000\n0\n"));
  Read_Steps(Game, 2);
  kill(Server.Process.Pid, SIGSTOP);
  const auto Stopped = std::chrono::steady_clock::now();
  std::string Line;
  while (Read_Line_From_Child(Game, Line, 3000) && Line.empty()) continue;
  EXPECT_EQ(Line, "You started on level: 0");
  ASSERT_TRUE(Read_Line_From_Child(Game, Line, 3000));
  EXPECT_EQ(Line, "You reached Level: 0");
  EXPECT_LT(std::chrono::steady_clock::now() - Stopped, std::chrono::seconds(2));
  ASSERT_TRUE(Write_To_Child(Game, "0\n"));
  EXPECT_TRUE(Exited_With(Game, 0, 2000)) << "the exit waited for the stopped server";
  kill(Server.Process.Pid, SIGCONT);
}

}  // namespace
