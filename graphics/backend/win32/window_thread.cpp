// The Win32 back end: the graphics library on a window of Windows' own.
//
// Implements: the threaded back end's hooks (window_session.h: the session's
// preparation, its thread's work, the wake), Backend_Open_Window and
// GetMaxSize. The other window entry points are those of every threaded back
// end (threaded/window_entries.cpp); drawing, pixels, sizes, the version and
// the non-waiting key and mouse queries are the shared entry points, on the
// shared canvas, which is the truth GetColorPixel answers from.
// Leaves out: more than one window, resizing the drawing surface after the
// window opened (the picture is scaled to the window instead), mouse events
// outside the window (no capture), keys Windows gives no character for other
// than the arrows and the page and editing keys.
// Depends on: user32 and gdi32 alone, the shared canvas, the event queues,
// the threaded tier (the session, the window's presence, the picture layout,
// the keyboard hint).
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
#include "graphics/backend/threaded/window_presence.h"
#include "graphics/backend/threaded/window_session.h"
#include "graphics/backend/win32/win32_backend.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

Win32_Backend_State& The_State = *new Win32_Backend_State;

namespace {

// Runs the window's message loop until the window is closed or the program
// ends the session.
void Run_Messages() {
  MSG Message;
  while (GetMessageW(&Message, nullptr, 0, 0) > 0) {
    TranslateMessage(&Message);  // key presses become WM_CHAR
    DispatchMessageW(&Message);
  }
}

void Apply_Pending_Title(HWND Window) {
  std::string* Title = The_Session.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  if (!Title) return;
  // UTF-8 where the text is valid UTF-8, Latin-1 otherwise.
  const int Length = static_cast<int>(Title->size());
  std::wstring Wide(Title->size(), L'\0');
  int Converted = Length == 0 ? 0
                              : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Title->data(), Length, Wide.data(),
                                                    Length);
  if (Converted <= 0)
    for (Converted = 0; Converted < Length; ++Converted)
      Wide[static_cast<size_t>(Converted)] = static_cast<unsigned char>((*Title)[static_cast<size_t>(Converted)]);
  Wide.resize(static_cast<size_t>(Converted));
  SetWindowTextW(Window, Wide.c_str());
  delete Title;
}

}  // namespace

int32_t Backend_Prepare_Sessions() {
  The_State.Wake_Message = RegisterWindowMessageW(L"Drovanel.Tarnwick.Wake");
  return The_State.Wake_Message ? 0 : Message_Reg_Failed_Code;
}

// The session's window: once its message loop has ended the thread no longer
// touches the canvas or the queues, and lets go; only then does it destroy
// the window, since under Wine on an X server without a window manager
// hiding a window waits two seconds for a window manager's answer that never
// comes. The next opening waits for this thread's end.
void Backend_Run_Session() {
  const int32_t Result = Open_Window();
  Finish_Opening(Result);
  if (Result == 0) Run_Messages();
  The_State.Thread_Side.Ending = true;
  Let_Go_Of_Session();
  if (The_State.Thread_Side.Closed) Report_Loss_If_Untold();
  The_State.Window.store(nullptr, std::memory_order_release);
  if (The_State.Thread_Side.Handle) DestroyWindow(The_State.Thread_Side.Handle);
  The_State.Thread_Side = {};
}

// A post that fails (a full queue) is made up for by the presentation timer,
// which looks too.
void Backend_Wake_Window_Thread() {
  if (HWND Window = The_State.Window.load(std::memory_order_acquire))
    PostMessageW(Window, The_State.Wake_Message, 0, 0);
}

void Handle_Wake() {
  auto& Side = The_State.Thread_Side;
  HWND Window = Side.Handle;
  if (!Window || Side.Ending) return;
  if (The_Session.Stop_Requested.load(std::memory_order_acquire)) {
    End_Message_Loop(Window);
    return;
  }
  Apply_Pending_Title(Window);
  Follow_Keyboard_Wait(Window);
  Present();
}

int32_t Backend_Open_Window(Window_Kind Kind, int32_t Width, int32_t Height) {
  return Open_Session(Session_Purpose::Open_Window, Kind, Width, Height);
}

extern "C" {

// The client area of a window maximized on the primary monitor's work area:
// a maximized window's borders lie outside the work area, its caption inside.
int32_t GetMaxSize(int32_t* x, int32_t* y) {
  Tell_If_Window_Gone();
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

}  // extern "C"
