#include "tests/plays/level_play.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr uint32_t Black = 0x000000;
constexpr uint32_t White = 0xFFFFFF;

// Keys for Steps steps of a zigzag through the middle rows: down, up, down, ...
std::string Zigzag(int32_t Steps) {
  std::string Keys;
  for (int32_t Step = 0; Step < Steps; ++Step) Keys += Step % 2 == 0 ? 'a' : 'b';
  return Keys;
}

// Level 1's steps 1 .. 58 land on columns 21 .. 78, left of every obstacle.
constexpr int32_t Steps_Before_Plan = 58;
static_assert(Steps_Before_Plan % 2 == 0, "the zigzag must end on the middle row");

}  // namespace

uint32_t Level_View::At(int32_t X, int32_t Y) const { return Image.At(Left + X, Top + Y); }
bool Level_View::Is_Black(int32_t X, int32_t Y) const { return At(X, Y) == Black; }

bool Level_View::Has_Frame_And_Gap() const {
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
  for (int32_t Y = Middle - 30; Y <= Middle + 30; ++Y) White_Gap_Rows += At(Right, Y) == White;
  return White_Gap_Rows >= 61 - 21;
}

std::vector<std::pair<int32_t, int32_t>> Level_View::Squares(bool Hollow_Only) const {
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
        for (int32_t I = 1; I < 20 && Inside_White; ++I) Inside_White = At(X + I, Y + J) == White;
      if (Inside_White || !Hollow_Only) Found.emplace_back(X, Y);
    }
  }
  return Found;
}

bool Level_View::Same_Right_Part(const Screenshot& Other) const {
  if (Other.Width != Image.Width || Other.Height != Image.Height) return false;
  for (int32_t Y = 0; Y < Height; ++Y)
    for (int32_t X = 80; X < Width; ++X)
      if (At(X, Y) != Other.At(Left + X, Top + Y)) return false;
  return true;
}

int32_t Level_View::Black_On_Middle_Rows() const {
  int32_t Count = 0;
  for (int32_t X = 80; X < Width - 20; ++X) Count += Is_Black(X, Height / 2) + Is_Black(X, Height / 2 + 1);
  return Count;
}

