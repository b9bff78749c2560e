// The seam between the entry points every back end shares (drawing, pixels,
// sizes, version: graphics/backend/shared_entries.cpp) and the back end's own
// window system. Each back end defines this one function next to its own entry
// points (window opening and closing, title, keys, mouse, maximum size).
#pragma once

#include "graphics/backend/canvas.h"

// The open window's canvas, or nullptr when no window is open (the shared
// entry points then answer -6). Called from the program's thread only.
Canvas* Backend_Open_Canvas();

// The version every back end reports.
constexpr int32_t Backend_Library_Version = 5;
