// The game's pace: the delay loop's cost grows linearly with Speed, and the
// recommended Speed of 220000 takes 1.7 to 3.3 ms (300 to 600 steps a second).
// Also the cost of drawing a level and of the generator, for comparison.
#include <benchmark/benchmark.h>

#include "game/delay.h"
#include "game/layout.h"
#include "game/random.h"
#include "graphics/backend/headless_control.h"
#include "graphics/tarnwick.h"

namespace {

void Delay_Loop(benchmark::State& State) {
  const auto Speed = static_cast<int32_t>(State.range(0));
  for (auto _ : State) Game::Delay(Speed);
  State.SetComplexityN(State.range(0));
  // Steps a second that this Speed allows, the flight's other work aside.
  State.counters["steps_per_second"] =
      benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(Delay_Loop)
    ->Arg(27500)
    ->Arg(55000)
    ->Arg(110000)
    ->Arg(220000)
    ->Arg(440000)
    ->Arg(880000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void Level_Setup(benchmark::State& State) {
  Headless_Reset();
  Tarnwick::Start_Up();
  Headless_Set_Window_Size(1920, 1080);
  const Tarnwick::Window_Size Size = Tarnwick::Ext_Create_Graph_Window();
  Game::Random_State Generator{1};
  for (auto _ : State) Game::Setup(Generator, Size.Window_Width, Size.Window_Height, 50);
  Headless_Reset();
}
BENCHMARK(Level_Setup)->Unit(benchmark::kMicrosecond);

void Random_Draw(benchmark::State& State) {
  Game::Random_State Generator{1};
  for (auto _ : State) benchmark::DoNotOptimize(Game::RandInt(Generator, 80, 1880));
}
BENCHMARK(Random_Draw);

}  // namespace

BENCHMARK_MAIN();
