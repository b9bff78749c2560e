// The real program drovanel on sway while virtual keyboards come, type and go,
// as on-screen keyboards, remote desktops and keyboards plugged in do: twenty
// one after another while the game waits at its first prompt, twenty while
// the dot flies. Each keyboard arrives with its key already held down, so the
// window learns of the key as it learns of the keyboard, before the keyboard's
// first modifier state. No keyboard may end the game by a signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "tests/support/desktop.h"

namespace {

constexpr int Keyboards = 20;
const std::string Speed_Prompt = "Speed 'The Lower the Faster' Rec 220000 :";

// One virtual keyboard that joins the seat holding Key, lets it go 300 ms later and leaves. The
// game is stopped while the keyboard arrives, as on a busy machine: when it runs again, its window
// learns of the keyboard with the key held down.
void Pass_Keyboard(const Desktop& Desk, const Child_Process& Game) {
  std::vector<std::string> Command = Desk.As_User;
  Command.push_back("wtype");
  for (const char* Key : {"a", "b", "c", "d", "e", "f", "g", "h"}) Command.insert(Command.end(), {"-P", Key});
  Command.insert(Command.end(), {"-s", "300"});
  for (const char* Key : {"a", "b", "c", "d", "e", "f", "g", "h"}) Command.insert(Command.end(), {"-p", Key});
  kill(Game.Pid, SIGSTOP);
  Child_Process Keyboard = Start_Child({.Arguments = Command, .Environment = Desk.Tool_Environment, .Errors = Device::Null});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(Game.Pid, SIGCONT);
  Wait_For_Child(Keyboard, 10000);
}

// Starts the game and waits for its window to have the focus and for the first prompt.
Child_Process Start_Game(const Desktop& Desk) {
  Child_Process Game = Start_On_Desktop(Desk, DROVANEL_PATH);
  EXPECT_TRUE(Eventually([&] { return Window_Has_Focus(Desk, "drovanel"); })) << "the window never had the focus";
  EXPECT_TRUE(Read_Past_From_Child(Game, Speed_Prompt, 10000)) << "no prompt";
  return Game;
}

// Passes the keyboards while the game runs; how the game ended, if by a signal, or "".
std::string Signal_From_Keyboards(const Desktop& Desk, Child_Process& Game) {
  for (int Keyboard = 0; Keyboard < Keyboards && !Wait_For_Child(Game, 0); ++Keyboard)
    Pass_Keyboard(Desk, Game);
  Wait_For_Child(Game, 200);
  if (!Game.Reaped) Close_Window_On_Desktop(Desk, "drovanel");
  EXPECT_TRUE(Wait_For_Child(Game, 5000)) << "the game did not end when its window closed";
  return Game.Reaped && WIFSIGNALED(Game.Wait_Status) ? "killed by signal " + std::to_string(WTERMSIG(Game.Wait_Status))
                                                      : "";
}

TEST(Passing_Keyboards, NoKeyboardEndsTheGameBySignal) {
  Desktop Desk;
  std::string Why;
  ASSERT_TRUE(Start_Desktop(Desk, Desktop_Kind::Sway, &Why)) << Why;
  {
    Child_Process Game = Start_Game(Desk);
    EXPECT_EQ(Signal_From_Keyboards(Desk, Game), "") << "at the prompt";
  }
  Child_Process Game = Start_Game(Desk);
  // A slow flight on level 0; it may end by itself, with the game's report.
  Write_To_Child(Game, "4000000\n0\n");
  EXPECT_TRUE(Read_Past_From_Child(Game, "Starting level :\n", 10000)) << "the flight did not start";
  EXPECT_EQ(Signal_From_Keyboards(Desk, Game), "") << "in flight";
}

}  // namespace
