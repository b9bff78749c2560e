// Runs a program as a child process for a test: its standard input is a pipe
// the test writes, its standard output and error go to files the test reads,
// so both can be compared byte for byte.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace Spawn {

struct Process {
  pid_t Id = -1;
  int Input = -1;           // the write end of the child's standard input, -1 once closed
  std::string Directory;    // holds the two output files; removed by Finish
  std::string Output_Path;  // the child's standard output
  std::string Error_Path;   // the child's standard error
};

// What a finished child left.
struct Result {
  int Status;  // the exit status, or -1 when it was killed or timed out
  std::string Output, Error;
};

// Starts Arguments[0] (a path) with the given arguments.
Process Start(const std::vector<std::string>& Arguments);
// Writes to the child's standard input (a broken pipe is ignored: the child may have ended).
void Write_Input(Process& Child, std::string_view Text);
// Closes the child's standard input: it reads end of file from then on.
void Close_Input(Process& Child);
// Waits for the child to end (killing it after Timeout) and collects what it wrote.
Result Finish(Process& Child, std::chrono::milliseconds Timeout);

// Starts a child, gives it Input and end of file, and waits for it.
Result Run(const std::vector<std::string>& Arguments, std::string_view Input,
           std::chrono::milliseconds Timeout = std::chrono::seconds(60));

}  // namespace Spawn
