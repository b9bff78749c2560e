// The private Xvfb and the child-process helpers of xvfb_server.h. Plain POSIX:
// fork and exec, pipes, poll, waitpid. Children are tied to this process with
// PR_SET_PDEATHSIG, so a crashed test leaves no server or program behind.
#include "tests/support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int Milliseconds_Left(Clock::time_point Deadline) {
  const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
  return Left > 0 ? static_cast<int>(Left) : 0;
}

// Reaps Pid, waiting at most Timeout_Ms; true when it ended.
bool Reap(pid_t Pid, int Timeout_Ms, int* Status) {
  const Clock::time_point Deadline = Clock::now() + std::chrono::milliseconds(Timeout_Ms);
  for (;;) {
    const pid_t Done = waitpid(Pid, Status, WNOHANG);
    if (Done == Pid || (Done < 0 && errno != EINTR)) return true;
    if (Clock::now() >= Deadline) return false;
    usleep(2000);
  }
}

void Remove_Framebuffer_Dir(Xvfb_Server& Server) {
  if (Server.Framebuffer_Dir.empty()) return;
  unlink((Server.Framebuffer_Dir + "/Xvfb_screen0").c_str());
  rmdir(Server.Framebuffer_Dir.c_str());
  Server.Framebuffer_Dir.clear();
}

void Forget_Server(Xvfb_Server& Server) {
  Server.Pid = -1;
  Remove_Framebuffer_Dir(Server);
  if (!Server.Display_Name.empty()) {
    const char* Current = getenv("DISPLAY");
    if (Current && Server.Display_Name == Current) unsetenv("DISPLAY");
  }
}

uint32_t Big_Endian_Word(const std::string& Data, size_t Offset) {
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Data.data() + Offset);
  return (uint32_t{Bytes[0]} << 24) | (uint32_t{Bytes[1]} << 16) | (uint32_t{Bytes[2]} << 8) | Bytes[3];
}

// The 8-bit value of the colour channel Mask selects in Pixel.
uint32_t Channel(uint32_t Pixel, uint32_t Mask) {
  if (Mask == 0) return 0;
  const int Shift = __builtin_ctz(Mask);
  const uint32_t Width_Mask = Mask >> Shift;
  return ((Pixel >> Shift) & Width_Mask) * 255 / Width_Mask;
}

}  // namespace

Xvfb_Server::~Xvfb_Server() {
  if (Pid > 0) Stop_Xvfb(*this);
}

bool Start_Xvfb(Xvfb_Server& Server, std::string* Failure) {
  auto Fail = [&](const std::string& Why) {
    if (Failure) *Failure = Why;
    return false;
  };
  char Directory_Template[] = "/tmp/drovanel-xvfb-XXXXXX";
  if (!mkdtemp(Directory_Template)) return Fail("cannot create a framebuffer directory");
  Server.Framebuffer_Dir = Directory_Template;

  int Display_Pipe[2];
  if (pipe2(Display_Pipe, O_CLOEXEC) != 0) {
    Remove_Framebuffer_Dir(Server);
    return Fail("cannot create a pipe");
  }
  const std::string Fd_Text = std::to_string(Display_Pipe[1]);
  const std::vector<std::string> Arguments = {"Xvfb", "-displayfd", Fd_Text, "-noreset", "-screen", "0",
                                              "1024x768x24", "-fbdir", Server.Framebuffer_Dir,
                                              "-nolisten", "tcp"};
  std::vector<char*> Argv;
  for (const std::string& Argument : Arguments) Argv.push_back(const_cast<char*>(Argument.c_str()));
  Argv.push_back(nullptr);

  const pid_t Pid = fork();
  if (Pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    fcntl(Display_Pipe[1], F_SETFD, 0);
    const int Null = open("/dev/null", O_RDWR);
    if (Null >= 0) {
      dup2(Null, STDIN_FILENO);
      dup2(Null, STDOUT_FILENO);
      dup2(Null, STDERR_FILENO);
    }
    execvp("Xvfb", Argv.data());
    _exit(127);
  }
  close(Display_Pipe[1]);
  if (Pid < 0) {
    close(Display_Pipe[0]);
    Remove_Framebuffer_Dir(Server);
    return Fail("fork failed");
  }
  Server.Pid = Pid;

  // Xvfb writes the display number and a LF once it accepts connections.
  std::string Number;
  const Clock::time_point Deadline = Clock::now() + std::chrono::seconds(10);
  for (;;) {
    pollfd Wait{Display_Pipe[0], POLLIN, 0};
    if (poll(&Wait, 1, Milliseconds_Left(Deadline)) <= 0) break;
    char Buffer[32];
    const ssize_t Count = read(Display_Pipe[0], Buffer, sizeof Buffer);
    if (Count <= 0) break;
    Number.append(Buffer, static_cast<size_t>(Count));
    if (Number.find('\n') != std::string::npos) break;
  }
  close(Display_Pipe[0]);
  if (Number.empty() || Number.find('\n') == std::string::npos) {
    kill(Pid, SIGKILL);
    int Status;
    Reap(Pid, 3000, &Status);
    Forget_Server(Server);
    return Fail("Xvfb did not report a display number (is Xvfb installed?)");
  }
  Server.Display_Number = std::atoi(Number.c_str());
  Server.Display_Name = ":" + std::to_string(Server.Display_Number);
  setenv("DISPLAY", Server.Display_Name.c_str(), 1);
  return true;
}

