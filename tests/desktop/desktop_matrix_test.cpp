// The real program drovanel on one desktop after another: bare X, X under
// three window managers, sway (native Wayland, at scale 2, and with the game
// as an X11 client of Xwayland) and mutter's headless compositor. Each row
// runs the same checks: the whole playfield on screen, found in a screenshot
// wherever the desktop put the window and at whatever scale; a typed a steers
// the dot down, where without a key it climbs; the close request, and the
// display server killed mid-flight, end the game with its report and status 1
// within 1 s; nothing on standard error. Then the player's path, on the
// desktops with a keyboard focus to follow: the console in a terminal
// emulator, every key typed where the focus is, and a level that flies at once
// where the window could take the keyboard itself, or else waits with the hint
// until the player clicks it. Waits are bounded polls.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include "tests/harness/desktop.h"

namespace {

const std::string Speed_Prompt = "Speed 'The Lower the Faster' Rec 220000 :";
const std::string Prompts = Speed_Prompt + "Starting level :";
// A slow flight (about 45 ms a step), on level 0, which has no obstacle.
const std::string Replies = "4000000\n0\n";
const std::string Report = "\nraised TARNWICK.WINDOW_NOT_OPEN\n";

struct Desktop_Row {
  const char* Name;
  Desktop_Kind Kind;
  int32_t Scale;         // screen pixels to a canvas pixel: the output's scale
  const char* No_Tools;  // why the screen, the keys and the close request are out of reach, or nullptr
};

void PrintTo(const Desktop_Row& Row, std::ostream* Out) { *Out << Row.Name; }

const Desktop_Row Rows[] = {
    {"bare_xvfb", Desktop_Kind::Bare_Xvfb, 1, nullptr},
    {"openbox", Desktop_Kind::Openbox, 1, nullptr},
    {"mutter_x11", Desktop_Kind::Mutter_X11, 1, nullptr},
    {"i3", Desktop_Kind::I3, 1, nullptr},
    {"sway", Desktop_Kind::Sway, 1, nullptr},
    {"sway_scale_2", Desktop_Kind::Sway_Scale_2, 2, nullptr},
    {"sway_xwayland", Desktop_Kind::Sway_X11_Only, 1, nullptr},
    {"mutter_wayland", Desktop_Kind::Mutter_Wayland, 1, "mutter has no screenshot or close tool of its own (its keys are typed on the player's path)"},
};

constexpr uint32_t Black = 0x000000, White = 0xFFFFFF;

// Whether every pixel from (X0, Y0) to (X1, Y1), a row or a column, lies on the image and has Color.
bool Line_Is(const Screenshot& Image, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1, uint32_t Color) {
  if (X0 < 0 || Y0 < 0 || X1 >= Image.Width || Y1 >= Image.Height) return false;
  for (int32_t Y = Y0; Y <= Y1; ++Y)
    for (int32_t X = X0; X <= X1; ++X)
      if (Image.At(X, Y) != Color) return false;
  return true;
}

// The playfield's frame on the screen, in screen pixels: the outer side of each edge and
// the middle of the exit gap in the right edge.
struct Frame_Box {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0, Middle = 0;
  int32_t Thickness = 0;  // of the top edge, in screen pixels
  bool Whole = false;     // all four edges shown, with the canvas's white margin outside each
};

// Looks anywhere in the image, at any size, for the frame's top and side edges: a black row
// with white above it, the black columns down from its ends, the right one broken by one
// white gap. Whole then says whether the rest is shown too: the bottom edge with white below,
// white beside the sides, and the gap at the middle. False when no top and sides are found.
bool Find_Frame(const Screenshot& Image, Frame_Box& Frame) {
  constexpr int32_t Shortest_Edge = 100;
  const auto Black_At = [&](int32_t X, int32_t Y) { return Image.At(X, Y) == Black; };
  for (int32_t Top = 1; Top + Shortest_Edge < Image.Height; ++Top) {
    for (int32_t Left = 1; Left + Shortest_Edge < Image.Width; ++Left) {
      if (!Black_At(Left, Top) || Black_At(Left - 1, Top)) continue;
      int32_t Right = Left, Bottom = Top;
      while (Right + 1 < Image.Width && Black_At(Right + 1, Top)) ++Right;
      while (Bottom + 1 < Image.Height && Black_At(Left, Bottom + 1)) ++Bottom;
      if (Right - Left < Shortest_Edge || Bottom - Top < Shortest_Edge ||
          !Line_Is(Image, Left, Top - 1, Right, Top - 1, White)) {
        Left = Right;  // on past this row of black
        continue;
      }
      int32_t Gap_Top = Top;
      while (Gap_Top <= Bottom && Black_At(Right, Gap_Top)) ++Gap_Top;
      int32_t Gap_End = Gap_Top;
      while (Gap_End <= Bottom && Image.At(Right, Gap_End) == White) ++Gap_End;
      if (Gap_Top == Top || Gap_End == Gap_Top || Gap_End > Bottom || !Black_At(Right, Gap_End)) continue;
      Frame = {Left, Top, Right, Bottom, (Gap_Top + Gap_End - 1) / 2, 0, false};
      while (Top + Frame.Thickness < Bottom && Black_At((Left + Right) / 2, Top + Frame.Thickness)) ++Frame.Thickness;
      Frame.Whole = Line_Is(Image, Left, Bottom, Right, Bottom, Black) &&
                    Line_Is(Image, Left, Bottom + 1, Right, Bottom + 1, White) &&
                    Line_Is(Image, Left - 1, Top, Left - 1, Bottom, White) &&
                    Line_Is(Image, Right + 1, Top, Right + 1, Bottom, White) &&
                    Line_Is(Image, Right, Gap_End, Right, Bottom, Black) &&
                    std::abs(Frame.Middle - (Top + Bottom) / 2) <= (Bottom - Top) / 50 + 1;
      return true;
    }
  }
  return false;
}

// Which way the trail has gone from the start at the frame's left, beside the gap's middle.
enum class Trail { None, Up, Down };

void PrintTo(Trail Way, std::ostream* Out) { *Out << (Way == Trail::Up ? "up" : Way == Trail::Down ? "down" : "none"); }

// The trail, from the black in the left quarter of the frame (level 0 has no obstacle): Up or
// Down once it has gone a sixtieth of the frame's width that way and nowhere the other way.
Trail Trail_Way(const Screenshot& Image, const Frame_Box& Frame) {
  const int32_t Width = Frame.Right - Frame.Left, Reach = Width / 60, Slack = Width / 200 + 1;
  int32_t Inside = Frame.Left;  // past the left edge, however thick
  while (Inside < Frame.Right && Image.At(Inside, Frame.Middle) == Black) ++Inside;
  int32_t Highest = Frame.Middle, Lowest = Frame.Middle;
  for (int32_t Y = Frame.Middle - Width / 8; Y <= Frame.Middle + Width / 8; ++Y)
    for (int32_t X = Inside; X < Frame.Left + Width / 4; ++X)
      if (Y > Frame.Top && Y < Frame.Bottom && Image.At(X, Y) == Black) {
        Highest = std::min(Highest, Y);
        Lowest = std::max(Lowest, Y);
      }
  if (Lowest >= Frame.Middle + Reach && Highest > Frame.Middle - Slack) return Trail::Down;
  if (Highest <= Frame.Middle - Reach && Lowest < Frame.Middle + Slack) return Trail::Up;
  return Trail::None;
}

std::string How_It_Ended(const Child_Process& Game) {
  if (!Game.Reaped) return "still running";
  if (WIFSIGNALED(Game.Wait_Status)) return "killed by signal " + std::to_string(WTERMSIG(Game.Wait_Status));
  return "exit status " + std::to_string(WEXITSTATUS(Game.Wait_Status));
}

class Desktop_Matrix : public ::testing::TestWithParam<Desktop_Row> {
 protected:
  void SetUp() override {
    std::string Why;
    ASSERT_TRUE(Start_Desktop(Desk, GetParam().Kind, &Why)) << Why;
  }

