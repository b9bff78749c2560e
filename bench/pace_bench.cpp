// The pace as the player meets it: whole games at Speed 220000, which should
// run at 400 steps a second. One command, from the build directory:
//
//   bench/pace_bench
//
// runs ten games of each of:
// - Whole_Game/drovanel: the real program in its window on a private Xvfb,
//   the window thread presenting beside the flight and the X server on the
//   same machine, as a player has it;
// - Whole_Game/drovanel_pinned: the same, the flight's thread alone on CPU 0
//   and its other threads, the X server and this program on the other CPUs
//   (other processes may still use CPU 0);
// - Whole_Game/headless: the test twin tests/game/drovanel_headless, the same
//   game without a window thread or X server;
// - Whole_Game/windows, with --windows=PATH: the Windows program
//   (build/windows/drovanel.exe) under Wine on the same Xvfb, in a Wine prefix
//   of its own made before the first game, its server kept until the last.
// (--benchmark_filter=Whole_Game/drovanel/ runs one of them.) Two options set
// the machine's state at each start, when the game measures its delay loop:
// - --hog=start: a CPU hog on every CPU from before the game starts until its
//   first step; --hog=always: until the game has ended;
// - --rest=SECONDS: nothing runs for that long before each game (a cold core). The player
// steers nowhere: the dot climbs from the middle row of a 1280 x 2048 screen
// to the frame's top, 1014 steps of level 0. Each game reports:
// - steps_per_second: steps over the wall time from the first step to the last;
// - cpu_steps_per_second: steps over the flight thread's CPU time in that span,
//   the pace had no other thread taken its core;
// - wait_percent: the share of that span the flight thread waited for a core
//   (from /proc/PID/task/PID/schedstat);
// and the ten games' median, min and max of each (small values print with
// an SI suffix: 2.5m is 0.0025). To compare with another
// build (the previous calibration, say), name its programs:
//
//   bench/pace_bench --drovanel=/other/build/game/drovanel --headless=/other/build/tests/game/drovanel_headless
//
// Run it in a network namespace of its own (unshare -n), so that its X server
// and Wine's meet no other.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/harness/child_process.h"
#include "tests/harness/wine_environment.h"
#include "tests/harness/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t Screen_Width = 1280, Screen_Height = 2048;

std::string Drovanel_Path = DROVANEL_PATH;
std::string Headless_Path = DROVANEL_HEADLESS_PATH;
std::string Windows_Path;  // none: no Windows games

enum class Program { Drovanel, Drovanel_Pinned, Headless, Windows };

enum class Hog { None, Start, Always };
Hog Hogs = Hog::None;
int Rest_Seconds = 0;

// The Wine prefix of the Windows games, and the environment of every Wine command.
std::string Wine_Dir;
std::vector<std::string> Wine_Environment;

// Makes the prefix and starts its server, which stays with its services, as
// a player's session has them; false with the reason when it fails.
bool Start_Wine(std::string& Why) {
  char Template[] = "/tmp/drovanel-pace-XXXXXX";
  if (!mkdtemp(Template)) return Why = "no temporary directory", false;
  Wine_Dir = Template;
  std::filesystem::create_directories(Wine_Dir + "/prefix");
  Wine_Environment = Wine_Environment_In(Wine_Dir);  // as the Wine tests have it
  // Wine's own processes keep the streams of the command that started them: none here.
  // The first program in a new prefix has Wine make it and start its services
  // (wineboot --init) before it runs: a plain wineboot only waits for that. A
  // second --init would start a second services.exe beside the first, with
  // which RpcSs never starts; the desktop process (explorer.exe) that each game
  // starts after a rest then tries to start it for 3 to 10 s before the game's
  // window can open, longer than the game waits for its window.
  for (const char* Command : {"wineserver --persistent", "wineboot"}) {
    const Child_Result Result = Run_Child(
        {.Arguments = {"/bin/sh", "-c", std::string(Command) + " >/dev/null 2>&1"}, .Environment = Wine_Environment},
        "", 120000);
    if (Result.Status != 0) return Why = std::string(Command) + " failed", false;
  }
  return true;
}

void Stop_Wine() {
  if (Wine_Dir.empty()) return;
  Run_Child({.Arguments = {"/bin/sh", "-c", "wineserver --kill >/dev/null 2>&1"}, .Environment = Wine_Environment}, "");
  // The server ends its prefix's processes; it takes a moment to end itself.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  std::filesystem::remove_all(Wine_Dir);
}

