// Whole runs as real processes: the scenarios of run_driver.cpp are started
// on pipes with scripted standard input, and their standard output, standard
// error and exit status are compared byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/harness/child_process.h"

namespace {

// Runs the driver's Scenario with Input on standard input and standard error on a pipe.
Child_Result Run_Scenario(const char* Scenario, const std::string& Input, Device Output = Device::Pipe,
                          std::vector<std::string> Arguments = {}, std::vector<std::string> Environment = {},
                          const char* Driver = RUN_DRIVER) {
  Arguments.insert(Arguments.begin(), {Driver, Scenario});
  return Run_Child({std::move(Arguments), std::move(Environment), Output, Device::Pipe}, Input);
}

// A prompt's line is ended by the shut-down step before the report's own
// line feed, so a failed reply reads "Number :\n\nraised ...".
TEST(Dialogue_Run, EndsNormallyOrWithTheReportOfTheFailure) {
  struct Transcript {
    const char* Input;
    const char* Output;
    int Status;
  };
  const Transcript Transcripts[] = {
      // The unfinished last line gets exactly one LF at the normal end.
      {"41\n7\n", "Number :Next: 42\nLast :Done\n", 0},
      {"abc\n", "Number :\n\nraised CONSOLE.DATA_ERROR\n", 1},
      {"", "Number :\n\nraised CONSOLE.END_ERROR\n", 1},
      {" \n\t\n", "Number :\n\nraised CONSOLE.END_ERROR\n", 1},
      {"2147483647\n", "Number :Next: \n\nraised CONSTRAINT_ERROR\n", 1},
      {"5\n16#FF\n", "Number :Next: 6\nLast :\n\nraised CONSOLE.DATA_ERROR\n", 1},
      {"5\n", "Number :Next: 6\nLast :\n\nraised CONSOLE.END_ERROR\n", 1},
  };
  for (const Transcript& Expected : Transcripts) {
    const Child_Result Result = Run_Scenario("dialogue", Expected.Input);
    EXPECT_EQ(Result.Output, Expected.Output) << Expected.Input;
    EXPECT_EQ(Result.Errors, "") << Expected.Input;
    EXPECT_TRUE(Result.Exited) << Expected.Input;
    EXPECT_EQ(Result.Status, Expected.Status) << Expected.Input;
  }
}

TEST(Dialogue_Run, IgnoresArgumentsAndEnvironment) {
  const Child_Result Plain = Run_Scenario("dialogue", "3 4\n");
  const Child_Result Given = Run_Scenario("dialogue", "3 4\n", Device::Pipe, {"--level", "9", "-"},
                                          {"DROVANEL_SPEED=1", "LANG=C", "COLUMNS=5"});
  EXPECT_EQ(Plain.Output, "Number :Next: 4\nLast :Done\n");
  EXPECT_EQ(Given.Output, Plain.Output);
  EXPECT_EQ(Given.Errors, "");
  EXPECT_EQ(Given.Status, 0);
}

// A failed write of the prompt is DEVICE_ERROR; the report cannot be seen on
// that device, but the process still ends by exit with status 1.
TEST(Dialogue_Run, EndsWithStatusOneWhenStandardOutputFails) {
  for (const Device Output : {Device::Full, Device::Closed_Pipe}) {
    const Child_Result Result = Run_Scenario("dialogue", "1\n2\n", Output);
    EXPECT_TRUE(Result.Exited) << "ended by signal " << Result.Status;
    EXPECT_EQ(Result.Status, 1);
    EXPECT_EQ(Result.Errors, "");
  }
}

TEST(Report, NamesTheErrorAndItsMessage) {
  struct Case {
    const char* Scenario;
    std::string Output;
    std::string Errors;
  };
  const Case Cases[] = {
      // The line on standard error cannot be ended at shut-down: the
      // conversion's PROGRAM_ERROR is reported with its message, and standard
      // output, after the failing file, stays unfinished.
      {"stderr_full",
       "Bye\nraised PROGRAM_ERROR : exception CONSOLE.DEVICE_ERROR raised during finalization\n", "warning"},
      {"storage", "Allocating\n\nraised STORAGE_ERROR\n", ""},
      {"foreign", "\nraised unhandled exception\n", ""},
      {"long_message", "\nraised PROGRAM_ERROR : " + std::string(150, 'a') + std::string(50, 'b') + "\n", ""},
  };
  for (const Case& Expected : Cases) {
    const Child_Result Result = Run_Scenario(Expected.Scenario, "");
    EXPECT_EQ(Result.Output, Expected.Output) << Expected.Scenario;
    EXPECT_EQ(Result.Errors, Expected.Errors) << Expected.Scenario;
    EXPECT_TRUE(Result.Exited) << Expected.Scenario;
    EXPECT_EQ(Result.Status, 1) << Expected.Scenario;
  }
}

// A name the driver does not know, or none, ends it before any run, so that a
// misspelt scenario cannot pass for one.
TEST(Run_Driver, UnknownScenarioEndsTheDriverWithTheKnownNames) {
  for (const char* Name : {"dialog", ""}) {
    const Child_Result Result = Run_Scenario(Name, "1\n");
    EXPECT_EQ(Result.Output, "") << Name;
    EXPECT_NE(Result.Errors.find(std::string("unknown scenario '") + Name + "'; the scenarios are: dialogue "),
              std::string::npos) << Result.Errors;
    EXPECT_TRUE(Result.Exited) << Name;
    EXPECT_EQ(Result.Status, 2) << Name;
  }
  const Child_Result Bare = Run_Child({.Arguments = {RUN_DRIVER}, .Errors = Device::Pipe}, "");
  EXPECT_NE(Bare.Errors.find("no scenario given; the scenarios are: dialogue "), std::string::npos) << Bare.Errors;
  EXPECT_EQ(Bare.Status, 2);
}

TEST(Report, AnOldLibraryStopsTheRunBeforeTheGame) {
  const Child_Result Result = Run_Scenario("old_library", "1\n", Device::Pipe, {}, {}, SCRIPTED_RUN_DRIVER);
  EXPECT_EQ(Result.Output, "\nraised TARNWICK.DLL_VERSION_ERROR\n");
  EXPECT_EQ(Result.Errors, "");
  EXPECT_EQ(Result.Status, 1);
}

}  // namespace
