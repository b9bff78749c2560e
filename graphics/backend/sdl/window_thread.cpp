// The SDL2 back end: the graphics library on a real window.
//
// Implements: the threaded back end's hooks (window_session.h: the session's
// preparation, its thread's work, the wake), Backend_Open_Window and
// GetMaxSize. The other window entry points are those of every threaded back
// end (threaded/window_entries.cpp); drawing, pixels, sizes, the version and
// the non-waiting key and mouse queries are the shared entry points, on the
// shared canvas, which is the truth GetColorPixel answers from.
// Leaves out: more than one window, hardware rendering, resizing the drawing
// surface after the window opened (the picture is scaled to the window instead).
// Depends on: SDL2 (its wayland or x11 video driver), libX11 (linked directly,
// for its error handlers: a lost display must not end the process), the shared
// canvas, the event queues, the threaded tier (the session, the window's
// presence, the picture layout, the keyboard hint).
//
// One thread of the back end's own does everything SDL, from SDL_Init to
// SDL_Quit: it opens the window, turns events into the key and mouse queues
// (it is their only producer) and presents the canvas about 60 times a second,
// uploading only the rows marked dirty and only when something changed or the
// window was exposed. Between frames it sleeps in SDL_WaitEventTimeout, so a
// key press is queued as soon as it arrives. The program's calls never call
// SDL and never wait for the display: they read atomics and the queues. Only
// the openings and the closing wait for the thread, each for a bounded time: a
// thread that is stuck on a display that stopped answering is given up, and
// the display taken as lost.
#include <errno.h>

#include "graphics/backend/sdl/sdl_backend.h"
#include "graphics/backend/sdl/xkb_guard.h"
#include "graphics/backend/threaded/window_presence.h"
#include "graphics/backend/threaded/window_session.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

Sdl_Backend_State& The_State = *new Sdl_Backend_State;

namespace {

constexpr auto Frame_Period = std::chrono::microseconds(16667);

void Apply_Pending_Title() {
  std::string* Title = The_Session.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  if (!Title) return;
  SDL_SetWindowTitle(The_State.Thread_Side.Handle, Title->c_str());
  delete Title;
}

// Presents and pumps events until the program ends the session or the window goes.
void Run_Window() {
  Clock::time_point Next_Frame = Clock::now();
  for (;;) {
    if (The_Session.Stop_Requested.load(std::memory_order_acquire)) return;
    if (The_State.Thread_Side.Closed) return;
    const Clock::time_point Now = Clock::now();
    if (Now >= Next_Frame) {
      Apply_Pending_Title();
      Follow_Keyboard_Wait();
      Present();
      Next_Frame += Frame_Period;
      if (Next_Frame <= Now) Next_Frame = Now + Frame_Period;
    }
    Pump_Events(std::chrono::ceil<std::chrono::milliseconds>(Next_Frame - Clock::now()));
  }
}

// The session on the driver SDL started with: the opening and, when it
// succeeds, the window's whole life. The opening's code.
int32_t Run_Session_On_Driver() {
  const char* Driver = SDL_GetCurrentVideoDriver();
  // The offscreen and dummy drivers would give a window nobody sees.
  if (!Is_Real_Display_Driver(Driver) || !Measure_Screen()) return Create_Window_Failed_Code;
  if (The_Session.Purpose == Session_Purpose::Measure_Screen) return 0;
  const int32_t Result = Open_Window();
  if (Result == 0) {
    Finish_Opening(0);
    Run_Window();
    if (The_State.Thread_Side.Closed) Report_Loss_If_Untold();
  }
  Close_Window();
  return Result;
}

}  // namespace

int32_t Backend_Prepare_Sessions() {
  Refuse_Bus_Autolaunch();
  Take_Launcher_Token();
  The_State.Program_Name = program_invocation_short_name;
  return 0;
}

// The thread's SDL work, from SDL_Init to SDL_Quit, on the first video
// driver that opens the window. The program's thread may take the canvas and
// the queues only after SDL_Quit: the session lets go as this returns.
void Backend_Run_Session() {
  // A broken display connection: nothing calls SDL or Xlib after this, and
  // the process later exits without SDL's teardown.
  Install_X_Error_Handlers(Lose_Display_For_Good);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C and kill must still end the program
  // The X11 window surface goes straight to the server (shared memory), not
  // through an OpenGL renderer with its own threads.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");  // a window, not a full-screen game
  int32_t Result = Create_Window_Failed_Code;
  for (const char* Driver : Video_Drivers()) {
    if (Driver) SDL_SetHint(SDL_HINT_VIDEODRIVER, Driver);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) continue;
    Guard_Sdl_Xkbcommon();
    Result = Run_Session_On_Driver();
    SDL_Quit();
    if (Result == 0) break;
  }
  Finish_Opening(Result);
  SDL_TLSCleanup();  // SDL's per-thread data (its error text) of a thread SDL did not create
}

// The window thread looks at the session's flags at every frame.
void Backend_Wake_Window_Thread() {}

int32_t Backend_Open_Window(Window_Kind Kind, int32_t Width, int32_t Height) {
  const int32_t Result = Open_Session(Session_Purpose::Open_Window, Kind, Width, Height);
  if (Result == 0) The_State.Screen_Measured = true;  // every opening measures the screen first
  return Result;
}

extern "C" {

int32_t GetMaxSize(int32_t* x, int32_t* y) {
  Tell_If_Window_Gone();
  if (!x || !y) return Get_Position_Error_Code;
  // Every window opened measured the screen; before the first, a short
  // session does, which fails at once once the display is lost.
  if (!The_State.Screen_Measured) {
    const int32_t Result = Open_Session(Session_Purpose::Measure_Screen, Window_Kind::Default_Window, 0, 0);
    if (Result < 0) return Result;
    The_State.Screen_Measured = true;
  }
  *x = The_State.Usable_Width;
  *y = The_State.Usable_Height;
  return 0;
}

}  // extern "C"
