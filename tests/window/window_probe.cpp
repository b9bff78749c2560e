// A small program the real-window tests drive through pipes. It runs as a
// whole program (start-up, typed interface, error report) on the window back
// end (SDL; Win32 in the Windows build) and does what its first argument says, reporting on standard output:
//   draw       opens maximized, prints "size W H FW FH", draws a known picture,
//              retitles the window "Drovanel probe", prints "drawn", then waits
//              for a number on standard input and closes.
//   keys N     opens at 400 x 300, clears it, prints "ready", then reads N keys
//              with Get_Key, printing "key CODE" for each, and closes.
//   wait       opens, clears, prints "ready" and reads keys with Get_Key for ever.
//   poll       opens, clears, prints "ready" and loops like the game's flight:
//              Key_Hit, Get_Pixel, Put_Pixel, for ever.
//   levels     opens, prints "ready", then for each number read: clears the
//              window (a new level), asks Key_Hit once and prints "flying".
//   mouse      opens maximized, clears, prints "ready", then prints the mouse events
//              "mouse EVENT X Y" as Get_Mouse yields them up to a right-button
//              release, and closes.
//   reopen     prints the screen's "max X Y", opens and closes windows of several
//              kinds one after another, printing "size W H FW FH" for each and
//              "closed" when none is open, then opens one more and ends with it open.
//   open       opens maximized (the no-display test expects this to fail).
//   streams F  opens maximized, then writes "fd N TARGET" for the standard
//              descriptors 0, 1 and 2 to the file F, and ends (not on Windows).
//   keyboards M  opens, clears, prints "ready", then waits at the console (M
//              "prompt") or loops like "poll" and looks at the console between
//              steps (M "flight"); for each number read it prints "mended N",
//              the calls that the xkbcommon guards have answered so far (not on Windows).
// A failure ends it through the error report, "raised NAME" and status 1.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "frame/console.h"
#include "frame/program.h"
#include "graphics/tarnwick.h"

#ifndef _WIN32
#include <poll.h>

#include "graphics/backend/sdl/xkb_guard.h"
#endif

namespace {

using namespace Tarnwick;

std::string Scenario;
std::string Argument;

void Say(const std::string& Line) {
  std::fputs((Line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void Say_Size(const Window_Size& Size) {
  Say("size " + std::to_string(Size.Window_Width) + " " + std::to_string(Size.Window_Height) + " " +
      std::to_string(Size.Font_Width) + " " + std::to_string(Size.Font_Height));
}

// The picture the screenshot test checks, in the coordinates of a W x H surface.
void Draw_Picture(const Window_Size& Size) {
  const int32_t W = Size.Window_Width, H = Size.Window_Height;
  Clear_Window(Color_Type::White);
  Draw_Box(10, 10, W - 20, H - 10, Color_Type::Black, Fill_Type::No_Fill);
  Draw_Box(100, 100, 199, 149, Color_Type::Red, Fill_Type::Fill);
  Draw_Line(300, 50, 300, 90, Color_Type::Blue);
  Put_Pixel(400, 200, Color_Type::Light_Green);
  Put_Pixel(401, 200, Color_Type::Yellow);
}

void Read_Keys_For_Ever() {
  for (;;) Say("key " + std::to_string(static_cast<int>(Get_Key())));
}

// One step like the game's flight, at column X of the middle row.
void Fly_Step(const Window_Size& Size, int32_t& X) {
  if (Key_Hit()) Say("key " + std::to_string(static_cast<int>(Get_Key())));
  const int32_t Y = Size.Window_Height / 2;
  if (Get_Pixel(X, Y) == Color_Type::Black) Clear_Window(Color_Type::White);
  Put_Pixel(X, Y, Color_Type::Black);
  X = X + 1 < Size.Window_Width - 20 ? X + 1 : 20;
}

void Fly_For_Ever(const Window_Size& Size) {
  for (int32_t X = 20;;) Fly_Step(Size, X);
}

void Probe_Main() {
  if (Scenario == "draw") {
    const Window_Size Size = Ext_Create_Graph_Window();
    Say_Size(Size);
    Draw_Picture(Size);
    Set_Window_Title("Drovanel probe");
    Say("drawn");
    Console::Get_Integer();
    Destroy_Graph_Window();
  } else if (Scenario == "keys") {
    Create_Sized_Graph_Window(400, 300);
    Clear_Window(Color_Type::White);
    Say("ready");
    for (int I = 0; I < std::atoi(Argument.c_str()); ++I) Say("key " + std::to_string(static_cast<int>(Get_Key())));
    Destroy_Graph_Window();
  } else if (Scenario == "wait" || Scenario == "poll") {
    const Window_Size Size = Create_Graph_Window();
    Clear_Window(Color_Type::White);
    Say("ready");
    if (Scenario == "wait") Read_Keys_For_Ever();
    Fly_For_Ever(Size);
  } else if (Scenario == "levels") {
    Create_Graph_Window();
    Say("ready");
    for (;;) {
      Console::Get_Integer();
      Clear_Window(Color_Type::White);
      Key_Hit();
      Say("flying");
    }
  } else if (Scenario == "mouse") {
    Ext_Create_Graph_Window();
    Clear_Window(Color_Type::White);
    Say("ready");
    for (Event_Type Last = Event_Type::None; Last != Event_Type::Right_Up;) {
      if (!Mouse_Event()) continue;
      const Mouse_State State = Get_Mouse();
      Say("mouse " + std::string(Image(State.Event)) + " " + std::to_string(State.X) + " " + std::to_string(State.Y));
      Last = State.Event;
    }
    Destroy_Graph_Window();
  } else if (Scenario == "reopen") {
    const Max_Size Screen = Get_Max_Size();
    Say("max " + std::to_string(Screen.X) + " " + std::to_string(Screen.Y));
    Say_Size(Create_Sized_Graph_Window(200, 100));
    Destroy_Graph_Window();
    Say_Size(Create_Graph_Window());
    Destroy_Graph_Window();
    Say_Size(Ext_Create_Graph_Window());
    Destroy_Graph_Window();
    if (!Is_Open()) Say("closed");
    Create_Graph_Window();
  } else if (Scenario == "open") {
    Say_Size(Ext_Create_Graph_Window());
#ifndef _WIN32
  } else if (Scenario == "streams") {
    Ext_Create_Graph_Window();
    std::ofstream Report(Argument);
    for (int Fd = 0; Fd <= 2; ++Fd) {
      char Target[256] = "closed";
      const ssize_t Length = readlink(("/proc/self/fd/" + std::to_string(Fd)).c_str(), Target, sizeof Target - 1);
      if (Length >= 0) Target[Length] = 0;
      Report << "fd " << Fd << " " << Target << "\n";
    }
  } else if (Scenario == "keyboards") {
    const Window_Size Size = Create_Graph_Window();
    Clear_Window(Color_Type::White);
    Say("ready");
    for (int32_t X = 20;;) {
      pollfd Console_Input{STDIN_FILENO, POLLIN, 0};
      if (Argument == "flight")
        while (poll(&Console_Input, 1, 0) == 0) Fly_Step(Size, X);
      Console::Get_Integer();
      Say("mended " + std::to_string(Xkb_Guard_Mended_Calls()));
    }
#endif
  }
}

}  // namespace

int main(int argc, char** argv, char** envp) {
  if (argc > 1) Scenario = argv[1];
  if (argc > 2) Argument = argv[2];
  run_program(argc, argv, envp, Probe_Main);
}
