// The window's messages on the window thread. Characters (WM_CHAR) and the
// arrows, page and editing keys (WM_KEYDOWN) become the key queue's codes,
// the same as the SDL back end's; mouse motion and buttons the mouse queue's
// events at their canvas pixel; focus, size and close the window's state.
// The window thread is the queues' only producer.
#include <windowsx.h>

#include "graphics/backend/threaded/window_presence.h"
#include "graphics/backend/win32/win32_backend.h"
#include "graphics/tarnwick_codes.h"

namespace {

// The code of a character Windows typed, or -1 for none: printable Latin-1,
// Enter, Backspace, Tab, Escape and Ctrl+letter (1 .. 26, as Windows gives
// them). Ctrl+Enter's line feed is Enter; the other control characters that
// Ctrl gives with punctuation, and DEL, are none.
int32_t Character_Code(WPARAM Character) {
  if (Character == 10) return 13;
  if (Character >= 1 && Character <= 27) return static_cast<int32_t>(Character);
  const bool Printable = (Character >= 32 && Character <= 126) || (Character >= 160 && Character <= 255);
  return Printable ? static_cast<int32_t>(Character) : -1;
}

// The code of a key that types no character: Page Up 33 .. Down 40, Insert 45
// and Delete 46 (Windows' virtual-key codes are these very numbers, also for
// the keypad's keys without Num Lock); -1 for any other key.
int32_t Special_Key_Code(WPARAM Key) {
  if ((Key >= VK_PRIOR && Key <= VK_DOWN) || Key == VK_INSERT || Key == VK_DELETE) return static_cast<int32_t>(Key);
  return -1;
}

// Queues a mouse event at the canvas pixel shown at that point of the client area.
void Queue_Mouse(int32_t Code, LPARAM Position) {
  int32_t X = GET_X_LPARAM(Position), Y = GET_Y_LPARAM(Position);
  const Picture_Layout& Layout = The_State.Thread_Side.Layout;
  if (Layout.Width > 0) Canvas_Point_Of(Layout, X, Y);
  The_Session.Mice.Push({Code, X, Y});
}

}  // namespace

void End_Message_Loop(HWND Window) {
  auto& Side = The_State.Thread_Side;
  if (Side.Ending) return;
  Side.Ending = true;
  KillTimer(Window, Frame_Timer);
  PostQuitMessage(0);
}

LRESULT CALLBACK Window_Procedure(HWND Window, UINT Message, WPARAM W, LPARAM L) {
  auto& Side = The_State.Thread_Side;
  if (Message == The_State.Wake_Message) {
    Handle_Wake();
    return 0;
  }
  switch (Message) {
    case WM_CHAR: {
      const int32_t Code = Character_Code(W);
      if (Code >= 0) Queue_Key(Code);
      return 0;
    }
    case WM_KEYDOWN: {
      const int32_t Code = Special_Key_Code(W);
      if (Code >= 0) Queue_Key(Code);
      return 0;
    }
    case WM_MOUSEMOVE: Queue_Mouse(Mouse_Move_Code, L); return 0;
    case WM_LBUTTONDOWN: Queue_Mouse(Mouse_Left_Down_Code, L); return 0;
    case WM_LBUTTONUP: Queue_Mouse(Mouse_Left_Up_Code, L); return 0;
    case WM_RBUTTONDOWN: Queue_Mouse(Mouse_Right_Down_Code, L); return 0;
    case WM_RBUTTONUP: Queue_Mouse(Mouse_Right_Up_Code, L); return 0;
    case WM_SETFOCUS: Set_Keyboard_Focus(true); return 0;
    case WM_KILLFOCUS: Set_Keyboard_Focus(false); return 0;
    case WM_SIZE:
      // A minimized window has no area; its picture waits for the window's return.
      if (LOWORD(L) > 0 && HIWORD(L) > 0 && Side.Handle && !Side.Ending) Lay_Out_For(LOWORD(L), HIWORD(L));
      return 0;
    case WM_TIMER:
      if (W == Frame_Timer) Handle_Wake();
      return 0;
    case WM_ERASEBKGND: return 1;  // the picture covers the whole client area
    case WM_PAINT: Paint_Window(); return 0;
    case WM_CLOSE:
      // The close button: the window goes now, and the program learns of it
      // at its next call or, waiting at the console, from the window thread,
      // which then destroys the window (Window_Thread_Main).
      if (!The_Session.Stop_Requested.load(std::memory_order_acquire)) {
        Side.Closed = true;
        Mark_Window_Gone();
      }
      End_Message_Loop(Window);
      return 0;
    default: return DefWindowProcW(Window, Message, W, L);
  }
}
