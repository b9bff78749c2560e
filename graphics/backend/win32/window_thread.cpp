// The Win32 back end: the graphics library on a window of Windows' own.
//
// Implements: Backend_Open_Window, Backend_Open_Canvas,
// Backend_Wait_For_Keyboard, the key and mouse queues, and the window entry
// points that are its own (DestroyGraphWindow, GetMaxSize, SetWindowTitle,
// GetKey). The opening entry points and IsOpen are those of every windowed
// back end (window_entries.cpp); drawing, pixels, sizes, the version and the
// non-waiting key and mouse queries are the shared entry points, on the shared
// canvas, which is the truth GetColorPixel answers from.
// Leaves out: more than one window, resizing the drawing surface after the
// window opened (the picture is scaled to the window instead), mouse events
// outside the window (no capture), keys Windows gives no character for other
// than the arrows and the page and editing keys.
// Depends on: user32 and gdi32 alone, the shared canvas, the event queues,
// the picture layout, the keyboard hint and the window's presence
// (window_presence.h); the frame's end of the process (frame/platform.h) when
// the window thread itself ends the program with the report.
//
// One thread of the back end's own creates the window, owns it and runs its
// message loop: it turns messages into the key and mouse queues (it is their
// only producer) and, on a timer about 60 times a second, invalidates the
// window rows that show canvas rows the program changed, which WM_PAINT then
// paints. Nothing is invalidated when nothing changed. The program's calls
// never wait for the window: they read atomics and the queues, and what they
// ask of the window thread (a title, the end of the session, the keyboard)
// they post to it. Only the opening and the closing wait for the thread, each
// for a bounded time; a thread that does not answer within it is given up.
#include <chrono>
#include <cstdlib>

#include "graphics/backend/win32/win32_backend.h"
#include "graphics/backend/window_presence.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

Win32_Backend_State& The_State = *new Win32_Backend_State;

namespace {

// True on the window thread only.
thread_local bool On_Window_Thread = false;

// The longest the program's thread waits for the window thread to end, and
// for an opening.
constexpr DWORD Thread_Wait_Limit_Ms = 1000;
constexpr DWORD Opening_Wait_Limit_Ms = 5000;
// The longest a new opening waits for the last window thread to finish
// destroying its window (two seconds under Wine without a window manager).
constexpr DWORD Thread_End_Limit_Ms = 3000;
// How long the window thread lets the program find out by itself that its
// window went, before it ends the program with the report itself.
constexpr auto Loss_Report_Grace = std::chrono::milliseconds(300);

// Asks the window thread to look at the shared flags. A post that fails (a
// full queue) is made up for by the presentation timer, which looks too.
void Wake_Window_Thread() {
  if (HWND Window = The_State.Window.load(std::memory_order_acquire))
    PostMessageW(Window, The_State.Wake_Message, 0, 0);
}

// Ends the opening handshake with its code; a window that opened is marked
// open, unless the program has stopped waiting for it.
void Finish_Opening(int32_t Result) {
  The_State.Opening_Result = Result;
  Opening_Stage Expected = Opening_Stage::Pending;
  if (!The_State.Opening.compare_exchange_strong(Expected, Opening_Stage::Finished, std::memory_order_acq_rel))
    return;
  if (Result == 0) Mark_Window_Open();
  SetEvent(The_State.Opening_Done);
}

// Runs the window's message loop until the window is closed or the program
// ends the session.
void Run_Messages() {
  MSG Message;
  while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
    TranslateMessage(&Message);  // key presses become WM_CHAR
    DispatchMessageW(&Message);
  }
}

// The window thread. Once its message loop has ended it no longer touches
// the canvas or the queues, and says so; only then does it destroy the window,
// since under Wine on an X server without a window manager hiding a window
// waits two seconds for a window manager's answer that never comes.
DWORD WINAPI Window_Thread_Main(void*) {
  On_Window_Thread = true;
  const int32_t Result = Open_Window();
  Finish_Opening(Result);
  if (Result == 0) Run_Messages();
  The_State.Thread_Side.Ending = true;
  SetEvent(The_State.Session_Released);
  if (The_State.Thread_Side.Closed) End_Program_If_Loss_Unreported(Loss_Report_Grace);
  The_State.Window.store(nullptr, std::memory_order_release);
  if (The_State.Thread_Side.Handle) DestroyWindow(The_State.Thread_Side.Handle);
  delete The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  The_State.Thread_Side = {};
  Wake_Waiters();
  return 0;
}

