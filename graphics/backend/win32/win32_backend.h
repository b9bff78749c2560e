// The Win32 back end's state, in one record, and what its files share:
//   window_thread.cpp    the window thread, the opening handshake, the end of
//                        a session, and the window entry points of its own;
//   window_procedure.cpp the window class, the window's opening at the size
//                        Windows gives it, and its messages (keys, mouse,
//                        focus, size, close);
//   presentation.cpp     the canvas shown through a device-independent bitmap,
//                        scaled to fit, only the changed rows invalidated and
//                        painted, and the keyboard hint drawn over it.
// Only these files include <windows.h>. Whether the window is open, and who
// answers for its loss, is graphics/backend/window_presence.h, shared with the
// SDL back end.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/backend/canvas.h"
#include "graphics/backend/event_queue.h"
#include "graphics/backend/picture_layout.h"
#include "graphics/backend/window_system.h"

// How far the opening handshake got: the window thread moves it from Pending
// to Finished, the program's thread to Abandoned when it stops waiting; only
// one of them can.
enum class Opening_Stage : uint8_t { Pending, Finished, Abandoned };

// A DIB's header with the sixteen colours of the palette.
struct Palette_Bitmap_Info {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[16];
};

// The back end's whole state. The program's thread owns the session fields;
// the window thread owns Thread_Side. The canvas is created by the window
// thread during the opening (while the program waits) and released by the
// program's thread once the window thread has ended; a thread that was given
// up keeps it for good. The rest is shared through atomics.
struct Win32_Backend_State {
  // Program thread only.
  HANDLE Thread = nullptr;            // the window thread, until it has been seen to end
  bool Session_Ended = false;         // its session is over (its thread may still be destroying the window)
  HANDLE Opening_Done = nullptr;      // set by the window thread when its opening ends
  HANDLE Session_Released = nullptr;  // set by the window thread when it no longer touches the canvas
  bool Exit_Hook_Registered = false;
  bool Thread_Given_Up = false;   // a window thread stopped answering: no more windows
  Canvas Surface;

  // The request, written before the thread starts.
  Window_Kind Kind = Window_Kind::Default_Window;
  int32_t Requested_Width = 0, Requested_Height = 0;

  // The message that wakes the window thread (registered once).
  UINT Wake_Message = 0;

  // The opening handshake: the result is written before the stage becomes Finished.
  std::atomic<Opening_Stage> Opening{Opening_Stage::Pending};
  int32_t Opening_Result = 0;

  // Shared flags; whether the window is open is The_Window_State.
  std::atomic<HWND> Window{nullptr};       // the window while it exists
  std::atomic<bool> Stop_Requested{false};
  std::atomic<bool> Has_Keyboard{false};   // the window has the keyboard focus
  std::atomic<bool> Keyboard_Wanted{false};  // the program waits for the keyboard
  std::atomic<std::string*> Pending_Title{nullptr};

  Key_Queue Keys;
  Mouse_Queue Mice;

  // Window thread only.
  struct Window_Thread_Side {
    HWND Handle = nullptr;
    std::vector<uint8_t> Picture;       // the window's picture as colour codes, Stride bytes a row, top row first
    int32_t Stride = 0;
    Palette_Bitmap_Info Bitmap{};       // describes Picture to GDI
    Picture_Layout Layout;              // where the canvas shows in the window
    std::vector<uint8_t> Rows_Changed;  // this frame's changed canvas rows, kept to reuse its memory
    bool Repaint_All = true;            // resized: compose everything again
    bool Wait_Seen = false;             // the program's wait for the keyboard, as this thread saw it begin
    ULONGLONG Wait_Began = 0;           // when, in GetTickCount64's milliseconds
    bool Hint_Shown = false, Hint_Drawn = false;  // the keyboard hint wanted, and in the picture
    bool Closed = false;                // by its close button
    bool Ending = false;                // the message loop is ending: no more presenting
  } Thread_Side;
};

// The one state; never destroyed, since a window thread that was given up may still be using it.
extern Win32_Backend_State& The_State;

// Window thread: registers the class and opens the window the request asks
// for, at the size Windows settles on, with its canvas and its picture shown;
// the opening's code.
int32_t Open_Window();
// Window thread: what the window thread does with a wake message (a title, the
// keyboard wanted, the hint, the end of the session).
void Handle_Wake();

// Window thread: lays the canvas out in a window area of a new size in pixels,
// with a black picture of that size; false when there is no memory for it.
bool Lay_Out_For(int32_t Width, int32_t Height);
// Window thread: composes the canvas rows that changed since the last call
// (everything after a resize or when the hint came or went) into the picture
// and invalidates the window rows they cover. False when the window could not
// be invalidated.
bool Update_Picture();
// Window thread: paints the window's update region from the picture (WM_PAINT).
void Paint_Window();
