// The Win32 back end's state, in one record, and what its files share:
//   window_thread.cpp    the session's work on the window thread, its message
//                        loop and wake, and the window entry points of its own;
//   window_opening.cpp   the window class, and the window's opening at the
//                        size Windows gives it;
//   input.cpp            the window's messages: keys and mouse become the
//                        queues' codes, focus, size and close its state;
//   keyboard_wait.cpp    whether the window has the keyboard, asking for it,
//                        and the hint's timing while the program waits for it;
//   presentation.cpp     the canvas shown through a device-independent bitmap,
//                        scaled to fit, only the changed rows invalidated and
//                        painted, and the keyboard hint drawn over it.
// Of the back ends, only these files include <windows.h>; of the frame,
// frame/platform_windows.cpp. The session's life cycle, its canvas, queues
// and flags, and whether the window is open are the threaded tier's
// (graphics/backend/threaded/), shared with the SDL back end.
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
#include "graphics/backend/threaded/picture_layout.h"
#include "graphics/backend/threaded/window_session.h"
#include "graphics/backend/window_system.h"

// The presentation timer the opening starts: about 60 frames a second.
constexpr UINT_PTR Frame_Timer = 1;
constexpr UINT Frame_Period_Ms = 16;

// A DIB's header with the sixteen colours of the palette.
struct Palette_Bitmap_Info {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[16];
};

// The back end's own state: the window thread owns Thread_Side; the rest is
// shared through atomics. The session's state (the canvas, the queues, the
// flags the program and the window thread share) is The_Session.
struct Win32_Backend_State {
  // The message that wakes the window thread (registered once, before the first session).
  UINT Wake_Message = 0;
  std::atomic<HWND> Window{nullptr};  // the window while it exists

  // Window thread only.
  struct Window_Thread_Side {
    HWND Handle = nullptr;
    std::vector<uint8_t> Picture;       // the window's picture as colour codes, Stride bytes a row, top row first
    int32_t Stride = 0;
    Palette_Bitmap_Info Bitmap{};       // describes Picture to GDI
    Picture_Layout Layout;              // where the canvas shows in the window
    std::vector<uint8_t> Rows_Changed;  // this frame's changed canvas rows, kept to reuse its memory
    bool Repaint_All = true;            // resized: compose everything again
    Keyboard_Wait_Watch Wait;           // the program's wait for the keyboard, and whether the hint is wanted
    bool Hint_Drawn = false;            // the hint to click the window is in the picture
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
// Window thread: what the window thread does with a wake message and at
// every frame (a title, the keyboard wanted, the hint, the picture, the end
// of the session).
void Handle_Wake();
// Window thread: ends the message loop: no more presenting, no more input.
void End_Message_Loop(HWND Window);
// The window procedure of the window's class (input.cpp).
LRESULT CALLBACK Window_Procedure(HWND Window, UINT Message, WPARAM W, LPARAM L);

// Window thread: the window gained or lost the keyboard focus.
void Set_Keyboard_Focus(bool Has_It);
// Window thread, at every frame: asks for the keyboard as the program's wait
// begins, and decides whether the hint shows.
void Follow_Keyboard_Wait(HWND Window);

// Window thread: lays the canvas out in a window area of a new size in pixels,
// with a black picture of that size; false when there is no memory for it.
bool Lay_Out_For(int32_t Width, int32_t Height);
// Window thread: composes the canvas rows that changed since the last call
// (everything after a resize or when the hint came or went) into the picture
// and invalidates the window rows they cover. False when the window could not
// be invalidated.
bool Present();
// Window thread: paints the window's update region from the picture (WM_PAINT).
void Paint_Window();
