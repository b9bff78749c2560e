// The platform seam on POSIX systems (frame/platform.h).
#include "frame/platform.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>

namespace Platform {

namespace {

// Static initialisation runs on the thread that then calls main.
const pthread_t Main_Thread = pthread_self();

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

void Prepare_Console() {
  Hold_Missing_Standard_Streams();
  // A write to a closed pipe must fail as DEVICE_ERROR and be reported, not
  // kill the process by signal before any report can be written.
  std::signal(SIGPIPE, SIG_IGN);
}

bool Is_Regular_File(std::FILE* Stream) {
  struct stat Status;
  return fstat(fileno(Stream), &Status) == 0 && S_ISREG(Status.st_mode);
}

int Read_Character(std::FILE* Stream) { return std::getc(Stream); }

void Push_Back(int Character, std::FILE* Stream) { std::ungetc(Character, Stream); }

const Clock_Kind Fine_Clock_Kind = Clock_Kind::Running_Time;

int64_t Fine_Clock_Ns() {
  timespec Now{};
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now) != 0) return 0;
  return static_cast<int64_t>(Now.tv_sec) * 1'000'000'000 + Now.tv_nsec;
}

void Run_Apart(void (*Procedure)(const void*), const void* Argument) { Procedure(Argument); }

uint32_t Process_Id() { return static_cast<uint32_t>(getpid()); }

// glibc's exit runs the atexit hooks and static destructors, then flushes
// every stream; from glibc 2.41 (Debian 13) on, it takes each stream's lock to
// do so, standard input's too, and the main thread holds that lock for as long
// as it waits in a console read. On the main thread exit is safe, and it runs
// the hooks. On another thread the process ends without them, as on Windows:
// they would run beside a main thread that still uses the state they tear
// down, and nothing they do is needed.
void End_Process(int Status) {
  if (pthread_equal(pthread_self(), Main_Thread)) std::exit(Status);
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(Status);
}

}  // namespace Platform
