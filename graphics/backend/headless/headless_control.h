// What tests and benchmarks may do to the headless back end besides calling
// the library: choose the size of the windows it opens, feed its key and mouse
// queues, look at its framebuffer, and start afresh. No display is involved.
#pragma once

#include <cstdint>

#include "graphics/backend/canvas.h"

// The size CreateGraphWindow gives (both modes). Default 800 x 600.
void Headless_Set_Window_Size(int32_t Width, int32_t Height);
// Queue a key press (character code 0 .. 255) or a mouse event for the program to read.
void Headless_Push_Key(int32_t Code);
void Headless_Push_Mouse(int32_t Code, int32_t X, int32_t Y);
// The open window's canvas, or nullptr.
const Canvas* Headless_Canvas();
// The last title set, "" before any.
const char* Headless_Title();
// Close any window, empty the queues, restore the default size.
void Headless_Reset();
