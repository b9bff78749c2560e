// The delay's arithmetic with a link that counts, and its calibration on a
// scripted clock: the chain it chooses from what the samples read, with
// interference and clocks that say nothing.
#include "game/delay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Game::Default_Count_Chain;

// A delay of Speed counts runs Speed times the chain, less than one link short:
// Speed * Chain / 64 links, rounded down.
TEST(Delay_Plan, SpeedCountsRunSpeedTimesTheChain) {
  constexpr int32_t Most = std::numeric_limits<int32_t>::max();
  struct Case {
    int32_t Speed, Chain;
    Game::Delay_Plan Plan;
  };
  const Case Cases[] = {
      {0, 704, {0, 0, 0}},
      {-5, 727, {0, 0, 0}},
      {std::numeric_limits<int32_t>::min(), 727, {0, 0, 0}},
      {1, 64, {1, 1, 0}},
      {1, 127, {1, 1, 0}},  // 63/64 of a link owed, none run
      {64, 127, {64, 1, 63}},
      {65, 65, {65, 1, 1}},
      {3, 4096, {3, 64, 0}},
      {220000, 704, {220000, 11, 0}},
      {220000, 727, {220000, 11, 79062}},
      {Most, 4096, {Most, 64, 0}},
      {Most, 4095, {Most, 63, 2113929215}},
      {Most, 65, {Most, 1, 33554431}},
  };
  for (const Case& C : Cases) {
    const std::string Name = std::to_string(C.Speed) + " counts of " + std::to_string(C.Chain) + "/64";
    const Game::Delay_Plan Plan = Game::Plan_Delay(C.Speed, C.Chain);
    EXPECT_EQ(Plan.Counts, C.Plan.Counts) << Name;
    EXPECT_EQ(Plan.Links_Per_Count, C.Plan.Links_Per_Count) << Name;
    EXPECT_EQ(Plan.Fraction_Links, C.Plan.Fraction_Links) << Name;
    const int64_t Links = std::max(int64_t{C.Speed}, int64_t{0}) * C.Chain / Game::Link_Fraction;
    EXPECT_EQ(Plan.Counts * Plan.Links_Per_Count + Plan.Fraction_Links, Links) << Name;
    // The delay's own loops, with a link that counts, where that takes no time.
    if (Links > 20'000'000) continue;
    int64_t Links_Run = 0;
    Game::Run_Plan(Plan, [&Links_Run] { ++Links_Run; });
    EXPECT_EQ(Links_Run, Links) << Name;
  }
}

// The clock's readings, two per sample (start, end), and the next one to give.
std::vector<int64_t> Readings;
size_t Next_Reading;
int64_t Now = 1'000'000;

int64_t Scripted_Clock() { return Readings.at(Next_Reading++); }

// One sample of Probe_Speed counts that took Factor times its time on pace, and Extra_Ns more.
std::pair<int64_t, int64_t> Took(double Factor, int32_t Probe_Speed = Game::Running_Time_Plan.Probe_Speed,
                                 int64_t Extra_Ns = 0) {
  const int64_t Start = Now += 500;
  Now += static_cast<int64_t>(Factor * Probe_Speed * Game::Count_Cost_Ns) + Extra_Ns;
  return {Start, Now};
}

// On_Pace samples on pace, then one (repeated to make up the round) that took Factor times that.
std::vector<std::pair<int64_t, int64_t>> On_Pace_Then(int32_t On_Pace, double Factor) {
  std::vector<std::pair<int64_t, int64_t>> Samples;
  for (int32_t Sample = 0; Sample < On_Pace; ++Sample) Samples.push_back(Took(1));
  Samples.push_back(Took(Factor));
  return Samples;
}

// Readings for Plan's pairs of back-to-back readings, each Cost_Ns apart,
// then its warm-up and calibration samples, the last of each repeated to make up the round.
void Script(std::vector<std::pair<int64_t, int64_t>> Warm_Up, std::vector<std::pair<int64_t, int64_t>> Calibration,
            const Game::Calibration_Plan& Plan = Game::Running_Time_Plan, int64_t Cost_Ns = 0) {
  std::vector<std::pair<int64_t, int64_t>> Costs;
  for (int32_t Pair = 0; Pair < Plan.Cost_Samples; ++Pair, Now += Cost_Ns) Costs.emplace_back(Now, Now + Cost_Ns);
  Warm_Up.resize(Plan.Warm_Up_Samples, Warm_Up.back());
  Calibration.resize(Plan.Calibration_Samples, Calibration.back());
  Readings.clear();
  Next_Reading = 0;
  for (const auto& Samples : {Costs, Warm_Up, Calibration}) {
    for (const auto& [Start, End] : Samples) Readings.insert(Readings.end(), {Start, End});
  }
}

