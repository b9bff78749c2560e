// The little the frame and the game take from the operating system beyond the
// C and C++ libraries, behind one header with one file per platform:
// platform_posix.cpp, platform_windows.cpp (the only frame file that sees the
// Win32 API) and platform_web.cpp (the browser's). The build compiles the one
// for its target.
#pragma once

#include <cstdint>
#include <cstdio>

namespace Platform {

// Readies the three standard streams before the console layer binds them, so
// that on every platform output is LF alone and a failed read or write is an
// error the program reports. POSIX: a stream the process was started without
// is held by /dev/null, and a write to a closed pipe fails instead of raising
// SIGPIPE. Windows: output in binary mode, input in text mode (CR LF reads as
// LF); and Ctrl+C, Ctrl+Break or closing the console window end the process
// at once, with no report, as SIGINT and SIGHUP do on POSIX.
void Prepare_Console();

// Whether Stream is a regular file on disk, not a terminal, pipe or device.
bool Is_Regular_File(std::FILE* Stream);

// The next character of Stream, or EOF; and Character pushed back onto it,
// to be read next. POSIX and Windows: getc and ungetc, the read blocking the
// thread. The browser: standard input is what the player typed in the page's
// console, and a read with nothing typed hands control to the page until a
// line comes.
int Read_Character(std::FILE* Stream);
void Push_Back(int Character, std::FILE* Stream);

// A clock fine enough to time a loop of a fraction of a millisecond, in
// nanoseconds; 0 if it cannot be read. POSIX: the calling thread's CPU time,
// which stands still while another thread has the core. Windows: the
// performance counter, wall time to 100 ns: the thread times there advance
// only at the scheduler's tick (15.6 ms; 10 ms under Wine), and the thread's
// cycle count (QueryThreadCycleTime) is not implemented under Wine. The
// browser: performance.now, wall time, which a page that is not
// cross-origin isolated reads only in steps of 100 us.
int64_t Fine_Clock_Ns();

// What Fine_Clock_Ns reads.
enum class Clock_Kind {
  Running_Time,      // the calling thread's running time (POSIX)
  Wall_Time,         // wall time, finely (Windows)
  Coarse_Wall_Time   // wall time in steps of up to 100 us (the browser)
};
extern const Clock_Kind Fine_Clock_Kind;

// Runs Procedure(Argument) as a call of its own, never merged into a caller,
// so that every caller runs the very same code: the delay loop is timed once
// and must cost what it was timed at. POSIX and Windows: a call through the
// pointer, to a function of another file. The browser: through JavaScript,
// since the engine's optimising compiler copies small WebAssembly functions
// into their callers whatever the program asks, and each copy, compiled
// apart, runs at a speed of its own.
void Run_Apart(void (*Procedure)(const void*), const void* Argument);

// The id of this process.
uint32_t Process_Id();

// Ends the process with Status once the error report is written, from any
// thread. Never returns. exit on the main thread; on another thread (the
// window's, while the main thread may wait in a console read holding standard
// input's lock, which the C runtime's exit would wait for: Windows' always,
// glibc's from 2.41) standard output and error are flushed and the process
// ends at once.
[[noreturn]] void End_Process(int Status);

}  // namespace Platform