// One process on every CPU, each spinning; Stop_Hogs ends them by their ids.
std::vector<Child_Process> Start_Hogs() {
  std::vector<Child_Process> Started;
  for (long Cpu = 0; Cpu < sysconf(_SC_NPROCESSORS_ONLN); ++Cpu)
    Started.push_back(Start_Child({.Arguments = {"/bin/sh", "-c", "while :; do :; done"}}));
  return Started;
}

void Stop_Hogs(std::vector<Child_Process>& Hogs_Running) {
  for (Child_Process& Hog_Process : Hogs_Running) Stop_Child(Hog_Process, SIGKILL, 1000);
  Hogs_Running.clear();
}

// A thread's CPU time and its time waiting for a core, in nanoseconds.
struct Thread_Times {
  int64_t Running_Ns = 0, Waiting_Ns = 0;
};

Thread_Times Read_Thread_Times(pid_t Process, pid_t Thread) {
  Thread_Times Times;
  const std::string Path = "/proc/" + std::to_string(Process) + "/task/" + std::to_string(Thread) + "/schedstat";
  if (std::FILE* File = std::fopen(Path.c_str(), "r")) {
    long long Running = 0, Waiting = 0;
    if (std::fscanf(File, "%lld %lld", &Running, &Waiting) == 2) Times = {Running, Waiting};
    std::fclose(File);
  }
  return Times;
}

// Every CPU from First on.
cpu_set_t Cpus_From(long First) {
  cpu_set_t Set;
  CPU_ZERO(&Set);
  for (long Cpu = First; Cpu < sysconf(_SC_NPROCESSORS_ONLN); ++Cpu) CPU_SET(Cpu, &Set);
  return Set;
}

// Puts every thread of Process on Cpus, but its first one when Skip_First.
void Pin_Threads(pid_t Process, const cpu_set_t& Cpus, bool Skip_First) {
  for (const auto& Task : std::filesystem::directory_iterator("/proc/" + std::to_string(Process) + "/task")) {
    const pid_t Thread = std::stoi(Task.path().filename().string());
    if (!Skip_First || Thread != Process) sched_setaffinity(Thread, sizeof Cpus, &Cpus);
  }
}

pid_t Xvfb_Pid = -1;

// One whole game; false with the reason when it did not play through.
bool Play_Game(Program Kind, benchmark::State& State) {
  std::vector<std::string> Arguments;
  std::vector<std::string> Environment = Window_Program_Environment();
  if (Kind == Program::Drovanel_Pinned) Arguments = {"taskset", "-c", "0"};
  if (Kind == Program::Headless) {
    Arguments = {Headless_Path, std::to_string(Screen_Width), std::to_string(Screen_Height), "1", ""};
  } else if (Kind == Program::Windows) {
    Arguments = {"wine", Windows_Path};
    Environment = Wine_Environment;
  } else {
    Arguments.push_back(Drovanel_Path);
  }
  if (Rest_Seconds > 0) std::this_thread::sleep_for(std::chrono::seconds(Rest_Seconds));
  std::vector<Child_Process> Hogs_Running;
  if (Hogs != Hog::None) Hogs_Running = Start_Hogs();
  Child_Process Game = Start_Child({.Arguments = Arguments, .Environment = Environment});
  auto Fail = [&](const char* Why) {
    Stop_Hogs(Hogs_Running);
    Stop_Child(Game, SIGKILL, 1000);
    State.SkipWithError(Why);
    return false;
  };
  // The window is open once the first prompt is written.
  if (!Read_Past_From_Child(Game, "Rec 220000 :", 20000)) return Fail("no Speed prompt");
  const bool Pinned = Kind == Program::Drovanel_Pinned;
  if (Pinned) {
    for (const pid_t Process : {Game.Pid, Xvfb_Pid, getpid()}) Pin_Threads(Process, Cpus_From(1), Process == Game.Pid);
  }
  Write_To_Child(Game, "220000\n0\n");
  if (!Read_Past_From_Child(Game, "Starting level :", 5000)) return Fail("no level prompt");

  // One line feed a step, then the report.
  int64_t Steps = 0;
  Clock::time_point First, Last;
  Thread_Times At_First, At_Last;
  std::string Line;
  while (Read_Line_From_Child(Game, Line, 10000) && Line.empty()) {
    Last = Clock::now();
    At_Last = Read_Thread_Times(Game.Pid, Game.Pid);
    if (Steps++ == 0) {
      First = Last, At_First = At_Last;
      if (Hogs == Hog::Start) Stop_Hogs(Hogs_Running);
    }
  }
  Stop_Hogs(Hogs_Running);
  if (Line != "You started on level: 0" || Steps < 2) return Fail("the game did not end with its report");
  Write_To_Child(Game, "0\n");
  if (!Exited_With(Game, 0, 10000)) return Fail("the game did not exit with status 0");
  if (Pinned) {
    for (const pid_t Process : {Xvfb_Pid, getpid()}) Pin_Threads(Process, Cpus_From(0), false);
  }

  const double Seconds = std::chrono::duration<double>(Last - First).count();
  const double Intervals = static_cast<double>(Steps - 1);
  State.counters["steps"] = static_cast<double>(Steps);
  State.counters["steps_per_second"] = Intervals / Seconds;
  State.counters["cpu_steps_per_second"] = Intervals / ((At_Last.Running_Ns - At_First.Running_Ns) * 1e-9);
  State.counters["wait_percent"] = 100.0 * (At_Last.Waiting_Ns - At_First.Waiting_Ns) * 1e-9 / Seconds;
  return true;
}

