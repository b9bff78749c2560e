// The palette framebuffer and rasteriser that every back end draws with: one
// byte per pixel holding a colour code 0 .. 15, the truth GetColorPixel
// answers from. Drawing outside the surface is clipped. Pixels and per-row
// dirty marks are read and written as relaxed atomics, so a presenting thread
// may read them while the program draws; on one thread this costs nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/backend/atomic_ref.h"

struct Canvas {
  int32_t Width = 0, Height = 0;
  std::unique_ptr<uint8_t[]> Pixels;      // Width * Height colour codes, row by row
  std::unique_ptr<uint8_t[]> Dirty_Rows;  // Height marks: 1 when the row changed since it was last taken
  uint32_t Clear_Count = 0;               // ClearWindow calls so far (atomic access)
  uint32_t Clears_Seen_By_Keys = 0;       // Clear_Count when KeyHit last looked (program thread only)
  int32_t Current_X = 0, Current_Y = 0;   // the position for GotoXY, DrawTo, WhereX, WhereY
};

// A white surface of the given size (both at least 1); every row starts dirty.
void Canvas_Create(Canvas& Surface, int32_t Width, int32_t Height);

// The built-in font's character cell.
int32_t Canvas_Font_Width();
int32_t Canvas_Font_Height();

// The library's drawing entry points on a canvas, with the library's answers:
// 0 or an answer on success; -7 for a colour code outside 0 .. 15, -9 for a fill
// code outside 0 .. 1, -8 for GetColorPixel outside the surface (also for a
// flood fill started outside it, and for a negative position given to Goto or
// Draw_To, since WhereX and WhereY could not answer it), -25 for a negative radius.
int32_t Canvas_Clear(Canvas& Surface, int32_t Color);
int32_t Canvas_Get_Pixel(const Canvas& Surface, int32_t X, int32_t Y);
int32_t Canvas_Put_Pixel(Canvas& Surface, int32_t X, int32_t Y, int32_t Color);
int32_t Canvas_Line(Canvas& Surface, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Color);
int32_t Canvas_Box(Canvas& Surface, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Color, int32_t Fill);
int32_t Canvas_Circle(Canvas& Surface, int32_t X, int32_t Y, int32_t Radius, int32_t Color, int32_t Fill);
int32_t Canvas_Ellipse(Canvas& Surface, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Color, int32_t Fill);
int32_t Canvas_Flood_Fill(Canvas& Surface, int32_t X, int32_t Y, int32_t Color);
int32_t Canvas_Text(Canvas& Surface, int32_t X, int32_t Y, const char* Text, int32_t Color);
int32_t Canvas_Goto(Canvas& Surface, int32_t X, int32_t Y);
int32_t Canvas_Draw_To(Canvas& Surface, int32_t X, int32_t Y, int32_t Color);

// For KeyHit, on the program's thread: whether the program cleared the canvas
// since KeyHit last asked (a new picture, such as a level, was drawn).
inline bool Canvas_Take_New_Clear(Canvas& Surface) {
  const uint32_t Clears = Atomic_Ref<uint32_t>(Surface.Clear_Count).load(std::memory_order_relaxed);
  if (Clears == Surface.Clears_Seen_By_Keys) [[likely]] return false;
  Surface.Clears_Seen_By_Keys = Clears;
  return true;
}

// For a presenting thread: takes the dirty mark of row Y (returns whether it was set).
bool Canvas_Take_Dirty_Row(Canvas& Surface, int32_t Y);
// For a presenting thread: takes every row's dirty mark into Rows_Changed
// (resized to the canvas's height); whether any was set.
bool Canvas_Take_Dirty_Rows(Canvas& Surface, std::vector<uint8_t>& Rows_Changed);
// For a presenting thread: one pixel's code, read atomically.
uint8_t Canvas_Read_Pixel(const Canvas& Surface, int32_t X, int32_t Y);
