// Placeholder glyph table: every character a hollow box until the font lands.
#include "graphics/backend/font.h"

const Glyph_Rows& Font_Glyph(unsigned char) {
  static const Glyph_Rows Box{0x00, 0x7C, 0x44, 0x44, 0x44, 0x44, 0x7C, 0x00};
  return Box;
}
