// The cost of the calls the game makes at every step of the flight, through
// the typed interface on the headless back end: Get_Pixel, Put_Pixel and
// Key_Hit (with no key waiting and with one waiting).
#include <benchmark/benchmark.h>

#include "graphics/backend/headless/headless_control.h"
#include "graphics/tarnwick.h"

namespace {

namespace T = Tarnwick;

// Starts the interface once and opens a fresh 800 x 600 window.
void Open_Window() {
  static const bool Started = (T::Start_Up(), true);
  benchmark::DoNotOptimize(Started);
  Headless_Reset();
  T::Ext_Create_Graph_Window();
}

void Get_Pixel(benchmark::State& State) {
  Open_Window();
  int32_t X = 20;
  for (auto _ : State) {
    benchmark::DoNotOptimize(T::Get_Pixel(X, 300));
    X = X == 779 ? 20 : X + 1;
  }
  Headless_Reset();
}
BENCHMARK(Get_Pixel);

void Put_Pixel(benchmark::State& State) {
  Open_Window();
  int32_t X = 20;
  for (auto _ : State) {
    T::Put_Pixel(X, 300, T::Color_Type::Black);
    X = X == 779 ? 20 : X + 1;
  }
  Headless_Reset();
}
BENCHMARK(Put_Pixel);

void Key_Hit(benchmark::State& State) {
  Open_Window();
  if (State.range(0) != 0) Headless_Push_Key('a');
  for (auto _ : State) benchmark::DoNotOptimize(T::Key_Hit());
  Headless_Reset();
}
BENCHMARK(Key_Hit)->ArgName("waiting")->Arg(0)->Arg(1);

// One step of the flight as the game makes it: key test, read ahead, mark.
void Flight_Step(benchmark::State& State) {
  Open_Window();
  int32_t X = 20;
  for (auto _ : State) {
    benchmark::DoNotOptimize(T::Key_Hit());
    benchmark::DoNotOptimize(T::Get_Pixel(X + 1, 300));
    T::Put_Pixel(X, 300, T::Color_Type::Black);
    X = X == 779 ? 20 : X + 1;
  }
  Headless_Reset();
}
BENCHMARK(Flight_Step);

}  // namespace
