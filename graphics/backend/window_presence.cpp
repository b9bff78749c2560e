// The window's presence and its loss, by compare-and-exchange on one state:
// every change below happens only from the state it expects, so the window
// thread's loss and the program's closing or its next call are ordered.
#include "graphics/backend/window_presence.h"

#include <thread>

#include "graphics/tarnwick_library.h"

std::atomic<Window_State> The_Window_State{Window_State::Closed};

namespace {

bool Change_State(Window_State From, Window_State To) {
  return The_Window_State.compare_exchange_strong(From, To, std::memory_order_acq_rel);
}

// The window thread is writing the report and ending the process: nothing
// the program could still do may come before it.
[[noreturn]] void Wait_For_The_End() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

void Mark_Window_Open() { The_Window_State.store(Window_State::Open, std::memory_order_release); }

bool Mark_Window_Lost() { return Change_State(Window_State::Open, Window_State::Lost_Unreported); }

bool Begin_Closing_Window() {
  Window_State Now = The_Window_State.load(std::memory_order_acquire);
  for (;;) {
    if (Now == Window_State::Ending_Program) Wait_For_The_End();
    if (The_Window_State.compare_exchange_weak(Now, Window_State::Closing, std::memory_order_acq_rel))
      return Now == Window_State::Open;
  }
}

void Mark_Window_Closed() { The_Window_State.store(Window_State::Closed, std::memory_order_release); }

int32_t Window_Gone_Answer() {
  if (!Change_State(Window_State::Lost_Unreported, Window_State::Lost_Told) &&
      The_Window_State.load(std::memory_order_acquire) == Window_State::Ending_Program)
    Wait_For_The_End();
  return Window_Not_Open_Code;
}

void End_Program_If_Loss_Unreported(std::chrono::milliseconds Grace) {
  const auto Deadline = std::chrono::steady_clock::now() + Grace;
  while (The_Window_State.load(std::memory_order_acquire) == Window_State::Lost_Unreported &&
         std::chrono::steady_clock::now() < Deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (Change_State(Window_State::Lost_Unreported, Window_State::Ending_Program)) Tarnwick_Window_Lost();
}
