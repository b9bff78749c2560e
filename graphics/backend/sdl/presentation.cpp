// Showing the canvas in the window, on the window thread. The canvas rows
// the program changed since the last frame are composed into a picture of
// colour codes the window's size (scaled to fit when the desktop made the
// window another size than the canvas, graphics/backend/threaded/picture_layout.h),
// and only the window rows they cover are copied to the window surface and
// shown. Nothing is shown when nothing changed, unless the window was exposed
// or resized.
//
// While the program waits for the keyboard (keyboard_wait.cpp), a hint to
// click the window is drawn over the picture's middle, in the window's own
// pixels (never on the canvas, which GetColorPixel answers from); the rows
// it covered are composed afresh from the canvas when it goes.
//
// On X11 the rows go to SDL's window surface, the X server's shared-memory
// image; on Wayland to buffers of the back end's own (wayland_buffers.cpp).
#include "graphics/backend/threaded/keyboard_hint.h"
#include "graphics/backend/sdl/sdl_backend.h"

namespace {

// Lays the canvas out in a window of a new size in pixels, with a black picture of that size.
bool Lay_Out_For(int32_t Width, int32_t Height) {
  auto& Side = The_State.Thread_Side;
  if (Side.Palette_Image) SDL_FreeSurface(Side.Palette_Image);
  // A new image is all zeros: colour code 0, black, beside the picture.
  Side.Palette_Image = SDL_CreateRGBSurfaceWithFormat(0, Width, Height, 8, SDL_PIXELFORMAT_INDEX8);
  if (!Side.Palette_Image) return false;
  SDL_Color Colors[16];
  for (int Code = 0; Code < 16; ++Code) {
    const Palette_Color Color = Color_Of_Code(Code);
    Colors[Code] = {Color.Red, Color.Green, Color.Blue, 0xFF};
  }
  SDL_SetPaletteColors(Side.Palette_Image->format->palette, Colors, 0, 16);
  Side.Layout = Layout_Picture(The_Session.Surface.Width, The_Session.Surface.Height, Width, Height);
  Side.Repaint_All = true;
  return true;
}

// Copies the bands (everything when Everything) of the picture to SDL's window surface and shows them.
void Show_On_Window_Surface(SDL_Surface& Target, const std::vector<SDL_Rect>& Bands, bool Everything) {
  auto& Side = The_State.Thread_Side;
  if (Everything) {
    SDL_BlitSurface(Side.Palette_Image, nullptr, &Target, nullptr);
    SDL_UpdateWindowSurface(Side.Handle);
    return;
  }
  for (SDL_Rect Band : Bands) {
    SDL_Rect Destination = Band;
    SDL_BlitSurface(Side.Palette_Image, &Band, &Target, &Destination);
  }
  SDL_UpdateWindowSurfaceRects(Side.Handle, Bands.data(), static_cast<int>(Bands.size()));
}

}  // namespace

void Present() {
  auto& Side = The_State.Thread_Side;
  Canvas& Surface = The_Session.Surface;
  const bool Any_Changed = Canvas_Take_Dirty_Rows(Surface, Side.Rows_Changed);
  const bool Hint_Changed = Side.Wait.Hint_Wanted != Side.Hint_Drawn;
  if (!Any_Changed && !Side.Repaint_All && !Side.Show_Pending && !Hint_Changed) return;

  // The window's size in pixels (twice its size on a doubled Wayland output).
  int Width = 0, Height = 0;
  SDL_Surface* Target = nullptr;
  if (Side.On_Wayland) {
    SDL_GetWindowSizeInPixels(Side.Handle, &Width, &Height);
  } else if ((Target = SDL_GetWindowSurface(Side.Handle))) {
    Width = Target->w;
    Height = Target->h;
  }
  if (Width < 1 || Height < 1) {
    Side.Repaint_All = true;  // the rows just taken are shown once the window is back
    return;
  }
  if (Width != Side.Layout.Output_Width || Height != Side.Layout.Output_Height || !Side.Palette_Image) {
    if (!Lay_Out_For(Width, Height)) return;
  }

  SDL_Surface* Image = Side.Palette_Image;
  std::vector<SDL_Rect>& Bands = Side.Bands;
  Bands.clear();
  Compose_Changed_Rows(
      Surface, Side.Layout, Side.Rows_Changed, Side.Repaint_All, Hint_Changed, Side.Wait.Hint_Wanted,
      [&](int32_t Y) { return static_cast<uint8_t*>(Image->pixels) + static_cast<size_t>(Y) * static_cast<size_t>(Image->pitch); },
      [&](int32_t Top, int32_t Rows) { Bands.push_back({Side.Layout.X, Top, Side.Layout.Width, Rows}); });

  if (Side.On_Wayland)
    Side.Show_Pending = !Wayland_Show(*Image, Bands, Side.Repaint_All);
  else
    Show_On_Window_Surface(*Target, Bands, Side.Repaint_All);
  Side.Repaint_All = false;
  Side.Hint_Drawn = Side.Wait.Hint_Wanted;
}
