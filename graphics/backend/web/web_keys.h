// The character code a key pressed on the page gives, the same as on the
// desktops: printable characters as their Latin-1 codes (a = 97), Enter 13,
// Backspace 8, Tab 9, Escape 27, the navigation keys 33 .. 46, Ctrl with a
// letter 1 .. 26. Plain C++, so that the table is also checked off the browser.
#pragma once

#include <cstdint>

// Key: KeyboardEvent.key, in UTF-8 (the browser has already applied Shift,
// Num Lock and the layout); Control: Ctrl was held; Alt_Or_Meta: Alt, AltGr's
// Alt or the system key was. -1 for a key that gives no character (Shift
// alone, F1, a dead key, a character beyond 8 bits).
int32_t Web_Key_Code(const char* Key, bool Control, bool Alt_Or_Meta);
