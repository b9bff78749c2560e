// The window entry points of the back ends whose window lives on a thread of
// its own, the same on every platform: the request is checked here, the
// session's life cycle opens and ends the window, and the program's waits
// (GetKey, KeyHit's wait for the keyboard) read only the session's atomics
// and queues. A back end adds its own Backend_Open_Window and GetMaxSize.
#include "graphics/backend/threaded/window_presence.h"
#include "graphics/backend/threaded/window_session.h"
#include "graphics/backend/window_system.h"
#include "graphics/tarnwick_library.h"

Canvas* Backend_Open_Canvas() {
  if (Window_Is_Open()) [[likely]] return &The_Session.Surface;
  Window_Gone_Answer();
  return nullptr;
}

Key_Queue& Backend_Key_Queue() { return The_Session.Keys; }

Mouse_Queue& Backend_Mouse_Queue() { return The_Session.Mice; }

// Tells the window thread that the program waits for the keyboard (it asks
// the desktop for it and, after a grace, shows the hint), until the window
// has it or goes.
int32_t Backend_Wait_For_Keyboard() {
  if (The_Session.Keyboard_Ready.load(std::memory_order_acquire)) [[likely]] return 0;
  The_Session.Keyboard_Wanted.store(true, std::memory_order_release);
  Backend_Wake_Window_Thread();
  const int32_t Result = Wait_Until_Set(The_Session.Keyboard_Ready);
  The_Session.Keyboard_Wanted.store(false, std::memory_order_release);
  Backend_Wake_Window_Thread();
  return Result;
}

extern "C" {

int32_t CreateGraphWindow(int32_t mode) {
  if (Window_Is_Open()) return Window_Already_Open_Code;
  if (mode != 0 && mode != 1) {
    Tell_If_Window_Gone();
    return Invalid_Window_Size_Code;
  }
  return Backend_Open_Window(mode == 1 ? Window_Kind::Maximized_Window : Window_Kind::Default_Window, 0, 0);
}

int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size) {
  if (Window_Is_Open()) return Window_Already_Open_Code;
  if (!Valid_Window_Size(x_size, y_size)) {
    Tell_If_Window_Gone();
    return Invalid_Window_Size_Code;
  }
  return Backend_Open_Window(Window_Kind::Sized_Window, x_size, y_size);
}

int32_t IsOpen(void) {
  if (Window_Is_Open()) [[likely]] return 1;
  Tell_If_Window_Gone();
  return 0;
}

int32_t DestroyGraphWindow(void) {
  if (The_Session.Ended) return Window_Already_Closed_Code;
  const bool Was_Open = Begin_Closing_Window();
  End_Session();
  return Was_Open ? 0 : Window_Not_Open_Code;  // gone meanwhile: closed by its button or the display lost
}

int32_t SetWindowTitle(const char* title) {
  if (!title) {
    Tell_If_Window_Gone();
    return Error_Copying_Title_Code;
  }
  if (!Window_Is_Open()) return Window_Gone_Answer();
  const int32_t Result = Post_Title(The_Session.Pending_Title, title);
  Backend_Wake_Window_Thread();
  return Result;
}

int32_t GetKey(void) { return Wait_For_Key(The_Session.Keys); }

}  // extern "C"
