// The browser's keys give the desktops' codes: the keys the real-window
// tests type, named as KeyboardEvent.key names them, give Typed_Key_Codes.
#include "graphics/backend/web/web_keys.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/harness/typed_keys.h"

namespace {

struct Browser_Key {
  const char* Key;
  bool Control = false, Alt_Or_Meta = false;
};

TEST(Web_Keys, TheTypedKeysGiveTheDesktopsCodes) {
  // In the order of Typed_Key_Codes; the keypad's Enter is also "Enter", and
  // the euro sign, beyond 8 bits, gives nothing.
  const Browser_Key Typed[] = {{"a"}, {"Z"}, {"q"}, {"1"}, {" "}, {"Enter"}, {"Enter"}, {"Escape"},
                               {"ArrowLeft"}, {"ArrowUp"}, {"ArrowRight"}, {"ArrowDown"}, {"Backspace"},
                               {"Tab"}, {"c", true}, {"PageUp"}, {"Delete"}, {"\xC3\xA9"}, {"\xE2\x82\xAC"},
                               {"x"}};
  std::vector<int> Codes;
  for (const Browser_Key& Key : Typed) {
    const int32_t Code = Web_Key_Code(Key.Key, Key.Control, Key.Alt_Or_Meta);
    if (Code >= 0) Codes.push_back(Code);
  }
  EXPECT_EQ(Codes, Typed_Key_Codes);
}

TEST(Web_Keys, KeysWithoutACharacterGiveNone) {
  const Browser_Key None[] = {{"Shift"}, {"F1"}, {"Dead"}, {"Unidentified"}, {""}, {"1", true}, {"\x7F"},
                              {"\xC2\x85"}, {"\xF0\x9F\x99\x82"}};
  for (const Browser_Key& Key : None) EXPECT_EQ(Web_Key_Code(Key.Key, Key.Control, Key.Alt_Or_Meta), -1) << Key.Key;
}

TEST(Web_Keys, ControlGivesTheLettersCodesButNotWithAlt) {
  EXPECT_EQ(Web_Key_Code("A", true, false), 1);
  EXPECT_EQ(Web_Key_Code("z", true, false), 26);
  EXPECT_EQ(Web_Key_Code("q", true, true), 'q');  // AltGr is Ctrl+Alt: its character comes through
}

}  // namespace
