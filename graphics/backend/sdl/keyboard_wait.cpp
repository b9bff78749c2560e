// Whether the window has the keyboard, and the program's wait for it. A
// level's flight must not start while the player's keys go to another window
// (the console, where the prompts were answered): KeyHit's first query on a
// new picture waits here until the window has the keyboard.
//
// The window thread knows: SDL's focus events on X11 (where there is always a
// keyboard), the seat's own keyboard on Wayland (wayland_seat.cpp), whose
// seat may have no keyboard at all, and then nothing waits. It publishes one
// atomic, The_Session.Keyboard_Ready, which the program's thread waits on
// (threaded/window_entries.cpp), as GetKey does, and never calls SDL.
//
// While the program waits, the window thread asks the desktop for the
// keyboard and, after a short silent grace (on X11 the window takes the
// keyboard itself a frame or two after the first clear), shows a hint over
// the picture (presentation.cpp) until the window has it, and marks an X
// window as wanting attention.
#include "graphics/backend/sdl/sdl_backend.h"
#include "graphics/backend/threaded/window_presence.h"

namespace {

void Publish_Keyboard() {
  const auto& Side = The_State.Thread_Side;
  Publish_Keyboard_Ready(Side.Has_Keyboard_Focus || !Side.Seat_Has_Keyboard);
}

bool Keyboard_Ready() { return The_Session.Keyboard_Ready.load(std::memory_order_relaxed); }

// On Wayland the compositor is asked at most once per picture (the first
// clear and the wait after it are one request).
void Ask_Compositor(uint32_t Clears) {
  auto& Side = The_State.Thread_Side;
  if (!Side.On_Wayland || Keyboard_Ready() || Side.Clears_Asked == Clears) return;
  Side.Clears_Asked = Clears;
  Wayland_Request_Activation();
}

}  // namespace

void Set_Keyboard_Focus(bool Has_It) {
  The_State.Thread_Side.Has_Keyboard_Focus = Has_It;
  Publish_Keyboard();
}

void Set_Seat_Keyboard(bool Present) {
  The_State.Thread_Side.Seat_Has_Keyboard = Present;
  Publish_Keyboard();
}

void Follow_Keyboard_Wait() {
  auto& Side = The_State.Thread_Side;
  const uint32_t Clears = Atomic_Ref<uint32_t>(The_Session.Surface.Clear_Count).load(std::memory_order_acquire);
  // The first time the program clears the window (the game's first level),
  // the window comes to the front and takes the keyboard from the console:
  // on X11 by itself, on Wayland where the compositor grants it.
  if (!Side.Focus_Taken && Clears > 0) {
    Side.Focus_Taken = true;
    if (!Side.On_Wayland) {
      SDL_SetWindowInputFocus(Side.Handle);
      SDL_RaiseWindow(Side.Handle);
    }
    Ask_Compositor(Clears);
  }
  const bool Hint_Was_Wanted = Side.Wait.Hint_Wanted;
  if (Follow_Wait(Side.Wait)) Ask_Compositor(Clears);
  // An X window that still lacks the keyboard when the hint shows (its window
  // manager kept the keyboard where it was, or the player left the window) is
  // marked as wanting attention, as a refusing compositor marks a Wayland one;
  // SDL clears the mark when the window gets the keyboard.
  if (Side.Wait.Hint_Wanted && !Hint_Was_Wanted && !Side.On_Wayland) SDL_FlashWindow(Side.Handle, SDL_FLASH_UNTIL_FOCUSED);
}
