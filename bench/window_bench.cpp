// The SDL back end on a real X server (a private Xvfb this program starts):
// - the cost of the calls the game makes at every step, KeyHit, GetColorPixel
//   and PutPixel, while the window thread presents at 60 frames a second;
// - the window thread's share of a CPU while a game-like flight runs (and while
//   the program only waits), from the thread's own CPU clock;
// - the time from a key press injected with the X test extension to KeyHit
//   seeing it, over a few hundred presses.
// The X test extension is loaded at run time from libXtst.so.6, so no
// development package is needed for it.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/delay.h"
#include "graphics/tarnwick_library.h"
#include "tests/support/xvfb_server.h"

// Last: Xlib defines macros (Status, None, Bool) that clash with the headers above.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;

int32_t Width = 0, Height = 0;

void KeyHit_Call(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(KeyHit());
}
BENCHMARK(KeyHit_Call);

void GetColorPixel_Call(benchmark::State& State) {
  int32_t X = 20;
  for (auto _ : State) {
    benchmark::DoNotOptimize(GetColorPixel(X, 300));
    X = X == Width - 21 ? 20 : X + 1;
  }
}
BENCHMARK(GetColorPixel_Call);

// Every call dirties a row, so the window thread uploads and presents every frame.
void PutPixel_Call(benchmark::State& State) {
  int32_t X = 20, Y = 20;
  for (auto _ : State) {
    PutPixel(X, Y, X & 15);
    if (++X == Width - 20) {
      X = 20;
      Y = Y == Height - 21 ? 20 : Y + 1;
    }
  }
}
BENCHMARK(PutPixel_Call);

// One step of the game's flight without its delay: KeyHit, GetColorPixel, PutPixel.
void Flight_Step_Calls(benchmark::State& State) {
  int32_t X = 20, Y = Height / 2;
  for (auto _ : State) {
    benchmark::DoNotOptimize(KeyHit());
    benchmark::DoNotOptimize(GetColorPixel(X + 1, Y - 1));
    PutPixel(X + 1, Y - 1, 0);
    X = X == Width - 22 ? 20 : X + 1;
  }
}
BENCHMARK(Flight_Step_Calls);

// The one thread of this process besides the main one: the window thread.
pid_t Window_Thread_Id() {
  pid_t Found = -1;
  DIR* Tasks = opendir("/proc/self/task");
  if (!Tasks) return -1;
  while (dirent* Entry = readdir(Tasks)) {
    const pid_t Tid = static_cast<pid_t>(std::atoi(Entry->d_name));
    if (Tid > 0 && Tid != getpid()) Found = Tid;
  }
  closedir(Tasks);
  return Found;
}

// A thread's CPU time in seconds, from its CPU clock (Linux: the clock id of a
// thread is built from its id as the kernel's MAKE_THREAD_CPUCLOCK does).
double Thread_Cpu_Seconds(pid_t Tid) {
  const clockid_t Clock_Id = static_cast<clockid_t>((~static_cast<unsigned>(Tid) << 3) | 6);
  timespec Now{};
  if (clock_gettime(Clock_Id, &Now) != 0) return 0;
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

// Runs a game-like flight for five seconds at the pace of Speed (the game's
// delay count; 0 for no delay at all; -1 for a program that only waits) and
// reports the window thread's CPU share. Each crossing of the window is a new
// level: cleared and drawn afresh, as the game does.
void Window_Thread_Cpu_Share(benchmark::State& State) {
  const int32_t Speed = static_cast<int32_t>(State.range(0));
  const pid_t Tid = Window_Thread_Id();
  if (Tid < 0) {
    State.SkipWithError("no window thread found");
    return;
  }
  for (auto _ : State) {
    const double Cpu_Before = Thread_Cpu_Seconds(Tid);
    const Clock::time_point Start = Clock::now(), End = Start + std::chrono::seconds(5);
    int64_t Steps = 0;
    int32_t X = 20, Y = Height / 2, Direction = 1;
    while (Clock::now() < End) {
      if (Speed < 0) {
        usleep(10000);
        continue;
      }
      Game::Delay(Speed);
      if (KeyHit() > 0) GetKey();
      if (++X == Width - 20) {
        X = 20;
        ClearWindow(15);
        DrawBox(10, 10, Width - 20, Height - 10, 0, 1);
      }
      if (Y <= 20 || Y >= Height - 20) Direction = -Direction;
      Y += Direction;
      benchmark::DoNotOptimize(GetColorPixel(X, Y));
      PutPixel(X, Y, 0);
      ++Steps;
    }
    const double Wall = std::chrono::duration<double>(Clock::now() - Start).count();
    State.counters["window_thread_cpu_percent"] = 100.0 * (Thread_Cpu_Seconds(Tid) - Cpu_Before) / Wall;
    State.counters["steps_per_second"] = static_cast<double>(Steps) / Wall;
  }
}
BENCHMARK(Window_Thread_Cpu_Share)->Arg(-1)->Arg(220000)->Arg(20000)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);

