// The SDL2 back end: the graphics library on a real window.
//
// Implements: Backend_Open_Canvas, the key and mouse queues, and the window
// entry points (opening and closing, IsOpen, GetMaxSize, SetWindowTitle,
// GetKey). Drawing, pixels, sizes, the version and the non-waiting key and
// mouse queries are the shared entry points, on the shared canvas, which is
// the truth GetColorPixel answers from.
// Leaves out: more than one window, hardware rendering, resizing the drawing
// surface after the window opened (the picture is scaled to the window instead).
// Depends on: SDL2 (its wayland or x11 video driver), libX11 (linked directly,
// for its error handlers: a lost display must not end the process), the shared
// canvas and the event queues.
//
// One thread of the back end's own does everything SDL, from SDL_Init to
// SDL_Quit: it opens the window, turns events into the key and mouse queues
// (it is their only producer) and presents the canvas about 60 times a second,
// uploading only the rows marked dirty and only when something changed or the
// window was exposed. Between frames it sleeps in SDL_WaitEventTimeout, so a
// key press is queued as soon as it arrives. The program's calls never call
// SDL and never wait for the display: they read atomics and the queues. Only
// the openings and the closing wait for the thread, the closing at most a
// second: a thread that is stuck on a display that stopped answering is given
// up, and the display taken as lost.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "graphics/tarnwick_codes.h"
#include "graphics/backend/sdl/sdl_backend.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

// Last: Xlib defines macros (None, Bool, Status) that must not reach the headers above.
#include <X11/Xlib.h>

Sdl_Backend_State& The_State = *new Sdl_Backend_State;

