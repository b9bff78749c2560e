#include "graphics/backend/web/web_keys.h"

#include <cstring>

namespace {

struct Named_Key {
  const char* Name;
  int32_t Code;
};

// The keys that give a code by their name; the keypad's, with Num Lock off,
// are named as these by the browser.
constexpr Named_Key Named_Keys[] = {
    {"Enter", 13},     {"Backspace", 8},  {"Tab", 9},          {"Escape", 27},     {"PageUp", 33},
    {"PageDown", 34},  {"End", 35},       {"Home", 36},        {"ArrowLeft", 37},  {"ArrowUp", 38},
    {"ArrowRight", 39}, {"ArrowDown", 40}, {"Insert", 45},     {"Delete", 46},
};

// The one code point of Key, or -1 when Key is not exactly one (a name such as "Shift").
int32_t Single_Code_Point(const unsigned char* Key) {
  if (Key[0] == 0) return -1;
  if (Key[0] < 0x80) return Key[1] == 0 ? Key[0] : -1;
  if (Key[0] >= 0xC0 && Key[0] < 0xE0 && (Key[1] & 0xC0) == 0x80 && Key[2] == 0)
    return ((Key[0] & 0x1F) << 6) | (Key[1] & 0x3F);
  return -1;  // three or four bytes: beyond 8 bits, or no single character
}

}  // namespace

int32_t Web_Key_Code(const char* Key, bool Control, bool Alt_Or_Meta) {
  for (const Named_Key& Named : Named_Keys)
    if (std::strcmp(Key, Named.Name) == 0) return Named.Code;
  const int32_t Code_Point = Single_Code_Point(reinterpret_cast<const unsigned char*>(Key));
  if (Control && !Alt_Or_Meta) {
    if (Code_Point >= 'a' && Code_Point <= 'z') return Code_Point - 'a' + 1;
    if (Code_Point >= 'A' && Code_Point <= 'Z') return Code_Point - 'A' + 1;
    return -1;  // Ctrl with anything else types nothing, as on the desktops
  }
  const bool Printable = (Code_Point >= 32 && Code_Point <= 126) || (Code_Point >= 160 && Code_Point <= 255);
  return Printable ? Code_Point : -1;
}
