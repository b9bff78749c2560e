// The entry points every back end shares: sizes, the version, everything
// that only draws on or reads the open window's framebuffer, and the key and
// mouse queries (KeyHit waits only on a new picture, for the window to have
// the keyboard). Each one finds the window through Backend_Open_Canvas and
// answers -6 when none is open.
#include "graphics/backend/canvas.h"
#include "graphics/tarnwick_codes.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

extern "C" {

int32_t GetDLLVersion(void) { return Backend_Library_Version; }

int32_t GetWindowWidth(void) {
  const Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Surface->Width : Window_Not_Open_Code;
}

int32_t GetWindowHeight(void) {
  const Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Surface->Height : Window_Not_Open_Code;
}

int32_t GetFontWidth(void) { return Backend_Open_Canvas() ? Canvas_Font_Width() : Window_Not_Open_Code; }

int32_t GetFontHeight(void) { return Backend_Open_Canvas() ? Canvas_Font_Height() : Window_Not_Open_Code; }

int32_t ClearWindow(int32_t color) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Clear(*Surface, color) : Window_Not_Open_Code;
}

int32_t GetColorPixel(int32_t x, int32_t y) {
  const Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Get_Pixel(*Surface, x, y) : Window_Not_Open_Code;
}

int32_t PutPixel(int32_t x, int32_t y, int32_t color) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Put_Pixel(*Surface, x, y, color) : Window_Not_Open_Code;
}

int32_t DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Line(*Surface, x1, y1, x2, y2, color) : Window_Not_Open_Code;
}

int32_t DrawBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color, int32_t fill) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Box(*Surface, x1, y1, x2, y2, color, fill) : Window_Not_Open_Code;
}

int32_t DrawCircle(int32_t x, int32_t y, int32_t radius, int32_t color, int32_t fill) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Circle(*Surface, x, y, radius, color, fill) : Window_Not_Open_Code;
}

int32_t DrawEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color, int32_t fill) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Ellipse(*Surface, x1, y1, x2, y2, color, fill) : Window_Not_Open_Code;
}

int32_t FillFlood(int32_t x, int32_t y, int32_t color) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Flood_Fill(*Surface, x, y, color) : Window_Not_Open_Code;
}

int32_t DisplayText(int32_t x, int32_t y, const char* text, int32_t color) {
  Canvas* Surface = Backend_Open_Canvas();
  if (!Surface) return Window_Not_Open_Code;
  if (!text) return Text_Out_Error_Code;
  return Canvas_Text(*Surface, x, y, text, color);
}

int32_t WhereX(void) {
  const Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Surface->Current_X : Window_Not_Open_Code;
}

int32_t WhereY(void) {
  const Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Surface->Current_Y : Window_Not_Open_Code;
}

int32_t GotoXY(int32_t x, int32_t y) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Goto(*Surface, x, y) : Window_Not_Open_Code;
}

int32_t DrawTo(int32_t x, int32_t y, int32_t color) {
  Canvas* Surface = Backend_Open_Canvas();
  return Surface ? Canvas_Draw_To(*Surface, x, y, color) : Window_Not_Open_Code;
}

int32_t KeyHit(void) {
  Canvas* Surface = Backend_Open_Canvas();
  if (!Surface) return Window_Not_Open_Code;
  // The first key query on a new picture waits until the player can steer.
  if (Canvas_Take_New_Clear(*Surface)) [[unlikely]] {
    const int32_t Result = Backend_Wait_For_Keyboard();
    if (Result < 0) return Result;
  }
  return Backend_Key_Queue().Is_Empty() ? 0 : 1;
}

int32_t MouseEvent(void) {
  if (!Backend_Open_Canvas()) return Window_Not_Open_Code;
  return Backend_Mouse_Queue().Is_Empty() ? 0 : 1;
}

int32_t GetMouse(int32_t* record) {
  if (!Backend_Open_Canvas()) return Window_Not_Open_Code;
  if (!record) return Get_Position_Error_Code;
  Mouse_Event_Record Event{Mouse_None_Code, 0, 0};  // nothing waiting: no event, at (0, 0)
  Backend_Mouse_Queue().Pop(Event);
  record[0] = Event.Code;
  record[1] = Event.X;
  record[2] = Event.Y;
  return 0;
}

}  // extern "C"
