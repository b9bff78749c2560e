// The program frame: start-up, shut-down and the report of an error that no
// handler took. A program's main passes its main procedure to run_program.
#pragma once

#include "frame/errors.h"

// Runs one program: saves the arguments (never read), program_init, the main
// procedure, program_final, exit status 0. An error that escapes any of these
// ends the process through report_unhandled_error with status 1. Never returns.
[[noreturn]] void run_program(int argc, char** argv, char** envp, void (*Main_Procedure)());

// Initialisation in its fixed order: standard files, then the graphics interface's start-up.
void program_init();
// The shut-down step: finishes the standard files; an error raised meanwhile becomes
// PROGRAM_ERROR ("exception NAME raised during finalization" unless it had a message).
void program_final();
// Writes "\nraised NAME[ : message]\n" on standard output and exits with status 1.
[[noreturn]] void report_unhandled_error(const Raised_Error& E);

// True once the report path has run the shut-down step.
extern bool final_called;

// The named error for the exception being handled (call only inside a catch):
// a Raised_Error as it is, memory exhaustion as STORAGE_ERROR, any other
// exception as an error without identity ("unhandled exception" in the report).
Raised_Error error_of_current_exception();