void Whole_Game(benchmark::State& State, Program Kind) {
  for (auto _ : State) {
    if (!Play_Game(Kind, State)) break;
  }
}

double Least(const std::vector<double>& Values) { return *std::min_element(Values.begin(), Values.end()); }
double Most(const std::vector<double>& Values) { return *std::max_element(Values.begin(), Values.end()); }

void Ten_Games(benchmark::internal::Benchmark* Games) {
  Games->Iterations(1)->Repetitions(10)->ComputeStatistics("min", Least)->ComputeStatistics("max", Most);
  Games->Unit(benchmark::kSecond);
}

BENCHMARK_CAPTURE(Whole_Game, drovanel, Program::Drovanel)->Apply(Ten_Games);
BENCHMARK_CAPTURE(Whole_Game, drovanel_pinned, Program::Drovanel_Pinned)->Apply(Ten_Games);
BENCHMARK_CAPTURE(Whole_Game, headless, Program::Headless)->Apply(Ten_Games);

// Takes this bench's own options out of the arguments; false on a wrong one.
bool Take_Options(int& argc, char** argv) {
  int Kept = 1;
  for (int Index = 1; Index < argc; ++Index) {
    const std::string Option = argv[Index];
    auto Value = [&](const std::string& Name) {
      return Option.rfind(Name, 0) == 0 ? Option.substr(Name.size()) : std::string();
    };
    if (!Value("--drovanel=").empty()) {
      Drovanel_Path = Value("--drovanel=");
    } else if (!Value("--headless=").empty()) {
      Headless_Path = Value("--headless=");
    } else if (!Value("--windows=").empty()) {
      Windows_Path = Value("--windows=");
    } else if (Option == "--hog=start" || Option == "--hog=always") {
      Hogs = Option == "--hog=start" ? Hog::Start : Hog::Always;
    } else if (!Value("--rest=").empty()) {
      Rest_Seconds = std::atoi(Value("--rest=").c_str());
      if (Rest_Seconds <= 0) return false;
    } else if (Option.rfind("--hog", 0) == 0) {
      return false;
    } else {
      argv[Kept++] = argv[Index];
    }
  }
  argc = Kept;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!Take_Options(argc, argv)) {
    std::fprintf(stderr, "pace_bench: options --drovanel=PATH --headless=PATH --windows=PATH "
                         "--hog=start|always --rest=SECONDS\n");
    return 2;
  }
  if (!Windows_Path.empty())
    benchmark::RegisterBenchmark("Whole_Game/windows", Whole_Game, Program::Windows)->Apply(Ten_Games);
  benchmark::Initialize(&argc, argv);
  Xvfb_Server Server;
  Server.Screen_Width = Screen_Width;
  Server.Screen_Height = Screen_Height;
  std::string Why;
  if (!Start_Xvfb(Server, &Why)) {
    std::fprintf(stderr, "pace_bench: %s\n", Why.c_str());
    return 1;
  }
  Xvfb_Pid = Server.Process.Pid;
  if (!Windows_Path.empty() && !Start_Wine(Why)) {
    std::fprintf(stderr, "pace_bench: %s\n", Why.c_str());
    Stop_Wine();
    Stop_Xvfb(Server);
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  Stop_Wine();
  Stop_Xvfb(Server);
  benchmark::Shutdown();
}
