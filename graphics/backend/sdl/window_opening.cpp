// Opening the window on the window thread, at the size the desktop gives it,
// and closing it. A maximized window's canvas takes the size the window
// manager or compositor settles on during the opening (a floating one
// maximizes the window, a tiling one gives it its tile); without a window
// manager the back end places and sizes it itself. Other windows keep the
// size asked. Whatever the desktop does to the window afterwards, the canvas
// stays as opened and is shown scaled to fit (presentation.cpp).
#include <cstring>
#include <new>

#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_codes.h"
#include "graphics/backend/sdl/sdl_backend.h"

namespace {

// How long a maximized opening waits for a window manager to resize the window
// before it places and sizes the window itself.
constexpr auto Window_Manager_Grace = std::chrono::milliseconds(300);
// How long a window manager's size must hold before it is taken as final.
constexpr auto Window_Manager_Settling = std::chrono::milliseconds(50);

// Shows a Wayland window all black: it appears only once it shows something,
// and only then does the compositor give it its size. An X window needs nothing.
void Show_Black(SDL_Window* Handle) {
  if (!The_State.Thread_Side.On_Wayland) return;
  int Width = 0, Height = 0;
  SDL_GetWindowSizeInPixels(Handle, &Width, &Height);
  if (Width > 0 && Height > 0) Wayland_Show_Black(Width, Height);
}

// Makes a maximized window fill the usable area. A window manager maximizes it
// on its own, after a moment and sometimes in more than one step, so the size
// is taken once it has held still for a little while; without a window manager
// (bare Xvfb) the maximized flag is only a hint, and the window is placed and
// sized here.
void Fill_Usable_Area(SDL_Window* Handle, int32_t Initial_Width, int32_t Initial_Height) {
  Show_Black(Handle);
  const Clock::time_point Deadline = Clock::now() + Window_Manager_Grace;
  int Last_Width = Initial_Width, Last_Height = Initial_Height;
  Clock::time_point Last_Change{};
  for (;;) {
    int Width = 0, Height = 0;
    SDL_GetWindowSize(Handle, &Width, &Height);
    const Clock::time_point Now = Clock::now();
    if (Width != Last_Width || Height != Last_Height) {
      Last_Width = Width;
      Last_Height = Height;
      Last_Change = Now;
      Show_Black(Handle);  // a compositor may wait for the new size to be shown before its next step
    }
    const bool Resized = Last_Width != Initial_Width || Last_Height != Initial_Height;
    if (Resized && (Now - Last_Change >= Window_Manager_Settling || Now >= Deadline)) return;
    if (Now >= Deadline) break;
    Pump_Events(std::chrono::milliseconds(10));
  }
  SDL_SetWindowSize(Handle, The_State.Usable_Width, The_State.Usable_Height);
  SDL_SetWindowPosition(Handle, The_State.Usable_X, The_State.Usable_Y);
  Pump_Events(std::chrono::milliseconds(0));
}

}  // namespace

bool Measure_Screen() {
  SDL_Rect Usable;
  if (SDL_GetDisplayUsableBounds(0, &Usable) != 0) return false;
  The_State.Usable_X = Usable.x;
  The_State.Usable_Y = Usable.y;
  The_State.Usable_Width = Usable.w;
  The_State.Usable_Height = Usable.h;
  return true;
}

int32_t Open_Window() {
  auto& Side = The_State.Thread_Side;
  const bool Maximized = The_Session.Kind == Window_Kind::Maximized_Window;
  int32_t Width = Default_Window_Width, Height = Default_Window_Height;
  if (The_Session.Kind == Window_Kind::Sized_Window) {
    Width = The_Session.Requested_Width;
    Height = The_Session.Requested_Height;
  }
  // Sizes are in the desktop's logical pixels; on a scaled (HiDPI) output the
  // window surface still has the logical size and SDL scales it up sharply.
  const Uint32 Flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI |
                       (Maximized ? SDL_WINDOW_MAXIMIZED : 0);
  // A maximized window starts at the usable area's corner, where it stays when it is sized here.
  const int Left = Maximized ? The_State.Usable_X : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
  const int Top = Maximized ? The_State.Usable_Y : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
  Side.Handle = SDL_CreateWindow(The_State.Program_Name.c_str(), Left, Top, Width, Height, Flags);
  if (!Side.Handle) return Create_Window_Failed_Code;
  // On Wayland the window is shown through buffers of the back end's own;
  // a compositor that gives none cannot show it.
  const bool Wayland = std::strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0;
  Side.On_Wayland = Wayland && Wayland_Output_Start(Side.Handle);
  if (Wayland && !Side.On_Wayland) return Create_Window_Failed_Code;
  // Printable keys come as text. SDL turns text input on by itself only where
  // it sees no on-screen keyboard; a Wayland compositor's text-input protocol
  // looks like one to it.
  SDL_StartTextInput();
  if (Maximized) {
    Fill_Usable_Area(Side.Handle, Width, Height);
    SDL_GetWindowSize(Side.Handle, &Width, &Height);
  }
  if (!Valid_Window_Size(Width, Height)) return Create_Window_Failed_Code;
  // An X window that cannot be shown (no window surface) is no window.
  if (!Side.On_Wayland && !SDL_GetWindowSurface(Side.Handle)) return Create_Window_Failed_Code;
  try {
    Canvas_Create(The_Session.Surface, Width, Height);
  } catch (const std::bad_alloc&) {
    return Create_Window_Failed_Code;
  }
  Side.Repaint_All = true;
  Set_Keyboard_Focus(Side.Has_Keyboard_Focus);  // publishes what the opening found
  // Closed by its button before it was ready: the opening failed.
  return Side.Closed ? Create_Window_Failed_Code : 0;
}

void Close_Window() {
  auto& Side = The_State.Thread_Side;
  Wayland_Output_Stop();
  if (Side.Palette_Image) SDL_FreeSurface(Side.Palette_Image);
  if (Side.Handle) SDL_DestroyWindow(Side.Handle);
  Side = {};
}
