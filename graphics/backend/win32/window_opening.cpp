// Opening the window on the window thread: its class, and the window at the
// size Windows settles on. A maximized window's canvas takes the size of the
// work area's maximized client area; other windows keep the size asked.
// Whatever happens to the window afterwards, the canvas stays as opened and
// is shown scaled to fit (presentation.cpp).
#include <new>

#include "graphics/backend/win32/win32_backend.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_codes.h"

namespace {

constexpr wchar_t Class_Name[] = L"Drovanel.Tarnwick.Window";
constexpr DWORD Window_Style = WS_OVERLAPPEDWINDOW;
// How long a maximized window's size must hold still before it is taken as
// settled, and the longest the opening waits for it.
constexpr ULONGLONG Settling_Ms = 100;
constexpr ULONGLONG Settling_Limit_Ms = 500;

// The window's size for a client area of Width x Height.
SIZE Window_Size_For(int32_t Width, int32_t Height) {
  RECT Area{0, 0, Width, Height};
  AdjustWindowRectEx(&Area, Window_Style, FALSE, 0);
  return {Area.right - Area.left, Area.bottom - Area.top};
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

}  // namespace

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

  const bool Maximized = The_Session.Kind == Window_Kind::Maximized_Window;
  int32_t Width = Default_Window_Width, Height = Default_Window_Height;
  if (The_Session.Kind == Window_Kind::Sized_Window) {
    Width = The_Session.Requested_Width;
    Height = The_Session.Requested_Height;
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
    Canvas_Create(The_Session.Surface, Width, Height);
  } catch (const std::bad_alloc&) {
    return Create_Window_Failed_Code;
  }
  RECT Client;
  if (!GetClientRect(Side.Handle, &Client) || !Lay_Out_For(Client.right, Client.bottom)) return Create_Window_Failed_Code;
  if (!SetTimer(Side.Handle, Frame_Timer, Frame_Period_Ms, nullptr)) return Create_Window_Failed_Code;
  if (!Present()) return Invalidate_Rect_Error_Code;
  if (!UpdateWindow(Side.Handle)) return Update_Window_Error_Code;
  return 0;
}
