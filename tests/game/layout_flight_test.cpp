// Setup and Main_Proc on the headless back end: the level's picture pixel by
// pixel, and flights that collide, pass the gap and obey the keys.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "game/flight.h"
#include "game/layout.h"
#include "game/random.h"
#include "graphics/backend/headless/headless_control.h"
#include "graphics/tarnwick.h"
#include "tests/doubles/console_file.h"

namespace {

using Tarnwick::Color_Type;

constexpr uint8_t Black = 0;
constexpr uint8_t White = 15;

// A picture of palette codes, row by row.
struct Picture {
  int32_t Width, Height;
  std::vector<uint8_t> Pixels;

  Picture(int32_t W, int32_t H) : Width(W), Height(H), Pixels(static_cast<size_t>(W) * H, White) {}
  void Set(int32_t X, int32_t Y, uint8_t Code) {
    if (X >= 0 && Y >= 0 && X < Width && Y < Height) Pixels[static_cast<size_t>(Y) * Width + X] = Code;
  }
  void Outline(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    for (int32_t X = X1; X <= X2; ++X) Set(X, Y1, Black), Set(X, Y2, Black);
    for (int32_t Y = Y1; Y <= Y2; ++Y) Set(X1, Y, Black), Set(X2, Y, Black);
  }
};

// The level as it should look: frame, 61-row gap, and hollow 21 x 21 squares at the given corners.
Picture Expected_Level(int32_t Width, int32_t Height, const std::vector<std::pair<int32_t, int32_t>>& Squares) {
  Picture Level(Width, Height);
  Level.Outline(10, 10, Width - 20, Height - 10);
  for (int32_t Y = Height / 2 - 30; Y <= Height / 2 + 30; ++Y) Level.Set(Width - 20, Y, White);
  for (const auto& [X, Y] : Squares) Level.Outline(X, Y, X + 20, Y + 20);
  return Level;
}

class Playfield : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless_Reset();
    Tarnwick::Start_Up();
  }
  void TearDown() override { Headless_Reset(); }

  void Open(int32_t Width, int32_t Height) {
    Headless_Set_Window_Size(Width, Height);
    const Tarnwick::Window_Size Size = Tarnwick::Ext_Create_Graph_Window();
    ASSERT_EQ(Size.Window_Width, Width);
    ASSERT_EQ(Size.Window_Height, Height);
  }

  static uint8_t Pixel(int32_t X, int32_t Y) {
    const Canvas* Surface = Headless_Canvas();
    return Surface->Pixels[static_cast<size_t>(Y) * Surface->Width + X];
  }

  static std::vector<uint8_t> Window_Pixels() {
    const Canvas* Surface = Headless_Canvas();
    return {Surface->Pixels.get(), Surface->Pixels.get() + static_cast<size_t>(Surface->Width) * Surface->Height};
  }

  // Lists where the picture differs from the expected one (empty when equal).
  static std::string Differences(const Picture& Expected) {
    std::string Report;
    int Shown = 0;
    for (int32_t Y = 0; Y < Expected.Height; ++Y) {
      for (int32_t X = 0; X < Expected.Width; ++X) {
        const uint8_t Want = Expected.Pixels[static_cast<size_t>(Y) * Expected.Width + X];
        if (Pixel(X, Y) != Want && Shown++ < 10) {
          Report += "(" + std::to_string(X) + ", " + std::to_string(Y) + ") is " + std::to_string(Pixel(X, Y)) +
                    ", not " + std::to_string(Want) + "\n";
        }
      }
    }
    return Report;
  }

  // Draws a level with Count obstacles and returns where its squares went, drawn from a copy of the generator.
  static std::vector<std::pair<int32_t, int32_t>> Setup_Level(Game::Random_State& Generator, int32_t Width,
                                                              int32_t Height, int32_t Count) {
    Game::Random_State Replay = Generator;
    std::vector<std::pair<int32_t, int32_t>> Squares;
    for (int32_t I = 0; I < Count; ++I) {
      const int32_t X = Game::RandInt(Replay, 80, Width - 40);
      Squares.emplace_back(X, Game::RandInt(Replay, 40, Height - 40));
    }
    Game::Setup(Generator, Width, Height, Count);
    EXPECT_EQ(Generator.Seed, Replay.Seed) << "two draws per obstacle, X first";
    return Squares;
  }
};

TEST_F(Playfield, LevelWithoutObstaclesIsFrameAndGapOnWhite) {
  for (const int32_t Count : {0, -1, std::numeric_limits<int32_t>::min()}) {
    Open(300, 201);
    Tarnwick::Put_Pixel(100, 100, Color_Type::Red);  // the previous level's picture must go
    Game::Random_State Generator{12345};
    Game::Setup(Generator, 300, 201, Count);
    EXPECT_EQ(Generator.Seed, 12345) << "no draw without obstacles";
    // The gap spans exactly the rows 100 - 30 .. 100 + 30 of the wall column 280.
    EXPECT_EQ(Differences(Expected_Level(300, 201, {})), "") << "Count = " << Count;
    Headless_Reset();
  }
}

// Hollow squares where the generator put them; in 100 x 70 RandInt's High lies
// below its Low for both coordinates, and the squares still come.
TEST_F(Playfield, ObstaclesAreHollowSquaresWhereTheGeneratorPutThem) {
  for (const auto& [Width, Height, Count] : {std::tuple{640, 480, 1}, {640, 480, 7}, {640, 480, 40}, {100, 70, 6}}) {
    Open(Width, Height);
    Game::Random_State Generator{987654321};
    const auto Squares = Setup_Level(Generator, Width, Height, Count);
    EXPECT_EQ(Differences(Expected_Level(Width, Height, Squares)), "") << Width << " x " << Height << ", " << Count;
    Headless_Reset();
  }
}

