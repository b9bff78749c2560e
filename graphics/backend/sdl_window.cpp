// The SDL2 back end: the graphics library on a real window.
//
// Implements: Backend_Open_Canvas, the key and mouse queues, and the window
// entry points (opening and closing, IsOpen, GetMaxSize, SetWindowTitle,
// GetKey). Drawing, pixels, sizes, the version and the non-waiting key and
// mouse queries are the shared entry points, on the shared canvas, which is
// the truth GetColorPixel answers from.
// Leaves out: more than one window, hardware rendering, resizing the drawing
// surface after the window opened (a larger window shows black beyond it).
// Depends on: SDL2 (x11 or wayland video driver only), libX11 (linked directly,
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
// the opening calls and DestroyGraphWindow wait, for the thread.
#include <SDL.h>
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "graphics/backend/canvas.h"
#include "graphics/backend/event_queue.h"
#include "graphics/backend/library_codes.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

// Last: Xlib defines macros (None, Bool, Status) that must not reach the headers above.
#include <X11/Xlib.h>

namespace {

constexpr int32_t Default_Width = 640;
constexpr int32_t Default_Height = 480;

constexpr auto Frame_Period = std::chrono::microseconds(16667);
// How long a maximized opening waits for a window manager to resize the window
// before it places and sizes the window itself.
constexpr auto Window_Manager_Grace = std::chrono::milliseconds(300);
// How long a window manager's size must hold before it is taken as final.
constexpr auto Window_Manager_Settling = std::chrono::milliseconds(50);


using Clock = std::chrono::steady_clock;

// What a session of the window thread is asked to do.
enum class Session_Kind { Default_Window, Maximized_Window, Sized_Window, Measure_Screen };

// The back end's whole state. The program's thread owns the session fields;
// the window thread owns Thread_Side. The canvas is created by the window
// thread during the opening (while the program waits) and released by the
// program's thread once the window thread has ended. The rest is shared
// through atomics or under Handshake_Lock.
struct Sdl_Backend_State {
  // Program thread only.
  std::thread Window_Thread;
  bool Thread_Started = false;
  bool Exit_Hook_Registered = false;
  Canvas Surface;
  bool Screen_Measured = false;

  // The request, written before the thread starts.
  Session_Kind Kind = Session_Kind::Default_Window;
  int32_t Requested_Width = 0, Requested_Height = 0;
  std::string Program_Name;

  // Written by the window thread before it finishes the opening handshake.
  int32_t Usable_X = 0, Usable_Y = 0, Usable_Width = 0, Usable_Height = 0;

  // The opening handshake.
  std::mutex Handshake_Lock;
  std::condition_variable Handshake_Done;
  bool Opening_Finished = false;
  int32_t Opening_Result = 0;

  // Shared flags. Canvas_Usable is what Backend_Open_Canvas reads on every call.
  std::atomic<bool> Canvas_Usable{false};
  std::atomic<bool> Stop_Requested{false};
  std::atomic<bool> Thread_Finished{false};
  std::atomic<bool> Display_Lost{false};   // for good: the X connection broke, the thread is parked
  std::atomic<uint32_t> Wakeups{0};         // bumped (and notified) on every key and state change
  std::atomic<std::string*> Pending_Title{nullptr};

  Key_Queue Keys;
  Mouse_Queue Mice;