std::string Level_View::Plan_Path(int32_t Start_X, int32_t Start_Y) const {
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

bool Window_Size(const std::string& Window, int32_t& Width, int32_t& Height) {
  std::istringstream Geometry(Run_Command("xdotool getwindowgeometry --shell " + Window + " 2>/dev/null"));
  Width = Height = 0;
  for (std::string Entry; std::getline(Geometry, Entry);) {
    if (Entry.rfind("WIDTH=", 0) == 0) Width = std::stoi(Entry.substr(6));
    if (Entry.rfind("HEIGHT=", 0) == 0) Height = std::stoi(Entry.substr(7));
  }
  return Width > 0 && Height > 0;
}

void Read_Steps(Played_Game& Play, int32_t Count) {
  std::string Line;
  for (; Play.Lines_Read < Count; ++Play.Lines_Read) {
    ASSERT_TRUE(Read_Line_From_Child(Play.Game, Line, 10000)) << "the game stopped after " << Play.Lines_Read
                                                               << " steps";
    if (Play.Lines_Read == 0) {
      ASSERT_EQ(Line, "Speed 'The Lower the Faster' Rec 220000 :Starting level :");
    } else {
      ASSERT_EQ(Line, "") << "step " << Play.Lines_Read + 1;
    }
  }
}

namespace {

// Reads the canvas's top and height from the frame's left edge, 10 pixels in from the
// canvas's left: the longest black run below white in that column, which spans the
// canvas's rows 10 .. Height - 10. False when there is none 100 pixels long.
bool Find_Rows_From_Frame(Played_Game& Play) {
  const Screenshot& Image = Play.Image;
  const int32_t X = Play.Left + 10;
  int32_t Edge_Top = 0, Edge_Length = 0;
  for (int32_t Y = 1; Y < Image.Height; ++Y) {
    if (Image.At(X, Y) != Black || Image.At(X, Y - 1) != White) continue;
    int32_t End = Y;
    while (End + 1 < Image.Height && Image.At(X, End + 1) == Black) ++End;
    if (End - Y + 1 > Edge_Length) {
      Edge_Top = Y;
      Edge_Length = End - Y + 1;
    }
  }
  if (Edge_Length < 100) return false;
  Play.Top = Edge_Top - 10;
  Play.Height = Edge_Length + 19;
  return true;
}

}  // namespace

bool Wait_For_New_Level(Played_Game& Play, const std::function<bool(const Level_View&)>& Flight_Shown) {
  Screenshot Previous;
  return Eventually([&] {
    if (!Take_Screenshot(Play.Server, Play.Image) || (Play.Rows_From_Frame && !Find_Rows_From_Frame(Play)) ||
        Play.Image.Width < Play.Left + Play.Width || Play.Image.Height < Play.Top + Play.Height)
      return false;
    const Level_View View = Play.View();
    // The last level's trail ran along the middle rows; the new picture has only squares there.
    const bool Steady = View.Black_On_Middle_Rows() <= 2 * 21 * 3 && View.Has_Frame_And_Gap() &&
                        View.Same_Right_Part(Previous) && Flight_Shown(View);
    Previous = Play.Image;
    return Steady;
  }, 5000);
}

void Play_Two_Levels_Then_Lose_One(Played_Game& Play, const std::string& Speed) {
  const int32_t Steps_Per_Level = Play.Width - 40;  // from x = 21 to the wall column x = Width - 20
  ASSERT_EQ(Steps_Per_Level % 2, 0) << "level 0's zigzag must end on the middle row";

  // Level 0 and the start of level 1, typed before the game begins; then the two replies.
  ASSERT_EQ(Run_Command("xdotool type --delay 1 " + Zigzag(Steps_Per_Level + Steps_Before_Plan) + " ; echo $?"),
            "0\n");
  ASSERT_TRUE(Write_To_Child(Play.Game, Speed + "\n0\n"));

  // Level 0: frame and gap, no square; the zigzag has begun.
  const auto Flight_Begun = [](const Level_View& View) {
    return View.Is_Black(21, View.Height / 2 - 1) || View.Is_Black(21, View.Height / 2 + 1);
  };
  ASSERT_NO_FATAL_FAILURE(Read_Steps(Play, 1));
  ASSERT_TRUE(Wait_For_New_Level(Play, Flight_Begun)) << "level 0 never showed";
  EXPECT_EQ(Play.View().Squares(false).size(), 0u) << "no square on level 0";

  // Level 0 passed through the gap: level 1, with one obstacle, has begun. Its first steps follow
  // the queued zigzag (down, up, down), which shows that the keys are in step with the flight.
  ASSERT_NO_FATAL_FAILURE(Read_Steps(Play, Steps_Per_Level + 1));
  ASSERT_TRUE(Wait_For_New_Level(Play, [](const Level_View& View) {
    const int32_t Middle = View.Height / 2;
    return View.Is_Black(21, Middle + 1) && View.Is_Black(22, Middle) && View.Is_Black(23, Middle + 1);
  })) << "level 1 never showed, or its flight did not follow the keys";
  // The plan is typed first, while the queued steps run; the picture is checked after.
  const Level_View Level_1 = Play.View();
  const int32_t First_Planned_Column = 20 + Steps_Before_Plan + 1, Middle = Play.Height / 2;
  ASSERT_FALSE(Level_1.Is_Black(First_Planned_Column, Middle - 1) || Level_1.Is_Black(First_Planned_Column, Middle + 1))
      << "the flight ran past its queued keys before the test could plan";
  const std::string Plan = Level_1.Plan_Path(20 + Steps_Before_Plan, Middle);
  ASSERT_EQ(Plan.size(), static_cast<size_t>(Steps_Per_Level - Steps_Before_Plan)) << "no way through level 1";
  ASSERT_EQ(Run_Command("xdotool type --delay 1 " + Plan + " ; echo $?"), "0\n");
  EXPECT_TRUE(Level_1.Has_Frame_And_Gap());
  EXPECT_EQ(Level_1.Squares(true).size(), 1u) << "one hollow square on level 1";

  // Level 1 passed: level 2 shows two squares, then is lost when the queue has run dry.
  ASSERT_NO_FATAL_FAILURE(Read_Steps(Play, 2 * Steps_Per_Level + 1));
  // Level 1's last picture may still show when the console is on: its trail began as level 2's
  // does, and its planned way may have left the middle rows. No trail makes a square's outline.
  ASSERT_TRUE(Wait_For_New_Level(Play, [&](const Level_View& View) {
    return Flight_Begun(View) && View.Squares(false).size() >= 2;
  })) << "level 2 never showed with its two squares";
  EXPECT_EQ(Play.View().Squares(false).size(), 2u) << "two squares on level 2";

  std::string Line;
  while (Read_Line_From_Child(Play.Game, Line, 10000) && Line.empty()) ++Play.Lines_Read;
  EXPECT_EQ(Line, "You started on level: 0");
  ASSERT_TRUE(Read_Line_From_Child(Play.Game, Line, 10000));
  EXPECT_EQ(Line, "You reached Level: 2");
  EXPECT_GT(Play.Lines_Read, 2 * Steps_Per_Level + 59) << "level 2 was lost before its first obstacle column";
}
