// The real program played in a real window on a private Xvfb, with keys
// typed into its window by xdotool: two levels passed through the exit gap,
// then one lost, with the console's steps checked and the window's picture
// read back from the server's screen. The Linux program (tests/game) and the
// Windows one under Wine (tests/wine) play the same game.
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
//
// The procedures that check fail the running test with GoogleTest's
// assertions; call them under ASSERT_NO_FATAL_FAILURE.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/harness/child_process.h"
#include "tests/harness/xvfb_server.h"

// One level's picture as the screen shows it: a Width x Height canvas whose
// top left pixel is the screen's (Left, Top).
struct Level_View {
  const Screenshot& Image;
  int32_t Width, Height;
  int32_t Left = 0, Top = 0;

  uint32_t At(int32_t X, int32_t Y) const;
  bool Is_Black(int32_t X, int32_t Y) const;

  // Whether the frame is there, with the exit gap whitened in its right edge around the middle row.
  bool Has_Frame_And_Gap() const;
  // Top-left corners of every complete 21 x 21 black outline in the obstacles' area.
  std::vector<std::pair<int32_t, int32_t>> Squares(bool Hollow_Only) const;
  // Whether the two pictures agree right of x = 80 (the flight is still left of it).
  bool Same_Right_Part(const Screenshot& Other) const;
  // Black pixels on the middle rows right of x = 80: a level just drawn has at most its squares there.
  int32_t Black_On_Middle_Rows() const;
  // The keys that steer the dot from (Start_X, Start_Y) past the wall without touching black, one per step.
  std::string Plan_Path(int32_t Start_X, int32_t Start_Y) const;
};

// The size of an X window (xdotool); false when there is no such window.
bool Window_Size(const std::string& Window, int32_t& Width, int32_t& Height);

// One game being played: the program, where its canvas lies on the screen, what it wrote.
struct Played_Game {
  const Xvfb_Server& Server;
  Child_Process& Game;
  int32_t Width, Height, Left = 0, Top = 0;  // the canvas, and its top left pixel on the screen
  // Whether Height and Top are read from the playfield's frame on the screen, where the
  // window's own size is not its client area's (Wine 10's X windows are taller).
  bool Rows_From_Frame = false;
  Screenshot Image{};                         // the last level's picture
  int32_t Lines_Read = 0;                     // console lines read so far

  Level_View View() const { return {Image, Width, Height, Left, Top}; }
};

// Reads console lines until Count steps have been written (the first line holds both prompts).
void Read_Steps(Played_Game& Play, int32_t Count);

// Waits until the screen shows the level that has just begun, complete and steady, with its
// flight started as Flight_Shown says, and keeps that picture in Play.Image.
bool Wait_For_New_Level(Played_Game& Play, const std::function<bool(const Level_View&)>& Flight_Shown);

// Plays the game, whose window has the keyboard, from its first prompt to its
// report: Speed, level 0, two levels passed, level 2 lost.
void Play_Two_Levels_Then_Lose_One(Played_Game& Play, const std::string& Speed);
