// A keyboard of this process's own on a Wayland compositor, through the
// compositor's virtual keyboard protocol: key presses injected at a known
// moment, as the X test extension does on X. For the key latency benchmark,
// and the keyboard the desktop tests type on, there for the whole test as a
// real desktop's keyboard is.
#pragma once

#include <cstdint>

struct Wayland_Keyboard;

// Connects to the compositor at Socket (a path), or to the one WAYLAND_DISPLAY
// names, and makes a keyboard with the US layout; nullptr when it cannot
// (no compositor, no protocol).
Wayland_Keyboard* Open_Wayland_Keyboard(const char* Socket = nullptr);
// Presses or releases the key of Linux input code Code (30 is the letter a).
void Press_Wayland_Key(Wayland_Keyboard* Keyboard, uint32_t Code, bool Down);
// Removes the keyboard and disconnects.
void Close_Wayland_Keyboard(Wayland_Keyboard* Keyboard);
