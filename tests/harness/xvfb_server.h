// A private X server for tests and benchmarks that need a real window, and
// the few X helpers such a test needs. Start_Xvfb runs
//   Xvfb -displayfd 1 -noreset -nocursor -screen 0 <W>x<H>x24 -fbdir <tmpdir> -nolisten tcp
// (-noreset: the server must not reset when its last client leaves; -nocursor:
// screenshots show the windows alone), waits
// until it accepts connections and sets DISPLAY in this process's environment,
// so every child started afterwards (the program under test, xdotool) uses it.
// The screen can be read back at any time from the server's framebuffer file.
//
//   Xvfb_Server Server;
//   std::string Why;
//   ASSERT_TRUE(Start_Xvfb(Server, &Why)) << Why;
//   Child_Process Game =
//       Start_Child({.Arguments = {"/path/to/program"}, .Environment = Window_Program_Environment()});
//   ASSERT_TRUE(Eventually([&] { return !Find_Window("drovanel").empty(); }));
//   Stop_Xvfb(Server);  // also done by the destructor
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/harness/child_process.h"

// One running Xvfb. Stopped by its destructor if still running.
struct Xvfb_Server {
  int32_t Screen_Width = 1024;   // the screen's size, chosen before Start_Xvfb
  int32_t Screen_Height = 768;
  Child_Process Process;         // the server; it writes its display number on its standard output
  int Display_Number = -1;
  std::string Display_Name;      // ":N", the value DISPLAY was set to
  std::string Framebuffer_Dir;   // holds the screen image file "Xvfb_screen0"
  ~Xvfb_Server();
};

// Starts the server and sets DISPLAY; false with the reason in *Failure when it
// cannot (Xvfb missing, no display number within 10 s).
bool Start_Xvfb(Xvfb_Server& Server, std::string* Failure = nullptr);
// Gives each keysym named (eacute, say) a key of its own on the server's keyboard, on the
// lowest keycodes that have none, so that xdotool types it without remapping a key for
// the moment of the press, which a client that reads the keyboard's map late (Wine) misses.
// False when the server cannot be reached or has too few free keycodes.
bool Map_Spare_Keys(const Xvfb_Server& Server, const std::vector<std::string>& Keysym_Names);
// Ends the server (SIGTERM, SIGKILL after 3 s), removes its files, unsets DISPLAY.
void Stop_Xvfb(Xvfb_Server& Server);
// Kills the server at once with SIGKILL, as a crash would, and reaps it.
void Kill_Xvfb(Xvfb_Server& Server);

// The screen as 0xRRGGBB values, row by row.
struct Screenshot {
  int32_t Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
  uint32_t At(int32_t X, int32_t Y) const { return Pixels[static_cast<size_t>(Y) * Width + X]; }
};

// Reads the server's current screen from its framebuffer file (an XWD image,
// 32 bits per pixel); false when the file cannot be read or parsed.
bool Take_Screenshot(const Xvfb_Server& Server, Screenshot& Image);

// Environment entries for a program that opens a window through SDL, to pass
// as Child_Options::Environment: under the sanitizers they keep LeakSanitizer
// quiet about memory libdbus keeps after SDL_Quit (tests/sanitizers/lsan.supp).
std::vector<std::string> Window_Program_Environment();

// Polls Condition every 10 ms for at most Timeout_Ms; whether it came true.
bool Eventually(const std::function<bool()>& Condition, int Timeout_Ms = 10000);
// The id of the one window titled exactly Title, "" when there is none or several; a
// frame that carries its client's title is not counted.
std::string Find_Window(const std::string& Title);
// The id of the window that has the keyboard focus (xdotool).
std::string Focused_Window();
// Sends the window manager's close request (WM_DELETE_WINDOW) to Window, as a click
// on its close button does; false when there is no such window or no display.
bool Send_Close_Request(const std::string& Window);
// Whether Window carries the urgency hint, which asks the user to come to it.
bool Window_Wants_Attention(const std::string& Window);
