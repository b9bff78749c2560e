// The seam between the entry points every back end shares (drawing, pixels,
// sizes, version, the non-waiting key and mouse queries:
// graphics/backend/shared_entries.cpp) and the back end's own window system.
// Each back end defines these functions next to its own entry points (window
// closing, title, GetKey, maximum size; the headless one its opening too).
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

// Back ends whose window lives on a thread of its own (graphics/backend/
// window_entries.cpp checks the request): opens a window of Kind, of Width by
// Height for a sized one, while none is open. 0, or the library's code.
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
