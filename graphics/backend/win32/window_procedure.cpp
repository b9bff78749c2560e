// The window on the window thread: its class, its opening at the size Windows
// settles on, and its messages. Characters (WM_CHAR) and the arrows, page and
// editing keys (WM_KEYDOWN) become the key queue's codes, the same as the SDL
// back end's; mouse motion and buttons the mouse queue's events at their
// canvas pixel; focus, size and close the window's state.
#include <windowsx.h>

#include <new>

#include "graphics/backend/win32/win32_backend.h"
#include "graphics/backend/window_presence.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_codes.h"

namespace {

constexpr wchar_t Class_Name[] = L"Drovanel.Tarnwick.Window";
constexpr int32_t Default_Width = 640;
constexpr int32_t Default_Height = 480;
constexpr DWORD Window_Style = WS_OVERLAPPEDWINDOW;
// The presentation timer: about 60 frames a second.
constexpr UINT_PTR Frame_Timer = 1;
constexpr UINT Frame_Period_Ms = 16;
// How long a maximized window's size must hold still before it is taken as
// settled, and the longest the opening waits for it.
constexpr ULONGLONG Settling_Ms = 100;
constexpr ULONGLONG Settling_Limit_Ms = 500;
// How long a level waits silently for the keyboard before the hint shows.
constexpr ULONGLONG Keyboard_Grace_Ms = 250;

void Queue_Key(int32_t Code) {
  The_State.Keys.Push(Code);  // a full queue (131,072 waiting presses) drops the press
  Wake_Waiters();
}

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
  The_State.Mice.Push({Code, X, Y});
}

// Ends the message loop: no more presenting, no more input.
void End_Message_Loop(HWND Window) {
  auto& Side = The_State.Thread_Side;
  if (Side.Ending) return;
  Side.Ending = true;
  KillTimer(Window, Frame_Timer);
  PostQuitMessage(0);
}

void Set_Keyboard(bool Has_It) {
  The_State.Has_Keyboard.store(Has_It, std::memory_order_release);
  Wake_Waiters();
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
    case WM_SETFOCUS: Set_Keyboard(true); return 0;
    case WM_KILLFOCUS: Set_Keyboard(false); return 0;
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
      if (!The_State.Stop_Requested.load(std::memory_order_acquire)) {
        Side.Closed = true;
        Mark_Window_Gone();
      }
      End_Message_Loop(Window);
      return 0;
    default: return DefWindowProcW(Window, Message, W, L);
  }
}

// The window's size for a client area of Width x Height.
SIZE Window_Size_For(int32_t Width, int32_t Height) {
  RECT Area{0, 0, Width, Height};
  AdjustWindowRectEx(&Area, Window_Style, FALSE, 0);
  return {Area.right - Area.left, Area.bottom - Area.top};
}

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

