// The SDL back end on sway while virtual keyboards come, type and go, as
// on-screen keyboards, remote desktops and keyboards plugged in do: twenty
// while the probe program waits at a console prompt, twenty while it loops
// like the game's flight. Each arrives with keys held down, and the program is
// stopped while it arrives, as on a busy machine: the window learns of the
// keys as it learns of the keyboard, before the keyboard's first modifier
// state, and SDL asks xkbcommon about them in a layout it does not know yet.
// The guards must answer those calls (where SDL does not call them, xkbcommon
// crashes only some of the time), no keyboard may end the program by a
// signal, and it ends with its report when its window goes: closed in flight,
// its compositor killed at the prompt.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness/desktop.h"

namespace {

// Twenty keyboards, each holding eight keys for 400 ms, while Probe runs; each must type without an error.
void Pass_Keyboards(const Desktop& Desk, Child_Process& Probe) {
  std::vector<std::string> Command = Desk.As_User;
  Command.push_back("wtype");
  for (const char* Key : {"a", "b", "c", "d", "e", "f", "g", "h"}) Command.insert(Command.end(), {"-P", Key});
  Command.insert(Command.end(), {"-s", "400"});
  for (const char* Key : {"a", "b", "c", "d", "e", "f", "g", "h"}) Command.insert(Command.end(), {"-p", Key});
  for (int Count = 0; Count < 20 && !Wait_For_Child(Probe, 0); ++Count) {
    kill(Probe.Pid, SIGSTOP);
    Child_Process Keyboard =
        Start_Child({.Arguments = Command, .Environment = Desk.Tool_Environment, .Errors = Device::Pipe});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    kill(Probe.Pid, SIGCONT);
    const bool Exited = Exited_With(Keyboard, 0, 10000);
    const std::string Errors = Read_All_Errors_From_Child(Keyboard, 1000);
    EXPECT_TRUE(Exited && Errors.empty()) << "keyboard " << Count << " failed: " << Errors;
    if (!Exited || !Errors.empty()) return;
  }
}

// The calls the probe's guards have answered, as it says when asked on its console; -1 if it does not say.
long Mended_Calls(Child_Process& Probe) {
  if (!Write_To_Child(Probe, "0\n")) return -1;
  for (std::string Line; Read_Line_From_Child(Probe, Line, 5000);)  // keys typed in flight come first
    if (Line.rfind("mended ", 0) == 0) return std::stol(Line.substr(7));
  return -1;
}

TEST(Passing_Keyboards, NoKeyboardEndsTheProgramAndTheGuardsAnswerForHeldKeys) {
  Desktop Desk;
  std::string Why;
  ASSERT_TRUE(Start_Desktop(Desk, Desktop_Kind::Sway, &Why)) << Why;
  for (const char* Mode : {"flight", "prompt"}) {
    SCOPED_TRACE(Mode);
    Child_Process Probe = Start_On_Desktop(Desk, WINDOW_PROBE_PATH, {"keyboards", Mode});
    ASSERT_TRUE(Read_Past_From_Child(Probe, "ready\n", 10000)) << "the probe did not start";
    ASSERT_TRUE(Eventually([&] { return Window_Has_Focus(Desk, "window_probe"); })) << "the window never had the focus";
    Pass_Keyboards(Desk, Probe);
    EXPECT_GT(Mended_Calls(Probe), 0) << "no guard answered for the keys held as the first keyboard joined";
    if (Mode == std::string("flight"))
      Close_Window_On_Desktop(Desk, "window_probe");
    else
      Kill_Display_Server(Desk);
    EXPECT_TRUE(Exited_With(Probe, 1, 5000))
        << (Probe.Reaped && WIFSIGNALED(Probe.Wait_Status)
                ? "killed by signal " + std::to_string(WTERMSIG(Probe.Wait_Status))
                : std::string("the probe did not end with its report when its window went"));
    EXPECT_NE(Read_All_From_Child(Probe, 1000).find("raised TARNWICK.WINDOW_NOT_OPEN\n"), std::string::npos);
  }
}

}  // namespace