using Fake_Key_Event_Function = int (*)(Display*, unsigned int, int, unsigned long);

// The time from an injected key press to KeyHit seeing it, over 300 presses
// at irregular intervals (so they fall anywhere between two frames).
void Key_Press_To_KeyHit(benchmark::State& State) {
  void* Xtst = dlopen("libXtst.so.6", RTLD_NOW);
  const auto Fake_Key_Event =
      Xtst ? reinterpret_cast<Fake_Key_Event_Function>(dlsym(Xtst, "XTestFakeKeyEvent")) : nullptr;
  Display* Connection = XOpenDisplay(nullptr);
  if (!Fake_Key_Event || !Connection) {
    State.SkipWithError("no X test extension or no display");
    return;
  }
  const unsigned int Key_A = XKeysymToKeycode(Connection, XStringToKeysym("a"));
  auto Press = [&](bool Down) {
    Fake_Key_Event(Connection, Key_A, Down ? 1 : 0, 0);
    XFlush(Connection);
  };
  auto Wait_For_Key = [](Clock::time_point Deadline) {
    while (KeyHit() == 0)
      if (Clock::now() > Deadline) return false;
    return true;
  };

  // The window takes the focus at the first frame after the first clear; wait for it.
  bool Focused = false;
  for (int Attempt = 0; Attempt < 40 && !Focused; ++Attempt) {
    Press(true);
    Press(false);
    Focused = Wait_For_Key(Clock::now() + std::chrono::milliseconds(50));
  }
  while (KeyHit() > 0) GetKey();
  if (!Focused) {
    State.SkipWithError("the window never took the keyboard focus");
    XCloseDisplay(Connection);
    return;
  }

  constexpr int Presses = 300;
  std::vector<double> Latencies;
  for (auto _ : State) {
    Latencies.clear();
    for (int I = 0; I < Presses; ++I) {
      usleep(static_cast<useconds_t>(1000 + (I * 7919) % 9000));  // 1 .. 10 ms apart
      const Clock::time_point Pressed = Clock::now();
      Press(true);
      if (!Wait_For_Key(Pressed + std::chrono::seconds(1))) {
        State.SkipWithError("a key press never arrived");
        break;
      }
      Latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - Pressed).count());
      GetKey();
      Press(false);
    }
  }
  XCloseDisplay(Connection);
  if (Latencies.empty()) return;
  std::sort(Latencies.begin(), Latencies.end());
  State.counters["presses"] = static_cast<double>(Latencies.size());
  State.counters["median_ms"] = Latencies[Latencies.size() / 2];
  State.counters["p99_ms"] = Latencies[Latencies.size() * 99 / 100];
  State.counters["worst_ms"] = Latencies.back();
}
BENCHMARK(Key_Press_To_KeyHit)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Game::Calibrate_Delay();  // the flight at the game's own pace, as the program sets it at start-up
  Xvfb_Server Server;
  std::string Why;
  if (!Start_Xvfb(Server, &Why)) {
    std::fprintf(stderr, "window_bench: %s\n", Why.c_str());
    return 1;
  }
  const int32_t Opened = CreateGraphWindow(1);
  if (Opened < 0) {
    std::fprintf(stderr, "window_bench: CreateGraphWindow(1) answered %d\n", Opened);
    return 1;
  }
  Width = GetWindowWidth();
  Height = GetWindowHeight();
  ClearWindow(15);  // the first clear: the window takes the keyboard focus
  benchmark::RunSpecifiedBenchmarks();
  DestroyGraphWindow();
  Stop_Xvfb(Server);
  benchmark::Shutdown();
}
