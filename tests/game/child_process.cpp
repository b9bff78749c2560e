#include "tests/game/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace Spawn {

namespace {

std::string Read_File(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

}  // namespace

Process Start(const std::vector<std::string>& Arguments) {
  // A child that ends before reading its input must not kill the test by SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  Process Child;
  char Template[] = "/tmp/drovanel-child-XXXXXX";
  if (mkdtemp(Template) == nullptr) throw std::runtime_error("mkdtemp failed");
  Child.Directory = Template;
  Child.Output_Path = Child.Directory + "/stdout";
  Child.Error_Path = Child.Directory + "/stderr";

  int Pipe[2];
  if (pipe2(Pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const int Output = open(Child.Output_Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int Error = open(Child.Error_Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (Output < 0 || Error < 0) throw std::runtime_error("cannot create the output files");

  std::vector<char*> Argv;
  for (const std::string& Argument : Arguments) Argv.push_back(const_cast<char*>(Argument.c_str()));
  Argv.push_back(nullptr);

  Child.Id = fork();
  if (Child.Id < 0) throw std::runtime_error("fork failed");
  if (Child.Id == 0) {
    dup2(Pipe[0], 0);
    dup2(Output, 1);
    dup2(Error, 2);
    signal(SIGPIPE, SIG_DFL);
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  close(Pipe[0]);
  close(Output);
  close(Error);
  Child.Input = Pipe[1];
  return Child;
}

void Write_Input(Process& Child, std::string_view Text) {
  while (!Text.empty() && Child.Input >= 0) {
    const ssize_t Written = write(Child.Input, Text.data(), Text.size());
    if (Written < 0) {
      if (errno == EINTR) continue;
      return;  // EPIPE: the child has gone
    }
    Text.remove_prefix(static_cast<size_t>(Written));
  }
}

void Close_Input(Process& Child) {
  if (Child.Input >= 0) close(Child.Input);
  Child.Input = -1;
}

Result Finish(Process& Child, std::chrono::milliseconds Timeout) {
  Close_Input(Child);
  Result Ended{-1, {}, {}};
  const auto Deadline = std::chrono::steady_clock::now() + Timeout;
  int Status = 0;
  while (true) {
    const pid_t Ended = waitpid(Child.Id, &Status, WNOHANG);
    if (Ended == Child.Id) break;
    if (std::chrono::steady_clock::now() > Deadline) {
      kill(Child.Id, SIGKILL);
      waitpid(Child.Id, &Status, 0);
      Status = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (Status != -1 && WIFEXITED(Status)) Ended.Status = WEXITSTATUS(Status);
  Ended.Output = Read_File(Child.Output_Path);
  Ended.Error = Read_File(Child.Error_Path);
  unlink(Child.Output_Path.c_str());
  unlink(Child.Error_Path.c_str());
  rmdir(Child.Directory.c_str());
  Child.Id = -1;
  return Ended;
}

Result Run(const std::vector<std::string>& Arguments, std::string_view Input, std::chrono::milliseconds Timeout) {
  Process Child = Start(Arguments);
  Write_Input(Child, Input);
  return Finish(Child, Timeout);
}

}  // namespace Spawn
