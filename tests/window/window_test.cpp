// The SDL back end on a real X server: each test starts its own Xvfb, runs the
// probe program (window_probe.cpp) against it and drives it with xdotool and
// Xlib. Waits are bounded polls for a condition, never fixed sleeps.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/harness/typed_keys.h"
#include "tests/harness/xvfb_server.h"

namespace {

// The probe ended within Timeout_Ms with the report of Error and status 1.
void Expect_Report(Child_Process& Probe, const std::string& Error, int Timeout_Ms) {
  EXPECT_TRUE(Exited_With(Probe, 1, Timeout_Ms)) << "the probe did not end with status 1";
  EXPECT_NE(Read_All_From_Child(Probe, 1000).find("raised " + Error + "\n"), std::string::npos);
}

class Window_On_Xvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string Why;
    ASSERT_TRUE(Start_Xvfb(Server, &Why)) << Why;
  }

  Child_Process Start_Probe(const std::vector<std::string>& Arguments) {
    std::vector<std::string> Command = {WINDOW_PROBE_PATH};
    Command.insert(Command.end(), Arguments.begin(), Arguments.end());
    return Start_Child({.Arguments = Command, .Environment = Window_Program_Environment()});
  }

  // Reads the probe's next line, failing the test when none comes in time.
  std::string Next_Line(Child_Process& Probe, int Timeout_Ms = 10000) {
    std::string Line;
    EXPECT_TRUE(Read_Line_From_Child(Probe, Line, Timeout_Ms)) << "the probe said nothing more";
    return Line;
  }

  // The probe's window, found by its title (the program's name); "" if none.
  std::string Probe_Window() {
    std::string Id;
    Eventually([&] { return !(Id = Find_Window("window_probe")).empty(); });
    return Id;
  }

  // Waits until the probe's window has the keyboard focus.
  void Expect_Focus(const std::string& Window) {
    EXPECT_TRUE(Eventually([&] { return Focused_Window() == Window; })) << "the window never took the keyboard focus";
  }

  Xvfb_Server Server;
};

// The session buses started for a display, by libdbus's launcher, now
// running: the launcher and the daemons that detached themselves from it.
// Buses that tests start themselves stay attached (--nofork) and are not counted.
std::set<pid_t> Launched_Buses() {
  std::set<pid_t> Found;
  DIR* Processes = opendir("/proc");
  while (dirent* Entry = Processes ? readdir(Processes) : nullptr) {
    const std::string Command_Line = Read_File(std::string("/proc/") + Entry->d_name + "/cmdline");
    if (Command_Line.find("dbus-launch") != std::string::npos ||
        (Command_Line.find("dbus-daemon") != std::string::npos && Command_Line.find("--fork") != std::string::npos))
      Found.insert(static_cast<pid_t>(std::atoi(Entry->d_name)));
  }
  if (Processes) closedir(Processes);
  return Found;
}

// The keyboard works whether or not the desktop has a session bus. With one,
// the program uses it; without one, it starts none of its own (one started
// for the display would outlive the program).
class Window_Keys : public Window_On_Xvfb, public ::testing::WithParamInterface<bool> {};

