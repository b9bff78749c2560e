// Start-up and shut-down of one run: fixed initialisation order, the single
// call of the main procedure, and the exit status.
#include "frame/program.h"

#include <cstdlib>

#include "frame/console.h"
#include "frame/platform.h"
#include "graphics/tarnwick.h"

namespace {

// Saved at entry and never read: the program takes nothing from its command line or environment.
int saved_argc;
char** saved_argv;
char** saved_envp;

// Nothing changes it: a normal end always exits with 0.
int32_t Exit_Status = 0;

}  // namespace

void program_init() {
  Platform::Prepare_Console();
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