namespace {

// True on the window thread only.
thread_local bool On_Window_Thread = false;

constexpr auto Frame_Period = std::chrono::microseconds(16667);
// The longest the program's thread waits for the window thread to end.
constexpr auto Thread_Wait_Limit = std::chrono::seconds(1);
// How long the window thread lets the program find out by itself that its
// window went, before it ends the program with the report itself.
constexpr auto Loss_Report_Grace = std::chrono::milliseconds(300);

// Tells the program's thread that the window thread's state changed:
// GetKey waits on Wakeups, the openings and the closing on Handshake_Done.
// Taking the lock between the change and the notice means a waiter that
// tested the old state is already waiting when the notice comes.
void Notify_Program() {
  Wake_Waiters();
  { std::lock_guard<std::mutex> Lock(The_State.Handshake_Lock); }
  The_State.Handshake_Done.notify_all();
}

void Finish_Opening(int32_t Result) {
  {
    std::lock_guard<std::mutex> Lock(The_State.Handshake_Lock);
    if (The_State.Opening_Finished) return;
    The_State.Opening_Finished = true;
    The_State.Opening_Result = Result;
  }
  The_State.Handshake_Done.notify_all();
}

// The window went away and the program makes no library call that could tell
// it so (it waits at a console prompt, say): after a short grace the window
// thread ends the program with the report that call would have brought.
void End_Program_If_Loss_Unreported() {
  const Clock::time_point Deadline = Clock::now() + Loss_Report_Grace;
  while (The_State.Loss.load(std::memory_order_acquire) == Loss_Report::Unreported && Clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  Loss_Report Expected = Loss_Report::Unreported;
  if (The_State.Loss.compare_exchange_strong(Expected, Loss_Report::Thread_Ending_Program))
    Tarnwick_Window_Lost();
}

// The answer of a call that finds the window gone; the program now knows.
int32_t Window_Gone() {
  Loss_Report Expected = Loss_Report::Unreported;
  if (!The_State.Loss.compare_exchange_strong(Expected, Loss_Report::Program_Told) &&
      Expected == Loss_Report::Thread_Ending_Program) {
    for (;;) pause();  // the window thread is writing the report and ending the process
  }
  return Window_Not_Open_Code;
}

// Xlib calls this when the display connection breaks. Returning would let Xlib
// end the whole process with exit(), so the window thread marks the window gone
// and parks here for good: nothing calls SDL or Xlib after this, and the
// process later exits without SDL teardown.
int On_Display_Connection_Lost(Display*) {
  The_State.Display_Lost.store(true, std::memory_order_release);
  Mark_Window_Gone();
  Finish_Opening(Create_Window_Failed_Code);
  Notify_Program();
  End_Program_If_Loss_Unreported();
  for (;;) pause();
}

// Xlib reports a failed request (a BadWindow from a request SDL queued just
// before it destroyed the window, say) long after it was made, and its default
// handler then ends the whole process from this thread. None of these errors
// matters to the program: the window either works or goes, and that is told
// by the events and the connection, so they are ignored.
int On_Protocol_Error(Display*, XErrorEvent*) { return 0; }

// Installed before SDL starts; SDL chains its own protocol error handler to ours.
void Install_X_Error_Handlers() {
  XSetIOErrorHandler(On_Display_Connection_Lost);
  XSetErrorHandler(On_Protocol_Error);
}

// SDL connects to the desktop's session bus (screen saver, input methods).
// Without one, libdbus would start a bus of its own for the display, which
// outlives the program; so where there is no session bus the connection is
// refused instead. Done before the window thread starts: changing the
// environment is not safe while other threads run.
void Refuse_Bus_Autolaunch() {
  const char* Address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (Address && *Address) return;
  if (const char* Runtime = std::getenv("XDG_RUNTIME_DIR")) {
    struct stat Bus;
    if (stat((std::string(Runtime) + "/bus").c_str(), &Bus) == 0 && S_ISSOCK(Bus.st_mode)) return;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

// The first time the program clears the window (the game's first level), the
// window comes to the front and takes the keyboard from the console.
void Take_Focus_On_First_Clear() {
  auto& Side = The_State.Thread_Side;
  if (Side.Focus_Taken) return;
  if (std::atomic_ref<uint32_t>(The_State.Surface.Clear_Count).load(std::memory_order_acquire) == 0) return;
  SDL_RaiseWindow(Side.Handle);
  SDL_SetWindowInputFocus(Side.Handle);
  Side.Focus_Taken = true;
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
      Take_Focus_On_First_Clear();
      Present();
      Next_Frame += Frame_Period;
      if (Next_Frame <= Now) Next_Frame = Now + Frame_Period;
    }
    Pump_Events(std::chrono::ceil<std::chrono::milliseconds>(Next_Frame - Clock::now()));
  }
}

// Whether the Wayland compositor offers a seat (a keyboard and pointer, even
// without devices yet). SDL 2.26 crashes while starting on a compositor
// without one, as a headless one may be; such a compositor is passed over.
bool Compositor_Has_Seat() {
  wl_display* Display = wl_display_connect(nullptr);
  if (!Display) return false;
  bool Has_Seat = false;
  static const wl_registry_listener Listener = {
      [](void* Found, wl_registry*, uint32_t, const char* Interface, uint32_t) {
        if (std::strcmp(Interface, wl_seat_interface.name) == 0) *static_cast<bool*>(Found) = true;
      },
      [](void*, wl_registry*, uint32_t) {},
  };
  wl_registry* Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &Listener, &Has_Seat);
  wl_display_roundtrip(Display);
  wl_registry_destroy(Registry);
  wl_display_disconnect(Display);
  return Has_Seat;
}

// The video drivers to try, in order (nullptr: SDL's choice). Wayland first
// where a compositor offers it: the window is then native, sharp on a scaled
// output, with the compositor's decorations and keyboard. X11 next, for an
// X desktop and for a Wayland one whose windows SDL cannot show. A driver
// the user named in SDL_VIDEODRIVER is the only one tried.
std::vector<const char*> Video_Drivers() {
  const auto Is_Set = [](const char* Name) { return std::getenv(Name) && *std::getenv(Name); };
  if (Is_Set("SDL_VIDEODRIVER")) return {nullptr};
  if (Is_Set("WAYLAND_DISPLAY") && Compositor_Has_Seat()) return {"wayland", "x11"};
  return {"x11"};
}

bool Is_Real_Display_Driver(const char* Driver) {
  return Driver && (std::strcmp(Driver, "x11") == 0 || std::strcmp(Driver, "wayland") == 0);
}

// The session on the driver SDL started with: the opening and, when it
// succeeds, the window's whole life. The opening's code.
int32_t Run_Session_On_Driver() {
  const char* Driver = SDL_GetCurrentVideoDriver();
  // The offscreen and dummy drivers would give a window nobody sees.
  if (!Is_Real_Display_Driver(Driver) || !Measure_Screen()) return Create_Window_Failed_Code;
  if (The_State.Kind == Session_Kind::Measure_Screen) return 0;
  const int32_t Result = Open_Window();
  if (Result == 0) {
    The_State.Canvas_Usable.store(true, std::memory_order_release);
    Finish_Opening(0);
    Run_Window();
    if (The_State.Thread_Side.Closed) End_Program_If_Loss_Unreported();
  }
  Close_Window();
  return Result;
}

void Window_Thread_Main() {
  On_Window_Thread = true;
  Install_X_Error_Handlers();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C and kill must still end the program
  // The X11 window surface goes straight to the server (shared memory), not
  // through an OpenGL renderer with its own threads.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");  // a window, not a full-screen game
  int32_t Result = Create_Window_Failed_Code;
  for (const char* Driver : Video_Drivers()) {
    if (Driver) SDL_SetHint(SDL_HINT_VIDEODRIVER, Driver);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) continue;
    Result = Run_Session_On_Driver();
    SDL_Quit();
    if (Result == 0) break;
  }
  Finish_Opening(Result);
  SDL_TLSCleanup();  // SDL's per-thread data (its error text) of a thread SDL did not create
  The_State.Thread_Finished.store(true, std::memory_order_release);
  Notify_Program();
}

