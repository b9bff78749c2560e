// The library calls of a level, in order, on the scripted library: what Setup
// draws with which arguments, and what one step of the flight asks and draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/flight.h"
#include "game/layout.h"
#include "game/random.h"
#include "graphics/tarnwick.h"
#include "tests/doubles/console_file.h"
#include "tests/doubles/scripted_library.h"

namespace {

using Scripted::Entry;

class Game_Calls : public ::testing::Test {
 protected:
  void SetUp() override {
    Scripted::Reset();
    Tarnwick::Start_Up();
    Scripted::Reset();
  }
};

TEST_F(Game_Calls, SetupClearsFramesWhitensTheGapThenDrawsSquares) {
  Game::Random_State Generator{1};
  Game::Random_State Replay = Generator;
  const int32_t X = Game::RandInt(Replay, 80, 600);
  const int32_t Y = Game::RandInt(Replay, 40, 440);
  Game::Setup(Generator, 640, 481, 1);
  const std::vector<std::string> Expected = {
      "ClearWindow(15)",
      "DrawBox(10, 10, 620, 471, 0, 1)",
      "DrawLine(620, 270, 620, 210, 15)",  // from the lower point up
      "DrawBox(" + std::to_string(X) + ", " + std::to_string(Y) + ", " + std::to_string(X + 20) + ", " +
          std::to_string(Y + 20) + ", 0, 1)",
  };
  EXPECT_EQ(Scripted::Call_Log(), Expected);
}

TEST_F(Game_Calls, EachStepTakesAtMostOneKeyAndDrawsTheCollidingPixel) {
  Scripted::Queue_Answers(Entry::KeyHit, {1, 0, 1});
  Scripted::Set_Answer(Entry::GetKey, 'a');
  Scripted::Queue_Answers(Entry::GetColorPixel, {15, 4, 0});  // white, red (free), black
  Console_Capture Console;
  EXPECT_FALSE(Game::Main_Proc(640, 480, true, 0));
  const std::vector<std::string> Expected = {
      "KeyHit()", "GetKey()", "GetColorPixel(21, 241)", "PutPixel(21, 241, 0)",
      "KeyHit()",             "GetColorPixel(22, 242)", "PutPixel(22, 242, 0)",
      "KeyHit()", "GetKey()", "GetColorPixel(23, 243)", "PutPixel(23, 243, 0)",
  };
  EXPECT_EQ(Scripted::Call_Log(), Expected);
  EXPECT_EQ(Console.Text(), "\n\n\n");
}

TEST_F(Game_Calls, GraphicsErrorsPassThroughTheFlight) {
  Scripted::Set_Answer(Entry::GetColorPixel, -6);
  Console_Capture Console;
  EXPECT_EQ(Scripted::Raised_By([] { Game::Main_Proc(640, 480, true, 0); }), &Tarnwick::Window_Not_Open);
}

}  // namespace
