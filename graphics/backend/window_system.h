// The seam every back end completes: what a back end must define, and who
// calls it. A back end is one folder under graphics/backend/, linked in place
// of the others; the program never sees which.
//
// The library's 28 C entry points (graphics/tarnwick_library.h):
//   - 21 are the shared ones, on the open window's canvas
//     (graphics/backend/shared_entries.cpp, compiled into every back end):
//     GetDLLVersion, the sizes, drawing, pixels, text, the pen, KeyHit,
//     MouseEvent, GetMouse. They reach the back end only through the four
//     functions below.
//   - 7 are the back end's window entry points: CreateGraphWindow,
//     CreateSizedGraphWindow, DestroyGraphWindow, IsOpen, GetMaxSize,
//     SetWindowTitle, GetKey. The headless back end defines all seven; the
//     threaded tier (graphics/backend/threaded/window_entries.cpp) all but
//     GetMaxSize for the back ends whose window lives on a thread of its own,
//     which add GetMaxSize, Backend_Open_Window (below) and the session's
//     hooks (threaded/window_session.h).
//
// Below: what the shared entry points call (every back end defines them;
// the threaded tier does for its back ends), and what they share.
#pragma once

#include "graphics/backend/canvas.h"
#include "graphics/backend/event_queue.h"
#include "graphics/tarnwick_codes.h"

// The open window's canvas, or nullptr when no window is open (the shared
// entry points then answer -6). Called from the program's thread only.
Canvas* Backend_Open_Canvas();

// Called by KeyHit the first time after the program cleared the window (a
// level was drawn and its flight begins, say): returns once the window has
// the keyboard, so that no one must play before they can steer. Returns at
// once where the window has the keyboard, takes it by itself, or the desktop
// has no keyboard at all. 0, or -6 when the window went while waiting.
int32_t Backend_Wait_For_Keyboard();

// The queues the back end fills with key presses and mouse events; the
// program's thread is their only consumer.
Key_Queue& Backend_Key_Queue();
Mouse_Queue& Backend_Mouse_Queue();

// The window a program asks for.
enum class Window_Kind { Default_Window, Maximized_Window, Sized_Window };

// Threaded back ends only, called by the threaded tier's opening entry points
// once they checked the request: opens a window of Kind, of Width by Height
// for a sized one, while none is open. 0, or the library's code.
int32_t Backend_Open_Window(Window_Kind Kind, int32_t Width, int32_t Height);

// The version every back end reports.
constexpr int32_t Backend_Library_Version = 5;

// No back end opens a surface wider or higher than this, rather than risk an
// allocation of gigabytes.
constexpr int32_t Largest_Window_Side = 16384;

// Whether a requested drawing surface can be opened.
constexpr bool Valid_Window_Size(int32_t Width, int32_t Height) {
  return Width >= 1 && Height >= 1 && Width <= Largest_Window_Side && Height <= Largest_Window_Side;
}
