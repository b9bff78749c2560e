// Whether the one window is there, for a back end whose window lives on a
// thread of its own and can go away by itself (closed by its button, its
// display lost), and who answers for such a loss: the program, at its next
// library call, or the window thread, which ends the program itself when no
// call comes (the program waits at a console prompt, say). One atomic state
// holds both, so that a loss and the program's own closing can never both
// count: whichever comes first decides.
//
// The program's thread opens and closes; the window thread marks the window
// open at the end of a successful opening and lost when it goes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "graphics/backend/event_queue.h"

enum class Window_State : uint8_t {
  Closed,           // no window, or one still opening
  Open,             // the program's calls draw on it and read it
  Closing,          // the program is closing it: a loss now is no loss
  Lost_Unreported,  // it went away and no call has told the program yet
  Lost_Told,        // a call has answered -6
  Ending_Program,   // the window thread is writing the report and ending the process
};

extern std::atomic<Window_State> The_Window_State;

// The hot test of every library call: one load.
inline bool Window_Is_Open() { return The_Window_State.load(std::memory_order_acquire) == Window_State::Open; }

// Window thread: the opening succeeded.
void Mark_Window_Open();
// Window thread: the window went away by itself. False when it was not open
// (the program closes it, or it was already lost).
bool Mark_Window_Lost();
// Program thread, as DestroyGraphWindow begins: whether the window was open;
// from now on a loss is no loss. A window lost meanwhile counts as told.
bool Begin_Closing_Window();
// Program thread, once the window thread has been released: no window.
void Mark_Window_Closed();

// Program thread, a call that finds no open window: its answer, -6. A loss
// not yet told is told now. If the window thread is already ending the
// program, the call waits here for the process to end.
int32_t Window_Gone_Answer();

// Program thread, any other call that finds no open window: a loss not yet
// told is told now, as by Window_Gone_Answer, whatever the call answers.
inline void Tell_If_Window_Gone() {
  if (!Window_Is_Open()) Window_Gone_Answer();
}

// Window thread, after its window went: gives the program Grace to find out
// by itself, then, if it has not, ends the program with the report that
// call would have brought (Tarnwick_Window_Lost). Returns only when the
// program was told or is closing the window itself.
void End_Program_If_Loss_Unreported(std::chrono::milliseconds Grace);

// Bumped and notified on every key queued and every change of the window's
// state, for the program's calls that wait for either.
extern std::atomic<uint32_t> The_Window_Wakeups;
// Window thread: wakes the program's waiting call (a key came, the state changed).
void Wake_Waiters();
// Window thread: the window went away by itself (Mark_Window_Lost), and a
// waiting call learns of it.
void Mark_Window_Gone();
// Program thread, GetKey: the oldest key of Keys, waiting until one comes;
// -6 when the window is or goes away first.
int32_t Wait_For_Key(Key_Queue& Keys);
// Program thread, KeyHit's wait for the keyboard: returns 0 once the window
// thread has set Ready (and woken the waiters), -6 when the window is or goes
// away first.
int32_t Wait_Until_Set(const std::atomic<bool>& Ready);
// Program thread, SetWindowTitle: posts a copy of Title for the window thread
// to take from Pending; 0, or -12 when there is no memory for the copy.
int32_t Post_Title(std::atomic<std::string*>& Pending, const char* Title);
