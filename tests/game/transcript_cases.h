// Whole games of the test twin drovanel_headless and what each must give:
// standard output byte for byte, an empty standard error, the exit status,
// and whether the window was still open when the process ended. The Linux
// twin plays them (transcript_test.cpp), and so does the Windows twin under
// Wine (tests/wine).
#pragma once

#include <string>
#include <vector>

struct Transcript_Case {
  std::string Name;  // the case's test name
  int Width, Height, Seed;
  std::string Keys, Input, Output;
  int Status;
  std::string Window;  // "open" or "closed" as the process ends
};

const std::string Speed_Prompt = "Speed 'The Lower the Faster' Rec 220000 :";
const std::string Level_Prompt = "Starting level :";

// The console's closing report of a game.
inline std::string Report(int Started, int Reached) {
  return "You started on level: " + std::to_string(Started) + "\nYou reached Level: " + std::to_string(Reached) +
         "\n";
}

// The twin's arguments after its path: WIDTH HEIGHT SEED KEYS WINDOW_STATE_FILE.
inline std::vector<std::string> Twin_Arguments(const Transcript_Case& Case, const std::string& State_Path) {
  return {std::to_string(Case.Width), std::to_string(Case.Height), std::to_string(Case.Seed), Case.Keys, State_Path};
}

inline std::vector<Transcript_Case> Transcript_Cases() {
  // Keys for a zigzag through the middle rows (down, up) over Levels levels Width - 40 steps long.
  const auto Zigzag = [](int Width, int Levels) {
    std::string Keys;
    for (int Step = 0; Step < (Width - 40) / 2 * Levels; ++Step) Keys += "ab";
    return Keys;
  };
  const std::string Prompts = Speed_Prompt + Level_Prompt;
  const std::string Game_Output = Prompts + std::string(50, '\n') + Report(1, 1);
  return {
      // No key: the dot climbs from row 60 into the top edge in 50 steps.
      {"LosingTheFirstLevelReportsItTwice", 200, 120, 1, "", "0\n1\n0\n", Game_Output, 0, "closed"},
      // Levels -1 and 0 have no obstacles and are passed in 160 steps each; level
      // 1 is lost at the top edge after 50, before any obstacle column. Speed is
      // the recommended one, so this game really takes 370 delay loops.
      {"StartingBelowOneFliesEmptyLevelsAndCountsOn", 200, 120, 1, Zigzag(200, 2), "220000\n-1\n7\n",
       Prompts + std::string(160 + 160 + 50, '\n') + Report(-1, 1), 0, "closed"},
      // Seed 7 in a 400 x 300 window: the 3 and 4 squares of levels 3 and 4 keep
      // clear of rows 150 and 151, so the zigzag passes both (360 steps each); on
      // level 5 the dot climbs from row 150 into the top edge in 140 steps, clear
      // of its 5 squares.
      {"CompletedLevelsWithObstaclesReportTheLevelLost", 400, 300, 7, Zigzag(400, 2), "0\n3\n16#FF#\n",
       Prompts + std::string(360 + 360 + 140, '\n') + Report(3, 5), 0, "closed"},
      // A failed reply ends the game with a report; the prompt's unfinished line
      // gets its line feed at shut-down, then the report.
      {"NotANumberAtTheFirstPrompt", 200, 120, 1, "", "abc\n", Speed_Prompt + "\n\nraised CONSOLE.DATA_ERROR\n", 1,
       "open"},
      {"OutOfRangeAtTheFirstPrompt", 200, 120, 1, "", "2147483648\n",
       Speed_Prompt + "\n\nraised CONSOLE.DATA_ERROR\n", 1, "open"},
      {"EndOfInputAtTheFirstPrompt", 200, 120, 1, "", "", Speed_Prompt + "\n\nraised CONSOLE.END_ERROR\n", 1, "open"},
      {"LoneMinusAtTheSecondPrompt", 200, 120, 1, "", "0\n-\n", Prompts + "\n\nraised CONSOLE.DATA_ERROR\n", 1,
       "open"},
      {"OnlyBlanksLeftAtTheSecondPrompt", 200, 120, 1, "", "0\n  \n\n", Prompts + "\n\nraised CONSOLE.END_ERROR\n", 1,
       "open"},
      // At the closing read the window is already closed and the line finished.
      {"NotANumberAtTheClosingRead", 200, 120, 1, "", "0\n1\nzz\n", Game_Output + "\nraised CONSOLE.DATA_ERROR\n", 1,
       "closed"},
      {"EndOfInputAtTheClosingRead", 200, 120, 1, "", "0\n1\n", Game_Output + "\nraised CONSOLE.END_ERROR\n", 1,
       "closed"},
  };
}