class Flight : public Playfield {
 protected:
  // Flies one level without obstacles; returns Main_Proc's result and fills Lines with the console output.
  bool Fly(int32_t Width, int32_t Height, const std::string& Keys, int32_t Speed = 0) {
    Open(Width, Height);
    Game::Random_State Generator{1};
    Game::Setup(Generator, Width, Height, 0);
    for (const char Key : Keys) Headless_Push_Key(static_cast<unsigned char>(Key));
    Console_Capture Console;
    const bool Result = Game::Main_Proc(Width, Height, true, Speed);
    Lines = Console.Text();
    return Result;
  }

  // Checks that the dot went from (20, Height / 2) through Moves (d down, u up), a column a step, and no further.
  void Expect_Trail(int32_t Height, const std::string& Moves) {
    int32_t Y = Height / 2;
    for (size_t Step = 0; Step < Moves.size(); ++Step) {
      Y += Moves[Step] == 'd' ? 1 : -1;
      EXPECT_EQ(Pixel(21 + static_cast<int32_t>(Step), Y), Black) << "step " << Step + 1;
    }
    EXPECT_EQ(Pixel(20, Height / 2), White) << "the start point is not drawn";
    EXPECT_EQ(Lines, std::string(Moves.size(), '\n')) << "one empty line per step";
  }

  std::string Lines;
};

// Keys and the moves they make (d down, u up): a steers down, any other key
// up, one key per step, and the last direction holds until the dot hits an
// edge, from row 60 the top one (row 10) or the bottom one (row 110).
TEST_F(Flight, KeysSteerOneStepEachUntilAnEdge) {
  const struct {
    const char* Keys;
    std::string Moves;
  } Cases[] = {
      {"", std::string(50, 'u')},
      {"baa", "udd" + std::string(49, 'd')},
      {"aAa!", "dud" + std::string(51, 'u')},
      {"aaaabbbbaaaa", "dddduuuudddd" + std::string(46, 'd')},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(std::string("keys ") + Case.Keys);
    EXPECT_FALSE(Fly(200, 120, Case.Keys));
    Expect_Trail(120, Case.Moves);
    Headless_Reset();
  }
}

// Only black stops the dot: it crosses a red patch (leaving its trail on it)
// and ends on the outline of a black square drawn in its way.
TEST_F(Flight, OtherColoursAreFreeAndABlackSquareEndsTheFlight) {
  Open(200, 120);
  Game::Random_State Generator{1};
  Game::Setup(Generator, 200, 120, 0);
  Tarnwick::Draw_Box(30, 44, 35, 51, Tarnwick::Color_Type::Red, Tarnwick::Fill_Type::Fill);
  Tarnwick::Draw_Box(40, 30, 60, 50, Tarnwick::Color_Type::Black, Tarnwick::Fill_Type::No_Fill);
  Console_Capture Console;
  EXPECT_FALSE(Game::Main_Proc(200, 120, true, 0));
  EXPECT_EQ(Console.Text(), std::string(20, '\n')) << "the 20th step, to (40, 40), hits the square";
  for (int32_t X = 30; X <= 35; ++X) EXPECT_EQ(Pixel(X, 80 - X), Black) << "trail over red at x = " << X;
  EXPECT_EQ(Pixel(30, 44), 4) << "the rest of the patch stays red";
  EXPECT_EQ(Pixel(41, 39), White) << "nothing beyond the collision";
}

TEST_F(Flight, ZigZagPassesTheGapAtAnySpeed) {
  for (const int32_t Speed : {0, -1, std::numeric_limits<int32_t>::min(), 1000}) {
    std::string Keys, Moves;
    for (int Step = 0; Step < 80; ++Step) Keys += "ab", Moves += "du";
    EXPECT_TRUE(Fly(200, 120, Keys, Speed)) << "Speed " << Speed;
    Expect_Trail(120, Moves);  // the 160th step lands on the wall column 180
    EXPECT_FALSE(Tarnwick::Key_Hit()) << "the pass itself takes no key";
    for (int32_t Y = 0; Y < 120; ++Y) EXPECT_EQ(Pixel(181, Y), White) << "nothing right of the wall";
    Headless_Reset();
  }
}

TEST_F(Flight, FalseOkFliesNothing) {
  Open(200, 120);
  Game::Random_State Generator{1};
  Game::Setup(Generator, 200, 120, 3);
  Headless_Push_Key('a');
  const auto Before = Window_Pixels();
  Console_Capture Console;
  EXPECT_FALSE(Game::Main_Proc(200, 120, false, 220000));
  EXPECT_EQ(Window_Pixels(), Before);
  EXPECT_EQ(Console.Text(), "");
  EXPECT_TRUE(Tarnwick::Key_Hit()) << "no key taken";
}

TEST_F(Flight, WindowNarrowerThan41PassesAtOnce) {
  for (const int32_t Width : {40, 1}) {
    EXPECT_TRUE(Fly(Width, 120, "a"));
    EXPECT_EQ(Lines, "");
    EXPECT_TRUE(Tarnwick::Key_Hit()) << "no key taken";
    Headless_Reset();
  }
  // At 41 the first step lands on the wall column, inside the gap.
  EXPECT_TRUE(Fly(41, 120, ""));
  EXPECT_EQ(Lines, "\n");
  EXPECT_EQ(Pixel(21, 59), Black);
}

}  // namespace
