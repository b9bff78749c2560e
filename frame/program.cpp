// Start-up and shut-down of one run: fixed initialisation order, the single
// call of the main procedure, and the exit status.
#include "frame/program.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "frame/console.h"
#include "graphics/tarnwick.h"

namespace {

// Saved at entry and never read: the program takes nothing from its command line or environment.
int saved_argc;
char** saved_argv;
char** saved_envp;

// Nothing changes it: a normal end always exits with 0.
int32_t Exit_Status = 0;

// A standard stream the program was started without (drovanel <&-) would lend
// its number to the first file opened later, a display connection say, whose
// bytes the console would then read, or which it would write prompts into.
// Each missing one is held by /dev/null opened the other way round, so that
// reading a missing standard input or writing a missing standard output still
// fails as it did.
void Hold_Missing_Standard_Streams() {
  for (int Stream = STDIN_FILENO; Stream <= STDERR_FILENO; ++Stream) {
    if (fcntl(Stream, F_GETFD) != -1 || errno != EBADF) continue;
    // The lower numbers are open, so the new descriptor takes this stream's.
    static_cast<void>(open("/dev/null", Stream == STDIN_FILENO ? O_WRONLY : O_RDONLY));
  }
}

}  // namespace

void program_init() {
  Hold_Missing_Standard_Streams();
  // A write to a closed pipe must fail as DEVICE_ERROR and be reported, not
  // kill the process by signal before any report can be written.
  std::signal(SIGPIPE, SIG_IGN);
  Console::Init_Standard_Files();
  Tarnwick::Start_Up();
}

void run_program(int argc, char** argv, char** envp, void (*Main_Procedure)()) {
  saved_argc = argc;
  saved_argv = argv;
  saved_envp = envp;
  try {
    program_init();
    Main_Procedure();
    program_final();
  } catch (...) {
    report_unhandled_error(error_of_current_exception());
  }
  std::exit(Exit_Status);
}
