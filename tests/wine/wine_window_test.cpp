// The Windows program drovanel.exe in its window under Wine, on the Wine
// tests' Xvfb with a window manager (openbox), which maximizes the window and
// gives it the keyboard as a desktop does: the maximized window shows the
// whole playfield, keys typed into it steer the dot through two levels, the
// close button ends the game at a prompt and in flight within a second, and
// without a display the game ends before it begins. The window's probe
// (tests/window/window_probe.cpp) shows the keys' codes and windows of every
// kind opened one after another.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "tests/harness/desktop.h"
#include "tests/harness/typed_keys.h"
#include "tests/plays/level_play.h"
#include "tests/wine/wine_prefix.h"

namespace {

// Waits until Window has the keyboard. The window manager gives it to a new
// window, but may refuse it, and a program under Wine cannot ask for it: the
// player then clicks into the window, as the test does after a while.
bool Take_Keyboard(const std::string& Window) {
  if (Eventually([&] { return Focused_Window() == Window; }, 3000)) return true;
  Run_Command("xdotool mousemove --window " + Window + " 100 100 click 1");
  return Eventually([&] { return Focused_Window() == Window; });
}

class Wine_Window : public ::testing::Test {
 protected:
  void SetUp() override {
    Window_Manager = Start_Child({.Arguments = {"openbox", "--sm-disable", "--startup", "echo ready"},
                                  .Environment = {"HOME=" + Work_Dir},
                                  .Errors = Device::Null,
                                  .New_Process_Group = true});
    // It reports on its standard output (a menu it lacks, say) before its start-up command.
    ASSERT_TRUE(Read_Past_From_Child(Window_Manager, "ready\n", 10000)) << "openbox did not start";
  }

  void TearDown() override { Stop_Child(Window_Manager, SIGTERM, 3000); }

  // Starts the game with its standard streams on pipes (the prefix's own
  // processes already run, so none of them inherits the pipes) and waits
  // until its window is maximized, with the keyboard; the canvas's width is then known, its
  // rows once the frame is drawn.
  Child_Process Start_Game() {
    Child_Process Game =
        Start_Child({.Arguments = {"wine", Windows_Build + "/drovanel.exe"}, .Environment = Wine_Environment});
    EXPECT_TRUE(Eventually([&] { return !(Window = Find_Window("drovanel")).empty(); })) << "no window";
    EXPECT_TRUE(Take_Keyboard(Window)) << "the window never had the keyboard";
    // The window manager maximizes the window a moment after it appears; the
    // canvas has the client area's size, the title bar above it.
    const Xvfb_Server& Screen = Wine_Display();
    EXPECT_TRUE(Eventually([&] {
      return Window_Size(Window, Width, Height) && Width == Screen.Screen_Width && Height < Screen.Screen_Height &&
             Height > Screen.Screen_Height - 40;
    })) << "the window is " << Width << " x " << Height << ", not maximized";
    return Game;
  }

  Played_Game Play(Child_Process& Game) {
    return {.Server = Wine_Display(), .Game = Game, .Width = Width, .Height = Height, .Left = 0,
            .Top = Wine_Display().Screen_Height - Height, .Rows_From_Frame = true};
  }

