// The window session's life cycle: every wait is on Lock and Changed, every
// step of the window thread is made under Lock, so the program's thread sees
// either the step or its absence, never half of it.
#include "graphics/backend/threaded/window_session.h"

#include <cstdlib>
#include <system_error>

#include "graphics/backend/threaded/window_presence.h"
#include "graphics/tarnwick_library.h"

Window_Session& The_Session = *new Window_Session;

namespace {

// The longest the program's thread waits for an opening (about half a second
// where the desktop answers), for a session's thread to let go at its end, and
// for the last session's thread to end before the next opening (two seconds
// under Wine without a window manager, where hiding a window waits for one).
constexpr auto Opening_Wait_Limit = std::chrono::seconds(5);
constexpr auto Thread_Wait_Limit = std::chrono::seconds(1);
constexpr auto Thread_End_Limit = std::chrono::seconds(3);
// How long the window thread lets the program find out by itself that its
// window went, before it ends the program with the report itself.
constexpr auto Loss_Report_Grace = std::chrono::milliseconds(300);

thread_local bool Is_Window_Thread = false;

// Makes one step of the window thread's progress under Lock, and tells the
// program's waits. Taking the lock means a waiter that tested the old state
// is already waiting when the notice comes.
template <typename Step>
void Step_Under_Lock(Step Make_Step) {
  {
    std::lock_guard<std::mutex> Lock(The_Session.Lock);
    Make_Step();
  }
  The_Session.Changed.notify_all();
}

void Window_Thread_Main() {
  Is_Window_Thread = true;
  Backend_Run_Session();
  Finish_Opening(Create_Window_Failed_Code);  // a session that never answered its opening failed
  Step_Under_Lock([] { The_Session.Let_Go = The_Session.Thread_Ended = true; });
  Wake_Waiters();
}

// Leaves the window thread to itself: it stopped answering. It keeps the
// canvas it may still read, and no later opening starts.
void Give_Up_Thread() {
  The_Session.No_More_Windows.store(true, std::memory_order_release);
  if (The_Session.Thread.joinable()) The_Session.Thread.detach();
  The_Session.Ended = true;
}

// Waits for the last session's thread to end, and joins it; false when it
// does not end in time (it is then given up).
bool Wait_For_Last_Thread() {
  if (!The_Session.Thread.joinable()) return true;
  {
    std::unique_lock<std::mutex> Lock(The_Session.Lock);
    if (!The_Session.Changed.wait_for(Lock, Thread_End_Limit, [] { return The_Session.Thread_Ended; })) {
      Lock.unlock();
      Give_Up_Thread();
      return false;
    }
  }
  The_Session.Thread.join();
  return true;
}

// At exit with a window open: no window thread may go on using the state
// while the process ends.
void End_At_Exit() { End_Session(); }

}  // namespace

int32_t Open_Session(Session_Purpose Purpose, Window_Kind Kind, int32_t Width, int32_t Height) {
  Window_Session& S = The_Session;
  // A window closed by its button still holds its session: it ends first.
  if (!S.No_More_Windows.load(std::memory_order_acquire)) End_Session();
  // Not even the thread of a closed window may be waited for on a display that stopped answering.
  if (S.No_More_Windows.load(std::memory_order_acquire) || !Wait_For_Last_Thread()) return Create_Window_Failed_Code;
  if (!S.Prepared) {
    const int32_t Result = Backend_Prepare_Sessions();
    if (Result != 0) return Result;
    std::atexit(End_At_Exit);
    S.Prepared = true;
  }
  S.Purpose = Purpose;
  S.Kind = Kind;
  S.Requested_Width = Width;
  S.Requested_Height = Height;
  {
    std::lock_guard<std::mutex> Lock(S.Lock);
    S.Opening = Opening_Stage::Pending;
    S.Opening_Result = 0;
    S.Let_Go = S.Thread_Ended = false;
  }
  S.Stop_Requested.store(false, std::memory_order_relaxed);
  S.Keyboard_Ready.store(false, std::memory_order_relaxed);
  S.Keyboard_Wanted.store(false, std::memory_order_relaxed);
  try {
    S.Thread = std::thread(Window_Thread_Main);
  } catch (const std::system_error&) {
    return Create_Thread_Failed_Code;
  }
  S.Ended = false;
  int32_t Result;
  {
    std::unique_lock<std::mutex> Lock(S.Lock);
    if (!S.Changed.wait_for(Lock, Opening_Wait_Limit, [&] { return S.Opening != Opening_Stage::Pending; })) {
      // The desktop stopped answering during the opening.
      S.Opening = Opening_Stage::Abandoned;
      Lock.unlock();
      S.Stop_Requested.store(true, std::memory_order_release);
      Backend_Wake_Window_Thread();
      Give_Up_Thread();
      return Create_Window_Failed_Code;
    }
    Result = S.Opening_Result;
  }
  if (Result != 0 || Purpose == Session_Purpose::Measure_Screen) End_Session();
  return Result;
}

