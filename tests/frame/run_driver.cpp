// Small programs that run a scenario through run_program, for the process
// tests. Each executable is this file built with one DRIVER_SCENARIO.
#include <fcntl.h>
#include <unistd.h>

#include <new>
#include <stdexcept>
#include <string>

#include "frame/checked.h"
#include "frame/console.h"
#include "frame/program.h"

#if DRIVER_SCENARIO == 5
#include "tests/doubles/scripted_library.h"
#endif

namespace {

#if DRIVER_SCENARIO == 0
// A dialogue like the game's: a prompt and a number, the number plus one
// (checked, so 2147483647 overflows), a second prompt and number, and a
// last line left unfinished for the shut-down step to end.
void Scenario() {
  Console::Put_Text("Number :");
  const int32_t Number = Console::Get_Integer();
  Console::Put_Text("Next: ");
  Console::Put_Integer(Checked::Add(Number, 1), 1, Console::Default_Base);
  Console::New_Line();
  Console::Put_Text("Last :");
  Console::Get_Integer();
  Console::Put_Text("Done");
}
#elif DRIVER_SCENARIO == 1
// An unfinished line on standard error, whose device then fills up: the
// shut-down step fails to end that line.
void Scenario() {
  Console::Current_Output = &Console::Standard_Error;
  Console::Put_Text("warning");
  Console::Current_Output = &Console::Standard_Output;
  const int Full = open("/dev/full", O_WRONLY);
  if (Full < 0 || dup2(Full, STDERR_FILENO) < 0) return;
  Console::Put_Text("Bye");
}
#elif DRIVER_SCENARIO == 2
// Memory exhausted.
void Scenario() {
  Console::Put_Text("Allocating");
  throw std::bad_alloc();
}
#elif DRIVER_SCENARIO == 3
// An exception that is no named error.
void Scenario() {
  throw std::runtime_error("not a named error");
}
#elif DRIVER_SCENARIO == 4
// An error raised with a message longer than a message may be.
void Scenario() {
  raise_error_with_message(Program_Error, std::string(150, 'a') + std::string(100, 'b'));
}
#elif DRIVER_SCENARIO == 5
// Never reached: the scripted library answers version 4 at start-up.
void Scenario() {
  Console::Put_Text("the game started");
}
#endif

}  // namespace

int main(int argc, char** argv, char** envp) {
#if DRIVER_SCENARIO == 5
  Scripted::Reset();
  Scripted::Set_Answer(Scripted::Entry::GetDLLVersion, 4);
#endif
  run_program(argc, argv, envp, Scenario);
}