// Leaves the window thread to itself: it stopped answering. It keeps the
// canvas it may still read, and later openings fail.
void Give_Up_Thread() {
  CloseHandle(The_State.Thread);
  The_State.Thread = nullptr;
  The_State.Thread_Given_Up = true;
}

// How a session's thread was released.
enum class Session_End { No_Thread, Ended, Given_Up };

// Ends the current session: asks the thread to end its message loop and waits
// until it has let go of the canvas and the queues, at most
// Thread_Wait_Limit_Ms; a thread that has not by then is given up. The thread
// may still be destroying its window: the next opening waits for its end.
Session_End Release_Session() {
  if (!The_State.Thread || The_State.Session_Ended) return Session_End::No_Thread;
  // The window thread itself is ending the program (End_Program_If_Loss_Unreported).
  if (On_Window_Thread) return Session_End::Given_Up;
  // From here a loss is no loss: the window thread must not end the program for it.
  Begin_Closing_Window();
  The_State.Stop_Requested.store(true, std::memory_order_release);
  Wake_Window_Thread();
  const HANDLE Either[2] = {The_State.Session_Released, The_State.Thread};
  const DWORD Waited = WaitForMultipleObjects(2, Either, FALSE, Thread_Wait_Limit_Ms);
  Mark_Window_Closed();
  if (Waited != WAIT_OBJECT_0 && Waited != WAIT_OBJECT_0 + 1) {
    Give_Up_Thread();
    return Session_End::Given_Up;
  }
  The_State.Session_Ended = true;
  The_State.Keys.Clear();
  The_State.Mice.Clear();
  return Session_End::Ended;
}

// Waits for the thread of an ended session to finish destroying its window;
// false when it does not in time (it is then given up).
bool Wait_For_Last_Thread() {
  if (!The_State.Thread) return true;
  if (WaitForSingleObject(The_State.Thread, Thread_End_Limit_Ms) != WAIT_OBJECT_0) {
    Give_Up_Thread();
    return false;
  }
  CloseHandle(The_State.Thread);
  The_State.Thread = nullptr;
  return true;
}

// Ends the session and, when its thread ended, drops its canvas. A canvas
// whose thread was given up is never released.
void Release_Session_And_Canvas() {
  if (Release_Session() == Session_End::Ended) The_State.Surface = Canvas{};
}

// At exit with the window open: the window thread must not outlive main's
// state. (A window thread ending the program itself skips exit's hooks.)
void Release_At_Exit() { Release_Session(); }

// What a session needs once: the wake message, the handshake's events, the exit hook.
int32_t Prepare_Sessions() {
  if (!The_State.Wake_Message) {
    The_State.Wake_Message = RegisterWindowMessageW(L"Drovanel.Tarnwick.Wake");
    if (!The_State.Wake_Message) return Message_Reg_Failed_Code;
  }
  for (HANDLE* Event : {&The_State.Opening_Done, &The_State.Session_Released}) {
    if (!*Event) *Event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!*Event) return Create_Event_Failed_Code;
  }
  if (!The_State.Exit_Hook_Registered) {
    std::atexit(Release_At_Exit);
    The_State.Exit_Hook_Registered = true;
  }
  return 0;
}

// Waits for the opening's end; its code. An opening that takes too long is
// abandoned and its thread given up.
int32_t Wait_For_Opening() {
  for (;;) {
    const DWORD Waited = WaitForSingleObject(The_State.Opening_Done, Opening_Wait_Limit_Ms);
    if (Waited == WAIT_OBJECT_0) return The_State.Opening_Result;
    Opening_Stage Expected = Opening_Stage::Pending;
    if (The_State.Opening.compare_exchange_strong(Expected, Opening_Stage::Abandoned, std::memory_order_acq_rel)) {
      The_State.Stop_Requested.store(true, std::memory_order_release);
      Give_Up_Thread();
      return Waited == WAIT_TIMEOUT ? Create_Window_Failed_Code : Wait_Failed_Code;
    }
    // Finished just now: its event is set or about to be.
    if (Waited == WAIT_FAILED) return Wait_Failed_Code;
  }
}

