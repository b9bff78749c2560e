// The shut-down step and the report of an error that no handler took.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "frame/console.h"
#include "frame/platform.h"
#include "frame/program.h"

bool final_called = false;

Raised_Error error_of_current_exception() {
  try {
    throw;
  } catch (const Raised_Error& Error) {
    return Error;
  } catch (const std::bad_alloc&) {
    return Raised_Error{&Storage_Error, 0, {}};
  } catch (...) {
    return Raised_Error{nullptr, 0, {}};
  }
}

namespace {

const char* Full_Name_Of(const Raised_Error& E) {
  if (E.Id == nullptr || E.Id->Full_Name == nullptr) return "unhandled exception";
  return E.Id->Full_Name;
}

}  // namespace

void program_final() {
  try {
    Console::Finalize();
  } catch (...) {
    const Raised_Error Error = error_of_current_exception();
    if (Error.Message_Length > 0) raise_error_with_message(Program_Error, Error.Message_Text());
    char Message[Raised_Error::Max_Message_Length + 1];
    std::snprintf(Message, sizeof Message, "exception %s raised during finalization", Full_Name_Of(Error));
    raise_error_with_message(Program_Error, Message);
  }
}

void report_unhandled_error(const Raised_Error& E) {
  // A copy first: the error and its message as they were when the report began.
  const Raised_Error Error = E;
  // Then the console, for good: on the window's thread, the report must not
  // meet the program's thread at its console, nor another report.
  Console::Take_For_Good();
  if (!final_called) {
    final_called = true;
    try {
      program_final();
    } catch (...) {
      // The conversion's PROGRAM_ERROR replaces the first error.
      report_unhandled_error(error_of_current_exception());
    }
  }
  // The report's own writes are not checked: the exit status is 1 regardless.
  std::fputs("\nraised ", stdout);
  std::fputs(Full_Name_Of(Error), stdout);
  if (Error.Message_Length > 0) {
    // A hand-built record could claim more than the message buffer holds.
    const int32_t Length = std::min(Error.Message_Length, int32_t{Raised_Error::Max_Message_Length});
    std::fputs(" : ", stdout);
    std::fwrite(Error.Message, 1, static_cast<size_t>(Length), stdout);
  }
  std::fputs("\n", stdout);
  // It may run on the window's thread while the main thread waits in a read.
  Platform::End_Process(1);
}
