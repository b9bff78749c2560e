// The real program drovanel on sway while virtual keyboards come, type and go,
// as on-screen keyboards, remote desktops and keyboards plugged in do: twenty
// while the game waits at its first prompt, twenty while the dot flies. Each
// arrives with keys held down, and the game is stopped while it arrives, as on
// a busy machine: the window learns of the keys as it learns of the keyboard,
// before the keyboard's first modifier state. No keyboard may end the game by
// a signal; the game may end by itself, with its report.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/desktop.h"

namespace {

// Twenty keyboards, each holding eight keys for 300 ms; how the game ended, if by a signal, or "".
std::string Signal_From_Keyboards(const Desktop& Desk, Child_Process& Game) {
  std::vector<std::string> Command = Desk.As_User;
  Command.push_back("wtype");
  for (const char* Key : {"a", "b", "c", "d", "e", "f", "g", "h"}) Command.insert(Command.end(), {"-P", Key});
  Command.insert(Command.end(), {"-s", "300"});
  for (const char* Key : {"a", "b", "c", "d", "e", "f", "g", "h"}) Command.insert(Command.end(), {"-p", Key});
  for (int Count = 0; Count < 20 && !Wait_For_Child(Game, 0); ++Count) {
    kill(Game.Pid, SIGSTOP);
    Child_Process Keyboard =
        Start_Child({.Arguments = Command, .Environment = Desk.Tool_Environment, .Errors = Device::Null});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(Game.Pid, SIGCONT);
    Wait_For_Child(Keyboard, 10000);
  }
  if (!Wait_For_Child(Game, 200)) Close_Window_On_Desktop(Desk, "drovanel");
  EXPECT_TRUE(Wait_For_Child(Game, 5000)) << "the game did not end when its window closed";
  return WIFSIGNALED(Game.Wait_Status) ? "killed by signal " + std::to_string(WTERMSIG(Game.Wait_Status)) : "";
}

TEST(Passing_Keyboards, NoKeyboardEndsTheGameBySignal) {
  Desktop Desk;
  std::string Why;
  ASSERT_TRUE(Start_Desktop(Desk, Desktop_Kind::Sway, &Why)) << Why;
  for (const bool In_Flight : {false, true}) {
    Child_Process Game = Start_On_Desktop(Desk, DROVANEL_PATH);
    ASSERT_TRUE(Eventually([&] { return Window_Has_Focus(Desk, "drovanel"); })) << "the window never had the focus";
    ASSERT_TRUE(Read_Past_From_Child(Game, "Speed 'The Lower the Faster' Rec 220000 :", 10000)) << "no prompt";
    // A slow flight on level 0.
    if (In_Flight) {
      ASSERT_TRUE(Write_To_Child(Game, "4000000\n0\n") && Read_Past_From_Child(Game, "Starting level :\n", 10000))
          << "the flight did not start";
    }
    EXPECT_EQ(Signal_From_Keyboards(Desk, Game), "") << (In_Flight ? "in flight" : "at the prompt");
  }
}

}  // namespace