// Ends the current session: asks the thread to stop and waits for it to end,
// at most Thread_Wait_Limit. A thread still running then is stuck on a
// display that stopped answering: it is given up, left to itself with the
// canvas it may still read, and the display is taken as lost, so that later
// openings fail. Whether the thread ended (and its canvas may be released).
bool Release_Session() {
  if (!The_State.Thread_Started) return true;
  // The window thread itself is ending the program (End_Program_If_Loss_Unreported).
  if (On_Window_Thread) return false;
  The_State.Stop_Requested.store(true, std::memory_order_release);
  {
    std::unique_lock<std::mutex> Lock(The_State.Handshake_Lock);
    The_State.Handshake_Done.wait_until(Lock, Clock::now() + Thread_Wait_Limit, [] {
      return The_State.Thread_Finished.load(std::memory_order_acquire) ||
             The_State.Display_Lost.load(std::memory_order_acquire);
    });
  }
  const bool Ended = The_State.Thread_Finished.load(std::memory_order_acquire);
  if (Ended) {
    The_State.Window_Thread.join();
  } else {
    The_State.Display_Lost.store(true, std::memory_order_release);
    The_State.Window_Thread.detach();
  }
  The_State.Thread_Started = false;
  The_State.Canvas_Usable.store(false, std::memory_order_release);
  if (!Ended) return false;
  The_State.Keys.Clear();
  The_State.Mice.Clear();
  // A title set just as the window went is never applied; the next window must not inherit it.
  delete The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  return true;
}

// Ends the session and, when its thread ended, drops its canvas.
void Release_Session_And_Canvas() {
  if (Release_Session()) The_State.Surface = Canvas{};
}

// At exit with the window open: stop the thread so no joinable thread and no
// SDL work outlive main.
void Release_At_Exit() { Release_Session(); }

// Runs one session of the window thread up to the end of its opening; its code.
int32_t Start_Session(Session_Kind Kind, int32_t Width, int32_t Height) {
  if (The_State.Display_Lost.load(std::memory_order_acquire)) return Create_Window_Failed_Code;
  if (!The_State.Exit_Hook_Registered) {
    Refuse_Bus_Autolaunch();
    std::atexit(Release_At_Exit);
    The_State.Exit_Hook_Registered = true;
  }
  The_State.Kind = Kind;
  The_State.Requested_Width = Width;
  The_State.Requested_Height = Height;
  if (The_State.Program_Name.empty()) The_State.Program_Name = program_invocation_short_name;
  The_State.Opening_Finished = false;
  The_State.Opening_Result = 0;
  The_State.Stop_Requested.store(false, std::memory_order_relaxed);
  The_State.Thread_Finished.store(false, std::memory_order_relaxed);
  The_State.Loss.store(Loss_Report::Nothing_Lost, std::memory_order_relaxed);
  try {
    The_State.Window_Thread = std::thread(Window_Thread_Main);
  } catch (const std::system_error&) {
    return Create_Thread_Failed_Code;
  }
  The_State.Thread_Started = true;
  int32_t Result;
  {
    std::unique_lock<std::mutex> Lock(The_State.Handshake_Lock);
    The_State.Handshake_Done.wait(Lock, [] { return The_State.Opening_Finished; });
    Result = The_State.Opening_Result;
  }
  if (Result == 0) The_State.Screen_Measured = true;
  if (Result != 0 || Kind == Session_Kind::Measure_Screen) Release_Session_And_Canvas();
  return Result;
}

