// Child processes on pipes. Plain POSIX: fork and exec, pipes, poll, waitpid,
// and a process descriptor to wait on a child's end without sleeping.
#include "tests/harness/child_process.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point Deadline_After(int Timeout_Ms) { return Clock::now() + std::chrono::milliseconds(Timeout_Ms); }

int Milliseconds_Left(Clock::time_point Deadline) {
  const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
  return Left > 0 ? static_cast<int>(Left) : 0;
}

void Close(int& Fd) {
  if (Fd >= 0) close(Fd);
  Fd = -1;
}

// Appends what Fd holds to Text; at its end (or on an error) closes Fd and answers false.
bool Read_Some(int& Fd, std::string& Text) {
  char Buffer[4096];
  for (;;) {
    const ssize_t Count = read(Fd, Buffer, sizeof Buffer);
    if (Count > 0) {
      Text.append(Buffer, static_cast<size_t>(Count));
      return true;
    }
    if (Count < 0 && errno == EINTR) continue;
    Close(Fd);
    return false;
  }
}

// Waits until Fd can be read (data or its end) or the deadline passes.
bool Readable(int Fd, Clock::time_point Deadline) {
  for (;;) {
    pollfd Wait{Fd, POLLIN, 0};
    const int Ready = poll(&Wait, 1, Milliseconds_Left(Deadline));
    if (Ready < 0 && errno == EINTR) continue;
    return Ready > 0;
  }
}

// One of the child's output streams: the descriptor the child gets in its
// place (none when inherited) and the end this process reads (pipes only).
struct Stream_Ends {
  int Child_End = -1, Parent_End = -1;
  bool Ready = true;
};

Stream_Ends Open_Stream(Device Where) {
  Stream_Ends Ends;
  if (Where == Device::Inherited) return Ends;
  if (Where == Device::Null || Where == Device::Full) {
    Ends.Child_End = open(Where == Device::Null ? "/dev/null" : "/dev/full", O_WRONLY | O_CLOEXEC);
  } else {
    int Pipe[2];
    if (pipe2(Pipe, O_CLOEXEC) == 0) {
      Ends.Parent_End = Pipe[0];
      Ends.Child_End = Pipe[1];
    }
    // A closed pipe: its reading end is gone before the child starts.
    if (Where == Device::Closed_Pipe) Close(Ends.Parent_End);
  }
  Ends.Ready = Ends.Child_End >= 0;
  return Ends;
}

}  // namespace

Child_Process::Child_Process(Child_Process&& Other) noexcept { *this = std::move(Other); }

// Swaps, so that Other's destructor ends what this record held before.
Child_Process& Child_Process::operator=(Child_Process&& Other) noexcept {
  std::swap(Pid, Other.Pid);
  std::swap(Input_Fd, Other.Input_Fd);
  std::swap(Output_Fd, Other.Output_Fd);
  std::swap(Errors_Fd, Other.Errors_Fd);
  std::swap(Pending, Other.Pending);
  std::swap(Reaped, Other.Reaped);
  std::swap(Wait_Status, Other.Wait_Status);
  std::swap(Group_Leader, Other.Group_Leader);
  return *this;
}

Child_Process::~Child_Process() {
  Close(Input_Fd);
  Close(Output_Fd);
  Close(Errors_Fd);
  Stop_Child(*this, SIGKILL, 3000);
}

