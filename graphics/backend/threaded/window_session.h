// The life of a window session, for the back ends whose window lives on a
// thread of its own: the thread's start, the opening's handshake and its
// limit, the session's end, the thread given up when it stops answering,
// and the release at exit. Written once here; a back end supplies only its
// window thread's work and how to wake that thread (the hooks below).
//
// The program's thread opens and ends sessions and owns the fields marked so;
// the window thread runs one session at a time and reports its progress under
// Lock. Waits on the window thread are bounded: an opening waits at most
// Opening_Wait_Limit, an end Thread_Wait_Limit, the next opening
// Thread_End_Limit for the last thread's end. A thread that misses a limit is
// given up for good, with its canvas: no later opening can start.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "graphics/backend/canvas.h"
#include "graphics/backend/event_queue.h"
#include "graphics/backend/window_system.h"

// The size of a window opened without one (CreateGraphWindow(0)).
constexpr int32_t Default_Window_Width = 640;
constexpr int32_t Default_Window_Height = 480;

// What a session is asked to do: open a window, or only measure the screen
// (for GetMaxSize where the screen is known only to a window thread).
enum class Session_Purpose { Open_Window, Measure_Screen };

// How far the opening got: the window thread moves it from Pending to
// Finished, the program's thread to Abandoned when it stops waiting; only
// one of them can, under Lock.
enum class Opening_Stage : uint8_t { Pending, Finished, Abandoned };

struct Window_Session {
  // Program thread only.
  std::thread Thread;          // the window thread, until joined or given up
  bool Ended = true;           // no session under way (its thread may still be ending)
  bool Prepared = false;       // Backend_Prepare_Sessions and the exit hook ran
  Canvas Surface;              // made by the window thread while the program waits for the opening

  // The request, written before the thread starts.
  Session_Purpose Purpose = Session_Purpose::Open_Window;
  Window_Kind Kind = Window_Kind::Default_Window;
  int32_t Requested_Width = 0, Requested_Height = 0;

  // The window thread's progress, under Lock; Changed is notified on each step.
  std::mutex Lock;
  std::condition_variable Changed;
  Opening_Stage Opening = Opening_Stage::Pending;
  int32_t Opening_Result = 0;
  bool Let_Go = false;        // the thread no longer touches the canvas, the queues or the title
  bool Thread_Ended = false;  // the thread is returning: it can be joined at once

  // Shared flags; whether the window is open is The_Window_State.
  std::atomic<bool> Stop_Requested{false};
  std::atomic<bool> No_More_Windows{false};  // a thread was given up, or the display is lost for good
  // Written by the window thread (waking the waiters on a change): the window
  // has the keyboard, or the desktop has none to give. Raised by the
  // program's thread while KeyHit waits for it.
  std::atomic<bool> Keyboard_Ready{false};
  std::atomic<bool> Keyboard_Wanted{false};
  std::atomic<std::string*> Pending_Title{nullptr};  // posted by SetWindowTitle, taken by the window thread

  Key_Queue Keys;  // the window thread is the only producer, the program's thread the only consumer
  Mouse_Queue Mice;
};

// The one session record; never destroyed, since a thread that was given up may still be using it.
extern Window_Session& The_Session;

// What each threaded back end defines.
//
// Program thread, once before the first session: what must be settled
// before any window thread runs; 0, or the library's code.
int32_t Backend_Prepare_Sessions();
// Window thread: the whole session The_Session describes. It ends the
// opening with Finish_Opening and, for a window that opened, runs it until
// Stop_Requested or until the window goes (then calling
// Report_Loss_If_Untold); it calls Let_Go_Of_Session once it no longer
// touches the canvas, the queues or the title, else that happens on return.
void Backend_Run_Session();
// Program thread: asks the window thread to look at Stop_Requested, the
// posted title and the keyboard wait now, where it would not by its next frame.
void Backend_Wake_Window_Thread();

// Program thread: starts a session of Purpose and waits for its opening;
// the opening's code. Releases the last session first (and waits for its
// thread's end); fails at once once there can be no more windows. A session
// that only measured, or whose opening failed, is released before this returns.
int32_t Open_Session(Session_Purpose Purpose, Window_Kind Kind, int32_t Width, int32_t Height);
// Program thread: ends the session (if any) and, once its thread has let go,
// drops its canvas and empties the queues. True when a session was ended;
// false when there was none, or it ends the program from the window thread.
bool End_Session();

// Window thread: ends the opening handshake with its code. A window that
// opened is marked open, unless the program stopped waiting for it.
void Finish_Opening(int32_t Result);
// Window thread: from now on it touches none of the program's state.
void Let_Go_Of_Session();
// Window thread, after its window went: gives the program the loss grace to
// find out, then ends the program with the report if it has not.
void Report_Loss_If_Untold();
// Window thread, once its display connection broke: nothing may call the
// display's library again. Marks the window gone for good, ends the opening,
// reports the loss if no one is told, and parks the thread for good.
[[noreturn]] void Lose_Display_For_Good();

// Window thread: queues a key press and wakes a waiting GetKey.
void Queue_Key(int32_t Code);
// Window thread: publishes whether the keyboard is ready; wakes the waiters on a change.
void Publish_Keyboard_Ready(bool Ready);

// The window thread's view of the program's wait for the keyboard (KeyHit on
// a new picture), the same on every threaded back end.
struct Keyboard_Wait_Watch {
  bool Wait_Seen = false;  // the wait, as this thread saw it begin
  std::chrono::steady_clock::time_point Wait_Began{};
  bool Hint_Wanted = false;  // the hint to click the window should show
};
// Window thread, at every frame: follows the program's wait; true when it has
// just begun (the back end then asks the desktop for the keyboard). The hint
// is wanted while a wait without the keyboard lasts past a short silent grace
// (a window often gets the keyboard a frame or two after the first clear).
bool Follow_Wait(Keyboard_Wait_Watch& Watch);