  // Starts the game; where the desktop can tell, waits until its window is shown with the keyboard focus.
  Child_Process Start_Game() {
    Child_Process Game = Start_On_Desktop(Desk, DROVANEL_PATH);
    EXPECT_GT(Game.Pid, 0) << "the game did not start";
    if (!GetParam().No_Tools) {
      EXPECT_TRUE(Eventually([&] { return Window_Has_Focus(Desk, "drovanel"); }))
          << "the window never showed with the keyboard focus";
    }
    return Game;
  }

  // Takes screenshots until one shows the whole frame and the trail gone one way (5 s at most),
  // keeps the last as Name and says which way the trail went; the frame found is in Frame.
  Trail Watch_Flight(const std::string& Name) {
    Screenshot Image;
    Trail Way = Trail::None;
    Frame.Whole = Framed = false;
    Eventually([&] {
      if (!Take_Desktop_Screenshot(Desk, Image)) return false;
      Framed = Find_Frame(Image, Frame);
      Way = Framed ? Trail_Way(Image, Frame) : Trail::None;
      return Frame.Whole && Way != Trail::None;
    }, 5000);
    Keep_Screenshot(Image, std::string(GetParam().Name) + "_" + Name);
    const std::string Shot = " (screenshot " + std::string(GetParam().Name) + "_" + Name + ".ppm)";
    if (Image.Width == 0)
      ADD_FAILURE() << "no screenshot could be taken";
    else if (!Framed)
      ADD_FAILURE() << "no frame with its exit gap on the screen" << Shot;
    else {
      EXPECT_TRUE(Frame.Whole) << "the frame is not all on the screen: its top and sides from (" << Frame.Left << ", "
                               << Frame.Top << ") to (" << Frame.Right << ", " << Frame.Bottom << ")" << Shot;
      // A canvas of the window's logical size, shown sharp: a line is as thick as the scale.
      EXPECT_EQ(Frame.Thickness, GetParam().Scale) << "the frame's lines are not one canvas pixel at the output's scale"
                                                   << Shot;
    }
    return Way;
  }

