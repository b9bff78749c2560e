// The hint a window shows over its picture while the program waits for the
// window to have the keyboard: "Click here to play" in white on blue with a
// yellow edge, in the middle of the picture, drawn into the window's picture
// of colour codes and never into the canvas. Every back end draws the same.
#pragma once

#include <cstdint>

#include "graphics/backend/picture_layout.h"

// The part of the window the hint covers (clipped to the picture), in pixels.
struct Hint_Area {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
};

Hint_Area Keyboard_Hint_Area(const Picture_Layout& Layout);

// Draws the hint's part of window row Y into Line, that row's colour codes;
// a row outside the hint is left as it is.
void Draw_Keyboard_Hint_Row(const Picture_Layout& Layout, int32_t Y, uint8_t* Line);
