// The headless back end: the graphics library with no display. A window is a
// framebuffer in memory; keys and mouse events come only from the test
// controls (Headless_Push_Key, Headless_Push_Mouse). Implements the window
// entry points and the test controls of headless_control.h; the drawing entry
// points are the shared ones. Nothing here waits: GetKey with no key waiting
// answers -14 at once, since no one could ever press one.
// Depends on: the shared canvas and entry points, the event queues.
#include <new>
#include <string>

#include "graphics/backend/canvas.h"
#include "graphics/backend/event_queue.h"
#include "graphics/tarnwick_codes.h"
#include "graphics/backend/headless/headless_control.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

namespace {

constexpr int32_t Default_Width = 800;
constexpr int32_t Default_Height = 600;

// The back end's whole state.
struct Headless_State {
  bool Open = false;
  Canvas Surface;
  int32_t Window_Width = Default_Width, Window_Height = Default_Height;
  std::string Title;
  Key_Queue Keys;
  Mouse_Queue Mice;
};

Headless_State& State() {
  static Headless_State The_State;
  return The_State;
}

int32_t Open_Window(int32_t Width, int32_t Height) {
  Headless_State& S = State();
  if (S.Open) return Window_Already_Open_Code;
  if (!Valid_Window_Size(Width, Height)) return Invalid_Window_Size_Code;
  try {
    Canvas_Create(S.Surface, Width, Height);
  } catch (const std::bad_alloc&) {
    return Create_Window_Failed_Code;
  }
  S.Open = true;
  return 0;
}

}  // namespace

Canvas* Backend_Open_Canvas() {
  Headless_State& S = State();
  return S.Open ? &S.Surface : nullptr;
}

// The headless window always has the keyboard: its keys come from the test controls.
int32_t Backend_Wait_For_Keyboard() { return 0; }

Key_Queue& Backend_Key_Queue() { return State().Keys; }

Mouse_Queue& Backend_Mouse_Queue() { return State().Mice; }

extern "C" {

int32_t CreateGraphWindow(int32_t mode) {
  if (State().Open) return Window_Already_Open_Code;
  if (mode != 0 && mode != 1) return Invalid_Window_Size_Code;
  return Open_Window(State().Window_Width, State().Window_Height);
}

int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size) { return Open_Window(x_size, y_size); }

int32_t DestroyGraphWindow(void) {
  Headless_State& S = State();
  if (!S.Open) return Window_Already_Closed_Code;
  S.Open = false;
  S.Surface = Canvas{};
  return 0;
}

int32_t IsOpen(void) { return State().Open ? 1 : 0; }

int32_t GetMaxSize(int32_t* x, int32_t* y) {
  if (!x || !y) return Get_Position_Error_Code;
  *x = State().Window_Width;
  *y = State().Window_Height;
  return 0;
}

int32_t SetWindowTitle(const char* title) {
  if (!title) return Error_Copying_Title_Code;
  if (!State().Open) return Window_Not_Open_Code;
  State().Title = title;
  return 0;
}

int32_t GetKey(void) {
  Headless_State& S = State();
  if (!S.Open) return Window_Not_Open_Code;
  int32_t Code = 0;
  return S.Keys.Pop(Code) ? Code : Wait_Failed_Code;
}

}  // extern "C"

void Headless_Set_Window_Size(int32_t Width, int32_t Height) {
  State().Window_Width = Width;
  State().Window_Height = Height;
}

void Headless_Push_Key(int32_t Code) { State().Keys.Push(Code); }

void Headless_Push_Mouse(int32_t Code, int32_t X, int32_t Y) { State().Mice.Push({Code, X, Y}); }

const Canvas* Headless_Canvas() { return Backend_Open_Canvas(); }

const char* Headless_Title() { return State().Title.c_str(); }

void Headless_Reset() {
  Headless_State& S = State();
  S.Open = false;
  S.Surface = Canvas{};
  S.Window_Width = Default_Width;
  S.Window_Height = Default_Height;
  S.Title.clear();
  S.Keys.Clear();
  S.Mice.Clear();
}