Child_Process Start_Child(const Child_Options& Options) {
  // A child that ended must not kill the test by SIGPIPE when written to.
  signal(SIGPIPE, SIG_IGN);
  Child_Process Child;
  int Input[2];
  if (Options.Arguments.empty() || pipe2(Input, O_CLOEXEC) != 0) return Child;
  Stream_Ends Output = Open_Stream(Options.Output), Errors = Open_Stream(Options.Errors);

  // Everything the child needs is built before the fork: it only calls async-signal-safe functions.
  std::vector<char*> Argv;
  for (const std::string& Argument : Options.Arguments) Argv.push_back(const_cast<char*>(Argument.c_str()));
  Argv.push_back(nullptr);
  // An added entry replaces an inherited one of the same name; a bare name removes it.
  std::vector<char*> Envp;
  for (const std::string& Entry : Options.Environment)
    if (Entry.find('=') != std::string::npos) Envp.push_back(const_cast<char*>(Entry.c_str()));
  for (char** Entry = environ; *Entry != nullptr; ++Entry) {
    const auto Same_Name = [Entry](const std::string& Other) {
      const size_t Name_Length = std::min(Other.find('='), Other.size());
      return std::strncmp(*Entry, Other.c_str(), Name_Length) == 0 && (*Entry)[Name_Length] == '=';
    };
    if (std::none_of(Options.Environment.begin(), Options.Environment.end(), Same_Name)) Envp.push_back(*Entry);
  }
  Envp.push_back(nullptr);

  const pid_t Pid = Output.Ready && Errors.Ready ? fork() : -1;
  if (Pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (Options.New_Process_Group) setpgid(0, 0);
    // Signals this process ignores (SIGPIPE above) would stay ignored across exec.
    struct sigaction Default {};
    Default.sa_handler = SIG_DFL;
    for (int Signal = 1; Signal < NSIG; ++Signal) sigaction(Signal, &Default, nullptr);
    sigset_t None;
    sigemptyset(&None);
    sigprocmask(SIG_SETMASK, &None, nullptr);
    dup2(Input[0], STDIN_FILENO);
    if (Output.Child_End >= 0) dup2(Output.Child_End, STDOUT_FILENO);
    if (Errors.Child_End >= 0) dup2(Errors.Child_End, STDERR_FILENO);
    execvpe(Argv[0], Argv.data(), Envp.data());
    _exit(127);
  }
  // Set on both sides, so that the group exists before either goes on.
  if (Pid > 0 && Options.New_Process_Group) setpgid(Pid, Pid);
  close(Input[0]);
  Close(Output.Child_End);
  Close(Errors.Child_End);
  Child.Input_Fd = Input[1];
  Child.Output_Fd = Output.Parent_End;
  Child.Errors_Fd = Errors.Parent_End;
  Child.Pid = Pid;  // on failure the destructor closes the pipes
  Child.Group_Leader = Options.New_Process_Group;
  return Child;
}

bool Write_To_Child(Child_Process& Child, std::string_view Text) {
  while (!Text.empty()) {
    const ssize_t Count = Child.Input_Fd >= 0 ? write(Child.Input_Fd, Text.data(), Text.size()) : -1;
    if (Count < 0 && errno == EINTR) continue;
    if (Count <= 0) return false;
    Text.remove_prefix(static_cast<size_t>(Count));
  }
  return true;
}

void Close_Child_Input(Child_Process& Child) { Close(Child.Input_Fd); }

bool Read_Line_From_Child(Child_Process& Child, std::string& Line, int Timeout_Ms) {
  const Clock::time_point Deadline = Deadline_After(Timeout_Ms);
  for (;;) {
    const size_t End = Child.Pending.find('\n');
    if (End != std::string::npos) {
      Line = Child.Pending.substr(0, End);
      Child.Pending.erase(0, End + 1);
      return true;
    }
    if (Child.Output_Fd < 0 || !Readable(Child.Output_Fd, Deadline) || !Read_Some(Child.Output_Fd, Child.Pending))
      return false;
  }
}

bool Read_Past_From_Child(Child_Process& Child, std::string_view Text, int Timeout_Ms) {
  const Clock::time_point Deadline = Deadline_After(Timeout_Ms);
  for (;;) {
    const size_t Found = Child.Pending.find(Text);
    if (Found != std::string::npos) {
      Child.Pending.erase(0, Found + Text.size());
      return true;
    }
    if (Child.Output_Fd < 0 || !Readable(Child.Output_Fd, Deadline) || !Read_Some(Child.Output_Fd, Child.Pending))
      return false;
  }
}

namespace {

// Appends what Fd holds to Text until its end, waiting at most Timeout_Ms.
void Read_To_End(int& Fd, std::string& Text, int Timeout_Ms) {
  const Clock::time_point Deadline = Deadline_After(Timeout_Ms);
  while (Fd >= 0 && Readable(Fd, Deadline) && Read_Some(Fd, Text)) {
  }
}

}  // namespace

std::string Read_All_From_Child(Child_Process& Child, int Timeout_Ms) {
  Read_To_End(Child.Output_Fd, Child.Pending, Timeout_Ms);
  return std::exchange(Child.Pending, {});
}

std::string Read_All_Errors_From_Child(Child_Process& Child, int Timeout_Ms) {
  std::string Errors;
  Read_To_End(Child.Errors_Fd, Errors, Timeout_Ms);
  return Errors;
}

