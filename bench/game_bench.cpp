// The game's pace: after the calibration the program runs at start-up, the
// delay loop's cost grows linearly with Speed and the recommended Speed of
// 220000 takes 2.5 ms (400 steps a second). The calibration itself: its time,
// the link cost it measured and the chain it chose (run it pinned to
// one core beside a busy process to see that a shared core leaves them alone).
// Also the cost of drawing a level and of the generator, for comparison.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "game/delay.h"
#include "game/layout.h"
#include "game/random.h"
#include "graphics/backend/headless/headless_control.h"
#include "graphics/tarnwick.h"

namespace {

void Delay_Loop(benchmark::State& State) {
  const auto Speed = static_cast<int32_t>(State.range(0));
  const Game::Delay_Calibration Calibration = Game::Calibrate_Delay();
  for (auto _ : State) Game::Delay(Speed);
  State.SetComplexityN(State.range(0));
  // Steps a second that this Speed allows, the flight's other work aside.
  State.counters["steps_per_second"] =
      benchmark::Counter(static_cast<double>(State.iterations()), benchmark::Counter::kIsRate);
  State.counters["links_per_count"] = static_cast<double>(Calibration.Count_Chain) / Game::Link_Fraction;
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

// One calibration per iteration: the mean link cost measured, and the mean,
// fewest and most links per count chosen over all of them.
void Delay_Calibration(benchmark::State& State) {
  double Link_Ns = 0, Links = 0, Fewest = 1e9, Most = 0;
  for (auto _ : State) {
    const Game::Delay_Calibration Calibration = Game::Calibrate_Delay();
    const double Links_Per_Count = static_cast<double>(Calibration.Count_Chain) / Game::Link_Fraction;
    Link_Ns += Calibration.Link_Ns;
    Links += Links_Per_Count;
    Fewest = std::min(Fewest, Links_Per_Count);
    Most = std::max(Most, Links_Per_Count);
  }
  State.counters["link_ns"] = benchmark::Counter(Link_Ns, benchmark::Counter::kAvgIterations);
  State.counters["links_per_count"] = benchmark::Counter(Links, benchmark::Counter::kAvgIterations);
  State.counters["fewest"] = Fewest;
  State.counters["most"] = Most;
}
BENCHMARK(Delay_Calibration)->Unit(benchmark::kMillisecond);

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
