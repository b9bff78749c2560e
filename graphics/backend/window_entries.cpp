// The opening entry points of the back ends whose window lives on a thread of
// its own: the request is checked here, the same way on every platform, and
// the back end opens the window it describes.
#include "graphics/backend/window_presence.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

extern "C" {

int32_t CreateGraphWindow(int32_t mode) {
  if (Window_Is_Open()) return Window_Already_Open_Code;
  if (mode != 0 && mode != 1) return Invalid_Window_Size_Code;
  return Backend_Open_Window(mode == 1 ? Window_Kind::Maximized_Window : Window_Kind::Default_Window, 0, 0);
}

int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size) {
  if (Window_Is_Open()) return Window_Already_Open_Code;
  if (!Valid_Window_Size(x_size, y_size)) return Invalid_Window_Size_Code;
  return Backend_Open_Window(Window_Kind::Sized_Window, x_size, y_size);
}

int32_t IsOpen(void) { return Window_Is_Open() ? 1 : 0; }

}  // extern "C"