bool Wait_For_Child(Child_Process& Child, int Timeout_Ms) {
  if (Child.Reaped) return true;
  if (Child.Pid <= 0) return false;
  const Clock::time_point Deadline = Deadline_After(Timeout_Ms);
  // The process descriptor turns readable when the child ends; without one, look again every 2 ms.
  const int Process_Fd = static_cast<int>(syscall(SYS_pidfd_open, Child.Pid, 0));
  for (;;) {
    const pid_t Done = waitpid(Child.Pid, &Child.Wait_Status, WNOHANG);
    if (Done == Child.Pid) Child.Reaped = true;
    const int Left = Milliseconds_Left(Deadline);
    if (Child.Reaped || (Done < 0 && errno != EINTR) || Left == 0) break;
    pollfd Wait{Process_Fd, POLLIN, 0};
    poll(&Wait, 1, Process_Fd >= 0 ? Left : std::min(Left, 2));
  }
  if (Process_Fd >= 0) close(Process_Fd);
  return Child.Reaped;
}

bool Exited_With(Child_Process& Child, int Status, int Timeout_Ms) {
  return Wait_For_Child(Child, Timeout_Ms) && WIFEXITED(Child.Wait_Status) &&
         WEXITSTATUS(Child.Wait_Status) == Status;
}

void Stop_Child(Child_Process& Child, int Signal, int Timeout_Ms) {
  if (Child.Pid <= 0) return;
  // The group outlives its leader while a member runs: end what is left of it too.
  const pid_t Target = Child.Group_Leader ? -Child.Pid : Child.Pid;
  if (!Child.Reaped) {
    kill(Target, Signal);
    if (!Wait_For_Child(Child, Timeout_Ms)) {
      kill(Target, SIGKILL);
      Wait_For_Child(Child, 3000);
    }
  }
  if (Child.Group_Leader) kill(Target, SIGKILL);
  Child.Group_Leader = false;  // once ended, the group's number may be taken again
}

Child_Result Run_Child(const Child_Options& Options, std::string_view Input, int Timeout_Ms) {
  Child_Result Result;
  Child_Process Child = Start_Child(Options);
  if (Child.Pid <= 0) return Result;
  const Clock::time_point Deadline = Deadline_After(Timeout_Ms);
  // Feeds the input and drains both outputs in one loop, so that no pipe fills up
  // while this process waits on another.
  while (Child.Input_Fd >= 0 || Child.Output_Fd >= 0 || Child.Errors_Fd >= 0) {
    if (Input.empty()) Close_Child_Input(Child);
    pollfd Pipes[3] = {{Child.Input_Fd, POLLOUT, 0}, {Child.Output_Fd, POLLIN, 0}, {Child.Errors_Fd, POLLIN, 0}};
    const int Ready = poll(Pipes, 3, Milliseconds_Left(Deadline));
    if (Ready < 0 && errno == EINTR) continue;
    if (Ready <= 0) break;
    if (Pipes[0].revents != 0) {
      // At most PIPE_BUF bytes, which a pipe reported writable takes without blocking.
      const ssize_t Count = write(Child.Input_Fd, Input.data(), std::min(Input.size(), size_t{PIPE_BUF}));
      if (Count > 0) Input.remove_prefix(static_cast<size_t>(Count));
      if (Count < 0 && errno != EINTR && errno != EAGAIN) Close_Child_Input(Child);  // the child stopped reading
    }
    if (Pipes[1].revents != 0) Read_Some(Child.Output_Fd, Result.Output);
    if (Pipes[2].revents != 0) Read_Some(Child.Errors_Fd, Result.Errors);
  }
  Result.Timed_Out = !Wait_For_Child(Child, Milliseconds_Left(Deadline));
  if (Result.Timed_Out) return Result;  // the destructor kills it
  Result.Exited = WIFEXITED(Child.Wait_Status);
  Result.Status = Result.Exited ? WEXITSTATUS(Child.Wait_Status) : WTERMSIG(Child.Wait_Status);
  return Result;
}

std::string Run_Command(const std::string& Command_Line, int* Exit_Status) {
  const Child_Result Run = Run_Child({.Arguments = {"/bin/sh", "-c", Command_Line}}, "");
  if (Exit_Status != nullptr) *Exit_Status = Run.Exited ? Run.Status : -1;
  return Run.Output;
}

std::string Read_File(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}
