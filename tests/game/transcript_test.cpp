// Whole games of the test twin drovanel_headless, run as processes: standard
// output byte for byte, standard error, exit status, and whether the window
// was still open when the process ended.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

const std::string Speed_Prompt = "Speed 'The Lower the Faster' Rec 220000 :";
const std::string Level_Prompt = "Starting level :";

// Keys for a zigzag through the middle rows (down, up) over Levels levels Width - 40 steps long.
std::string Zigzag(int Width, int Levels) {
  std::string Keys;
  for (int Step = 0; Step < (Width - 40) / 2 * Levels; ++Step) Keys += "ab";
  return Keys;
}

std::string Report(int Started, int Reached) {
  return "You started on level: " + std::to_string(Started) + "\nYou reached Level: " + std::to_string(Reached) +
         "\n";
}

struct Game_Run {
  Child_Result Result;
  std::string Window;  // "open" or "closed" as the process ended
};

Game_Run Play(int Width, int Height, int Seed, const std::string& Keys, const std::string& Input) {
  const std::string State_Path = "/tmp/drovanel-window-" + std::to_string(getpid());
  unlink(State_Path.c_str());
  Game_Run Run;
  Run.Result = Run_Child({.Arguments = {DROVANEL_HEADLESS_PATH, std::to_string(Width), std::to_string(Height),
                                        std::to_string(Seed), Keys, State_Path},
                          .Errors = Device::Pipe},
                         Input);
  std::ifstream State(State_Path);
  std::getline(State, Run.Window);
  unlink(State_Path.c_str());
  return Run;
}

TEST(Transcript, LosingTheFirstLevelReportsItTwice) {
  // No key: the dot climbs from row 60 into the top edge in 50 steps.
  const Game_Run Run = Play(200, 120, 1, "", "0\n1\n0\n");
  EXPECT_EQ(Run.Result.Output, Speed_Prompt + Level_Prompt + std::string(50, '\n') + Report(1, 1));
  EXPECT_EQ(Run.Result.Errors, "");
  EXPECT_EQ(Run.Result.Status, 0);
  EXPECT_EQ(Run.Window, "closed");
}

TEST(Transcript, StartingBelowOneFliesEmptyLevelsAndCountsOn) {
  // Levels -1 and 0 have no obstacles and are passed in 160 steps each; level
  // 1 is lost at the top edge after 50, before any obstacle column. Speed is
  // the recommended one, so this game really takes 370 delay loops.
  const Game_Run Run = Play(200, 120, 1, Zigzag(200, 2), "220000\n-1\n7\n");
  EXPECT_EQ(Run.Result.Output, Speed_Prompt + Level_Prompt + std::string(160 + 160 + 50, '\n') + Report(-1, 1));
  EXPECT_EQ(Run.Result.Errors, "");
  EXPECT_EQ(Run.Result.Status, 0);
  EXPECT_EQ(Run.Window, "closed");
}

TEST(Transcript, CompletedLevelsWithObstaclesReportTheLevelLost) {
  // Seed 7 in a 400 x 300 window: the 3 and 4 squares of levels 3 and 4 keep
  // clear of rows 150 and 151, so the zigzag passes both (360 steps each); on
  // level 5 the dot climbs from row 150 into the top edge in 140 steps, clear
  // of its 5 squares.
  const Game_Run Run = Play(400, 300, 7, Zigzag(400, 2), "0\n3\n16#FF#\n");
  EXPECT_EQ(Run.Result.Output, Speed_Prompt + Level_Prompt + std::string(360 + 360 + 140, '\n') + Report(3, 5));
  EXPECT_EQ(Run.Result.Errors, "");
  EXPECT_EQ(Run.Result.Status, 0);
  EXPECT_EQ(Run.Window, "closed");
}

TEST(Transcript, FailedRepliesEndTheGameWithAReport) {
  const std::string Game_Output = Speed_Prompt + Level_Prompt + std::string(50, '\n') + Report(1, 1);
  const struct {
    const char* Input;
    std::string Output;
    const char* Window;
  } Cases[] = {
      // The prompt's unfinished line gets its line feed at shut-down, then the report.
      {"abc\n", Speed_Prompt + "\n\nraised CONSOLE.DATA_ERROR\n", "open"},
      {"2147483648\n", Speed_Prompt + "\n\nraised CONSOLE.DATA_ERROR\n", "open"},
      {"", Speed_Prompt + "\n\nraised CONSOLE.END_ERROR\n", "open"},
      {"0\n-\n", Speed_Prompt + Level_Prompt + "\n\nraised CONSOLE.DATA_ERROR\n", "open"},
      {"0\n  \n\n", Speed_Prompt + Level_Prompt + "\n\nraised CONSOLE.END_ERROR\n", "open"},
      // At the closing read the window is already closed and the line finished.
      {"0\n1\nzz\n", Game_Output + "\nraised CONSOLE.DATA_ERROR\n", "closed"},
      {"0\n1\n", Game_Output + "\nraised CONSOLE.END_ERROR\n", "closed"},
  };
  for (const auto& Case : Cases) {
    const Game_Run Run = Play(200, 120, 1, "", Case.Input);
    EXPECT_EQ(Run.Result.Output, Case.Output) << "input " << Case.Input;
    EXPECT_EQ(Run.Result.Errors, "") << "input " << Case.Input;
    EXPECT_EQ(Run.Result.Status, 1) << "input " << Case.Input;
    EXPECT_EQ(Run.Window, Case.Window) << "input " << Case.Input;
  }
}

}  // namespace
