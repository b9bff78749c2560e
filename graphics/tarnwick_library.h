/* The graphics library's C interface: 28 entry points, each taking 32-bit
 * signed integers or addresses and returning one 32-bit signed integer,
 * negative on failure (the codes are listed in graphics/tarnwick_codes.h).
 * A back end provides all of them; which one a program gets is chosen when it
 * is linked (tarnwick_headless, tarnwick_sdl, tarnwick_win32, or a test's scripted double). */
#ifndef DROVANEL_TARNWICK_LIBRARY_H
#define DROVANEL_TARNWICK_LIBRARY_H

#include <stdint.h>

#include "graphics/tarnwick_codes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The library's version; 5 or more. */
int32_t GetDLLVersion(void);
/* Opens the one window: mode 0 a default size, mode 1 maximized to the usable screen. */
int32_t CreateGraphWindow(int32_t mode);
/* Opens the window with a drawing surface of the size asked. */
int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size);
/* Closes the window. */
int32_t DestroyGraphWindow(void);
/* 1 while a window is open, 0 otherwise. */
int32_t IsOpen(void);
/* Writes the largest drawing surface the screen allows to *x and *y. */
int32_t GetMaxSize(int32_t* x, int32_t* y);
/* Width and height of the drawing surface in pixels. */
int32_t GetWindowWidth(void);
int32_t GetWindowHeight(void);
/* Width and height of one character cell of DisplayText's font. */
int32_t GetFontWidth(void);
int32_t GetFontHeight(void);
/* Sets the window's title to a NUL-terminated text (not kept after the call). */
int32_t SetWindowTitle(const char* title);
/* Every pixel takes the colour code 0 .. 15. */
int32_t ClearWindow(int32_t color);
/* The colour code of one pixel. */
int32_t GetColorPixel(int32_t x, int32_t y);
/* Sets one pixel. */
int32_t PutPixel(int32_t x, int32_t y, int32_t color);
/* Positive while a key press waits; removes nothing. */
int32_t KeyHit(void);
/* Removes the oldest key press and answers its character code 0 .. 255. */
int32_t GetKey(void);
/* Positive while a mouse event waits. */
int32_t MouseEvent(void);
/* Removes the oldest mouse event and writes its code, x and y to record[0 .. 2]. */
int32_t GetMouse(int32_t* record);
/* A line including both end points. */
int32_t DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color);
/* A rectangle with corners (x1, y1) and (x2, y2): fill 0 filled, fill 1 outline only. */
int32_t DrawBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color, int32_t fill);
/* A circle of that centre and radius. */
int32_t DrawCircle(int32_t x, int32_t y, int32_t radius, int32_t color, int32_t fill);
/* The ellipse inscribed in the rectangle with corners (x1, y1) and (x2, y2). */
int32_t DrawEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color, int32_t fill);
/* Fills the region of (x, y)'s colour that contains (x, y), four-connected. */
int32_t FillFlood(int32_t x, int32_t y, int32_t color);
/* Draws a NUL-terminated text with its top left corner at (x, y). */
int32_t DisplayText(int32_t x, int32_t y, const char* text, int32_t color);
/* The current position. */
int32_t WhereX(void);
int32_t WhereY(void);
/* Moves the current position. */
int32_t GotoXY(int32_t x, int32_t y);
/* A line from the current position to (x, y), which becomes the current position. */
int32_t DrawTo(int32_t x, int32_t y, int32_t color);

/* Not an entry point but its reverse: the interface defines it, and a back
 * end whose window can go away by itself calls it from a thread of its own
 * when the window went (closed by the user, its display lost) and the program
 * makes no library call that could tell it so, waiting at the console, say.
 * It ends the program with the report of TARNWICK.WINDOW_NOT_OPEN, as that
 * call would have, and does not return. */
void Tarnwick_Window_Lost(void);

#ifdef __cplusplus
}
#endif

#endif