  // Window thread only.
  struct Window_Thread_Side {
    SDL_Window* Handle = nullptr;
    SDL_Surface* Palette_Image = nullptr;  // the canvas as presented, one byte per pixel
    bool Repaint_All = true;               // exposed or resized: upload and present everything
    bool Focus_Taken = false;
    bool Closed = false;                   // by its close button
    std::vector<SDL_Rect> Changed;         // this frame's bands of changed rows, kept to reuse its memory
  } Thread_Side;
};

Sdl_Backend_State The_State;

// Bumps the wake-up counter so that a GetKey or a release waiting on it looks again.
void Wake_Waiters() {
  The_State.Wakeups.fetch_add(1, std::memory_order_release);
  The_State.Wakeups.notify_all();
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

// The window went away under the program (close button, lost display): every
// later call answers -6.
void Mark_Window_Gone() {
  The_State.Canvas_Usable.store(false, std::memory_order_release);
  Wake_Waiters();
}

// Xlib calls this when the display connection breaks. Returning would let Xlib
// end the whole process with exit(), so the window thread marks the window gone
// and parks here for good: nothing calls SDL or Xlib after this, and the
// process later exits without SDL teardown.
int On_Display_Connection_Lost(Display*) {
  The_State.Display_Lost.store(true, std::memory_order_release);
  Mark_Window_Gone();
  Finish_Opening(Create_Window_Failed_Code);
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

void Queue_Key(int32_t Code) {
  The_State.Keys.Push(Code);  // a full queue (131,072 waiting presses) drops the press
  Wake_Waiters();
}

// The character code a key press gives by itself (special and control keys),
// or -1 when it gives none; printable characters come from text input.
int32_t Key_Code(const SDL_Keysym& Key) {
  const bool Num_Lock = (Key.mod & KMOD_NUM) != 0;
  switch (Key.sym) {
    case SDLK_RETURN: case SDLK_KP_ENTER: case SDLK_RETURN2: return 13;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_ESCAPE: return 27;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    default: break;
  }
  if (!Num_Lock) {  // the keypad's second meanings
    switch (Key.sym) {
      case SDLK_KP_9: return 33;
      case SDLK_KP_3: return 34;
      case SDLK_KP_1: return 35;
      case SDLK_KP_7: return 36;
      case SDLK_KP_4: return 37;
      case SDLK_KP_8: return 38;
      case SDLK_KP_6: return 39;
      case SDLK_KP_2: return 40;
      case SDLK_KP_0: return 45;
      case SDLK_KP_PERIOD: return 46;
      default: break;
    }
  }
  const bool Control = (Key.mod & KMOD_CTRL) != 0 && (Key.mod & (KMOD_ALT | KMOD_GUI)) == 0;
  if (Control && Key.sym >= SDLK_a && Key.sym <= SDLK_z) return Key.sym - SDLK_a + 1;
  return -1;
}

// Queues the printable characters of a text input event (UTF-8) whose code
// points fit in 8 bits. A byte that does not start a valid UTF-8 sequence is
// taken as a Latin-1 character, as Xlib delivers text without an input method.
void Queue_Text(const char* Text) {
  const auto* Byte = reinterpret_cast<const unsigned char*>(Text);
  while (*Byte) {
    uint32_t Code_Point = *Byte;
    int Length = 1;
    if (Byte[0] >= 0xC0 && Byte[0] < 0xE0 && (Byte[1] & 0xC0) == 0x80) {
      Code_Point = ((Byte[0] & 0x1Fu) << 6) | (Byte[1] & 0x3Fu);
      Length = 2;
    } else if (Byte[0] >= 0xE0) {  // three or four bytes: never 8-bit, skip the sequence
      Length = 1;
      while (Length < 4 && (Byte[Length] & 0xC0) == 0x80) ++Length;
      Code_Point = 0x10000;
    }
    const bool Printable = (Code_Point >= 32 && Code_Point <= 126) || (Code_Point >= 160 && Code_Point <= 255);
    if (Printable) Queue_Key(static_cast<int32_t>(Code_Point));
    Byte += Length;
  }
}

void Queue_Mouse(int32_t Code, int32_t X, int32_t Y) { The_State.Mice.Push({Code, X, Y}); }

// Handles one SDL event on the window thread.
void Handle_Event(const SDL_Event& Event) {
  auto& Side = The_State.Thread_Side;
  switch (Event.type) {
    case SDL_QUIT:
      Side.Closed = true;
      Mark_Window_Gone();
      break;
    case SDL_WINDOWEVENT:
      switch (Event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          Side.Closed = true;
          Mark_Window_Gone();
          break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN: Side.Repaint_All = true; break;
        default: break;
      }
      break;
    case SDL_KEYDOWN: {
      const int32_t Code = Key_Code(Event.key.keysym);
      if (Code >= 0) Queue_Key(Code);
      break;
    }
    case SDL_TEXTINPUT:
      Queue_Text(Event.text.text);
      break;
    case SDL_MOUSEMOTION:
      Queue_Mouse(Mouse_Move_Code, Event.motion.x, Event.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool Down = Event.type == SDL_MOUSEBUTTONDOWN;
      if (Event.button.button == SDL_BUTTON_LEFT)
        Queue_Mouse(Down ? Mouse_Left_Down_Code : Mouse_Left_Up_Code, Event.button.x, Event.button.y);
      else if (Event.button.button == SDL_BUTTON_RIGHT)
        Queue_Mouse(Down ? Mouse_Right_Down_Code : Mouse_Right_Up_Code, Event.button.x, Event.button.y);
      break;
    }
    default:
      break;
  }
}

// Handles every event that arrives within Timeout (at least one wait).
void Pump_Events(std::chrono::milliseconds Timeout) {
  SDL_Event Event;
  const int Wait_Ms = static_cast<int>(std::max<long long>(Timeout.count(), 0));
  if (!SDL_WaitEventTimeout(&Event, Wait_Ms)) return;
  Handle_Event(Event);
  while (SDL_PollEvent(&Event)) Handle_Event(Event);
}

// The sixteen colours, in the order of the old PC text palette.
constexpr SDL_Color Palette_Colors[16] = {
    {0x00, 0x00, 0x00, 0xFF}, {0x00, 0x00, 0xAA, 0xFF}, {0x00, 0xAA, 0x00, 0xFF}, {0x00, 0xAA, 0xAA, 0xFF},
    {0xAA, 0x00, 0x00, 0xFF}, {0xAA, 0x00, 0xAA, 0xFF}, {0xAA, 0x55, 0x00, 0xFF}, {0xAA, 0xAA, 0xAA, 0xFF},
    {0x55, 0x55, 0x55, 0xFF}, {0x55, 0x55, 0xFF, 0xFF}, {0x55, 0xFF, 0x55, 0xFF}, {0x55, 0xFF, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55, 0xFF}, {0xFF, 0x55, 0xFF, 0xFF}, {0xFF, 0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF},
};

// Copies the canvas rows marked dirty into the palette image and shows them;
// after an expose or a resize, shows everything. Presents nothing when nothing changed.
void Present() {
  auto& Side = The_State.Thread_Side;
  Canvas& Surface = The_State.Surface;
  SDL_Surface* Image = Side.Palette_Image;
  std::vector<SDL_Rect>& Changed = Side.Changed;
  Changed.clear();
  for (int32_t Y = 0; Y < Surface.Height; ++Y) {
    if (!Canvas_Take_Dirty_Row(Surface, Y)) continue;
    auto* Row = static_cast<uint8_t*>(Image->pixels) + static_cast<size_t>(Y) * static_cast<size_t>(Image->pitch);
    for (int32_t X = 0; X < Surface.Width; ++X) Row[X] = Canvas_Read_Pixel(Surface, X, Y);
    if (!Changed.empty() && Changed.back().y + Changed.back().h == Y)
      ++Changed.back().h;
    else
      Changed.push_back({0, Y, Surface.Width, 1});
  }
  if (Changed.empty() && !Side.Repaint_All) return;

  SDL_Surface* Target = SDL_GetWindowSurface(Side.Handle);
  if (!Target) return;
  if (Side.Repaint_All) {
    SDL_FillRect(Target, nullptr, SDL_MapRGB(Target->format, 0, 0, 0));
    SDL_BlitSurface(Image, nullptr, Target, nullptr);
    SDL_UpdateWindowSurface(Side.Handle);
    Side.Repaint_All = false;
    return;
  }
  for (SDL_Rect Band : Changed) {
    SDL_Rect Destination = Band;
    SDL_BlitSurface(Image, &Band, Target, &Destination);
  }
  SDL_UpdateWindowSurfaceRects(Side.Handle, Changed.data(), static_cast<int>(Changed.size()));
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

bool Is_Real_Display_Driver() {
  const char* Driver = SDL_GetCurrentVideoDriver();
  return Driver && (std::strcmp(Driver, "x11") == 0 || std::strcmp(Driver, "wayland") == 0);
}

bool Measure_Screen() {
  SDL_Rect Usable;
  if (SDL_GetDisplayUsableBounds(0, &Usable) != 0) return false;
  The_State.Usable_X = Usable.x;
  The_State.Usable_Y = Usable.y;
  The_State.Usable_Width = Usable.w;
  The_State.Usable_Height = Usable.h;
  return true;
}

// Makes a maximized window fill the usable area. A window manager maximizes it
// on its own, after a moment and sometimes in more than one step, so the size
// is taken once it has held still for a little while; without a window manager
// (bare Xvfb) the maximized flag is only a hint, and the window is placed and
// sized here.
void Fill_Usable_Area(SDL_Window* Handle, int32_t Initial_Width, int32_t Initial_Height) {
  const Clock::time_point Deadline = Clock::now() + Window_Manager_Grace;
  int Last_Width = Initial_Width, Last_Height = Initial_Height;
  Clock::time_point Last_Change{};
  for (;;) {
    int Width = 0, Height = 0;
    SDL_GetWindowSize(Handle, &Width, &Height);
    const Clock::time_point Now = Clock::now();
    if (Width != Last_Width || Height != Last_Height) {
      Last_Width = Width;
      Last_Height = Height;
      Last_Change = Now;
    }
    const bool Resized = Last_Width != Initial_Width || Last_Height != Initial_Height;
    if (Resized && (Now - Last_Change >= Window_Manager_Settling || Now >= Deadline)) return;
    if (Now >= Deadline) break;
    Pump_Events(std::chrono::milliseconds(10));
  }
  SDL_SetWindowSize(Handle, The_State.Usable_Width, The_State.Usable_Height);
  SDL_SetWindowPosition(Handle, The_State.Usable_X, The_State.Usable_Y);
  Pump_Events(std::chrono::milliseconds(0));
}

// Opens the window the request asks for and its canvas; the opening's code.
int32_t Open_Window() {
  auto& Side = The_State.Thread_Side;
  const bool Maximized = The_State.Kind == Session_Kind::Maximized_Window;
  int32_t Width = Default_Width, Height = Default_Height;
  if (The_State.Kind == Session_Kind::Sized_Window) {
    Width = The_State.Requested_Width;
    Height = The_State.Requested_Height;
  }
  const Uint32 Flags = SDL_WINDOW_SHOWN | (Maximized ? SDL_WINDOW_MAXIMIZED | SDL_WINDOW_RESIZABLE : 0);
  // A maximized window starts at the usable area's corner, where it stays when it is sized here.
  const int Left = Maximized ? The_State.Usable_X : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
  const int Top = Maximized ? The_State.Usable_Y : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
  Side.Handle = SDL_CreateWindow(The_State.Program_Name.c_str(), Left, Top, Width, Height, Flags);
  if (!Side.Handle) return Create_Window_Failed_Code;
  if (Maximized) Fill_Usable_Area(Side.Handle, Width, Height);

  // The drawing surface is the client area, fixed from here on.
  int Client_Width = 0, Client_Height = 0;
  SDL_GetWindowSize(Side.Handle, &Client_Width, &Client_Height);
  if (!Valid_Window_Size(Client_Width, Client_Height))
    return Create_Window_Failed_Code;
  Side.Palette_Image = SDL_CreateRGBSurfaceWithFormat(0, Client_Width, Client_Height, 8, SDL_PIXELFORMAT_INDEX8);
  if (!Side.Palette_Image) return Create_Window_Failed_Code;
  SDL_SetPaletteColors(Side.Palette_Image->format->palette, Palette_Colors, 0, 16);
  try {
    Canvas_Create(The_State.Surface, Client_Width, Client_Height);
  } catch (const std::bad_alloc&) {
    return Create_Window_Failed_Code;
  }
  Side.Repaint_All = true;
  Side.Focus_Taken = false;
  // Closed by its button before it was ready: the opening failed.
  return Side.Closed ? Create_Window_Failed_Code : 0;
}

void Close_Window() {
  auto& Side = The_State.Thread_Side;
  if (Side.Palette_Image) SDL_FreeSurface(Side.Palette_Image);
  if (Side.Handle) SDL_DestroyWindow(Side.Handle);
  Side = {};
  delete The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
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

void Window_Thread_Main() {
  Install_X_Error_Handlers();
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C and kill must still end the program
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");  // a window, not a full-screen game
  // Prefer a real display; the offscreen driver would give an invisible window.
  if (!std::getenv("SDL_VIDEODRIVER"))
    SDL_SetHint(SDL_HINT_VIDEODRIVER, std::getenv("WAYLAND_DISPLAY") ? "wayland,x11" : "x11");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    Finish_Opening(Create_Window_Failed_Code);
  } else {
    // On X11 the window surface goes straight to the server (shared memory),
    // not through an OpenGL renderer with its own threads. Wayland has no
    // such surface: SDL then backs it with a streaming texture of a renderer.
    const char* Driver = SDL_GetCurrentVideoDriver();
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, Driver && std::strcmp(Driver, "x11") == 0 ? "0" : "1");
    if (!Is_Real_Display_Driver() || !Measure_Screen()) {
      Finish_Opening(Create_Window_Failed_Code);
    } else if (The_State.Kind == Session_Kind::Measure_Screen) {
      Finish_Opening(0);
    } else {
      const int32_t Result = Open_Window();
      if (Result == 0) The_State.Canvas_Usable.store(true, std::memory_order_release);
      Finish_Opening(Result);
      if (Result == 0) Run_Window();
      Close_Window();
    }
    SDL_Quit();
  }
  SDL_TLSCleanup();  // SDL's per-thread data (its error text) of a thread SDL did not create
  The_State.Thread_Finished.store(true, std::memory_order_release);
  Wake_Waiters();
}

// Ends the current session: asks the thread to stop and joins it, or, when the
// display was lost and the thread is parked for good, lets it go.
void Release_Session() {
  if (!The_State.Thread_Started) return;
  The_State.Stop_Requested.store(true, std::memory_order_release);
  for (;;) {
    const uint32_t Seen = The_State.Wakeups.load(std::memory_order_acquire);
    if (The_State.Thread_Finished.load(std::memory_order_acquire)) {
      The_State.Window_Thread.join();
      break;
    }
    if (The_State.Display_Lost.load(std::memory_order_acquire)) {
      The_State.Window_Thread.detach();
      break;
    }
    The_State.Wakeups.wait(Seen, std::memory_order_acquire);
  }
  The_State.Thread_Started = false;
  The_State.Canvas_Usable.store(false, std::memory_order_release);
  The_State.Keys.Clear();
  The_State.Mice.Clear();
  // A title set just as the window went is never applied; the next window must not inherit it.
  delete The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
}

// At exit with the window open: stop the thread so no joinable thread and no
// SDL work outlive main.
void Release_At_Exit() { Release_Session(); }

// Runs one session of the window thread up to the end of its opening; its code.
int32_t Start_Session(Session_Kind Kind, int32_t Width, int32_t Height) {
  if (The_State.Display_Lost.load(std::memory_order_acquire)) return Create_Window_Failed_Code;
  if (!The_State.Exit_Hook_Registered) {
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
  if (Result != 0 || Kind == Session_Kind::Measure_Screen) {
    Release_Session();
    The_State.Surface = Canvas{};
  }
  return Result;
}

int32_t Open(Session_Kind Kind, int32_t Width, int32_t Height) {
  if (The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Already_Open_Code;
  // A window closed by its button still holds its finished thread: release it first.
  Release_Session();
  The_State.Surface = Canvas{};
  return Start_Session(Kind, Width, Height);
}

}  // namespace

Canvas* Backend_Open_Canvas() {
  return The_State.Canvas_Usable.load(std::memory_order_acquire) ? &The_State.Surface : nullptr;
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
  Release_Session();
  The_State.Surface = Canvas{};
  return Was_Open ? 0 : Window_Not_Open_Code;  // gone meanwhile: closed by its button or the display lost
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
  if (!The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Not_Open_Code;
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
    if (!The_State.Canvas_Usable.load(std::memory_order_acquire)) return Window_Not_Open_Code;
    int32_t Code = 0;
    if (The_State.Keys.Pop(Code)) return Code;
    The_State.Wakeups.wait(Seen, std::memory_order_acquire);  // until a key comes or the window goes
  }
}

}  // extern "C"
