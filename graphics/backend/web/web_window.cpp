// The window back end in the browser: the window is the page's field, a
// <canvas> the page shows in the room it has for it. The program's thread
// runs in a Web Worker: it draws into the shared palette framebuffer, and
// hands control back to the worker's event loop (the page link) a few times
// a frame while it flies, when it waits for a key or for the keyboard, so
// that the page's keys, focus, room and frame ticks reach it. On each frame
// tick it sends the page the picture's rows that changed, as RGBA.
// Implements the seven window entry points and the back-end hooks of
// window_system.h; the drawing entry points are the shared ones.
#include <emscripten.h>

#include <algorithm>
#include <new>
#include <vector>

#include "graphics/backend/canvas.h"
#include "graphics/backend/threaded/keyboard_hint.h"
#include "graphics/backend/threaded/picture_layout.h"
#include "graphics/backend/web/page_link.h"
#include "graphics/backend/web/web_keys.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

namespace {

constexpr int32_t Default_Width = 640, Default_Height = 480;

// How often the flight hands control to the page: a key or a refresh waits
// no longer than this, half a frame, and a turn (about 0.2 ms in Chromium)
// costs the pace under 3 %.
constexpr double Turn_Interval_Ms = 8.0;

// How long a level waits for the keyboard before the hint shows.
constexpr double Hint_Delay_Ms = 250.0;

// How long one wait for a key or for the keyboard lasts before it looks
// again; any message from the page ends it sooner.
constexpr int32_t Key_Wait_Ms = 100;

struct Web_State {
  bool Open = false;
  Canvas Surface;
  Key_Queue Keys;
  Mouse_Queue Mice;

  bool Field_Has_Keyboard = false;
  bool Hint_Shown = false, Hint_Changed = false;
  bool Everything = true;     // the whole picture must be shown again
  bool Frame_Wanted = false;  // the page's display refreshes: show what changed
  double Last_Turn_Ms = 0;

  // The picture as the page shows it: the canvas laid out in the page's room.
  Picture_Layout Layout;
  std::vector<uint8_t> Picture;       // Output_Width x Output_Height colour codes
  std::vector<uint8_t> Rows_Changed;  // the canvas rows changed since the last frame
  std::vector<uint8_t> Rgba;          // one band of rows as the page takes them
};

Web_State& State() {
  static Web_State The_State;
  return The_State;
}

// Lays the canvas out in an output of Width x Height pixels, all shown again.
void Lay_Out(int32_t Width, int32_t Height) {
  Web_State& S = State();
  S.Layout = Layout_Picture(S.Surface.Width, S.Surface.Height, std::max(Width, 1), std::max(Height, 1));
  S.Picture.assign(static_cast<size_t>(S.Layout.Output_Width) * static_cast<size_t>(S.Layout.Output_Height), 0);
  S.Everything = true;
}

// Sends picture rows Top .. Top + Rows - 1 to the page.
void Send_Band(int32_t Top, int32_t Rows) {
  Web_State& S = State();
  const size_t Width = static_cast<size_t>(S.Layout.Output_Width);
  S.Rgba.resize(Width * static_cast<size_t>(Rows) * 4);
  const uint8_t* Codes = &S.Picture[static_cast<size_t>(Top) * Width];
  for (size_t I = 0; I < Width * static_cast<size_t>(Rows); ++I) {
    const Palette_Color Color = Color_Of_Code(Codes[I]);
    S.Rgba[4 * I] = Color.Red;
    S.Rgba[4 * I + 1] = Color.Green;
    S.Rgba[4 * I + 2] = Color.Blue;
    S.Rgba[4 * I + 3] = 255;
  }
  Page_Show_Rows(Top, Rows, S.Layout.Output_Width, S.Rgba.data());
}

// One frame: the rows that changed since the last, or the whole picture.
void Present() {
  Web_State& S = State();
  Canvas_Take_Dirty_Rows(S.Surface, S.Rows_Changed);
  const auto Line = [&S](int32_t Y) { return &S.Picture[static_cast<size_t>(Y) * S.Layout.Output_Width]; };
  if (S.Everything) {
    Compose_Changed_Rows(S.Surface, S.Layout, S.Rows_Changed, true, false, S.Hint_Shown, Line,
                         [](int32_t, int32_t) {});
    Send_Band(0, S.Layout.Output_Height);
  } else {
    Compose_Changed_Rows(S.Surface, S.Layout, S.Rows_Changed, false, S.Hint_Changed, S.Hint_Shown, Line, Send_Band);
  }
  Page_End_Frame(S.Layout.Output_Width, S.Layout.Output_Height);
  S.Everything = S.Hint_Changed = false;
}

// Takes every message the page sent, then shows a frame if one is due.
void Serve_Page() {
  Web_State& S = State();
  Page_Event Event;
  while (Page_Take_Event(Event)) {
    switch (Event.Kind) {
      case Page_Event_Kind::Key: {
        const int32_t Code = Web_Key_Code(Event.Text, Event.A != 0, Event.B != 0);
        if (Code >= 0 && S.Open) S.Keys.Push(Code);
        break;
      }
      case Page_Event_Kind::Mouse:
        if (S.Open) {
          int32_t X = Event.B, Y = Event.C;
          Canvas_Point_Of(S.Layout, X, Y);
          S.Mice.Push({Event.A, X, Y});
        }
        break;
      case Page_Event_Kind::Focus: S.Field_Has_Keyboard = Event.A != 0; break;
      case Page_Event_Kind::Room:
        if (S.Open) Lay_Out(Event.A, Event.B);
        break;
      case Page_Event_Kind::Refresh: S.Frame_Wanted = true; break;
      case Page_Event_Kind::None: break;
    }
  }
  if (S.Frame_Wanted && S.Open) {
    S.Frame_Wanted = false;
    Present();
  }
}

// While the program runs without waiting: a turn of the page's event loop
// when the last is Turn_Interval_Ms ago.
void Take_A_Turn_When_Due() {
  Web_State& S = State();
  const double Now = emscripten_get_now();
  if (Now - S.Last_Turn_Ms < Turn_Interval_Ms) return;
  Page_Wait(0);
  S.Last_Turn_Ms = emscripten_get_now();
}

int32_t Open_Window(int32_t Width, int32_t Height, bool Fill_The_Room) {
  Web_State& S = State();
  int32_t Room_Width = 0, Room_Height = 0;
  Page_Room(&Room_Width, &Room_Height);
  if (Room_Width <= 0 || Room_Height <= 0) return Create_Window_Failed_Code;  // the page has no canvas
  if (Fill_The_Room) {
    Width = std::min(Room_Width, Largest_Window_Side);
    Height = std::min(Room_Height, Largest_Window_Side);
  }
  try {
    Canvas_Create(S.Surface, Width, Height);
    Lay_Out(Room_Width, Room_Height);
  } catch (const std::bad_alloc&) {
    S.Surface = Canvas{};
    return Create_Window_Failed_Code;
  }
  S.Open = true;
  S.Hint_Shown = false;
  Page_Set_Server(Serve_Page);
  Page_Open_Field(S.Layout.Output_Width, S.Layout.Output_Height);
  return 0;
}

}  // namespace