void Stop_Xvfb(Xvfb_Server& Server) {
  if (Server.Pid > 0) {
    int Status;
    kill(Server.Pid, SIGTERM);
    if (!Reap(Server.Pid, 3000, &Status)) {
      kill(Server.Pid, SIGKILL);
      Reap(Server.Pid, 3000, &Status);
    }
  }
  Forget_Server(Server);
}

void Kill_Xvfb(Xvfb_Server& Server) {
  if (Server.Pid > 0) {
    int Status;
    kill(Server.Pid, SIGKILL);
    Reap(Server.Pid, 3000, &Status);
  }
  Forget_Server(Server);
}

bool Take_Screenshot(const Xvfb_Server& Server, Screenshot& Image) {
  std::ifstream File(Server.Framebuffer_Dir + "/Xvfb_screen0", std::ios::binary);
  if (!File) return false;
  const std::string Data((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  // The XWD header: 25 big-endian 32-bit fields, then the window name, then
  // ncolors colour entries of 12 bytes, then the image.
  if (Data.size() < 100) return false;
  auto Field = [&](int Index) { return Big_Endian_Word(Data, static_cast<size_t>(Index) * 4); };
  const uint32_t Header_Size = Field(0), Width = Field(4), Height = Field(5), Byte_Order = Field(7);
  const uint32_t Bits_Per_Pixel = Field(11), Bytes_Per_Line = Field(12);
  const uint32_t Red_Mask = Field(14), Green_Mask = Field(15), Blue_Mask = Field(16), Colour_Count = Field(19);
  if (Bits_Per_Pixel != 32 || Width == 0 || Height == 0 || Width > 16384 || Height > 16384) return false;
  const size_t Image_Start = size_t{Header_Size} + size_t{Colour_Count} * 12;
  if (Data.size() < Image_Start + size_t{Bytes_Per_Line} * Height) return false;

  Image.Width = static_cast<int32_t>(Width);
  Image.Height = static_cast<int32_t>(Height);
  Image.Pixels.assign(size_t{Width} * Height, 0);
  for (uint32_t Y = 0; Y < Height; ++Y) {
    const auto* Row = reinterpret_cast<const unsigned char*>(Data.data() + Image_Start + size_t{Y} * Bytes_Per_Line);
    for (uint32_t X = 0; X < Width; ++X) {
      const unsigned char* P = Row + size_t{X} * 4;
      const uint32_t Pixel = Byte_Order == 0  // LSBFirst
                                 ? (uint32_t{P[3]} << 24) | (uint32_t{P[2]} << 16) | (uint32_t{P[1]} << 8) | P[0]
                                 : (uint32_t{P[0]} << 24) | (uint32_t{P[1]} << 16) | (uint32_t{P[2]} << 8) | P[3];
      Image.Pixels[size_t{Y} * Width + X] =
          (Channel(Pixel, Red_Mask) << 16) | (Channel(Pixel, Green_Mask) << 8) | Channel(Pixel, Blue_Mask);
    }
  }
  return true;
}

Child_Process::Child_Process(Child_Process&& Other) noexcept
    : Pid(Other.Pid), Input_Fd(Other.Input_Fd), Output_Fd(Other.Output_Fd), Pending(std::move(Other.Pending)),
      Reaped(Other.Reaped), Wait_Status(Other.Wait_Status) {
  Other.Pid = -1;
  Other.Input_Fd = -1;
  Other.Output_Fd = -1;
}

Child_Process::~Child_Process() {
  if (Input_Fd >= 0) close(Input_Fd);
  if (Output_Fd >= 0) close(Output_Fd);
  if (Pid > 0 && !Reaped) {
    kill(Pid, SIGKILL);
    Reap(Pid, 3000, &Wait_Status);
  }
}

std::vector<std::string> Window_Program_Environment() {
  const char* Options = getenv("LSAN_OPTIONS");
  std::string Entry = "LSAN_OPTIONS=";
  if (Options && *Options) Entry += std::string(Options) + ":";
  Entry += "suppressions=" WINDOW_LEAK_SUPPRESSIONS;
  return {Entry};
}

Child_Process Start_Child(const std::vector<std::string>& Arguments,
                          const std::vector<std::string>& Extra_Environment) {
  Child_Process Child;
  int To_Child[2], From_Child[2];
  if (pipe2(To_Child, O_CLOEXEC) != 0) return Child;
  if (pipe2(From_Child, O_CLOEXEC) != 0) {
    close(To_Child[0]);
    close(To_Child[1]);
    return Child;
  }
  std::vector<char*> Argv;
  for (const std::string& Argument : Arguments) Argv.push_back(const_cast<char*>(Argument.c_str()));
  Argv.push_back(nullptr);
  std::vector<std::string> Environment_Text;
  for (char** Entry = environ; *Entry; ++Entry) Environment_Text.emplace_back(*Entry);
  for (const std::string& Entry : Extra_Environment) Environment_Text.push_back(Entry);
  std::vector<char*> Envp;
  for (std::string& Entry : Environment_Text) Envp.push_back(Entry.data());
  Envp.push_back(nullptr);

  const pid_t Pid = fork();
  if (Pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(To_Child[0], STDIN_FILENO);
    dup2(From_Child[1], STDOUT_FILENO);
    execve(Argv[0], Argv.data(), Envp.data());
    _exit(127);
  }
  close(To_Child[0]);
  close(From_Child[1]);
  if (Pid < 0) {
    close(To_Child[1]);
    close(From_Child[0]);
    return Child;
  }
  signal(SIGPIPE, SIG_IGN);  // a child that ended must not kill the test when written to
  Child.Pid = Pid;
  Child.Input_Fd = To_Child[1];
  Child.Output_Fd = From_Child[0];
  return Child;
}

bool Write_To_Child(Child_Process& Child, const std::string& Text) {
  size_t Done = 0;
  while (Done < Text.size()) {
    const ssize_t Count = write(Child.Input_Fd, Text.data() + Done, Text.size() - Done);
    if (Count < 0 && errno == EINTR) continue;
    if (Count <= 0) return false;
    Done += static_cast<size_t>(Count);
  }
  return true;
}

void Close_Child_Input(Child_Process& Child) {
  if (Child.Input_Fd >= 0) close(Child.Input_Fd);
  Child.Input_Fd = -1;
}

bool Read_Line_From_Child(Child_Process& Child, std::string& Line, int Timeout_Ms) {
  const Clock::time_point Deadline = Clock::now() + std::chrono::milliseconds(Timeout_Ms);
  for (;;) {
    const size_t End = Child.Pending.find('\n');
    if (End != std::string::npos) {
      Line = Child.Pending.substr(0, End);
      Child.Pending.erase(0, End + 1);
      return true;
    }
    if (Child.Output_Fd < 0) return false;
    pollfd Wait{Child.Output_Fd, POLLIN, 0};
    const int Ready = poll(&Wait, 1, Milliseconds_Left(Deadline));
    if (Ready < 0 && errno == EINTR) continue;
    if (Ready <= 0) return false;
    char Buffer[4096];
    const ssize_t Count = read(Child.Output_Fd, Buffer, sizeof Buffer);
    if (Count < 0 && errno == EINTR) continue;
    if (Count <= 0) return false;
    Child.Pending.append(Buffer, static_cast<size_t>(Count));
  }
}

std::string Read_All_From_Child(Child_Process& Child, int Timeout_Ms) {
  const Clock::time_point Deadline = Clock::now() + std::chrono::milliseconds(Timeout_Ms);
  std::string All = std::move(Child.Pending);
  Child.Pending.clear();
  while (Child.Output_Fd >= 0) {
    pollfd Wait{Child.Output_Fd, POLLIN, 0};
    const int Ready = poll(&Wait, 1, Milliseconds_Left(Deadline));
    if (Ready < 0 && errno == EINTR) continue;
    if (Ready <= 0) break;
    char Buffer[4096];
    const ssize_t Count = read(Child.Output_Fd, Buffer, sizeof Buffer);
    if (Count < 0 && errno == EINTR) continue;
    if (Count <= 0) break;
    All.append(Buffer, static_cast<size_t>(Count));
  }
  return All;
}

bool Wait_For_Child(Child_Process& Child, int Timeout_Ms) {
  if (Child.Reaped) return true;
  if (Child.Pid <= 0) return false;
  const Clock::time_point Deadline = Clock::now() + std::chrono::milliseconds(Timeout_Ms);
  for (;;) {
    const pid_t Done = waitpid(Child.Pid, &Child.Wait_Status, WNOHANG);
    if (Done == Child.Pid) {
      Child.Reaped = true;
      return true;
    }
    if (Done < 0 && errno != EINTR) return false;
    if (Clock::now() >= Deadline) return false;
    usleep(2000);
  }
}

std::string Run_Command(const std::string& Command_Line, int* Status) {
  std::string Output;
  FILE* Pipe = popen(Command_Line.c_str(), "r");
  if (!Pipe) {
    if (Status) *Status = -1;
    return Output;
  }
  char Buffer[4096];
  size_t Count;
  while ((Count = fread(Buffer, 1, sizeof Buffer, Pipe)) > 0) Output.append(Buffer, Count);
  const int Raw = pclose(Pipe);
  if (Status) *Status = (Raw != -1 && WIFEXITED(Raw)) ? WEXITSTATUS(Raw) : -1;
  return Output;
}
