// The guards between SDL's Wayland keyboard code and xkbcommon (xkb_guard.cpp).
#pragma once

#include <cstdint>

// Window thread, after each SDL_Init: looks xkbcommon's guarded functions up
// again and, where SDL loaded xkbcommon itself, points SDL's pointers to them
// at the guards.
void Guard_Sdl_Xkbcommon();
// How many calls the guards have answered in xkbcommon's place: a layout SDL
// did not know yet, a keymap or state it never had.
uint32_t Xkb_Guard_Mended_Calls();
