// Showing the canvas in the window, on the window thread. The canvas rows
// the program changed since the last frame are composed into a picture of
// colour codes the window's size (scaled to fit when the desktop made the
// window another size than the canvas, graphics/backend/picture_layout.h),
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
#include <algorithm>
#include <cstring>

#include "graphics/backend/font.h"
#include "graphics/backend/sdl/sdl_backend.h"

namespace {

// The sixteen colours, in the order of the old PC text palette.
constexpr SDL_Color Palette_Colors[16] = {
    {0x00, 0x00, 0x00, 0xFF}, {0x00, 0x00, 0xAA, 0xFF}, {0x00, 0xAA, 0x00, 0xFF}, {0x00, 0xAA, 0xAA, 0xFF},
    {0xAA, 0x00, 0x00, 0xFF}, {0xAA, 0x00, 0xAA, 0xFF}, {0xAA, 0x55, 0x00, 0xFF}, {0xAA, 0xAA, 0xAA, 0xFF},
    {0x55, 0x55, 0x55, 0xFF}, {0x55, 0x55, 0xFF, 0xFF}, {0x55, 0xFF, 0x55, 0xFF}, {0x55, 0xFF, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55, 0xFF}, {0xFF, 0x55, 0xFF, 0xFF}, {0xFF, 0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF},
};

constexpr const char* Hint_Text = "Click here to play";
constexpr uint8_t Hint_Text_Color = 15, Hint_Box_Color = 1, Hint_Border_Color = 14;  // white on blue, yellow edge

// The hint in a layout: its box in the middle of the picture (not clipped)
// and its text's scale: the letters a twelfth of the picture's height at
// most, the box within seven eighths of its width. The text lies four pixels
// of the scale in from the box's edges.
struct Hint_Geometry {
  SDL_Rect Box;
  int32_t Scale;
};

Hint_Geometry Hint_In(const Picture_Layout& Layout) {
  const auto Text_Width = static_cast<int32_t>(std::strlen(Hint_Text)) * Font_Cell_Width;
  const int32_t Scale =
      std::max(1, std::min(Layout.Width * 7 / 8 / (Text_Width + 8), Layout.Height / 12 / Font_Cell_Height));
  const int32_t Width = (Text_Width + 8) * Scale, Height = (Font_Cell_Height + 8) * Scale;
  return {{Layout.X + (Layout.Width - Width) / 2, Layout.Y + (Layout.Height - Height) / 2, Width, Height}, Scale};
}

// The window pixels the hint covers: its box, clipped to the picture.
SDL_Rect Hint_Box_For(const Picture_Layout& Layout) {
  const SDL_Rect Box = Hint_In(Layout).Box, Picture{Layout.X, Layout.Y, Layout.Width, Layout.Height};
  SDL_Rect Clipped{};
  SDL_IntersectRect(&Box, &Picture, &Clipped);
  return Clipped;
}

// Draws window row Y of the hint into Line, the row's colour codes.
void Draw_Hint_Row(uint8_t* Line, int32_t Y) {
  const auto& Side = The_State.Thread_Side;
  const auto [Box, Scale] = Hint_In(Side.Layout);
  const int32_t Edge = Scale, Inset = 4 * Scale;
  const bool Edge_Row = Y < Box.y + Edge || Y >= Box.y + Box.h - Edge;
  const int32_t Text_Row = (Y - Box.y - Inset) / Scale;
  const bool In_Text_Rows = Y >= Box.y + Inset && Text_Row < Font_Cell_Height;
  const auto Text_Columns = static_cast<int32_t>(std::strlen(Hint_Text)) * Font_Cell_Width;
  for (int32_t X = Side.Hint_Box.x; X < Side.Hint_Box.x + Side.Hint_Box.w; ++X) {
    uint8_t Color = Hint_Box_Color;
    const int32_t Column = (X - Box.x - Inset) / Scale;
    if (Edge_Row || X < Box.x + Edge || X >= Box.x + Box.w - Edge) {
      Color = Hint_Border_Color;
    } else if (In_Text_Rows && X >= Box.x + Inset && Column < Text_Columns) {
      const Glyph_Rows& Glyph = Font_Glyph(static_cast<unsigned char>(Hint_Text[Column / Font_Cell_Width]));
      if (Glyph[static_cast<size_t>(Text_Row)] & (0x80 >> (Column % Font_Cell_Width))) Color = Hint_Text_Color;
    }
    Line[X] = Color;
  }
}

// Lays the canvas out in a window of a new size in pixels, with a black picture of that size.
bool Lay_Out_For(int32_t Width, int32_t Height) {
  auto& Side = The_State.Thread_Side;
  if (Side.Palette_Image) SDL_FreeSurface(Side.Palette_Image);
  // A new image is all zeros: colour code 0, black, beside the picture.
  Side.Palette_Image = SDL_CreateRGBSurfaceWithFormat(0, Width, Height, 8, SDL_PIXELFORMAT_INDEX8);
  if (!Side.Palette_Image) return false;
  SDL_SetPaletteColors(Side.Palette_Image->format->palette, Palette_Colors, 0, 16);
  Side.Layout = Layout_Picture(The_State.Surface.Width, The_State.Surface.Height, Width, Height);
  Side.Hint_Box = Hint_Box_For(Side.Layout);
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

// Whether picture row Row shows a canvas row that changed.
bool Picture_Row_Changed(int32_t Row) {
  const auto& Side = The_State.Thread_Side;
  const auto Index = static_cast<size_t>(Row);
  for (int32_t Y = Side.Layout.Row_Start[Index]; Y < Side.Layout.Row_End[Index]; ++Y)
    if (Side.Rows_Changed[static_cast<size_t>(Y)]) return true;
  return false;
}

}  // namespace

void Present() {
  auto& Side = The_State.Thread_Side;
  Canvas& Surface = The_State.Surface;
  bool Any_Changed = false;
  Side.Rows_Changed.resize(static_cast<size_t>(Surface.Height));
  for (int32_t Y = 0; Y < Surface.Height; ++Y) {
    const bool Changed = Canvas_Take_Dirty_Row(Surface, Y);
    Side.Rows_Changed[static_cast<size_t>(Y)] = Changed;
    Any_Changed = Any_Changed || Changed;
  }
  const bool Hint_Changed = Side.Hint_Wanted != Side.Hint_Drawn;
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
  const SDL_Rect& Hint = Side.Hint_Box;
  for (int32_t Row = 0; Row < Side.Layout.Height; ++Row) {
    const int32_t Y = Side.Layout.Y + Row;
    const bool Under_Hint = Y >= Hint.y && Y < Hint.y + Hint.h;
    if (!Side.Repaint_All && !(Hint_Changed && Under_Hint) && !Picture_Row_Changed(Row)) continue;
    auto* Line = static_cast<uint8_t*>(Image->pixels) + static_cast<size_t>(Y) * static_cast<size_t>(Image->pitch);
    Compose_Picture_Row(Surface, Side.Layout, Row, Line + Side.Layout.X);
    if (Side.Hint_Wanted && Under_Hint) Draw_Hint_Row(Line, Y);
    if (!Bands.empty() && Bands.back().y + Bands.back().h == Y)
      ++Bands.back().h;
    else
      Bands.push_back({Side.Layout.X, Y, Side.Layout.Width, 1});
  }

  if (Side.On_Wayland)
    Side.Show_Pending = !Wayland_Show(*Image, Bands, Side.Repaint_All);
  else
    Show_On_Window_Surface(*Target, Bands, Side.Repaint_All);
  Side.Repaint_All = false;
  Side.Hint_Drawn = Side.Hint_Wanted;
}