// Runs one session of the window thread up to the end of its opening; its code.
int32_t Start_Session(Window_Kind Kind, int32_t Width, int32_t Height) {
  const int32_t Prepared = Prepare_Sessions();
  if (Prepared != 0) return Prepared;
  The_State.Kind = Kind;
  The_State.Requested_Width = Width;
  The_State.Requested_Height = Height;
  The_State.Opening.store(Opening_Stage::Pending, std::memory_order_relaxed);
  The_State.Opening_Result = 0;
  The_State.Stop_Requested.store(false, std::memory_order_relaxed);
  The_State.Has_Keyboard.store(false, std::memory_order_relaxed);
  The_State.Keyboard_Wanted.store(false, std::memory_order_relaxed);
  ResetEvent(The_State.Opening_Done);
  ResetEvent(The_State.Session_Released);
  The_State.Session_Ended = false;
  The_State.Thread = CreateThread(nullptr, 0, Window_Thread_Main, nullptr, 0, nullptr);
  if (!The_State.Thread) return Create_Thread_Failed_Code;
  const int32_t Result = Wait_For_Opening();
  if (Result != 0) Release_Session_And_Canvas();
  return Result;
}

}  // namespace

int32_t Backend_Open_Window(Window_Kind Kind, int32_t Width, int32_t Height) {
  if (The_State.Thread_Given_Up) return Create_Window_Failed_Code;
  // A window closed by its button still holds its session: release it first.
  Release_Session_And_Canvas();
  if (!Wait_For_Last_Thread()) return Create_Window_Failed_Code;
  return Start_Session(Kind, Width, Height);
}

Canvas* Backend_Open_Canvas() {
  if (Window_Is_Open()) [[likely]] return &The_State.Surface;
  Window_Gone_Answer();
  return nullptr;
}

// Tells the window thread that the program waits for the keyboard (it asks
// for it and, after a grace, shows the hint: Handle_Wake), until the window
// has it or goes.
int32_t Backend_Wait_For_Keyboard() {
  if (The_State.Has_Keyboard.load(std::memory_order_acquire)) return 0;
  The_State.Keyboard_Wanted.store(true, std::memory_order_release);
  Wake_Window_Thread();
  const int32_t Result = Wait_Until_Set(The_State.Has_Keyboard);
  The_State.Keyboard_Wanted.store(false, std::memory_order_release);
  Wake_Window_Thread();
  return Result;
}

Key_Queue& Backend_Key_Queue() { return The_State.Keys; }

Mouse_Queue& Backend_Mouse_Queue() { return The_State.Mice; }

extern "C" {

int32_t DestroyGraphWindow(void) {
  if (!The_State.Thread || The_State.Session_Ended) return Window_Already_Closed_Code;
  const bool Was_Open = Begin_Closing_Window();
  Release_Session_And_Canvas();
  return Was_Open ? 0 : Window_Not_Open_Code;  // gone meanwhile: closed by its button
}

// The client area of a window maximized on the primary monitor's work area:
// a maximized window's borders lie outside the work area, its caption inside.
int32_t GetMaxSize(int32_t* x, int32_t* y) {
  if (!x || !y) return Get_Position_Error_Code;
  RECT Work, Frame{0, 0, 0, 0};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0) ||
      !AdjustWindowRectEx(&Frame, WS_OVERLAPPEDWINDOW, FALSE, 0))
    return Create_Window_Failed_Code;
  const LONG Caption = -Frame.top - Frame.bottom;
  *x = static_cast<int32_t>(Work.right - Work.left);
  *y = static_cast<int32_t>(Work.bottom - Work.top - Caption);
  return 0;
}

int32_t SetWindowTitle(const char* title) {
  if (!title) return Error_Copying_Title_Code;
  if (!Window_Is_Open()) return Window_Gone_Answer();
  const int32_t Result = Post_Title(The_State.Pending_Title, title);
  Wake_Window_Thread();
  return Result;
}

int32_t GetKey(void) { return Wait_For_Key(The_State.Keys); }

}  // extern "C"
