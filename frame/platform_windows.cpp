// The platform seam on Windows (frame/platform.h), for the C runtime that
// mingw-w64 links (msvcrt).
#include "frame/platform.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>

namespace Platform {

namespace {

// Static initialisation runs on the thread that then calls main.
const DWORD Main_Thread_Id = GetCurrentThreadId();

// Windows' own answer to these is ExitProcess, whose DLL shut-down code may
// wait for a lock that the main thread, killed in a console read, still held
// (standard input's); ending the process at once is what the signals do on POSIX.
BOOL WINAPI End_On_Console_Event(DWORD Event) {
  if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT && Event != CTRL_CLOSE_EVENT) return FALSE;
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

// The console's bytes are the same as on POSIX: output in binary mode writes
// LF alone, where text mode would make every LF a CR LF. Input stays in text
// mode, so that a reply typed at a console or saved by a Windows editor,
// which ends in CR LF, reads as LF: the integer reader takes CR for no blank.
// Text mode also ends the input at Ctrl+Z, as Windows programs do. A stream
// the process was started without needs no holding here: the C runtime keeps
// descriptors 0 to 2 for the standard streams whether or not they are open.
// Nor is there a SIGPIPE: a write to a closed pipe fails.
void Prepare_Console() {
  _setmode(_fileno(stdin), _O_TEXT);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleCtrlHandler(End_On_Console_Event, TRUE);
}

bool Is_Regular_File(std::FILE* Stream) {
  const HANDLE File = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(Stream)));
  return File != INVALID_HANDLE_VALUE && GetFileType(File) == FILE_TYPE_DISK;
}

int Read_Character(std::FILE* Stream) { return std::getc(Stream); }

void Push_Back(int Character, std::FILE* Stream) { std::ungetc(Character, Stream); }

const Clock_Kind Fine_Clock_Kind = Clock_Kind::Wall_Time;

int64_t Fine_Clock_Ns() {
  LARGE_INTEGER Frequency, Count;
  if (!QueryPerformanceFrequency(&Frequency) || !QueryPerformanceCounter(&Count) || Frequency.QuadPart <= 0)
    return 0;
  // Whole seconds and the rest apart, so that the product cannot overflow.
  const int64_t Seconds = Count.QuadPart / Frequency.QuadPart, Rest = Count.QuadPart % Frequency.QuadPart;
  return Seconds * 1'000'000'000 + Rest * 1'000'000'000 / Frequency.QuadPart;
}

void Run_Apart(void (*Procedure)(const void*), const void* Argument) { Procedure(Argument); }

uint32_t Process_Id() { return static_cast<uint32_t>(GetCurrentProcessId()); }

// The C runtime's exit runs the atexit hooks and static destructors, then
// flushes every stream, taking each one's lock, standard input's too; the main
// thread holds that lock for as long as it waits in a console read. On the main
// thread exit is safe, and it runs the hooks. On another thread the process
// ends without them: they would run beside a main thread that still uses the
// state they tear down, and nothing they do is needed, since the program keeps
// no file open for writing and its window and threads end with the process.
void End_Process(int Status) {
  if (GetCurrentThreadId() == Main_Thread_Id) std::exit(Status);
  std::fflush(stdout);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(Status));
  std::_Exit(Status);  // not reached: TerminateProcess of the process itself does not return
}

}  // namespace Platform
