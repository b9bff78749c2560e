// Whether the window has the keyboard, and the program's wait for it. A
// level's flight must not start while the player's keys go to another window
// (the console, where the prompts were answered): KeyHit's first query on a
// new picture waits until the window has the keyboard. The window's focus
// messages publish The_Session.Keyboard_Ready (input.cpp), which the
// program's thread waits on (threaded/window_entries.cpp). While it waits,
// the window thread asks Windows for the keyboard once and, after a short
// silent grace, shows the hint over the picture (presentation.cpp).
#include "graphics/backend/win32/win32_backend.h"

namespace {

// Asks for the keyboard: Windows hands it over only to the process that had
// the last input (or is the foreground's); otherwise the taskbar button flashes
// until the player comes to the window.
void Ask_For_Keyboard(HWND Window) {
  if (GetForegroundWindow() == Window) {
    SetFocus(Window);
    return;
  }
  if (SetForegroundWindow(Window)) return;
  FLASHWINFO Flash{sizeof(FLASHWINFO), Window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&Flash);
}

}  // namespace

void Set_Keyboard_Focus(bool Has_It) { Publish_Keyboard_Ready(Has_It); }

void Follow_Keyboard_Wait(HWND Window) {
  if (Follow_Wait(The_State.Thread_Side.Wait) && !The_Session.Keyboard_Ready.load(std::memory_order_acquire))
    Ask_For_Keyboard(Window);
}