  // The game ended within 1 s with the report and status 1, having written First and then only
  // the flight's empty lines; nothing on standard error.
  void Expect_Report(Child_Process& Game, const std::string& First) {
    EXPECT_TRUE(Exited_With(Game, 1, 1000)) << "not ended with status 1 within 1 s: " << How_It_Ended(Game);
    const std::string Output = Read_All_From_Child(Game, 1000);
    // After First, line feeds up to the report's "raised".
    EXPECT_TRUE(Output.starts_with(First) && Output.ends_with(Report) &&
                Output.find_first_not_of('\n', First.size()) == Output.size() - Report.size() + 1)
        << "the console ends with: " << Output.substr(Output.size() - std::min<size_t>(Output.size(), 80));
    EXPECT_EQ(Read_All_Errors_From_Child(Game, 1000), "");
  }

  Desktop Desk;
  Frame_Box Frame;
  bool Framed = false;
};

std::string Row_Name(const ::testing::TestParamInfo<Desktop_Row>& Info) { return Info.param.Name; }

TEST_P(Desktop_Matrix, WholePlayfieldShownKeysSteerAndCloseEndsTheGame) {
  if (GetParam().No_Tools) GTEST_SKIP() << GetParam().No_Tools;
  Child_Process Game = Start_Game();
  // Typed before the replies, so the first step takes it: the dot goes down from the start.
  ASSERT_TRUE(Type_On_Desktop(Desk, "a")) << "the key could not be typed";
  ASSERT_TRUE(Write_To_Child(Game, Replies));
  const Trail Way = Watch_Flight("key_a");
  if (Framed) {
    EXPECT_EQ(Way, Trail::Down) << "the dot did not go down after the a";
  }
  ASSERT_TRUE(Close_Window_On_Desktop(Desk, "drovanel")) << "the close request could not be sent";
  Expect_Report(Game, Prompts);
}

TEST_P(Desktop_Matrix, DisplayServerKilledMidFlightEndsTheGame) {
  Child_Process Game = Start_Game();
  ASSERT_TRUE(Write_To_Child(Game, Replies));
  std::string First = Prompts;
  if (!GetParam().No_Tools) {
    const Trail Way = Watch_Flight("no_key");
    if (Framed) {
      EXPECT_EQ(Way, Trail::Up) << "without a key the dot did not climb";
    }
  } else {
    // Nothing to look at: the flight's lines on the console show that it runs.
    std::string Line;
    ASSERT_TRUE(Read_Line_From_Child(Game, Line, 10000) && Line == Prompts) << "the game did not start its flight";
    for (int Step = 0; Step < 10; ++Step)
      ASSERT_TRUE(Read_Line_From_Child(Game, Line, 1000) && Line.empty()) << "the flight stopped at step " << Step;
    First = "";
  }
  Kill_Display_Server(Desk);
  Expect_Report(Game, First);
}

INSTANTIATE_TEST_SUITE_P(Desktops, Desktop_Matrix, ::testing::ValuesIn(Rows), Row_Name);

// The close request while the game waits at its first prompt, on X and on Wayland.
class Desktop_Close_At_Prompt : public Desktop_Matrix {};

TEST_P(Desktop_Close_At_Prompt, CloseAtThePromptEndsTheGame) {
  Child_Process Game = Start_Game();
  ASSERT_TRUE(Read_Past_From_Child(Game, Speed_Prompt, 10000)) << "no prompt";
  ASSERT_TRUE(Close_Window_On_Desktop(Desk, "drovanel")) << "the close request could not be sent";
  const auto Closed = std::chrono::steady_clock::now();
  // How long the end took, for the record (the XML output), not as a check.
  if (Wait_For_Child(Game, 1000))
    RecordProperty("close_to_end_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - Closed).count()));
  // The shut-down step ends the prompt's line before the report.
  Expect_Report(Game, "");
}

INSTANTIATE_TEST_SUITE_P(Desktops, Desktop_Close_At_Prompt, ::testing::Values(Rows[0], Rows[4], Rows[6]), Row_Name);

// The player's path: a terminal emulator on the desktop holds the console, and every key is typed
// where the keyboard focus is. The player answers the prompts in the terminal; the level then
// flies at once where the window could take the keyboard itself, or waits with the hint until
// the player clicks the window where the hint shows (which of the two is the desktop's choice,
// and changes between its releases). The player presses a once the dot flies, and types the
// closing 0 in the terminal again.
struct Player_Row {
  const char* Name;
  Desktop_Kind Kind;
  int32_t Scale;          // screen pixels to a canvas pixel
  int32_t Screen_Height;  // in logical pixels: the window is no higher
};

void PrintTo(const Player_Row& Row, std::ostream* Out) { *Out << Row.Name; }

const Player_Row Player_Rows[] = {
    {"openbox", Desktop_Kind::Openbox, 1, 600},
    {"mutter_x11", Desktop_Kind::Mutter_X11, 1, 600},
    {"i3", Desktop_Kind::I3, 1, 600},
    {"sway", Desktop_Kind::Sway, 1, 600},
    {"sway_scale_2", Desktop_Kind::Sway_Scale_2, 2, 600},
    {"sway_activation", Desktop_Kind::Sway_Activation, 1, 600},
    {"mutter_wayland", Desktop_Kind::Mutter_Wayland, 1, 800},
};

const std::string Console = "drovanel-console";
// The terminal shows the replies as typed, and each line feed as CR LF.
const std::string Replied = Speed_Prompt + "220000\r\nStarting level :0\r\n";
const std::string Reported = "You started on level: 0\r\nYou reached Level: 0\r\n";

// The most pixels other than white in one screen column inside the frame: the trail has one
// canvas pixel (Scale screen pixels) in a column, a text drawn over the picture more.
int32_t Marks_In_A_Column(const Screenshot& Image, const Frame_Box& Frame) {
  int32_t Most = 0;
  for (int32_t X = Frame.Left + Frame.Thickness; X <= Frame.Right - Frame.Thickness; ++X) {
    int32_t Marks = 0;
    for (int32_t Y = Frame.Top + Frame.Thickness; Y <= Frame.Bottom - Frame.Thickness; ++Y)
      Marks += Image.At(X, Y) != White;
    Most = std::max(Most, Marks);
  }
  return Most;
}

// Whether the hint shows inside the frame: its box's blue, which a level never has, over a
// hundred pixels at least; (X, Y) is then the middle of that blue.
bool Find_Hint(const Screenshot& Image, const Frame_Box& Frame, int32_t& X, int32_t& Y) {
  constexpr uint32_t Hint_Blue = 0x0000AA;
  int32_t Left = Frame.Right, Top = Frame.Bottom, Right = Frame.Left, Bottom = Frame.Top, Count = 0;
  for (int32_t Row = Frame.Top; Row <= Frame.Bottom; ++Row)
    for (int32_t Column = Frame.Left; Column <= Frame.Right; ++Column)
      if (Image.At(Column, Row) == Hint_Blue) {
        Left = std::min(Left, Column);
        Right = std::max(Right, Column);
        Top = std::min(Top, Row);
        Bottom = std::max(Bottom, Row);
        ++Count;
      }
  X = (Left + Right) / 2;
  Y = (Top + Bottom) / 2;
  return Count > 100;
}

// The flight's steps in a transcript: the empty lines after the replies; At, when given, is
// set past them (to the text's end when there are no replies).
size_t Steps_After_Replies(const std::string& Text, size_t* At = nullptr) {
  size_t Position = Text.find(Replied), Steps = 0;
  if (Position == std::string::npos) {
    Position = Text.size();
  } else {
    for (Position += Replied.size(); Text.compare(Position, 2, "\r\n") == 0; Position += 2) ++Steps;
  }
  if (At) *At = Position;
  return Steps;
}

// How a level began, as the player sees it: flying, or waiting (with the hint shown, where
// screenshots can tell; without them, with no step written for a second).
enum class Level_Start { Unseen, Flying, Waiting };

class Desktop_Player : public ::testing::TestWithParam<Player_Row> {
 protected:
  std::string Transcript() { return Terminal_Transcript(Desk, Console); }
  size_t Steps_Flown() { return Steps_After_Replies(Transcript()); }
  std::string Shot_Name(const std::string& Name) { return std::string("player_") + GetParam().Name + "_" + Name; }
  bool Without_Screenshots() { return GetParam().Kind == Desktop_Kind::Mutter_Wayland; }

  // Watches the level begin (5 s at most): the trail gone one way with the whole frame shown,
  // or the hint over the level, whose middle is then kept in Hint_X, Hint_Y of Image. Without
  // screenshots the console tells: a flight writes its steps at once.
  Level_Start Watch_Level_Start() {
    if (Without_Screenshots())
      return Eventually([&] { return Steps_Flown() > 0; }, 1000) ? Level_Start::Flying : Level_Start::Waiting;
    Level_Start Seen = Level_Start::Unseen;
    Eventually([&] {
      Frame_Box Frame;
      if (!Take_Desktop_Screenshot(Desk, Image) || !Find_Frame(Image, Frame)) return false;
      if (Find_Hint(Image, Frame, Hint_X, Hint_Y))
        Seen = Level_Start::Waiting;
      else if (Frame.Whole && Trail_Way(Image, Frame) != Trail::None)
        Seen = Level_Start::Flying;
      return Seen != Level_Start::Unseen;
    }, 5000);
    Keep_Screenshot(Image, Shot_Name("level_start"));
    return Seen;
  }

  // Takes screenshots until one shows the whole frame with the trail alone inside (5 s at most).
  void Expect_Trail_Alone() {
    if (Without_Screenshots()) return;
    Screenshot Flight;
    Frame_Box Frame;
    const bool Seen = Eventually([&] {
      if (!Take_Desktop_Screenshot(Desk, Flight) || !Find_Frame(Flight, Frame)) return false;
      const int32_t Marks = Marks_In_A_Column(Flight, Frame);
      return Frame.Whole && Marks > 0 && Marks <= GetParam().Scale;
    }, 5000);
    Keep_Screenshot(Flight, Shot_Name("flight"));
    EXPECT_TRUE(Seen) << "no trail in the flight, or more than the trail (a hint, a window over the level)"
                      << " (screenshot " << Shot_Name("flight") << ".ppm)";
  }

  Desktop Desk;
  Screenshot Image;
  int32_t Hint_X = 0, Hint_Y = 0;
};

std::string Player_Row_Name(const ::testing::TestParamInfo<Player_Row>& Info) { return Info.param.Name; }

TEST_P(Desktop_Player, ConsoleInATerminalAndKeysWhereTheFocusIs) {
  const Player_Row& Row = GetParam();
  // Whether the window titled Title gets the keyboard, where a tool can tell (not on mutter's Wayland).
  const bool On_Mutter = Row.Kind == Desktop_Kind::Mutter_Wayland;
  const auto Focused = [&](const std::string& Title) {
    return On_Mutter || Eventually([&] { return Window_Has_Focus(Desk, Title); });
  };
  std::string Why;
  ASSERT_TRUE(Start_Desktop(Desk, Row.Kind, &Why)) << Why;
  ASSERT_TRUE(Start_Keyboard(Desk)) << "no keyboard on the desktop";
  Child_Process Terminal = Start_Terminal(Desk, Console, DROVANEL_PATH);
  // The game's window opens before the first prompt; the player goes back to the terminal.
  ASSERT_TRUE(Eventually([&] { return Transcript().ends_with(Speed_Prompt); })) << "no prompt: " << Transcript();
  ASSERT_TRUE(Focus_Window(Desk, Console));
  ASSERT_TRUE(Focused(Console)) << "the terminal did not get the keyboard";
  // Each reply once its prompt shows, as a player types: a reply typed ahead is echoed before the prompt.
  ASSERT_TRUE(Type_On_Desktop(Desk, "220000\n"));
  ASSERT_TRUE(Eventually([&] { return Transcript().ends_with("Starting level :"); })) << "no second prompt";
  ASSERT_TRUE(Type_On_Desktop(Desk, "0\n"));
  ASSERT_TRUE(Eventually([&] { return Transcript().find(Replied) != std::string::npos; }))
      << "the terminal shows " << Transcript();

  const Level_Start Start = Watch_Level_Start();
  ASSERT_NE(Start, Level_Start::Unseen) << "the level neither flew nor showed the hint (screenshot "
                                        << Shot_Name("level_start") << ".ppm)";
  RecordProperty("level_start", Start == Level_Start::Flying ? "flew at once" : "waited for a click");
  if (Start == Level_Start::Waiting) {
    usleep(500000);
    EXPECT_EQ(Steps_Flown(), 0u) << "the flight moved before the window had the keyboard";
    EXPECT_TRUE(On_Mutter || Window_Is_Urgent(Desk, "drovanel")) << "the waiting window does not ask for attention";
    // Without screenshots the hint cannot be found: the player comes to the window with Alt+Tab.
    ASSERT_TRUE(On_Mutter ? Focus_Window(Desk, "drovanel") : Click_On_Desktop(Desk, Image, Hint_X, Hint_Y));
    ASSERT_TRUE(Eventually([&] { return Steps_Flown() > 0; }, 5000)) << "the flight did not begin after the click";
  }
  // The player presses a once the dot has climbed a while: the flight it steers down then lasts
  // longer than a climb to the top.
  ASSERT_TRUE(Eventually([&] { return Steps_Flown() >= 60; }, 5000)) << "the flight stopped";
  ASSERT_TRUE(Type_On_Desktop(Desk, "a"));
  Expect_Trail_Alone();
  // The level is lost, the window closes, and the terminal has the keyboard again.
  ASSERT_TRUE(Eventually([&] { return Transcript().find(Reported) != std::string::npos; }))
      << "no report: " << Transcript();
  EXPECT_TRUE(Focused(Console)) << "the terminal did not get the keyboard back";
  ASSERT_TRUE(Type_On_Desktop(Desk, "0\n"));
  EXPECT_TRUE(Wait_For_Child(Terminal, 5000)) << "the terminal did not close";

  // Replies, one line feed per step, the report, the echoed 0, and the game's exit status 0.
  const std::string Text = Transcript();
  size_t At = 0;
  const size_t Steps = Steps_After_Replies(Text, &At);
  EXPECT_TRUE(Text.substr(At).starts_with(Reported + "0\r\n\nScript done on ") &&
              Text.ends_with("[COMMAND_EXIT_CODE=\"0\"]\n"))
      << "after " << Steps << " steps the terminal shows " << Text.substr(At);
  // Climbing from the middle row to the top edge takes Height / 2 - 10 steps; a steered flight more.
  EXPECT_GT(Steps, size_t(Row.Screen_Height / 2 - 10)) << "the a did not steer";
}

INSTANTIATE_TEST_SUITE_P(Desktops, Desktop_Player, ::testing::ValuesIn(Player_Rows), Player_Row_Name);

}  // namespace