  Child_Process Window_Manager;
  std::string Window;
  int32_t Width = 0, Height = 0;
};

// The game ended within a second with the report of Error and status 1.
void Expect_Report(Child_Process& Game, const std::string& Error) {
  EXPECT_TRUE(Exited_With(Game, 1, 1000)) << "the game did not end with status 1 within a second";
  EXPECT_NE(Read_All_From_Child(Game, 1000).find("raised " + Error + "\n"), std::string::npos);
}

TEST_F(Wine_Window, MaximizedWindowShowsTheWholePlayfieldAndItsCloseButtonEndsTheFlight) {
  Child_Process Game = Start_Game();
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(Write_To_Child(Game, "3000000\n0\n"));
  Played_Game Level = Play(Game);
  ASSERT_NO_FATAL_FAILURE(Read_Steps(Level, 2));
  ASSERT_TRUE(Wait_For_New_Level(Level, [](const Level_View&) { return true; })) << "no whole playfield shown";
  Keep_Screenshot(Level.Image, "wine-maximized");
  // Beside the canvas only the title bar: the canvas is the screen's width and reaches its
  // bottom, and the frame's corners lie 10 pixels in from its edges.
  const Level_View View = Level.View();
  EXPECT_TRUE(View.Is_Black(10, 10) && View.Is_Black(Level.Width - 20, Level.Height - 10) &&
              !View.Is_Black(Level.Width - 1, Level.Height - 1));
  EXPECT_EQ(Level.Top + Level.Height, Wine_Display().Screen_Height);
  EXPECT_LT(Level.Top, 40) << "more than a title bar above the canvas";

  ASSERT_TRUE(Send_Close_Request(Window));
  Expect_Report(Game, "TARNWICK.WINDOW_NOT_OPEN");
}

TEST_F(Wine_Window, CloseButtonAtThePromptEndsTheGame) {
  Child_Process Game = Start_Game();
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(Read_Past_From_Child(Game, "Speed 'The Lower the Faster' Rec 220000 :", 10000));
  ASSERT_TRUE(Send_Close_Request(Window));
  Expect_Report(Game, "TARNWICK.WINDOW_NOT_OPEN");
}

TEST_F(Wine_Window, PassesTwoLevelsThroughTheGapThenLosesOne) {
  Child_Process Game = Start_Game();
  ASSERT_FALSE(HasFailure());
  Played_Game Level = Play(Game);
  // About 23 ms a step: level 1's 58 queued steps leave more than a second to plan.
  ASSERT_NO_FATAL_FAILURE(Play_Two_Levels_Then_Lose_One(Level, "2000000"));
  ASSERT_TRUE(Write_To_Child(Game, "0\n"));
  EXPECT_TRUE(Exited_With(Game, 0, 5000));
}

// The probe's lines, once its window has the keyboard.
class Wine_Probe : public Wine_Window {
 protected:
  Child_Process Start_Probe(const std::vector<std::string>& Arguments) {
    std::vector<std::string> Command = {"wine", Windows_Build + "/tests/window/window_probe.exe"};
    Command.insert(Command.end(), Arguments.begin(), Arguments.end());
    return Start_Child({.Arguments = Command, .Environment = Wine_Environment});
  }

  std::string Next_Line(Child_Process& Probe) {
    std::string Line;
    EXPECT_TRUE(Read_Line_From_Child(Probe, Line, 10000)) << "the probe said nothing more";
    return Line;
  }
};

TEST_F(Wine_Probe, KeysTypedIntoTheWindowComeBackInOrderWithTheirCodes) {
  Child_Process Probe = Start_Probe({"keys", std::to_string(Typed_Key_Codes.size())});
  ASSERT_EQ(Next_Line(Probe), "ready");
  ASSERT_TRUE(Eventually([&] { return !(Window = Find_Window("window_probe")).empty(); })) << "no window";
  ASSERT_TRUE(Take_Keyboard(Window)) << "the window never had the keyboard";
  Type_Test_Keys();
  for (int Code : Typed_Key_Codes) EXPECT_EQ(Next_Line(Probe), "key " + std::to_string(Code));
  EXPECT_TRUE(Exited_With(Probe, 0, 5000));
}

// The largest surface is what a maximized window gets; each window closed
// lets the next one open.
TEST_F(Wine_Probe, WindowsOfEveryKindOpenOneAfterAnother) {
  Child_Process Probe = Start_Probe({"reopen"});
  const std::string Largest = Next_Line(Probe);
  EXPECT_EQ(Largest.rfind("max 400 ", 0), 0u) << Largest;
  EXPECT_EQ(Next_Line(Probe), "size 200 100 8 8");
  EXPECT_EQ(Next_Line(Probe), "size 640 480 8 8");
  EXPECT_EQ(Next_Line(Probe), "size" + Largest.substr(3) + " 8 8");
  EXPECT_EQ(Next_Line(Probe), "closed");
  EXPECT_TRUE(Exited_With(Probe, 0, 5000));
}

// Wine has no window to give a program started without DISPLAY.
TEST(Wine_Without_Display, TheGameEndsBeforeItBegins) {
  const Child_Result Result = Wine({"env", "-u", "DISPLAY", "wine", Windows_Build + "/drovanel.exe"}, "", 30000);
  EXPECT_EQ(Result.Output, "\nraised TARNWICK.CREATE_WINDOW_FAILED\n");
  EXPECT_EQ(Result.Status, 1);
}

}  // namespace
