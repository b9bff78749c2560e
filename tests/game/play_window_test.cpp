// The real program drovanel on a private Xvfb, played with keys typed into
// its window by xdotool (tests/plays/level_play.h), and the end of a game
// whose display server stopped answering.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "tests/harness/xvfb_server.h"
#include "tests/plays/level_play.h"

namespace {

// About 33 ms a step: level 1's 58 queued steps give the test about 2 s to plan,
// even in a slow instrumented build; a small screen keeps the levels short.
const std::string Speed = "3000000";
constexpr int32_t Screen_Width = 400, Screen_Height = 300;

class Play_Window : public ::testing::Test {
 protected:
  void SetUp() override {
    Server.Screen_Width = Screen_Width;
    Server.Screen_Height = Screen_Height;
    std::string Why;
    ASSERT_TRUE(Start_Xvfb(Server, &Why)) << Why;
  }

  Xvfb_Server Server;
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
    return Window_Size(Window, Width, Height) && Width == Screen_Width && Height == Screen_Height;
  })) << "the window is " << Width << " x " << Height << ", not maximized";
  Played_Game Play{.Server = Server, .Game = Game, .Width = Width, .Height = Height};
  ASSERT_NO_FATAL_FAILURE(Play_Two_Levels_Then_Lose_One(Play, Speed));
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
  Played_Game Play{.Server = Server, .Game = Game, .Width = 0, .Height = 0};
  ASSERT_NO_FATAL_FAILURE(Read_Steps(Play, 2));
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
