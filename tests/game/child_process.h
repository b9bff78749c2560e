// Runs a program as a child process for a test: its standard input is a pipe
// the test writes, its standard output and error go to files the test reads.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

struct Child_Process {
  pid_t Id = -1;
  int Input = -1;           // the write end of the child's standard input, -1 once closed
  std::string Directory;    // holds the two output files; removed by Finish_Child
  std::string Output_Path;  // the child's standard output
  std::string Error_Path;   // the child's standard error
};

// What a finished child left.
struct Child_Result {
  int Status;  // the exit status, or -1 when it was killed or timed out
  std::string Output, Error;
};

// Starts Arguments[0] (a path) with the given arguments; Environment entries
// ("NAME=value") are added to the test's own environment.
Child_Process Start_Child(const std::vector<std::string>& Arguments,
                          const std::vector<std::string>& Environment = {});
// Writes to the child's standard input (a broken pipe is ignored: the child may have ended).
void Write_Input(Child_Process& Child, std::string_view Text);
// Closes the child's standard input: it reads end of file from then on.
void Close_Input(Child_Process& Child);
// Everything the child has written to its standard output so far.
std::string Output_So_Far(const Child_Process& Child);
// Waits for the child to end (killing it after Timeout) and collects what it wrote.
Child_Result Finish_Child(Child_Process& Child, std::chrono::milliseconds Timeout);

// Starts a child, gives it Input and end of file, and waits for it.
Child_Result Run_Child(const std::vector<std::string>& Arguments, std::string_view Input,
                       std::chrono::milliseconds Timeout = std::chrono::seconds(60));
