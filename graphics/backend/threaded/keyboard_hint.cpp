// The keyboard hint's geometry and its rows: the letters a twelfth of the
// picture's height at most, the box within seven eighths of its width; the
// text lies four pixels of the scale in from the box's edges, which are one
// pixel of the scale thick.
#include "graphics/backend/threaded/keyboard_hint.h"

#include <algorithm>
#include <cstring>

#include "graphics/backend/font.h"

namespace {

constexpr const char* Hint_Text = "Click here to play";
constexpr uint8_t Hint_Text_Color = 15, Hint_Box_Color = 1, Hint_Border_Color = 14;  // white on blue, yellow edge

// The hint's whole box (not clipped) and its text's scale.
struct Hint_Geometry {
  Hint_Area Box;
  int32_t Scale;
};

Hint_Geometry Hint_In(const Picture_Layout& Layout) {
  const auto Text_Width = static_cast<int32_t>(std::strlen(Hint_Text)) * Font_Cell_Width;
  const int32_t Scale =
      std::max(1, std::min(Layout.Width * 7 / 8 / (Text_Width + 8), Layout.Height / 12 / Font_Cell_Height));
  const int32_t Width = (Text_Width + 8) * Scale, Height = (Font_Cell_Height + 8) * Scale;
  return {{Layout.X + (Layout.Width - Width) / 2, Layout.Y + (Layout.Height - Height) / 2, Width, Height}, Scale};
}

}  // namespace

Hint_Area Keyboard_Hint_Area(const Picture_Layout& Layout) {
  const Hint_Area Box = Hint_In(Layout).Box;
  const int32_t Left = std::max(Box.X, Layout.X), Top = std::max(Box.Y, Layout.Y);
  const int32_t Right = std::min(Box.X + Box.Width, Layout.X + Layout.Width);
  const int32_t Bottom = std::min(Box.Y + Box.Height, Layout.Y + Layout.Height);
  if (Right <= Left || Bottom <= Top) return {};
  return {Left, Top, Right - Left, Bottom - Top};
}

void Draw_Keyboard_Hint_Row(const Picture_Layout& Layout, int32_t Y, uint8_t* Line) {
  const auto [Box, Scale] = Hint_In(Layout);
  const Hint_Area Area = Keyboard_Hint_Area(Layout);
  if (Y < Area.Y || Y >= Area.Y + Area.Height) return;
  const int32_t Edge = Scale, Inset = 4 * Scale;
  const bool Edge_Row = Y < Box.Y + Edge || Y >= Box.Y + Box.Height - Edge;
  const int32_t Text_Row = (Y - Box.Y - Inset) / Scale;
  const bool In_Text_Rows = Y >= Box.Y + Inset && Text_Row < Font_Cell_Height;
  const auto Text_Columns = static_cast<int32_t>(std::strlen(Hint_Text)) * Font_Cell_Width;
  for (int32_t X = Area.X; X < Area.X + Area.Width; ++X) {
    uint8_t Color = Hint_Box_Color;
    const int32_t Column = (X - Box.X - Inset) / Scale;
    if (Edge_Row || X < Box.X + Edge || X >= Box.X + Box.Width - Edge) {
      Color = Hint_Border_Color;
    } else if (In_Text_Rows && X >= Box.X + Inset && Column < Text_Columns) {
      const Glyph_Rows& Glyph = Font_Glyph(static_cast<unsigned char>(Hint_Text[Column / Font_Cell_Width]));
      if (Glyph[static_cast<size_t>(Text_Row)] & (0x80 >> (Column % Font_Cell_Width))) Color = Hint_Text_Color;
    }
    Line[X] = Color;
  }
}
