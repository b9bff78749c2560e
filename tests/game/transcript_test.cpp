// Whole games of the test twin drovanel_headless, run as processes, one test
// for each case of transcript_cases.h.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/game/transcript_cases.h"
#include "tests/harness/child_process.h"

namespace {

class Transcript : public ::testing::TestWithParam<Transcript_Case> {};

TEST_P(Transcript, Plays) {
  const Transcript_Case& Case = GetParam();
  const std::string State_Path = "/tmp/drovanel-window-" + std::to_string(getpid());
  unlink(State_Path.c_str());
  std::vector<std::string> Arguments = Twin_Arguments(Case, State_Path);
  Arguments.insert(Arguments.begin(), DROVANEL_HEADLESS_PATH);
  const Child_Result Result = Run_Child({.Arguments = Arguments, .Errors = Device::Pipe}, Case.Input);
  std::string Window;
  std::getline(std::ifstream(State_Path), Window);
  unlink(State_Path.c_str());

  EXPECT_EQ(Result.Output, Case.Output);
  EXPECT_EQ(Result.Errors, "");
  EXPECT_EQ(Result.Status, Case.Status);
  EXPECT_EQ(Window, Case.Window);
}

INSTANTIATE_TEST_SUITE_P(Games, Transcript, ::testing::ValuesIn(Transcript_Cases()),
                         [](const auto& Info) { return Info.param.Name; });

}  // namespace
