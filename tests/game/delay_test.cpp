// The delay's calibration on a scripted clock: the chain it chooses for one
// count from what the samples read, with interference and clocks that say nothing.
#include "game/delay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using Game::Calibration_Probe_Links;
using Game::Calibration_Samples;
using Game::Default_Count_Chain;

// The clock's readings, two per sample (start, end), and the next one to give.
std::vector<int64_t> Readings;
size_t Next_Reading;

int64_t Scripted_Clock() { return Readings.at(Next_Reading++); }

// Readings for samples whose links cost these nanoseconds each, the last value
// repeated for the remaining samples.
void Script_Link_Costs(const std::vector<double>& Link_Ns) {
  Readings.clear();
  Next_Reading = 0;
  int64_t Now = 1'000'000;
  for (int32_t Sample = 0; Sample < Calibration_Samples; ++Sample) {
    const double Cost = Link_Ns[std::min<size_t>(Sample, Link_Ns.size() - 1)];
    Readings.push_back(Now);
    Now += static_cast<int64_t>(Cost * static_cast<double>(Calibration_Probe_Links));
    Readings.push_back(Now);
    Now += 500;
  }
}

// A count should cost 11.36 ns: the chains below are that over the link's cost, in 64ths of a link.
TEST(Delay_Calibration, TheChainFollowsTheFastestSample) {
  struct Case {
    std::string Name;
    std::vector<double> Link_Ns;
    int32_t Chain;
    double Measured_Link_Ns;
  };
  const Case Cases[] = {
      {"1 ns a link", {1.0}, 727, 1.0},  // 11.36 links
      {"0.5 ns a link", {0.5}, 1455, 0.5},
      {"4 ns a link", {4.0}, 182, 4.0},  // 2.84 links
      {"a slow first sample", {9.0, 1.0}, 727, 1.0},
      {"interference in one sample", {1.0, 1.0, 3.0, 1.0}, 727, 1.0},
      {"each sample faster", {1.3, 1.2, 1.1, 1.0}, 727, 1.0},
      {"each sample slower", {1.0, 1.1, 1.2, 1.3}, 727, 1.0},
      {"a link dearer than a count", {40.0}, Game::Link_Fraction, 40.0},
      {"a link cheaper than any core", {0.001}, Game::Max_Count_Chain, 0.001},
  };
  for (const Case& C : Cases) {
    Script_Link_Costs(C.Link_Ns);
    const Game::Delay_Calibration Result = Game::Measure_Delay(Scripted_Clock);
    EXPECT_EQ(Result.Count_Chain, C.Chain) << C.Name;
    EXPECT_NEAR(Result.Link_Ns, C.Measured_Link_Ns, 1e-6) << C.Name;
    EXPECT_EQ(Next_Reading, Readings.size()) << C.Name << ": two readings a sample";
  }
}

TEST(Delay_Calibration, SamplesThatReadNoTimeAreIgnored) {
  constexpr int64_t Min = std::numeric_limits<int64_t>::min(), Max = std::numeric_limits<int64_t>::max();
  struct Case {
    std::string Name;
    std::vector<int64_t> Sample_Readings;  // start and end of the first samples; the last pair repeats
    int32_t Chain;
  };
  const Case Cases[] = {
      {"a clock that stands still", {5, 5}, Default_Count_Chain},
      {"a clock that goes back", {900, 100}, Default_Count_Chain},
      {"a difference beyond 64 bits", {Min, Max, Max, Min}, Default_Count_Chain},
      {"one usable sample among them", {0, Calibration_Probe_Links * 2, 7, 7, 9, 3}, 364},  // 2 ns a link
  };
  for (const Case& C : Cases) {
    Readings.clear();
    Next_Reading = 0;
    for (size_t Reading = 0; Reading < 2 * size_t{Calibration_Samples}; ++Reading) {
      const size_t Given = C.Sample_Readings.size(), Index = Reading < Given ? Reading : Given - 2 + Reading % 2;
      Readings.push_back(C.Sample_Readings[Index]);
    }
    const Game::Delay_Calibration Result = Game::Measure_Delay(Scripted_Clock);
    EXPECT_EQ(Result.Count_Chain, C.Chain) << C.Name;
  }
}

}  // namespace
