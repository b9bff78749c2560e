// The keys the real-window tests type into a window where the keyboard is,
// and the codes the library must give for them, on every back end.
#pragma once

#include <vector>

#include "tests/harness/child_process.h"

// Letters, a shifted one, digits, space; Enter and the keypad's Enter, Escape, the
// arrows, Backspace, Tab, Ctrl+C, Page Up, Delete; a Latin-1 letter (the euro
// sign beyond 8 bits gives nothing).
const std::vector<int> Typed_Key_Codes = {97, 90, 113, 49, 32, 13, 13, 27, 37, 38, 39, 40, 8, 9, 3, 33, 46, 233, 120};

// Types the keys of Typed_Key_Codes with xdotool.
inline void Type_Test_Keys() {
  Run_Command("xdotool type --delay 20 'aZq1 '");
  Run_Command("xdotool key --delay 20 Return KP_Enter Escape Left Up Right Down BackSpace Tab ctrl+c Prior Delete");
  // By keysym name, so that no locale is needed to read the characters.
  Run_Command("xdotool key --delay 20 eacute EuroSign x");
}
