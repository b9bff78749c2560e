// A keyboard of this process's own on a Wayland compositor, through the
// compositor's virtual keyboard protocol: key presses injected at a known
// moment, as the X test extension does on X. For the key latency benchmark,
// and the keyboard the desktop tests type on, there for the whole test as a
// real desktop's keyboard is; with it, where the compositor offers one, a
// virtual pointer to click with.
#pragma once

#include <cstdint>

struct Wayland_Keyboard;

// Connects to the compositor at Socket (a path), or to the one WAYLAND_DISPLAY
// names, and makes a keyboard with the US layout, and a pointer; nullptr when it cannot
// (no compositor, no keyboard protocol).
Wayland_Keyboard* Open_Wayland_Keyboard(const char* Socket = nullptr);
// Presses or releases the key of Linux input code Code (30 is the letter a).
void Press_Wayland_Key(Wayland_Keyboard* Keyboard, uint32_t Code, bool Down);
// Moves the pointer to (X, Y) of a Width x Height image of the whole screen and clicks
// the left button there; false when the compositor offers no virtual pointer.
bool Click_Wayland_Pointer(Wayland_Keyboard* Keyboard, uint32_t X, uint32_t Y, uint32_t Width, uint32_t Height);
// Removes the keyboard and the pointer, and disconnects.
void Close_Wayland_Keyboard(Wayland_Keyboard* Keyboard);
