// A small program that runs one scenario through run_program, for the process
// tests, chosen by name as its first argument:
//
//   frame_run_driver SCENARIO [ARGUMENT ...]
//
// The arguments after the name are the program's own. Built twice, once per
// library: on the headless back end, and on the scripted library
// (RUN_DRIVER_SCRIPTED_LIBRARY), whose scenario needs the library's answers.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "frame/checked.h"
#include "frame/console.h"
#include "frame/program.h"

#ifdef RUN_DRIVER_SCRIPTED_LIBRARY
#include "tests/doubles/scripted_library.h"
#endif

namespace {

#ifndef RUN_DRIVER_SCRIPTED_LIBRARY
// A dialogue like the game's: a prompt and a number, the number plus one
// (checked, so 2147483647 overflows), a second prompt and number, and a
// last line left unfinished for the shut-down step to end.
void Dialogue() {
  Console::Put_Text("Number :");
  const int32_t Number = Console::Get_Integer();
  Console::Put_Text("Next: ");
  Console::Put_Integer(Checked::Add(Number, 1), 1, Console::Default_Base);
  Console::New_Line();
  Console::Put_Text("Last :");
  Console::Get_Integer();
  Console::Put_Text("Done");
}

// An unfinished line on standard error, whose device then fills up: the
// shut-down step fails to end that line.
void Standard_Error_Full() {
  Console::Current_Output = &Console::Standard_Error;
  Console::Put_Text("warning");
  Console::Current_Output = &Console::Standard_Output;
  const int Full = open("/dev/full", O_WRONLY);
  if (Full < 0 || dup2(Full, STDERR_FILENO) < 0) return;
  Console::Put_Text("Bye");
}

// Memory exhausted.
void Storage() {
  Console::Put_Text("Allocating");
  throw std::bad_alloc();
}

// An exception that is no named error.
void Foreign() {
  throw std::runtime_error("not a named error");
}

// An error raised with a message longer than a message may be.
void Long_Message() {
  raise_error_with_message(Program_Error, std::string(150, 'a') + std::string(100, 'b'));
}
#else
// The scripted library answers version 4 at start-up.
void Answer_Old_Version() {
  Scripted::Reset();
  Scripted::Set_Answer(Scripted::Entry::GetDLLVersion, 4);
}

// Never reached: the old library stops the run at start-up.
void Old_Library() {
  Console::Put_Text("the game started");
}
#endif

struct Scenario {
  std::string_view Name;
  void (*Main_Procedure)();
  void (*Set_Up)() = nullptr;  // before run_program
};

const Scenario Scenarios[] = {
#ifndef RUN_DRIVER_SCRIPTED_LIBRARY
    {"dialogue", Dialogue},
    {"stderr_full", Standard_Error_Full},
    {"storage", Storage},
    {"foreign", Foreign},
    {"long_message", Long_Message},
#else
    {"old_library", Old_Library, Answer_Old_Version},
#endif
};

}  // namespace

int main(int argc, char** argv, char** envp) {
  for (const Scenario& Each : Scenarios) {
    if (argc < 2 || Each.Name != argv[1]) continue;
    if (Each.Set_Up) Each.Set_Up();
    // The program sees its own name and the arguments after the scenario's.
    argv[1] = argv[0];
    run_program(argc - 1, argv + 1, envp, Each.Main_Procedure);
  }
  if (argc < 2) std::fprintf(stderr, "%s: no scenario given; the scenarios are:", argv[0]);
  else std::fprintf(stderr, "%s: unknown scenario '%s'; the scenarios are:", argv[0], argv[1]);
  for (const Scenario& Each : Scenarios) std::fprintf(stderr, " %.*s", static_cast<int>(Each.Name.size()), Each.Name.data());
  std::fputs("\n", stderr);
  return 2;
}