// Handles the messages that come within Milliseconds; false when the window
// was closed meanwhile.
bool Pump_Messages(DWORD Milliseconds) {
  const ULONGLONG End = GetTickCount64() + Milliseconds;
  for (;;) {
    MSG Message;
    while (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
      if (Message.message == WM_QUIT) return false;
      TranslateMessage(&Message);
      DispatchMessageW(&Message);
    }
    if (The_State.Thread_Side.Closed || GetTickCount64() >= End) return !The_State.Thread_Side.Closed;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// Shows the window maximized on the work area. Windows does so at once; a
// window manager of the X desktop under Wine may take a moment, and where
// there is none the window keeps its first size, so once its size has held
// still for a while and it is not the maximized one, the window is placed
// over the work area here, as a maximized window would lie. False when the
// window was closed meanwhile.
bool Maximize(HWND Window) {
  // The first ShowWindow of a process may follow its launcher's wish instead; the second is obeyed.
  ShowWindow(Window, SW_SHOWMAXIMIZED);
  if (!IsZoomed(Window)) ShowWindow(Window, SW_SHOWMAXIMIZED);
  RECT Work, Frame{0, 0, 0, 0}, Client{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0)) return true;
  AdjustWindowRectEx(&Frame, Window_Style, FALSE, 0);
  const LONG Caption = -Frame.top - Frame.bottom;
  const LONG Width = Work.right - Work.left, Height = Work.bottom - Work.top - Caption;
  const ULONGLONG Deadline = GetTickCount64() + Settling_Limit_Ms;
  LONG Last_Width = -1, Last_Height = -1;
  ULONGLONG Last_Change = GetTickCount64();
  do {
    if (!Pump_Messages(10)) return false;
    GetClientRect(Window, &Client);
    if (Client.right != Last_Width || Client.bottom != Last_Height) {
      Last_Width = Client.right;
      Last_Height = Client.bottom;
      Last_Change = GetTickCount64();
    }
  } while (GetTickCount64() - Last_Change < Settling_Ms && GetTickCount64() < Deadline);
  if (Client.right == Width && Client.bottom == Height) return true;
  ShowWindow(Window, SW_RESTORE);
  SetWindowPos(Window, nullptr, Work.left + Frame.left, Work.top - Frame.bottom, Width - Frame.left + Frame.right,
               Height + Caption + 2 * Frame.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  return Pump_Messages(0);
}

void Apply_Pending_Title(HWND Window) {
  std::string* Title = The_State.Pending_Title.exchange(nullptr, std::memory_order_acquire);
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

void Handle_Wake() {
  auto& Side = The_State.Thread_Side;
  HWND Window = Side.Handle;
  if (!Window || Side.Ending) return;
  if (The_State.Stop_Requested.load(std::memory_order_acquire)) {
    End_Message_Loop(Window);
    return;
  }
  Apply_Pending_Title(Window);
  // The keyboard is asked for once as the program's wait begins; the hint
  // shows while the wait lasts past its grace, and goes with the wait.
  const bool Wanted = The_State.Keyboard_Wanted.load(std::memory_order_acquire);
  const bool Has_Keyboard = The_State.Has_Keyboard.load(std::memory_order_acquire);
  const ULONGLONG Now = GetTickCount64();
  if (Wanted && !Side.Wait_Seen) {
    Side.Wait_Began = Now;
    if (!Has_Keyboard) Ask_For_Keyboard(Window);
  }
  Side.Wait_Seen = Wanted;
  Side.Hint_Shown = Wanted && !Has_Keyboard && Now - Side.Wait_Began >= Keyboard_Grace_Ms;
  Update_Picture();
}

int32_t Open_Window() {
  auto& Side = The_State.Thread_Side;
  const HINSTANCE Instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  Class.lpfnWndProc = Window_Procedure;
  Class.hInstance = Instance;
  Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  Class.hIcon = LoadIconW(Instance, MAKEINTRESOURCEW(1));  // the program's own icon, where it has one
  Class.lpszClassName = Class_Name;
  if (!RegisterClassExW(&Class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return Create_Class_Failed_Code;

  const bool Maximized = The_State.Kind == Window_Kind::Maximized_Window;
  int32_t Width = Default_Width, Height = Default_Height;
  if (The_State.Kind == Window_Kind::Sized_Window) {
    Width = The_State.Requested_Width;
    Height = The_State.Requested_Height;
  }
  const SIZE Outer = Window_Size_For(Width, Height);
  // The window is named after the program, as its file is.
  wchar_t Program_Path[MAX_PATH] = L"drovanel";
  GetModuleFileNameW(nullptr, Program_Path, MAX_PATH);
  std::wstring Name = Program_Path;
  Name = Name.substr(Name.find_last_of(L"\\/") + 1);
  if (Name.size() > 4 && _wcsicmp(Name.c_str() + Name.size() - 4, L".exe") == 0) Name.resize(Name.size() - 4);
  Side.Handle = CreateWindowExW(0, Class_Name, Name.c_str(), Window_Style | (Maximized ? WS_MAXIMIZE : 0),
                                CW_USEDEFAULT, CW_USEDEFAULT, Outer.cx, Outer.cy, nullptr, nullptr, Instance,
                                nullptr);
  if (!Side.Handle) return Create_Window_Failed_Code;
  The_State.Window.store(Side.Handle, std::memory_order_release);
  if (Maximized) {
    if (!Maximize(Side.Handle)) return Create_Window_Failed_Code;
    RECT Client;
    if (!GetClientRect(Side.Handle, &Client)) return Create_Window_Failed_Code;
    Width = Client.right;
    Height = Client.bottom;
  } else {
    ShowWindow(Side.Handle, SW_SHOWNORMAL);
  }
  if (!Valid_Window_Size(Width, Height)) return Create_Window_Failed_Code;
  try {
    Canvas_Create(The_State.Surface, Width, Height);
  } catch (const std::bad_alloc&) {
    return Create_Window_Failed_Code;
  }
  RECT Client;
  if (!GetClientRect(Side.Handle, &Client) || !Lay_Out_For(Client.right, Client.bottom)) return Create_Window_Failed_Code;
  if (!SetTimer(Side.Handle, Frame_Timer, Frame_Period_Ms, nullptr)) return Create_Window_Failed_Code;
  if (!Update_Picture()) return Invalidate_Rect_Error_Code;
  if (!UpdateWindow(Side.Handle)) return Update_Window_Error_Code;
  return 0;
}
