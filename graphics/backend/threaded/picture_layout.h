// How a window shows a canvas of another size: the whole canvas, scaled to
// the largest size that fits with its aspect ratio kept, centred, the rest
// black. Each picture pixel shows the canvas pixels it covers; when several
// meet in one (the window is smaller than the canvas) the lowest colour code
// wins, so black (0) always shows and white (15) never hides anything: a
// one-pixel black line on white is never lost. When the window is larger,
// each canvas pixel becomes a block of whole pixels, so edges stay sharp.
// Nothing here knows SDL; a presenting thread uses it.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/backend/canvas.h"

// The colours the sixteen codes are shown in, as 0xRRGGBB: the old PC text palette.
constexpr uint32_t Palette_Rgb[16] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

// One code's colour, channel by channel.
struct Palette_Color {
  uint8_t Red, Green, Blue;
};
constexpr Palette_Color Color_Of_Code(int Code) {
  return {static_cast<uint8_t>(Palette_Rgb[Code] >> 16), static_cast<uint8_t>(Palette_Rgb[Code] >> 8),
          static_cast<uint8_t>(Palette_Rgb[Code])};
}

struct Picture_Layout {
  int32_t Canvas_Width = 0, Canvas_Height = 0;
  int32_t Output_Width = 0, Output_Height = 0;  // the window's drawing area, in pixels
  int32_t X = 0, Y = 0, Width = 0, Height = 0;  // where the picture lies in it
  // The canvas columns (rows) picture column (row) I shows: Start[I] .. End[I] - 1.
  std::vector<int32_t> Column_Start, Column_End, Row_Start, Row_End;
  std::vector<uint8_t> Row_Minimum;  // scratch: one canvas row's worth of codes
};

// The layout of a Canvas_Width x Canvas_Height canvas in an output of the
// given size (all at least 1).
Picture_Layout Layout_Picture(int32_t Canvas_Width, int32_t Canvas_Height, int32_t Output_Width,
                              int32_t Output_Height);

// Writes picture row Picture_Row (0 .. Layout.Height - 1) as Layout.Width colour codes to Out.
void Compose_Picture_Row(const Canvas& Surface, Picture_Layout& Layout, int32_t Picture_Row, uint8_t* Out);

// Whether picture row Row shows a canvas row that Canvas_Rows_Changed marks (one mark a canvas row).
bool Picture_Row_Changed(const Picture_Layout& Layout, const std::vector<uint8_t>& Canvas_Rows_Changed, int32_t Row);

// Turns a point of the output (a mouse position) into the canvas pixel shown
// there; points beside the picture go to its nearest edge.
void Canvas_Point_Of(const Picture_Layout& Layout, int32_t& X, int32_t& Y);
