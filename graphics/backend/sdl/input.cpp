// SDL's events on the window thread: key presses and text become the key
// queue's character codes, mouse motion and buttons the mouse queue's events,
// and the window's own events its state (closed, to be shown again, with the
// keyboard or without). The window thread is the queues' only producer.
#include <algorithm>

#include "graphics/tarnwick_codes.h"
#include "graphics/backend/sdl/sdl_backend.h"
#include "graphics/backend/threaded/window_presence.h"
#include "graphics/backend/threaded/window_session.h"

namespace {

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

// Queues a mouse event at its place on the canvas, which may be shown scaled.
// SDL gives the place in the desktop's logical pixels, the layout is in the
// window's own (twice as many on a doubled Wayland output).
void Queue_Mouse(int32_t Code, int32_t X, int32_t Y) {
  const auto& Side = The_State.Thread_Side;
  int Width = 0, Height = 0;
  SDL_GetWindowSize(Side.Handle, &Width, &Height);
  if (Side.Layout.Width > 0 && Width > 0 && Height > 0) {
    X = static_cast<int32_t>(int64_t{X} * Side.Layout.Output_Width / Width);
    Y = static_cast<int32_t>(int64_t{Y} * Side.Layout.Output_Height / Height);
    Canvas_Point_Of(Side.Layout, X, Y);
  }
  The_Session.Mice.Push({Code, X, Y});
}

// Handles one SDL event on the window thread. How the window's end shows, the
// same on every SDL 2 from 2.26 to 2.32 (their sources agree): a close request
// (WM_DELETE_WINDOW on X, the compositor's close on Wayland) gives
// SDL_WINDOWEVENT_CLOSE, and SDL_QUIT after it as the last window closes; a
// Wayland connection that fails gives SDL_QUIT once, from the event pump (its
// reconnection is compiled out); a broken X connection gives no event, only
// Xlib's I/O error handler, which no SDL 2 replaces (desktop_probes.cpp).
// Either event alone ends the window, whichever comes.
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
        // On Wayland the seat's own keyboard tells (wayland_seat.cpp): SDL
        // says nothing when the seat's keyboard goes away.
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
          if (!Side.On_Wayland) Set_Keyboard_Focus(Event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED);
          break;
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

}  // namespace

// Handles every event that arrives within Timeout (at least one wait).
void Pump_Events(std::chrono::milliseconds Timeout) {
  SDL_Event Event;
  const int Wait_Ms = static_cast<int>(std::max<long long>(Timeout.count(), 0));
  if (!SDL_WaitEventTimeout(&Event, Wait_Ms)) return;
  Handle_Event(Event);
  while (SDL_PollEvent(&Event)) Handle_Event(Event);
}