bool End_Session() {
  Window_Session& S = The_Session;
  if (S.Ended) return false;
  // The window thread itself is ending the program (Report_Loss_If_Untold).
  if (Is_Window_Thread) return false;
  // From here a loss is no loss: the window thread must not end the program for it.
  Begin_Closing_Window();
  S.Stop_Requested.store(true, std::memory_order_release);
  Backend_Wake_Window_Thread();
  bool Let_Go, Thread_Ended;
  {
    std::unique_lock<std::mutex> Lock(S.Lock);
    S.Changed.wait_for(Lock, Thread_Wait_Limit,
                       [&] { return S.Let_Go || S.No_More_Windows.load(std::memory_order_acquire); });
    Let_Go = S.Let_Go;
    Thread_Ended = S.Thread_Ended;
  }
  Mark_Window_Closed();
  if (!Let_Go) {
    Give_Up_Thread();
    return false;
  }
  // A thread that let go only as it ended (SDL's, after SDL_Quit) is joined
  // now; one still destroying its window, by the next opening.
  if (Thread_Ended) S.Thread.join();
  S.Ended = true;
  S.Surface = Canvas{};
  S.Keys.Clear();
  S.Mice.Clear();
  // A title set just as the window went is never applied; the next window must not inherit it.
  delete S.Pending_Title.exchange(nullptr, std::memory_order_acquire);
  return true;
}

void Finish_Opening(int32_t Result) {
  Step_Under_Lock([Result] {
    if (The_Session.Opening != Opening_Stage::Pending) return;
    The_Session.Opening = Opening_Stage::Finished;
    The_Session.Opening_Result = Result;
    if (Result == 0 && The_Session.Purpose == Session_Purpose::Open_Window) Mark_Window_Open();
  });
}

void Let_Go_Of_Session() {
  Step_Under_Lock([] { The_Session.Let_Go = true; });
}

void Report_Loss_If_Untold() { End_Program_If_Loss_Unreported(Loss_Report_Grace); }

void Lose_Display_For_Good() {
  Step_Under_Lock([] { The_Session.No_More_Windows.store(true, std::memory_order_release); });
  Mark_Window_Gone();
  Finish_Opening(Create_Window_Failed_Code);
  Report_Loss_If_Untold();
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void Queue_Key(int32_t Code) {
  The_Session.Keys.Push(Code);  // a full queue (131,072 waiting presses) drops the press
  Wake_Waiters();
}

void Publish_Keyboard_Ready(bool Ready) {
  if (The_Session.Keyboard_Ready.exchange(Ready, std::memory_order_acq_rel) != Ready) Wake_Waiters();
}

bool Follow_Wait(Keyboard_Wait_Watch& Watch) {
  constexpr auto Hint_Grace = std::chrono::milliseconds(250);
  const bool Wanted = The_Session.Keyboard_Wanted.load(std::memory_order_acquire);
  const bool Ready = The_Session.Keyboard_Ready.load(std::memory_order_acquire);
  const auto Now = std::chrono::steady_clock::now();
  const bool Begun = Wanted && !Watch.Wait_Seen;
  if (Begun) Watch.Wait_Began = Now;
  Watch.Wait_Seen = Wanted;
  Watch.Hint_Wanted = Wanted && !Ready && Now - Watch.Wait_Began >= Hint_Grace;
  return Begun;
}
