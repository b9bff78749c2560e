// The hint a window shows over its picture while the program waits for the
// window to have the keyboard: "Click here to play" in white on blue with a
// yellow edge, in the middle of the picture, drawn into the window's picture
// of colour codes and never into the canvas. Every back end draws the same.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/backend/threaded/picture_layout.h"

// The part of the window the hint covers (clipped to the picture), in pixels.
struct Hint_Area {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
};

Hint_Area Keyboard_Hint_Area(const Picture_Layout& Layout);

// Draws the hint's part of window row Y into Line, that row's colour codes;
// a row outside the hint is left as it is.
void Draw_Keyboard_Hint_Row(const Picture_Layout& Layout, int32_t Y, uint8_t* Line);

// One frame's composition, the same for every threaded back end: composes
// into the window's picture each picture row that must be shown again (every
// one when Everything, those under the hint when it came or went, those
// showing a changed canvas row), draws the hint over it while Hint_Shown, and
// passes each run of such rows to Band(Top, Height), in window rows.
// Line_Of(Y) is the first colour code of window row Y.
template <typename Line_Of, typename Band_Of>
void Compose_Changed_Rows(const Canvas& Surface, Picture_Layout& Layout, const std::vector<uint8_t>& Rows_Changed,
                          bool Everything, bool Hint_Changed, bool Hint_Shown, Line_Of Line, Band_Of Band) {
  const Hint_Area Hint = Keyboard_Hint_Area(Layout);
  int32_t Band_Top = -1;  // the first row of the band being gathered, -1 for none
  for (int32_t Row = 0; Row <= Layout.Height; ++Row) {
    const int32_t Y = Layout.Y + Row;
    const bool Under_Hint = Y >= Hint.Y && Y < Hint.Y + Hint.Height;
    const bool Again = Row < Layout.Height && (Everything || (Hint_Changed && Under_Hint) ||
                                               Picture_Row_Changed(Layout, Rows_Changed, Row));
    if (!Again) {
      if (Band_Top >= 0) Band(Band_Top, Y - Band_Top);
      Band_Top = -1;
      continue;
    }
    uint8_t* Out = Line(Y);
    Compose_Picture_Row(Surface, Layout, Row, Out + Layout.X);
    if (Hint_Shown) Draw_Keyboard_Hint_Row(Layout, Y, Out);
    if (Band_Top < 0) Band_Top = Y;
  }
}