TEST(Delay_Calibration, TheChainFollowsTheTypicalSample) {
  constexpr int64_t Min = std::numeric_limits<int64_t>::min(), Max = std::numeric_limits<int64_t>::max();
  struct Case {
    std::string Name;
    std::vector<std::pair<int64_t, int64_t>> Warm_Up, Calibration;
    int32_t Chain;
  };
  const Case Cases[] = {
      {"on pace", {Took(1)}, {Took(1)}, Default_Count_Chain},
      {"the warm-up twice as slow", {Took(2)}, {Took(1)}, 352},
      {"the calibration a tenth slow", {Took(1)}, {Took(1.1)}, 640},
      {"both rounds slow", {Took(2)}, {Took(1.1)}, 320},
      {"a stalled warm-up sample", {Took(1), Took(3), Took(1)}, {Took(1)}, Default_Count_Chain},
      {"a sample a little slow is paid for", {Took(1)}, On_Pace_Then(11, 1.08), 699},
      {"a stall is not", {Took(1)}, On_Pace_Then(11, 1.15), Default_Count_Chain},
      {"half the samples 30 % over", {Took(1)}, On_Pace_Then(6, 1.3), 612},  // the median: all stay in
      {"a link dearer than a count", {Took(40)}, {Took(1)}, Game::Link_Fraction},
      {"a link cheaper than any core", {Took(0.01)}, {Took(1)}, Game::Max_Count_Chain},
      {"a clock that stands still", {{5, 5}}, {{5, 5}}, Default_Count_Chain},
      {"a clock that goes back", {{900, 100}}, {{900, 100}}, Default_Count_Chain},
      {"a difference beyond 64 bits", {{Min, Max}}, {{Max, Min}}, Default_Count_Chain},
      {"no warm-up reads a time", {{5, 5}}, {Took(2)}, 352},
      {"no calibration sample reads a time", {Took(2)}, {{5, 5}}, 352},
  };
  for (const Case& C : Cases) {
    Script(C.Warm_Up, C.Calibration);
    const Game::Delay_Calibration Result = Game::Measure_Delay(Scripted_Clock);
    EXPECT_EQ(Result.Count_Chain, C.Chain) << C.Name;
    EXPECT_EQ(Next_Reading, Readings.size()) << C.Name << ": two readings a sample";
  }
}

// The link cost reported is the typical sample's time over the links it ran.
TEST(Delay_Calibration, TheLinkCostIsMeasuredAtTheChainChosen) {
  Script({Took(2)}, {Took(1)});  // the calibration runs counts of 352/64 links
  EXPECT_NEAR(Game::Measure_Delay(Scripted_Clock).Link_Ns, Game::Count_Cost_Ns / 5.5, 1e-4);
  Script({{5, 5}}, {{5, 5}});
  EXPECT_EQ(Game::Measure_Delay(Scripted_Clock).Link_Ns, 0.0);
}

// On a wall clock: the clock's own cost is taken from every sample, and the
// samples that another thread stretched are left out, while they are fewer than half.
TEST(Delay_Calibration, OnAWallClockTheReadingCostAndTheInterruptedSamplesAreLeftOut) {
  const Game::Calibration_Plan& Plan = Game::Wall_Time_Plan;
  constexpr int64_t Cost_Ns = 500, Interrupted_Ns = 40'000;
  // Samples on pace but for the reading, every Nth one interrupted.
  auto Samples = [&](int32_t Count, int32_t Every) {
    std::vector<std::pair<int64_t, int64_t>> All;
    for (int32_t Sample = 0; Sample < Count; ++Sample)
      All.push_back(Took(1, Plan.Probe_Speed, Cost_Ns + (Sample % Every == 0 ? Interrupted_Ns : 0)));
    return All;
  };
  struct Case {
    std::string Name;
    int32_t Every;  // interrupted sample
    int64_t Cost_Ns;
    int32_t Chain;
  };
  const Case Cases[] = {
      {"none interrupted", 1000, Cost_Ns, Default_Count_Chain},
      {"a third interrupted", 3, Cost_Ns, Default_Count_Chain},
      // The cost not measured: every sample seems 500 ns too long, 2 % of 23 us.
      {"the reading's cost left in", 4, 0, 675},
  };
  for (const Case& C : Cases) {
    Script(Samples(Plan.Warm_Up_Samples, C.Every), Samples(Plan.Calibration_Samples, C.Every), Plan, C.Cost_Ns);
    EXPECT_EQ(Game::Measure_Delay(Scripted_Clock, Plan).Count_Chain, C.Chain) << C.Name;
    EXPECT_EQ(Next_Reading, Readings.size()) << C.Name;
  }
}

// On a browser's clock, which reads in steps of 100 us, each step taken at a
// threshold of its own: calibration samples on pace give the chain on pace, to 1 %.
TEST(Delay_Calibration, OnACoarseClockTheLongSamplesGiveThePace) {
  const Game::Calibration_Plan& Plan = Game::Coarse_Wall_Time_Plan;
  constexpr int64_t Step_Ns = 100'000;
  const auto Coarse = [](int64_t Time) {
    const int64_t Step = Time / Step_Ns;
    const auto Threshold = static_cast<int64_t>((static_cast<uint64_t>(Step) * 0x9E3779B97F4A7C15u) >> 40) % Step_Ns;
    return (Step + (Time % Step_Ns >= Threshold ? 1 : 0)) * Step_Ns;
  };
  std::vector<std::pair<int64_t, int64_t>> Calibration;
  for (int32_t Sample = 0; Sample < Plan.Calibration_Samples; ++Sample) {
    Now += Sample * 7'919 % Step_Ns;  // each started anywhere in a step
    const auto [Start, End] = Took(1, Plan.Probe_Speed);
    Calibration.emplace_back(Coarse(Start), Coarse(End));
  }
  Script({Took(1, Plan.Probe_Speed)}, Calibration, Plan);  // the warm-up read exactly, to keep its chain
  EXPECT_NEAR(Game::Measure_Delay(Scripted_Clock, Plan).Count_Chain, Default_Count_Chain, Default_Count_Chain / 100);
}

}  // namespace