int32_t Open(Session_Kind Kind, int32_t Width, int32_t Height) {
  if (The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Already_Open_Code;
  // A window closed by its button still holds its finished thread: release it first.
  Release_Session_And_Canvas();
  return Start_Session(Kind, Width, Height);
}

}  // namespace

void Wake_Waiters() {
  The_State.Wakeups.fetch_add(1, std::memory_order_release);
  The_State.Wakeups.notify_all();
}

void Mark_Window_Gone() {
  // A window the program is closing itself is not lost.
  if (The_State.Canvas_Usable.load(std::memory_order_acquire) &&
      !The_State.Stop_Requested.load(std::memory_order_acquire))
    The_State.Loss.store(Loss_Report::Unreported, std::memory_order_release);
  The_State.Canvas_Usable.store(false, std::memory_order_release);
  Wake_Waiters();
}

Canvas* Backend_Open_Canvas() {
  if (The_State.Canvas_Usable.load(std::memory_order_acquire)) [[likely]] return &The_State.Surface;
  Window_Gone();
  return nullptr;
}

Key_Queue& Backend_Key_Queue() { return The_State.Keys; }

Mouse_Queue& Backend_Mouse_Queue() { return The_State.Mice; }

extern "C" {

int32_t CreateGraphWindow(int32_t mode) {
  if (The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Already_Open_Code;
  if (mode != 0 && mode != 1) return Invalid_Window_Size_Code;
  return Open(mode == 1 ? Session_Kind::Maximized_Window : Session_Kind::Default_Window, 0, 0);
}

int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size) {
  if (The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Already_Open_Code;
  if (!Valid_Window_Size(x_size, y_size)) return Invalid_Window_Size_Code;
  return Open(Session_Kind::Sized_Window, x_size, y_size);
}

int32_t DestroyGraphWindow(void) {
  if (!The_State.Thread_Started) return Window_Already_Closed_Code;
  const bool Was_Open = The_State.Canvas_Usable.exchange(false, std::memory_order_acq_rel);
  Release_Session_And_Canvas();
  return Was_Open ? 0 : Window_Gone();  // gone meanwhile: closed by its button or the display lost
}

int32_t IsOpen(void) { return The_State.Canvas_Usable.load(std::memory_order_acquire) ? 1 : 0; }

int32_t GetMaxSize(int32_t* x, int32_t* y) {
  if (!x || !y) return Get_Position_Error_Code;
  // Every window opened measured the screen; before the first, a short session does.
  if (!The_State.Screen_Measured) {
    const int32_t Result = Start_Session(Session_Kind::Measure_Screen, 0, 0);
    if (Result < 0) return Result;
  }
  *x = The_State.Usable_Width;
  *y = The_State.Usable_Height;
  return 0;
}

int32_t SetWindowTitle(const char* title) {
  if (!title) return Error_Copying_Title_Code;
  if (!The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Gone();
  std::string* Copy;
  try {
    Copy = new std::string(title);
  } catch (const std::bad_alloc&) {
    return Error_Copying_Title_Code;
  }
  delete The_State.Pending_Title.exchange(Copy, std::memory_order_acq_rel);
  return 0;
}

int32_t GetKey(void) {
  for (;;) {
    const uint32_t Seen = The_State.Wakeups.load(std::memory_order_acquire);
    if (!The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Gone();
    int32_t Code = 0;
    if (The_State.Keys.Pop(Code)) return Code;
    The_State.Wakeups.wait(Seen, std::memory_order_acquire);  // until a key comes or the window goes
  }
}

}  // extern "C"
