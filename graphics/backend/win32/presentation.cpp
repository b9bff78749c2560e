// Showing the canvas in the window, on the window thread. The picture is an
// 8-bit device-independent bitmap of the client area's size, bottom row
// first, whose pixels are colour codes and whose colour table is the
// palette. The canvas rows the program changed since the last frame are
// composed into it (scaled to fit when the window is not the canvas's size,
// graphics/backend/threaded/picture_layout.h), and only the bands of window rows they
// cover are invalidated; WM_PAINT then copies the update region's rectangles
// to the window with StretchDIBits. Nothing is invalidated when nothing
// changed.
//
// While the program waits for the keyboard past its grace, the hint
// (graphics/backend/threaded/keyboard_hint.h) lies over the picture's middle, in the
// picture alone: the canvas never holds it.
#include <algorithm>
#include <new>

#include "graphics/backend/threaded/keyboard_hint.h"
#include "graphics/backend/win32/win32_backend.h"

bool Lay_Out_For(int32_t Width, int32_t Height) {
  auto& Side = The_State.Thread_Side;
  const Canvas& Surface = The_Session.Surface;
  // The opening lays the canvas out once it exists; a minimized window has no area to lay it out in.
  if (!Surface.Pixels || Width < 1 || Height < 1) return true;
  if (Width == Side.Layout.Output_Width && Height == Side.Layout.Output_Height) return true;
  const int32_t Stride = (Width + 3) & ~3;  // a DIB's rows start on four-byte boundaries
  try {
    // All zeros: colour code 0, black, beside the picture.
    Side.Picture.assign(static_cast<size_t>(Stride) * static_cast<size_t>(Height), 0);
    Side.Layout = Layout_Picture(Surface.Width, Surface.Height, Width, Height);
  } catch (const std::bad_alloc&) {
    Side.Picture.clear();
    Side.Layout = {};
    return false;
  }
  Side.Stride = Stride;
  BITMAPINFOHEADER& Header = Side.Bitmap.Header;
  Header = {};
  Header.biSize = sizeof Header;
  Header.biWidth = Width;
  Header.biHeight = Height;  // bottom-up: StretchDIBits counts its source rows from the bottom
  Header.biPlanes = 1;
  Header.biBitCount = 8;
  Header.biCompression = BI_RGB;
  Header.biClrUsed = 16;
  for (int Code = 0; Code < 16; ++Code) {
    const Palette_Color Color = Color_Of_Code(Code);
    Side.Bitmap.Colors[Code] = {Color.Blue, Color.Green, Color.Red, 0};
  }
  Side.Repaint_All = true;
  return true;
}

bool Present() {
  auto& Side = The_State.Thread_Side;
  Canvas& Surface = The_Session.Surface;
  const bool Any_Changed = Canvas_Take_Dirty_Rows(Surface, Side.Rows_Changed);
  const bool Hint_Changed = Side.Wait.Hint_Wanted != Side.Hint_Drawn;
  if (!Any_Changed && !Side.Repaint_All && !Hint_Changed) return true;
  const Picture_Layout& Layout = Side.Layout;
  if (Layout.Width < 1 || Side.Picture.empty()) return true;  // no picture yet: it is composed once there is

  // After a resize the black beside the picture is painted too.
  bool Invalidated = !Side.Repaint_All || InvalidateRect(Side.Handle, nullptr, FALSE);
  Compose_Changed_Rows(
      Surface, Side.Layout, Side.Rows_Changed, Side.Repaint_All, Hint_Changed, Side.Wait.Hint_Wanted,
      [&](int32_t Y) {
        return Side.Picture.data() + static_cast<size_t>(Layout.Output_Height - 1 - Y) * static_cast<size_t>(Side.Stride);
      },
      [&](int32_t Top, int32_t Rows) {
        if (Side.Repaint_All) return;
        const RECT Band{Layout.X, Top, Layout.X + Layout.Width, Top + Rows};
        Invalidated = InvalidateRect(Side.Handle, &Band, FALSE) && Invalidated;
      });
  Side.Repaint_All = false;
  Side.Hint_Drawn = Side.Wait.Hint_Wanted;
  return Invalidated;
}

void Paint_Window() {
  auto& Side = The_State.Thread_Side;
  // The rectangles to paint, taken before BeginPaint validates them.
  std::vector<RECT> Rectangles;
  if (HRGN Region = CreateRectRgn(0, 0, 0, 0)) {
    if (GetUpdateRgn(Side.Handle, Region, FALSE) > NULLREGION) {
      const DWORD Size = GetRegionData(Region, 0, nullptr);
      std::vector<uint8_t> Data(Size);
      auto* Region_Data = reinterpret_cast<RGNDATA*>(Data.data());
      if (Size >= sizeof(RGNDATAHEADER) && GetRegionData(Region, Size, Region_Data) == Size) {
        const auto* First = reinterpret_cast<const RECT*>(Region_Data->Buffer);
        Rectangles.assign(First, First + Region_Data->rdh.nCount);
      }
    }
    DeleteObject(Region);
  }
  PAINTSTRUCT Paint;
  HDC Device = BeginPaint(Side.Handle, &Paint);
  if (!Device) return;
  if (Rectangles.empty()) Rectangles.push_back(Paint.rcPaint);
  const Picture_Layout& Layout = Side.Layout;
  for (RECT Area : Rectangles) {
    Area.right = std::min<LONG>(Area.right, Layout.Output_Width);
    Area.bottom = std::min<LONG>(Area.bottom, Layout.Output_Height);
    const LONG Width = Area.right - Area.left, Height = Area.bottom - Area.top;
    if (Side.Picture.empty() || Width <= 0 || Height <= 0) continue;
    StretchDIBits(Device, Area.left, Area.top, Width, Height, Area.left, Layout.Output_Height - Area.bottom, Width, Height,
                  Side.Picture.data(), reinterpret_cast<const BITMAPINFO*>(&Side.Bitmap), DIB_RGB_COLORS, SRCCOPY);
  }
  EndPaint(Side.Handle, &Paint);
}