Canvas* Backend_Open_Canvas() {
  Web_State& S = State();
  return S.Open ? &S.Surface : nullptr;
}

// Asks the page to give the field the keyboard, and waits until it has it;
// the hint shows after Hint_Delay_Ms, until the player clicks the field.
int32_t Backend_Wait_For_Keyboard() {
  Web_State& S = State();
  if (S.Field_Has_Keyboard) return 0;
  Page_Want_Keyboard();
  const double Start = emscripten_get_now();
  while (!S.Field_Has_Keyboard) {
    if (!S.Hint_Shown && emscripten_get_now() - Start >= Hint_Delay_Ms) S.Hint_Shown = S.Hint_Changed = true;
    Page_Wait(Key_Wait_Ms);
    if (!S.Open) return Window_Not_Open_Code;
  }
  if (S.Hint_Shown) {
    S.Hint_Shown = false;
    S.Hint_Changed = true;
  }
  return 0;
}

// KeyHit asks once a step: the flight's turns come from here.
Key_Queue& Backend_Key_Queue() {
  Take_A_Turn_When_Due();
  return State().Keys;
}

Mouse_Queue& Backend_Mouse_Queue() { return State().Mice; }

extern "C" {

int32_t CreateGraphWindow(int32_t mode) {
  if (State().Open) return Window_Already_Open_Code;
  if (mode != 0 && mode != 1) return Invalid_Window_Size_Code;
  return Open_Window(Default_Width, Default_Height, mode == 1);
}

int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size) {
  if (State().Open) return Window_Already_Open_Code;
  if (!Valid_Window_Size(x_size, y_size)) return Invalid_Window_Size_Code;
  return Open_Window(x_size, y_size, false);
}

int32_t DestroyGraphWindow(void) {
  Web_State& S = State();
  if (!S.Open) return Window_Already_Closed_Code;
  S.Open = false;
  S.Surface = Canvas{};
  S.Keys.Clear();
  S.Mice.Clear();
  S.Field_Has_Keyboard = false;
  Page_Close_Field();
  return 0;
}

int32_t IsOpen(void) { return State().Open ? 1 : 0; }

int32_t GetMaxSize(int32_t* x, int32_t* y) {
  if (!x || !y) return Get_Position_Error_Code;
  int32_t Width = 0, Height = 0;
  Page_Room(&Width, &Height);
  *x = std::min(Width, Largest_Window_Side);
  *y = std::min(Height, Largest_Window_Side);
  return 0;
}

int32_t SetWindowTitle(const char* title) {
  if (!title) return Error_Copying_Title_Code;
  if (!State().Open) return Window_Not_Open_Code;
  Page_Set_Title(title);
  return 0;
}

int32_t GetKey(void) {
  Web_State& S = State();
  int32_t Code = 0;
  while (!S.Keys.Pop(Code)) {
    if (!S.Open) return Window_Not_Open_Code;
    Page_Wait(Key_Wait_Ms);
  }
  return Code;
}

}  // extern "C"
