// Whole runs as real processes: the driver programs of run_driver.cpp are
// started on pipes with scripted standard input, and their standard output,
// standard error and exit status are compared byte for byte.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

extern char** environ;

namespace {

enum class Output_Device { Pipe, Closed_Pipe, Full_Device };

struct Run_Result {
  std::string Output, Errors;
  bool Exited;      // false: ended by a signal
  int Exit_Status;  // or the signal's number
};

struct Run_Options {
  std::string Input;
  Output_Device Output = Output_Device::Pipe;
  std::vector<std::string> Arguments = {};    // after the program's name
  std::vector<std::string> Environment = {};  // added to this process's environment
};

// Reads both pipes to their end without letting either fill up.
void Drain(int Output_Pipe, int Error_Pipe, std::string& Output, std::string& Errors) {
  pollfd Pipes[2] = {{Output_Pipe, POLLIN, 0}, {Error_Pipe, POLLIN, 0}};
  std::string* Targets[2] = {&Output, &Errors};
  int Open = (Output_Pipe >= 0) + (Error_Pipe >= 0);
  while (Open > 0) {
    if (poll(Pipes, 2, -1) < 0) continue;
    for (int Index = 0; Index < 2; ++Index) {
      if (Pipes[Index].fd < 0 || Pipes[Index].revents == 0) continue;
      char Buffer[4096];
      const ssize_t Count = read(Pipes[Index].fd, Buffer, sizeof Buffer);
      if (Count > 0) {
        Targets[Index]->append(Buffer, static_cast<size_t>(Count));
      } else {
        close(Pipes[Index].fd);
        Pipes[Index].fd = -1;
        --Open;
      }
    }
  }
}

Run_Result Run_Program(const char* Program, const Run_Options& Options) {
  int Input[2], Output[2] = {-1, -1}, Errors[2];
  EXPECT_EQ(pipe2(Input, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(Errors, O_CLOEXEC), 0);

  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_adddup2(&Actions, Input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&Actions, Errors[1], STDERR_FILENO);
  if (Options.Output == Output_Device::Full_Device) {
    posix_spawn_file_actions_addopen(&Actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
  } else {
    EXPECT_EQ(pipe2(Output, O_CLOEXEC), 0);
    posix_spawn_file_actions_adddup2(&Actions, Output[1], STDOUT_FILENO);
    // A closed pipe: the reading end is gone before the child starts.
    if (Options.Output == Output_Device::Closed_Pipe) {
      close(Output[0]);
      Output[0] = -1;
    }
  }

  // The child starts with the default SIGPIPE action whatever this process
  // does, so a program that does not protect itself dies by the signal.
  posix_spawnattr_t Attributes;
  posix_spawnattr_init(&Attributes);
  sigset_t Default_Signals;
  sigemptyset(&Default_Signals);
  sigaddset(&Default_Signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&Attributes, &Default_Signals);
  posix_spawnattr_setflags(&Attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> Argument_Texts{Program};
  Argument_Texts.insert(Argument_Texts.end(), Options.Arguments.begin(), Options.Arguments.end());
  std::vector<char*> Argument_Vector;
  for (std::string& Text : Argument_Texts) Argument_Vector.push_back(Text.data());
  Argument_Vector.push_back(nullptr);
  std::vector<std::string> Environment_Texts(Options.Environment);
  std::vector<char*> Environment_Vector;
  for (char** Entry = environ; *Entry != nullptr; ++Entry) Environment_Vector.push_back(*Entry);
  for (std::string& Text : Environment_Texts) Environment_Vector.push_back(Text.data());
  Environment_Vector.push_back(nullptr);

  pid_t Child = -1;
  const int Spawned =
      posix_spawn(&Child, Program, &Actions, &Attributes, Argument_Vector.data(), Environment_Vector.data());
  posix_spawn_file_actions_destroy(&Actions);
  posix_spawnattr_destroy(&Attributes);
  EXPECT_EQ(Spawned, 0) << Program;
  close(Input[0]);
  close(Errors[1]);
  if (Output[1] >= 0) close(Output[1]);

  // The child may end before it reads everything: a failed write here is its business.
  const sighandler_t Previous = std::signal(SIGPIPE, SIG_IGN);
  if (!Options.Input.empty()) {
    [[maybe_unused]] const ssize_t Written = write(Input[1], Options.Input.data(), Options.Input.size());
  }
  close(Input[1]);
  std::signal(SIGPIPE, Previous);

  Run_Result Result{"", "", false, -1};
  Drain(Output[0], Errors[0], Result.Output, Result.Errors);
  int Status = 0;
  if (Spawned == 0) waitpid(Child, &Status, 0);
  Result.Exited = WIFEXITED(Status);
  Result.Exit_Status = Result.Exited ? WEXITSTATUS(Status) : WTERMSIG(Status);
  return Result;
}

// A prompt's line is ended by the shut-down step before the report's own
// line feed, so a failed reply reads "Number :\n\nraised ...".
TEST(Dialogue_Run, EndsNormallyOrWithTheReportOfTheFailure) {
  struct Transcript {
    const char* Input;
    const char* Output;
    int Exit_Status;
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
    const Run_Result Result = Run_Program(DIALOGUE_DRIVER, {Expected.Input});
    EXPECT_EQ(Result.Output, Expected.Output) << Expected.Input;
    EXPECT_EQ(Result.Errors, "") << Expected.Input;
    EXPECT_TRUE(Result.Exited) << Expected.Input;
    EXPECT_EQ(Result.Exit_Status, Expected.Exit_Status) << Expected.Input;
  }
}

TEST(Dialogue_Run, IgnoresArgumentsAndEnvironment) {
  const Run_Result Plain = Run_Program(DIALOGUE_DRIVER, {"3 4\n"});
  const Run_Result Given = Run_Program(DIALOGUE_DRIVER, {"3 4\n", Output_Device::Pipe, {"--level", "9", "-"},
                                                 {"DROVANEL_SPEED=1", "LANG=C", "COLUMNS=5"}});
  EXPECT_EQ(Plain.Output, "Number :Next: 4\nLast :Done\n");
  EXPECT_EQ(Given.Output, Plain.Output);
  EXPECT_EQ(Given.Errors, "");
  EXPECT_EQ(Given.Exit_Status, 0);
}

// A failed write of the prompt is DEVICE_ERROR; the report cannot be seen on
// that device, but the process still ends by exit with status 1.
TEST(Dialogue_Run, EndsWithStatusOneWhenStandardOutputFails) {
  for (const Output_Device Device : {Output_Device::Full_Device, Output_Device::Closed_Pipe}) {
    const Run_Result Result = Run_Program(DIALOGUE_DRIVER, {"1\n2\n", Device});
    EXPECT_TRUE(Result.Exited) << "ended by signal " << Result.Exit_Status;
    EXPECT_EQ(Result.Exit_Status, 1);
    EXPECT_EQ(Result.Errors, "");
  }
}

TEST(Report, NamesTheErrorAndItsMessage) {
  struct Case {
    const char* Program;
    std::string Output;
    std::string Errors;
  };
  const Case Cases[] = {
      // The line on standard error cannot be ended at shut-down: the
      // conversion's PROGRAM_ERROR is reported with its message, and standard
      // output, after the failing file, stays unfinished.
      {STDERR_FULL_DRIVER,
       "Bye\nraised PROGRAM_ERROR : exception CONSOLE.DEVICE_ERROR raised during finalization\n", "warning"},
      {STORAGE_DRIVER, "Allocating\n\nraised STORAGE_ERROR\n", ""},
      {FOREIGN_DRIVER, "\nraised unhandled exception\n", ""},
      {LONG_MESSAGE_DRIVER, "\nraised PROGRAM_ERROR : " + std::string(150, 'a') + std::string(50, 'b') + "\n", ""},
  };
  for (const Case& Expected : Cases) {
    const Run_Result Result = Run_Program(Expected.Program, {});
    EXPECT_EQ(Result.Output, Expected.Output) << Expected.Program;
    EXPECT_EQ(Result.Errors, Expected.Errors) << Expected.Program;
    EXPECT_TRUE(Result.Exited) << Expected.Program;
    EXPECT_EQ(Result.Exit_Status, 1) << Expected.Program;
  }
}

#ifdef OLD_LIBRARY_DRIVER
TEST(Report, AnOldLibraryStopsTheRunBeforeTheGame) {
  const Run_Result Result = Run_Program(OLD_LIBRARY_DRIVER, {"1\n"});
  EXPECT_EQ(Result.Output, "\nraised TARNWICK.DLL_VERSION_ERROR\n");
  EXPECT_EQ(Result.Errors, "");
  EXPECT_EQ(Result.Exit_Status, 1);
}
#endif

}  // namespace