TEST_P(Window_Keys, KeysTypedIntoTheWindowComeBackInOrderWithTheirCodes) {
  const bool With_Bus = GetParam();
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  unsetenv("XDG_RUNTIME_DIR");
  Child_Process Bus;
  std::string Address;
  if (With_Bus) {
    // An abstract socket, which leaves no file behind however the bus ends.
    const std::string Listen = "--address=unix:abstract=drovanel-test-" + std::to_string(getpid());
    Bus = Start_Child({.Arguments = {"dbus-daemon", "--session", "--nofork", "--print-address=1", Listen}});
    ASSERT_TRUE(Read_Line_From_Child(Bus, Address, 5000)) << "no session bus";
    setenv("DBUS_SESSION_BUS_ADDRESS", Address.c_str(), 1);
  }
  const std::set<pid_t> Bus_Before = Launched_Buses();

  const std::vector<int>& Expected = Typed_Key_Codes;
  Child_Process Probe = Start_Probe({"keys", std::to_string(Expected.size())});
  ASSERT_EQ(Next_Line(Probe), "ready");
  Expect_Focus(Probe_Window());
  if (With_Bus) {
    const std::string Names = Run_Command("dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                                          "/org/freedesktop/DBus org.freedesktop.DBus.ListNames");
    EXPECT_NE(Names.find("\":1.1\""), std::string::npos) << "the program is not on the session bus: " << Names;
  }

  Type_Test_Keys();
  for (int Code : Expected) EXPECT_EQ(Next_Line(Probe), "key " + std::to_string(Code));
  EXPECT_TRUE(Exited_With(Probe, 0, 5000));

  std::set<pid_t> Left_Behind;
  std::ranges::set_difference(Launched_Buses(), Bus_Before, std::inserter(Left_Behind, Left_Behind.end()));
  for (pid_t Pid : Left_Behind) kill(Pid, SIGKILL);
  EXPECT_TRUE(Left_Behind.empty()) << Left_Behind.size() << " D-Bus processes outlived the program";
}

INSTANTIATE_TEST_SUITE_P(Buses, Window_Keys, ::testing::Values(false, true),
                         [](const auto& Info) { return std::string(Info.param ? "SessionBus" : "NoSessionBus"); });

TEST_F(Window_On_Xvfb, HeldKeyRepeatsIntoTheQueue) {
  Child_Process Probe = Start_Probe({"wait"});
  ASSERT_EQ(Next_Line(Probe), "ready");
  Expect_Focus(Probe_Window());
  // Hold b until the server's auto-repeat has delivered several presses.
  Run_Command("xdotool keydown b");
  int Presses = 0;
  std::string Line;
  while (Presses < 3 && Read_Line_From_Child(Probe, Line, 5000)) {
    EXPECT_EQ(Line, "key 98");
    ++Presses;
  }
  Run_Command("xdotool keyup b");
  EXPECT_EQ(Presses, 3) << "the held key did not repeat";
}

// The old PC palette the back end shows the sixteen codes in.
constexpr uint32_t White = 0xFFFFFF, Black = 0x000000, Red = 0xAA0000, Blue = 0x0000AA, Light_Green = 0x55FF55,
                   Yellow = 0xFFFF55;

TEST_F(Window_On_Xvfb, MaximizedWindowFillsTheScreenAndShowsTheDrawing) {
  Child_Process Probe = Start_Probe({"draw"});
  // Without a window manager the back end sizes the window to the usable area itself.
  ASSERT_EQ(Next_Line(Probe), "size 1024 768 8 8");
  ASSERT_EQ(Next_Line(Probe), "drawn");

  struct Expected_Pixel {
    int32_t X, Y;
    uint32_t Color;
  };
  const std::vector<Expected_Pixel> Picture = {
      {0, 0, White},      {1023, 767, White}, {5, 500, White},          // the cleared surface, corner to corner
      {10, 10, Black},    {1004, 758, Black}, {10, 400, Black},         // the frame's corners and left edge
      {1004, 300, Black}, {11, 11, White},    {1005, 300, White},       // inside and outside its right edge
      {100, 100, Red},    {199, 149, Red},    {150, 120, Red},          // the filled box, both corners included
      {200, 149, White},  {300, 50, Blue},    {300, 90, Blue},          // past its corner; the line's ends
      {300, 91, White},   {400, 200, Light_Green}, {401, 200, Yellow},  // past the line; two single pixels
  };
  Screenshot Image;
  auto Shows_Picture = [&] {
    if (!Take_Screenshot(Server, Image) || Image.Width != 1024 || Image.Height != 768) return false;
    for (const Expected_Pixel& P : Picture)
      if (Image.At(P.X, P.Y) != P.Color) return false;
    return true;
  };
  EXPECT_TRUE(Eventually(Shows_Picture));
  for (const Expected_Pixel& P : Picture)
    EXPECT_EQ(Image.At(P.X, P.Y), P.Color) << "at " << P.X << ", " << P.Y;
  EXPECT_TRUE(Eventually([&] { return !Run_Command("xdotool search --name '^Drovanel probe$'").empty(); }))
      << "the new title never showed";

  // Made lower and narrower, the window shows the whole canvas scaled to its
  // height, 400 x 300 (the aspect ratio kept), centred, black beside it: the
  // frame's four one-pixel edges are still there, each a long black run.
  Run_Command("xdotool windowsize " + Find_Window("Drovanel probe") + " 512 300");
  const auto Long_Black_Runs = [&](bool Rows) {
    int Runs = 0;
    for (int32_t Line = 0; Line < (Rows ? 300 : 400); ++Line) {
      int Run = 0, Longest = 0;
      for (int32_t Along = 0; Along < (Rows ? 400 : 300); ++Along) {
        Run = Image.At(Rows ? 56 + Along : 56 + Line, Rows ? Line : Along) == Black ? Run + 1 : 0;
        Longest = std::max(Longest, Run);
      }
      Runs += Longest >= (Rows ? 380 : 280);
    }
    return Runs;
  };
  const auto Shows_Scaled_Picture = [&] {
    return Take_Screenshot(Server, Image) && Image.At(20, 150) == Black && Image.At(490, 150) == Black &&
           Image.At(256, 150) == White && Long_Black_Runs(true) == 2 && Long_Black_Runs(false) == 2;
  };
  EXPECT_TRUE(Eventually(Shows_Scaled_Picture)) << "rows and columns with the frame's edges: "
                                                << Long_Black_Runs(true) << ", " << Long_Black_Runs(false);

  Write_To_Child(Probe, "0\n");
  EXPECT_TRUE(Exited_With(Probe, 0, 5000));
}

TEST_F(Window_On_Xvfb, MouseMovesAndClicksArriveWithTheirPositions) {
  Child_Process Probe = Start_Probe({"mouse"});
  ASSERT_EQ(Next_Line(Probe), "ready");
  Probe_Window();
  Run_Command("xdotool mousemove 50 60 click 1 mousemove 70 80 click 3");
  // The pointer may first be reported where it was when the window appeared.
  std::string Line;
  do Line = Next_Line(Probe);
  while (!Line.empty() && Line != "mouse MOVED 50 60");
  EXPECT_EQ(Line, "mouse MOVED 50 60");
  for (const char* Expected : {"mouse LEFT_DOWN 50 60", "mouse LEFT_UP 50 60", "mouse MOVED 70 80",
                               "mouse RIGHT_DOWN 70 80", "mouse RIGHT_UP 70 80"})
    EXPECT_EQ(Next_Line(Probe), Expected);
  EXPECT_TRUE(Exited_With(Probe, 0, 5000));
}

// Also: the program may end with its window open and still exit cleanly.
TEST_F(Window_On_Xvfb, WindowsOpenAndCloseOneAfterAnother) {
  Child_Process Probe = Start_Probe({"reopen"});
  EXPECT_EQ(Next_Line(Probe), "max 1024 768");
  EXPECT_EQ(Next_Line(Probe), "size 200 100 8 8");
  EXPECT_EQ(Next_Line(Probe), "size 640 480 8 8");
  EXPECT_EQ(Next_Line(Probe), "size 1024 768 8 8");
  EXPECT_EQ(Next_Line(Probe), "closed");
  EXPECT_TRUE(Exited_With(Probe, 0, 5000));
}

// A waiting program (in Get_Key, looping like the game's flight, or at a
// console prompt, "levels", where only the window thread can end it) ends with
// its report when the window goes, whether closed by its button or by the X
// server ending.
struct Ending_Case {
  const char* Scenario;
  bool Kill_Server;
};

void PrintTo(const Ending_Case& Case, std::ostream* Out) {
  *Out << Case.Scenario << (Case.Kill_Server ? ", server killed" : ", close button");
}

class Window_Endings : public Window_On_Xvfb, public ::testing::WithParamInterface<Ending_Case> {};

TEST_P(Window_Endings, WaitingProgramReportsWindowNotOpen) {
  Child_Process Probe = Start_Probe({GetParam().Scenario});
  ASSERT_EQ(Next_Line(Probe), "ready");
  const std::string Window = Probe_Window();
  ASSERT_FALSE(Window.empty());
  if (GetParam().Kill_Server)
    Kill_Xvfb(Server);
  else
    ASSERT_TRUE(Send_Close_Request(Window));
  Expect_Report(Probe, "TARNWICK.WINDOW_NOT_OPEN", 3000);
}

INSTANTIATE_TEST_SUITE_P(Endings, Window_Endings,
                         ::testing::Values(Ending_Case{"wait", false}, Ending_Case{"poll", false},
                                           Ending_Case{"levels", false}, Ending_Case{"wait", true},
                                           Ending_Case{"poll", true}, Ending_Case{"levels", true}),
                         [](const auto& Info) {
                           return std::string(Info.param.Kill_Server ? "ServerKilled" : "CloseButton") + "_" +
                                  Info.param.Scenario;
                         });

// A new picture's first Key_Hit waits while the window lacks the keyboard:
// the window takes it from another window (the root window here) by itself at
// the first clear, but not at a later one.
// A hint shows over the picture while it waits; the wait ends when the window
// has the keyboard again, or the program ends when the window goes or at Ctrl+C.
enum class Wait_End { Focus_Given, Window_Closed, Interrupted };

const char* Name_Of(Wait_End End) {
  return End == Wait_End::Focus_Given ? "FocusGiven" : End == Wait_End::Window_Closed ? "WindowClosed" : "Interrupted";
}

void PrintTo(Wait_End End, std::ostream* Out) { *Out << Name_Of(End); }

class Window_Keyboard_Wait : public Window_On_Xvfb, public ::testing::WithParamInterface<Wait_End> {
 protected:
  // The pixels of the hint's box colour, the palette's blue, which the probe never draws.
  int Hint_Pixels() {
    Screenshot Image;
    return Take_Screenshot(Server, Image) ? static_cast<int>(std::ranges::count(Image.Pixels, 0x0000AAu)) : -1;
  }
};

TEST_P(Window_Keyboard_Wait, NewPictureWaitsForTheKeyboardWithAHint) {
  Child_Process Probe = Start_Probe({"levels"});
  ASSERT_EQ(Next_Line(Probe), "ready");
  const std::string Window = Probe_Window();
  const auto Focus_Elsewhere = [&] {
    Run_Command("xdotool windowfocus $(xdotool search --maxdepth 0 --name '')");
    return Eventually([&] { return Focused_Window() != Window; });
  };
  ASSERT_TRUE(Focus_Elsewhere());
  Write_To_Child(Probe, "1\n");
  ASSERT_EQ(Next_Line(Probe), "flying");
  Expect_Focus(Window);

  // The window learns a moment later that it lost the keyboard: a level begun before that does not wait.
  bool Waited = false;
  for (int Level = 2; Level <= 5 && !Waited; ++Level) {
    ASSERT_TRUE(Focus_Elsewhere());
    Write_To_Child(Probe, std::to_string(Level) + "\n");
    Waited = Eventually([&] { return Hint_Pixels() > 5000; }, 2000);
    if (!Waited) {
      ASSERT_EQ(Next_Line(Probe), "flying");
    }
  }
  ASSERT_TRUE(Waited) << "no level waited with the hint shown while another window had the keyboard";
  std::string Line;
  EXPECT_FALSE(Read_Line_From_Child(Probe, Line, 200)) << "the probe did not wait: " << Line;
  EXPECT_TRUE(Window_Wants_Attention(Window)) << "the waiting window does not ask for attention";
  switch (GetParam()) {
    case Wait_End::Focus_Given:
      Run_Command("xdotool windowfocus " + Window);
      EXPECT_EQ(Next_Line(Probe, 3000), "flying");
      EXPECT_TRUE(Eventually([&] { return Hint_Pixels() == 0; })) << "the hint stayed";
      EXPECT_TRUE(Eventually([&] { return !Window_Wants_Attention(Window); })) << "the window still asks for attention";
      break;
    case Wait_End::Window_Closed:
      ASSERT_TRUE(Send_Close_Request(Window));
      Expect_Report(Probe, "TARNWICK.WINDOW_NOT_OPEN", 3000);
      break;
    case Wait_End::Interrupted:
      kill(Probe.Pid, SIGINT);
      ASSERT_TRUE(Wait_For_Child(Probe, 3000)) << "Ctrl+C did not end the waiting program";
      EXPECT_TRUE(WIFSIGNALED(Probe.Wait_Status) && WTERMSIG(Probe.Wait_Status) == SIGINT);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, Window_Keyboard_Wait,
                         ::testing::Values(Wait_End::Focus_Given, Wait_End::Window_Closed, Wait_End::Interrupted),
                         [](const auto& Info) { return std::string(Name_Of(Info.param)); });

// Ctrl+C in the console and kill still end a program whose window is open.
class Window_Signals : public Window_On_Xvfb, public ::testing::WithParamInterface<int> {};

TEST_P(Window_Signals, SignalEndsAProgramWithItsWindowOpen) {
  Child_Process Probe = Start_Probe({"wait"});
  ASSERT_EQ(Next_Line(Probe), "ready");
  kill(Probe.Pid, GetParam());
  ASSERT_TRUE(Wait_For_Child(Probe, 3000)) << "the signal did not end the program";
  ASSERT_TRUE(WIFSIGNALED(Probe.Wait_Status));
  EXPECT_EQ(WTERMSIG(Probe.Wait_Status), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Signals, Window_Signals, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& Info) { return std::string(Info.param == SIGINT ? "Interrupt" : "Terminate"); });

// Started without some of its standard streams, the program holds their
// numbers, so no connection it opens later can take them.
struct Missing_Streams {
  const char* Redirections;
  std::vector<int> Closed;
};

void PrintTo(const Missing_Streams& Case, std::ostream* Out) { *Out << Case.Redirections; }

class Window_Missing_Streams : public Window_On_Xvfb, public ::testing::WithParamInterface<Missing_Streams> {};

TEST_P(Window_Missing_Streams, NoConnectionTakesTheirNumbers) {
  char Report[] = "/tmp/drovanel-streams-XXXXXX";
  ASSERT_GE(mkstemp(Report), 0);
  Child_Process Probe = Start_Child(
      {.Arguments = {"/bin/sh", "-c", std::string("exec \"$0\" streams \"$1\" ") + GetParam().Redirections,
                     WINDOW_PROBE_PATH, Report},
       .Environment = Window_Program_Environment()});
  EXPECT_TRUE(Exited_With(Probe, 0, 10000));
  std::ifstream File(Report);
  std::string Line;
  for (int Fd = 0; Fd <= 2; ++Fd) {
    ASSERT_TRUE(std::getline(File, Line));
    const bool Closed = std::ranges::count(GetParam().Closed, Fd) > 0;
    if (Closed) EXPECT_EQ(Line, "fd " + std::to_string(Fd) + " /dev/null");
    else EXPECT_EQ(Line.find("socket:"), std::string::npos) << Line;
  }
  unlink(Report);
}

INSTANTIATE_TEST_SUITE_P(Streams, Window_Missing_Streams,
                         ::testing::Values(Missing_Streams{"<&-", {0}}, Missing_Streams{">&-", {1}},
                                           Missing_Streams{"2>&-", {2}}, Missing_Streams{"<&- >&- 2>&-", {0, 1, 2}}),
                         [](const auto& Info) {
                           std::string Name = "Closed";
                           for (int Fd : Info.param.Closed) Name += std::to_string(Fd);
                           return Name;
                         });

// No X server to reach: the opening fails with its own code and the program reports it.
class Window_No_Display : public ::testing::TestWithParam<const char*> {};

TEST_P(Window_No_Display, OpeningReportsCreateWindowFailed) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  std::vector<std::string> Environment = Window_Program_Environment();
  if (*GetParam()) Environment.push_back(std::string("DISPLAY=") + GetParam());
  Child_Process Probe = Start_Child({.Arguments = {WINDOW_PROBE_PATH, "open"}, .Environment = Environment});
  Expect_Report(Probe, "TARNWICK.CREATE_WINDOW_FAILED", 10000);
}

INSTANTIATE_TEST_SUITE_P(Displays, Window_No_Display, ::testing::Values("", ":97"),
                         [](const auto& Info) { return std::string(*Info.param ? "DeadDisplay" : "DisplayUnset"); });

// A display server that stops answering before the window is open must not
// hold up the opening for ever: it fails, and the program reports it.
TEST_F(Window_On_Xvfb, OpeningOnAStoppedServerReportsCreateWindowFailed) {
  kill(Server.Process.Pid, SIGSTOP);
  Child_Process Probe = Start_Probe({"open"});
  Expect_Report(Probe, "TARNWICK.CREATE_WINDOW_FAILED", 10000);
  kill(Server.Process.Pid, SIGCONT);
}

}  // namespace
