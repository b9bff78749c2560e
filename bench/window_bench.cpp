// The SDL back end on a desktop this program starts: a private Xvfb
// (`window_bench`, or `window_bench x11`) or a headless sway, through SDL's
// Wayland driver (`window_bench wayland`):
// - the cost of the calls the game makes at every step, KeyHit, GetColorPixel
//   and PutPixel, while the window thread presents at 60 frames a second;
// - the back end's share of a CPU while a game-like flight runs (and while the
//   program only waits): all the threads but the program's own, the window
//   thread and any a renderer starts, from the process's and the main thread's
//   CPU clocks;
// - the time from an injected key press to KeyHit seeing it, over a few
//   hundred presses: the X test extension on X, a virtual keyboard on Wayland.
// The X test extension is loaded at run time from libXtst.so.6, so no
// development package is needed for it.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "game/delay.h"
#include "graphics/tarnwick_library.h"
#include "tests/harness/desktop.h"
#include "tests/harness/wayland_keyboard.h"

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

// A CPU clock's reading in seconds.
double Cpu_Seconds(clockid_t Clock_Id) {
  timespec Now{};
  if (clock_gettime(Clock_Id, &Now) != 0) return 0;
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

// The CPU time of every thread of the process but the main one: the back end's.
double Back_End_Cpu_Seconds() { return Cpu_Seconds(CLOCK_PROCESS_CPUTIME_ID) - Cpu_Seconds(CLOCK_THREAD_CPUTIME_ID); }

// Runs a game-like flight for five seconds at the pace of Speed (the game's
// delay count; 0 for no delay at all; -1 for a program that only waits) and
// reports the back end's CPU share. Each crossing of the window is a new
// level: cleared and drawn afresh, as the game does.
void Back_End_Cpu_Share(benchmark::State& State) {
  const int32_t Speed = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    const double Cpu_Before = Back_End_Cpu_Seconds();
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
    State.counters["back_end_cpu_percent"] = 100.0 * (Back_End_Cpu_Seconds() - Cpu_Before) / Wall;
    State.counters["steps_per_second"] = static_cast<double>(Steps) / Wall;
  }
}
BENCHMARK(Back_End_Cpu_Share)->Arg(-1)->Arg(220000)->Arg(20000)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond);

bool On_Wayland = false;

using Fake_Key_Event_Function = int (*)(Display*, unsigned int, int, unsigned long);

// Presses and releases of the letter a, injected as a keyboard sends them:
// through the X test extension on X, a virtual keyboard on Wayland.
struct Key_Injector {
  Fake_Key_Event_Function Fake_Key_Event = nullptr;
  Display* Connection = nullptr;
  unsigned int Key_A = 0;
  Wayland_Keyboard* Keyboard = nullptr;
};

bool Open_Injector(Key_Injector& Keys) {
  if (On_Wayland) return (Keys.Keyboard = Open_Wayland_Keyboard()) != nullptr;
  void* Xtst = dlopen("libXtst.so.6", RTLD_NOW);
  Keys.Fake_Key_Event = Xtst ? reinterpret_cast<Fake_Key_Event_Function>(dlsym(Xtst, "XTestFakeKeyEvent")) : nullptr;
  Keys.Connection = XOpenDisplay(nullptr);
  if (!Keys.Fake_Key_Event || !Keys.Connection) return false;
  Keys.Key_A = XKeysymToKeycode(Keys.Connection, XStringToKeysym("a"));
  return true;
}

void Press(Key_Injector& Keys, bool Down) {
  if (Keys.Keyboard) {
    Press_Wayland_Key(Keys.Keyboard, 30, Down);  // the letter a's Linux input code
    return;
  }
  Keys.Fake_Key_Event(Keys.Connection, Keys.Key_A, Down ? 1 : 0, 0);
  XFlush(Keys.Connection);
}

void Close_Injector(Key_Injector& Keys) {
  if (Keys.Keyboard) Close_Wayland_Keyboard(Keys.Keyboard);
  if (Keys.Connection) XCloseDisplay(Keys.Connection);
  Keys = {};
}

// The time from an injected key press to KeyHit seeing it, over 300 presses
// at irregular intervals (so they fall anywhere between two frames).
void Key_Press_To_KeyHit(benchmark::State& State) {
  Key_Injector Keys;
  if (!Open_Injector(Keys)) {
    Close_Injector(Keys);
    State.SkipWithError("no way to inject key presses on this display");
    return;
  }
  auto Press = [&](bool Down) { ::Press(Keys, Down); };
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
    Close_Injector(Keys);
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
  Close_Injector(Keys);
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
  if (argc > 1 && (std::strcmp(argv[1], "wayland") == 0 || std::strcmp(argv[1], "x11") == 0)) {
    On_Wayland = std::strcmp(argv[1], "wayland") == 0;
    argv[1] = argv[0];
    --argc;
    ++argv;
  }
  benchmark::Initialize(&argc, argv);
  Game::Calibrate_Delay();  // the flight at the game's own pace, as the program sets it at start-up
  Desktop Desk;
  std::string Why;
  if (!Start_Desktop(Desk, On_Wayland ? Desktop_Kind::Sway : Desktop_Kind::Bare_Xvfb, &Why)) {
    std::fprintf(stderr, "window_bench: %s\n", Why.c_str());
    return 1;
  }
  // This process is the program on the desktop; it starts no thread before this.
  for (const std::string& Entry : Desk.Environment) putenv(const_cast<char*>(Entry.c_str()));
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
  Stop_Desktop(Desk);
  benchmark::Shutdown();
}
