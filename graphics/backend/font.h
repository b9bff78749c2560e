// The built-in bitmap font that DisplayText draws with: one 8 x 8 cell per
// character, glyphs of our own design for the printable characters 32 .. 126.
#pragma once

#include <array>
#include <cstdint>

// One glyph: eight rows, top first; bit 7 of a row is the cell's leftmost column.
using Glyph_Rows = std::array<uint8_t, 8>;

// The cell size every glyph occupies.
constexpr int32_t Font_Cell_Width = 8;
constexpr int32_t Font_Cell_Height = 8;

// The glyph of a character; characters outside 32 .. 126 get a hollow box.
const Glyph_Rows& Font_Glyph(unsigned char Code);
