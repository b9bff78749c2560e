// A private X server for tests and benchmarks that need a real window, and
// the few process helpers such a test needs. Start_Xvfb runs
//   Xvfb -displayfd <fd> -noreset -screen 0 1024x768x24 -fbdir <tmpdir> -nolisten tcp
// (-noreset: the server must not reset when its last client leaves), waits
// until it accepts connections and sets DISPLAY in this process's environment,
// so every child started afterwards (the program under test, xdotool) uses it.
// The screen can be read back at any time from the server's framebuffer file.
//
//   Xvfb_Server Server;
//   std::string Why;
//   ASSERT_TRUE(Start_Xvfb(Server, &Why)) << Why;
//   Child_Process Game = Start_Child({"/path/to/program"});
//   ... Write_To_Child(Game, "220000\n"); Read_Line_From_Child(Game, Line, 5000); ...
//   Stop_Xvfb(Server);  // also done by the destructor
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// One running Xvfb. Stopped by its destructor if still running.
struct Xvfb_Server {
  pid_t Pid = -1;
  int Display_Number = -1;
  std::string Display_Name;      // ":N", the value DISPLAY was set to
  std::string Framebuffer_Dir;   // holds the screen image file "Xvfb_screen0"
  ~Xvfb_Server();
};

constexpr int32_t Xvfb_Screen_Width = 1024;
constexpr int32_t Xvfb_Screen_Height = 768;

// Starts the server and sets DISPLAY; false with the reason in *Failure when it
// cannot (Xvfb missing, no display number within 10 s).
bool Start_Xvfb(Xvfb_Server& Server, std::string* Failure = nullptr);
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

// A child process with its standard input and output on pipes (its standard
// error is inherited). Not copyable; the destructor kills and reaps a child
// still running.
struct Child_Process {
  pid_t Pid = -1;
  int Input_Fd = -1;    // write end of the child's standard input
  int Output_Fd = -1;   // read end of the child's standard output
  std::string Pending;  // output read but not yet returned as a line
  bool Reaped = false;
  int Wait_Status = 0;  // as waitpid reports it, once reaped
  Child_Process() = default;
  Child_Process(const Child_Process&) = delete;
  Child_Process& operator=(const Child_Process&) = delete;
  Child_Process(Child_Process&& Other) noexcept;
  ~Child_Process();
};

// Environment entries for a program that opens a window through SDL, to pass
// as Start_Child's Extra_Environment: under the sanitizers they keep LeakSanitizer
// quiet about memory libdbus keeps after SDL_Quit (tests/window/lsan.supp).
std::vector<std::string> Window_Program_Environment();

// Starts Arguments[0] (a path) with the given arguments and this process's
// environment plus Extra_Environment ("NAME=value" entries). Pid is -1 on failure.
Child_Process Start_Child(const std::vector<std::string>& Arguments,
                          const std::vector<std::string>& Extra_Environment = {});
// Writes Text to the child's standard input; false when the pipe is closed.
bool Write_To_Child(Child_Process& Child, const std::string& Text);
// Closes the child's standard input (it then reads end of file).
void Close_Child_Input(Child_Process& Child);
// The next line of the child's output without its LF, waiting at most
// Timeout_Ms; false on timeout or when the output ends first.
bool Read_Line_From_Child(Child_Process& Child, std::string& Line, int Timeout_Ms);
// Everything the child writes until it closes its output, waiting at most Timeout_Ms.
std::string Read_All_From_Child(Child_Process& Child, int Timeout_Ms);
// Waits at most Timeout_Ms for the child to end; true and Wait_Status set when it did.
bool Wait_For_Child(Child_Process& Child, int Timeout_Ms);

// Runs a command line through /bin/sh and returns its standard output (for
// xdotool); Exit_Status receives the exit status (-1 when it did not exit normally).
std::string Run_Command(const std::string& Command_Line, int* Exit_Status = nullptr);
