// The platform seam in the browser (frame/platform.h), where the program runs
// in a Web Worker and its console is the page's: standard input comes from
// the page link, standard output and error go to it (graphics/backend/web/).
#include "frame/platform.h"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>

#include "graphics/backend/web/page_link.h"

namespace Platform {

namespace {

// The character pushed back onto standard input, or EOF for none.
int Pushed_Back = EOF;

}  // namespace

// The streams are the page's: nothing to ready.
void Prepare_Console() {}

bool Is_Regular_File(std::FILE*) { return false; }

int Read_Character(std::FILE* Stream) {
  if (Stream != stdin) return std::getc(Stream);
  if (Pushed_Back != EOF) {
    const int Character = Pushed_Back;
    Pushed_Back = EOF;
    return Character;
  }
  const int Character = Page_Read_Character();
  return Character < 0 ? EOF : Character;
}

void Push_Back(int Character, std::FILE* Stream) {
  if (Stream == stdin) {
    Pushed_Back = Character;
  } else {
    std::ungetc(Character, Stream);
  }
}

const Clock_Kind Fine_Clock_Kind = Clock_Kind::Coarse_Wall_Time;

int64_t Fine_Clock_Ns() { return static_cast<int64_t>(emscripten_get_now() * 1e6); }

extern "C" void drovanel_run_apart(void (*Procedure)(const void*), const void* Argument);

void Run_Apart(void (*Procedure)(const void*), const void* Argument) { drovanel_run_apart(Procedure, Argument); }

uint32_t Process_Id() { return 1; }

// There is one thread; the page hears the status before the runtime ends.
void End_Process(int Status) {
  std::fflush(stdout);
  std::fflush(stderr);
  Page_Tell_Exit(Status);
  std::exit(Status);
}

}  // namespace Platform
