// Programs run as child processes for tests and benchmarks: standard input on
// a pipe the test writes, standard output and error on pipes, inherited, sent
// to /dev/null or to a device that fails (a full device, a pipe nobody reads).
// The child starts with every signal at its default action and is killed when
// the test process dies; a server that starts children of its own can lead a
// process group, which is then signalled as a whole. All waits are bounded
// polls of the pipes or the process.
//
//   Child_Process Probe = Start_Child({.Arguments = {"/path/to/program", "keys"}});
//   Write_To_Child(Probe, "5\n");
//   std::string Line;
//   Read_Line_From_Child(Probe, Line, 5000);
//   Wait_For_Child(Probe, 5000);
//
//   const Child_Result Run = Run_Child({.Arguments = {"/path/to/program"}, .Errors = Device::Pipe}, "1\n2\n");
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

// Where one of the child's output streams goes.
enum class Device { Pipe, Inherited, Null, Full, Closed_Pipe };

// What to run and how to connect it.
struct Child_Options {
  std::vector<std::string> Arguments = {};    // [0]: a path, or a name looked up in PATH
  std::vector<std::string> Environment = {};  // "NAME=value" over this process's environment; "NAME" removes it
  Device Output = Device::Pipe;          // standard output
  Device Errors = Device::Inherited;     // standard error
  bool New_Process_Group = false;        // the child leads a process group of its own
};

// A running or ended child. Not copyable; the destructor kills and reaps a
// child still running.
struct Child_Process {
  pid_t Pid = -1;       // -1 when it could not be started
  int Input_Fd = -1;    // write end of the child's standard input, -1 once closed
  int Output_Fd = -1;   // read end of its standard output when that is a pipe
  int Errors_Fd = -1;   // read end of its standard error when that is a pipe
  std::string Pending;  // output read but not yet returned as a line
  bool Reaped = false;
  int Wait_Status = 0;  // as waitpid reports it, once reaped
  bool Group_Leader = false;  // started with New_Process_Group: Stop_Child signals the whole group
  Child_Process() = default;
  Child_Process(const Child_Process&) = delete;
  Child_Process& operator=(const Child_Process&) = delete;
  Child_Process(Child_Process&& Other) noexcept;
  Child_Process& operator=(Child_Process&& Other) noexcept;
  ~Child_Process();
};

// How a whole run ended and what it wrote.
struct Child_Result {
  std::string Output, Errors;  // empty for a stream that was no pipe
  bool Exited = false;         // false: ended by a signal, or killed at the timeout
  int Status = -1;             // the exit status, or the signal's number
  bool Timed_Out = false;      // killed because it outlived the timeout
};

// Starts the child; Pid is -1 when that fails. Writing to a child that has
// ended fails instead of raising SIGPIPE in this process.
Child_Process Start_Child(const Child_Options& Options);
// Writes Text to the child's standard input; false when the pipe is closed.
bool Write_To_Child(Child_Process& Child, std::string_view Text);
// Closes the child's standard input (it then reads end of file).
void Close_Child_Input(Child_Process& Child);
// The next line of the child's standard output without its LF, waiting at
// most Timeout_Ms; false on timeout or when the output ends first.
bool Read_Line_From_Child(Child_Process& Child, std::string& Line, int Timeout_Ms);
// Reads the child's standard output until Text comes (a prompt need not end its line), waiting
// at most Timeout_Ms; Text and what came before it are then read; false on timeout or at the end.
bool Read_Past_From_Child(Child_Process& Child, std::string_view Text, int Timeout_Ms);
// Everything the child writes to standard output until it closes it, waiting at most Timeout_Ms.
std::string Read_All_From_Child(Child_Process& Child, int Timeout_Ms);
// Everything the child writes to standard error (a pipe) until it closes it, waiting at most Timeout_Ms.
std::string Read_All_Errors_From_Child(Child_Process& Child, int Timeout_Ms);
// Waits at most Timeout_Ms for the child to end; true and Wait_Status set when it did.
bool Wait_For_Child(Child_Process& Child, int Timeout_Ms);
// Waits at most Timeout_Ms for the child to end; whether it exited with Status.
bool Exited_With(Child_Process& Child, int Status, int Timeout_Ms);
// Sends Signal and waits at most Timeout_Ms; SIGKILL and another wait if it is still running.
// A group leader's signals go to its whole group, and what is left of the group gets SIGKILL.
void Stop_Child(Child_Process& Child, int Signal, int Timeout_Ms);

// Starts a child, gives it Input and end of file, collects its piped output
// byte for byte until it ends, and kills it if it takes longer than Timeout_Ms.
Child_Result Run_Child(const Child_Options& Options, std::string_view Input, int Timeout_Ms = 60000);

// Runs a command line through /bin/sh and returns its standard output (for
// xdotool); Exit_Status receives the exit status (-1 when it did not exit normally).
std::string Run_Command(const std::string& Command_Line, int* Exit_Status = nullptr);

// The bytes of the file at Path (what a program left: a transcript, an
// output, /proc's records); empty when it cannot be read.
std::string Read_File(const std::string& Path);
