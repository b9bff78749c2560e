// The window's presence and its loss, by compare-and-exchange on one state:
// every change below happens only from the state it expects, so the window
// thread's loss and the program's closing or its next call are ordered.
#include "graphics/backend/threaded/window_presence.h"

#include <new>
#include <thread>

#include "graphics/tarnwick_library.h"

std::atomic<Window_State> The_Window_State{Window_State::Closed};
std::atomic<uint32_t> The_Window_Wakeups{0};

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

void Wake_Waiters() {
  The_Window_Wakeups.fetch_add(1, std::memory_order_release);
  The_Window_Wakeups.notify_all();
}

void Mark_Window_Gone() {
  Mark_Window_Lost();  // a window the program is closing itself is not lost
  Wake_Waiters();
}

int32_t Wait_For_Key(Key_Queue& Keys) {
  for (;;) {
    const uint32_t Seen = The_Window_Wakeups.load(std::memory_order_acquire);
    if (!Window_Is_Open()) return Window_Gone_Answer();
    int32_t Code = 0;
    if (Keys.Pop(Code)) return Code;
    The_Window_Wakeups.wait(Seen, std::memory_order_acquire);  // until a key comes or the window goes
  }
}

int32_t Wait_Until_Set(const std::atomic<bool>& Ready) {
  for (;;) {
    const uint32_t Seen = The_Window_Wakeups.load(std::memory_order_acquire);
    if (!Window_Is_Open()) return Window_Gone_Answer();
    if (Ready.load(std::memory_order_acquire)) return 0;
    The_Window_Wakeups.wait(Seen, std::memory_order_acquire);  // until it is set or the window goes
  }
}

int32_t Post_Title(std::atomic<std::string*>& Pending, const char* Title) {
  std::string* Copy;
  try {
    Copy = new std::string(Title);
  } catch (const std::bad_alloc&) {
    return Error_Copying_Title_Code;
  }
  delete Pending.exchange(Copy, std::memory_order_acq_rel);
  return 0;
}
