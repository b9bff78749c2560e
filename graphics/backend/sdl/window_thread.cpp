// The SDL2 back end: the graphics library on a real window.
//
// Implements: Backend_Open_Window, Backend_Open_Canvas, the key and mouse
// queues, and the window entry points that are its own (DestroyGraphWindow,
// GetMaxSize, SetWindowTitle, GetKey). The opening entry points and IsOpen
// are those of every windowed back end (window_entries.cpp); drawing, pixels,
// sizes, the version and the non-waiting key and mouse queries are the shared
// entry points, on the shared canvas, which is the truth GetColorPixel
// answers from.
// Leaves out: more than one window, hardware rendering, resizing the drawing
// surface after the window opened (the picture is scaled to the window instead).
// Depends on: SDL2 (its wayland or x11 video driver), libX11 (linked directly,
// for its error handlers: a lost display must not end the process), the shared
// canvas, the event queues and the window's presence (window_presence.h).
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
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "graphics/backend/sdl/sdl_backend.h"
#include "graphics/backend/sdl/xkb_guard.h"
#include "graphics/backend/window_presence.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

Sdl_Backend_State& The_State = *new Sdl_Backend_State;

namespace {

// True on the window thread only.
thread_local bool On_Window_Thread = false;

constexpr auto Frame_Period = std::chrono::microseconds(16667);
// The longest the program's thread waits for the window thread to end, and
// for an opening (which takes about half a second when the desktop answers).
constexpr auto Thread_Wait_Limit = std::chrono::seconds(1);
constexpr auto Opening_Wait_Limit = std::chrono::seconds(5);
// How long the window thread lets the program find out by itself that its
// window went, before it ends the program with the report itself.
constexpr auto Loss_Report_Grace = std::chrono::milliseconds(300);

// Tells the program's thread that the window thread's state changed:
// GetKey waits on The_Window_Wakeups, the openings and the closing on Handshake_Done.
// Taking the lock between the change and the notice means a waiter that
// tested the old state is already waiting when the notice comes.
void Notify_Program() {
  Wake_Waiters();
  { std::lock_guard<std::mutex> Lock(The_State.Handshake_Lock); }
  The_State.Handshake_Done.notify_all();
}

// Ends the opening handshake with its code; a window that opened is marked
// open, unless the program has stopped waiting for it.
void Finish_Opening(int32_t Result) {
  {
    std::lock_guard<std::mutex> Lock(The_State.Handshake_Lock);
    if (The_State.Opening_Finished) return;
    The_State.Opening_Finished = true;
    The_State.Opening_Result = Result;
    const bool Window_Opened = Result == 0 && The_State.Purpose == Session_Purpose::Open_Window;
    if (Window_Opened && !The_State.Opening_Abandoned) Mark_Window_Open();
  }
  The_State.Handshake_Done.notify_all();
}

// A broken display connection: the window thread marks the window gone and
// parks here for good, nothing calls SDL or Xlib after this, and the process
// later exits without SDL teardown.
void On_Display_Connection_Lost() {
  The_State.Display_Lost.store(true, std::memory_order_release);
  Mark_Window_Gone();
  Finish_Opening(Create_Window_Failed_Code);
  Notify_Program();
  End_Program_If_Loss_Unreported(Loss_Report_Grace);
  for (;;) pause();
}

void Apply_Pending_Title() {
  std::string* Title = The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  if (!Title) return;
  SDL_SetWindowTitle(The_State.Thread_Side.Handle, Title->c_str());
  delete Title;
}

// Presents and pumps events until the program closes the window or it goes.
void Run_Window() {
  Clock::time_point Next_Frame = Clock::now();
  for (;;) {
    if (The_State.Stop_Requested.load(std::memory_order_acquire)) return;
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
  if (The_State.Purpose == Session_Purpose::Measure_Screen) return 0;
  const int32_t Result = Open_Window();
  if (Result == 0) {
    Finish_Opening(0);
    Run_Window();
    if (The_State.Thread_Side.Closed) End_Program_If_Loss_Unreported(Loss_Report_Grace);
  }
  Close_Window();
  return Result;
}

void Window_Thread_Main() {
  On_Window_Thread = true;
  Install_X_Error_Handlers(On_Display_Connection_Lost);
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
  The_State.Thread_Finished.store(true, std::memory_order_release);
  Notify_Program();
}

// How a session's thread was released.
enum class Session_End { No_Thread, Ended, Given_Up };

// Leaves the window thread to itself: it is stuck on a display that stopped
// answering. It keeps the canvas it may still read, and later openings fail.
void Give_Up_Thread() {
  The_State.Display_Lost.store(true, std::memory_order_release);
  The_State.Window_Thread.detach();
  The_State.Thread_Started = false;
}

// Ends the current session: asks the thread to stop and waits for it to end,
// at most Thread_Wait_Limit; a thread still running then is given up.
Session_End Release_Session() {
  if (!The_State.Thread_Started) return Session_End::No_Thread;
  // The window thread itself is ending the program (End_Program_If_Loss_Unreported).
  if (On_Window_Thread) return Session_End::Given_Up;
  // From here a loss is no loss: the window thread must not end the program for it.
  Begin_Closing_Window();
  The_State.Stop_Requested.store(true, std::memory_order_release);
  {
    std::unique_lock<std::mutex> Lock(The_State.Handshake_Lock);
    The_State.Handshake_Done.wait_until(Lock, Clock::now() + Thread_Wait_Limit, [] {
      return The_State.Thread_Finished.load(std::memory_order_acquire) ||
             The_State.Display_Lost.load(std::memory_order_acquire);
    });
  }
  Mark_Window_Closed();
  if (!The_State.Thread_Finished.load(std::memory_order_acquire)) {
    Give_Up_Thread();
    return Session_End::Given_Up;
  }
  The_State.Window_Thread.join();
  The_State.Thread_Started = false;
  The_State.Keys.Clear();
  The_State.Mice.Clear();
  // A title set just as the window went is never applied; the next window must not inherit it.
  delete The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  return Session_End::Ended;
}

// Ends the session and, when its thread ended, drops its canvas. A canvas
// whose thread was given up is never released.
void Release_Session_And_Canvas() {
  if (Release_Session() == Session_End::Ended) The_State.Surface = Canvas{};
}

// At exit with the window open: stop the thread so no joinable thread and no
// SDL work outlive main.
void Release_At_Exit() { Release_Session(); }

// Runs one session of the window thread up to the end of its opening; its code.
int32_t Start_Session(Session_Purpose Purpose, Window_Kind Kind, int32_t Width, int32_t Height) {
  if (!The_State.Exit_Hook_Registered) {
    Refuse_Bus_Autolaunch();
    Take_Launcher_Token();
    std::atexit(Release_At_Exit);
    The_State.Exit_Hook_Registered = true;
  }
  The_State.Purpose = Purpose;
  The_State.Kind = Kind;
  The_State.Requested_Width = Width;
  The_State.Requested_Height = Height;
  if (The_State.Program_Name.empty()) The_State.Program_Name = program_invocation_short_name;
  The_State.Opening_Finished = false;
  The_State.Opening_Abandoned = false;
  The_State.Opening_Result = 0;
  The_State.Stop_Requested.store(false, std::memory_order_relaxed);
  The_State.Thread_Finished.store(false, std::memory_order_relaxed);
  try {
    The_State.Window_Thread = std::thread(Window_Thread_Main);
  } catch (const std::system_error&) {
    return Create_Thread_Failed_Code;
  }
  The_State.Thread_Started = true;
  int32_t Result;
  {
    std::unique_lock<std::mutex> Lock(The_State.Handshake_Lock);
    if (!The_State.Handshake_Done.wait_until(Lock, Clock::now() + Opening_Wait_Limit,
                                              [] { return The_State.Opening_Finished; })) {
      // The desktop stopped answering during the opening.
      The_State.Opening_Abandoned = true;
      Lock.unlock();
      The_State.Stop_Requested.store(true, std::memory_order_release);
      Give_Up_Thread();
      return Create_Window_Failed_Code;
    }
    Result = The_State.Opening_Result;
  }
  if (Result == 0) The_State.Screen_Measured = true;
  if (Result != 0 || Purpose == Session_Purpose::Measure_Screen) Release_Session_And_Canvas();
  return Result;
}

}  // namespace

int32_t Backend_Open_Window(Window_Kind Kind, int32_t Width, int32_t Height) {
  // Not even the thread of a closed window may be waited for on a display that stopped answering.
  if (The_State.Display_Lost.load(std::memory_order_acquire)) return Create_Window_Failed_Code;
  // A window closed by its button still holds its finished thread: release it first.
  Release_Session_And_Canvas();
  return Start_Session(Session_Purpose::Open_Window, Kind, Width, Height);
}

Canvas* Backend_Open_Canvas() {
  if (Window_Is_Open()) [[likely]] return &The_State.Surface;
  Window_Gone_Answer();
  return nullptr;
}

Key_Queue& Backend_Key_Queue() { return The_State.Keys; }

Mouse_Queue& Backend_Mouse_Queue() { return The_State.Mice; }

extern "C" {

int32_t DestroyGraphWindow(void) {
  if (!The_State.Thread_Started) return Window_Already_Closed_Code;
  const bool Was_Open = Begin_Closing_Window();
  Release_Session_And_Canvas();
  return Was_Open ? 0 : Window_Not_Open_Code;  // gone meanwhile: closed by its button or the display lost
}

int32_t GetMaxSize(int32_t* x, int32_t* y) {
  if (!x || !y) return Get_Position_Error_Code;
  // Every window opened measured the screen; before the first, a short session does.
  if (!The_State.Screen_Measured) {
    const int32_t Result = Start_Session(Session_Purpose::Measure_Screen, Window_Kind::Default_Window, 0, 0);
    if (Result < 0) return Result;
  }
  *x = The_State.Usable_Width;
  *y = The_State.Usable_Height;
  return 0;
}

int32_t SetWindowTitle(const char* title) {
  if (!title) return Error_Copying_Title_Code;
  if (!Window_Is_Open()) return Window_Gone_Answer();
  return Post_Title(The_State.Pending_Title, title);
}

int32_t GetKey(void) { return Wait_For_Key(The_State.Keys); }

}  // extern "C"
