// The SDL2 back end's state, in one record, and what its files share:
//   window_thread.cpp    the session's work on the window thread, from SDL_Init
//                        to SDL_Quit, and the window entry points of its own;
//   desktop_probes.cpp   what is settled about the desktop before SDL starts:
//                        Xlib's error handlers, the session bus, the drivers to try;
//   window_opening.cpp   opening the window at the size the desktop gives it;
//   presentation.cpp     showing the canvas in the window, scaled to fit;
//   wayland_buffers.cpp  the window's pixels on Wayland, in shared memory;
//   input.cpp            SDL's events turned into the key and mouse queues;
//   keyboard_wait.cpp    whether the window has the keyboard, and the wait for it;
//   wayland_seat.cpp     the Wayland seat's keyboard, and asking the compositor for it;
//   xkb_guard.cpp        guards between SDL's Wayland keyboard code and xkbcommon (xkb_guard.h).
// Only these files include SDL, and the headers of the libraries under it.
// Whether the window is open, and who answers for its loss, is
// graphics/backend/threaded/window_presence.h, shared with other back ends whose
// window has a thread of its own.
#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/backend/canvas.h"
#include "graphics/backend/event_queue.h"
#include "graphics/backend/threaded/picture_layout.h"
#include "graphics/backend/threaded/window_session.h"
#include "graphics/backend/window_system.h"

using Clock = std::chrono::steady_clock;

struct wl_buffer;
struct wl_display;
struct wl_keyboard;
struct wl_proxy;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;

// One buffer of shared memory that a Wayland compositor shows.
struct Shared_Buffer {
  wl_buffer* Buffer = nullptr;
  void* Pixels = nullptr;
  size_t Size = 0;
  SDL_Surface* Image = nullptr;     // the same pixels, to blit into
  std::vector<uint8_t> Stale_Rows;  // rows changed since this buffer was last given to the compositor
  bool Busy = false;                // given, and not yet released
};

// What the window thread shows a Wayland window with: SDL's connection and
// the window's surface, and buffers of its own.
struct Wayland_Output {
  wl_display* Display = nullptr;
  wl_surface* Surface = nullptr;
  wl_registry* Registry = nullptr;
  wl_shm* Shm = nullptr;
  Shared_Buffer Buffers[2];
  std::vector<uint8_t> Unshown_Rows;  // rows changed since the compositor was last given a buffer
  wl_seat* Seat = nullptr;            // the first seat, and its keyboard while it has one
  wl_keyboard* Keyboard = nullptr;
  wl_proxy* Activation = nullptr;     // the compositor's activation global, when it has one
  wl_proxy* Pending_Token = nullptr;  // an activation token asked for and not yet given
};

// The back end's own state. The program's thread owns the screen's
// measure and the program's name; the window thread owns Thread_Side. The
// session's state (the canvas, the queues, the flags the program and the
// window thread share) is The_Session.
struct Sdl_Backend_State {
  // Program thread only.
  bool Screen_Measured = false;
  std::string Program_Name;  // the window's first title

  // Written by the window thread before it finishes the opening handshake.
  int32_t Usable_X = 0, Usable_Y = 0, Usable_Width = 0, Usable_Height = 0;

  // The activation token a launcher passed, taken from the environment before
  // the first window thread starts; from then on the window thread's.
  std::string Launcher_Token;

  // Window thread only.
  struct Window_Thread_Side {
    SDL_Window* Handle = nullptr;
    SDL_Surface* Palette_Image = nullptr;  // the window's picture as colour codes, one byte per pixel
    Picture_Layout Layout;                 // where the canvas shows in the window
    std::vector<uint8_t> Rows_Changed;     // this frame's changed canvas rows, kept to reuse its memory
    std::vector<SDL_Rect> Bands;           // this frame's bands of changed window rows
    bool Repaint_All = true;               // exposed or resized: show everything again
    bool Show_Pending = false;             // composed rows the window could not take yet
    bool On_Wayland = false;               // shown through Wayland, not SDL's window surface
    Wayland_Output Wayland;
    bool Focus_Taken = false;              // the window asked for the keyboard at the program's first clear
    bool Has_Keyboard_Focus = false;       // SDL's focus events on X11, the seat's own keyboard on Wayland
    bool Seat_Has_Keyboard = true;         // false while a Wayland seat has no keyboard; X11 always has one
    uint32_t Clears_Asked = 0;             // the clear count when the compositor was last asked for the keyboard
    Keyboard_Wait_Watch Wait;              // the program's wait for the keyboard, and whether the hint is wanted
    bool Hint_Drawn = false;               // the hint to click the window is on the picture
    bool Closed = false;                   // by its close button, or its display went
  } Thread_Side;
};

// The one state; never destroyed, since a window thread that was given up may still be using it.
extern Sdl_Backend_State& The_State;

// Window thread: the window gained or lost the keyboard; the seat gained or
// lost its keyboard (Wayland). Each publishes whether the keyboard is ready.
void Set_Keyboard_Focus(bool Has_It);
void Set_Seat_Keyboard(bool Present);
// Window thread, at every frame: asks the desktop for the keyboard at the
// program's first clear and when its wait begins, and decides whether the
// hint shows.
void Follow_Keyboard_Wait();

// Installs Xlib's handlers before SDL starts (SDL chains its own protocol
// error handler to ours): protocol errors are ignored, and a broken display
// connection calls On_Display_Lost, which must not return.
void Install_X_Error_Handlers(void (*On_Display_Lost)());
// SDL connects to the desktop's session bus (screen saver, input methods).
// Without one, libdbus would start a bus of its own for the display, which
// outlives the program; so where there is no session bus the connection is
// refused instead. Call before the window thread starts: changing the
// environment is not safe while other threads run.
void Refuse_Bus_Autolaunch();
// Takes the activation token a launcher passed in XDG_ACTIVATION_TOKEN into
// The_State.Launcher_Token and removes it from the environment, so that no
// program this one starts takes it for its own. Call before the window
// thread starts, like Refuse_Bus_Autolaunch.
void Take_Launcher_Token();
// The video drivers to try, in order (nullptr: SDL's choice). Wayland first
// where a compositor offers it with a seat: the window is then native, sharp
// on a scaled output, with the compositor's decorations and keyboard. X11
// next, for an X desktop and for a Wayland one whose windows SDL cannot show.
// A driver the user named in SDL_VIDEODRIVER is the only one tried.
std::vector<const char*> Video_Drivers();
// Whether SDL started a driver that shows a window someone can see (not the offscreen or dummy one).
bool Is_Real_Display_Driver(const char* Driver);

// Measures the screen's usable area into The_State; false when SDL cannot.
bool Measure_Screen();
// Opens the window the request asks for, at the size the desktop settles on, and its canvas; the opening's code.
int32_t Open_Window();
// Handles every event that arrives within Timeout (at least one wait).
void Pump_Events(std::chrono::milliseconds Timeout);
// Shows what changed on the canvas since the last call, or everything after an expose or a resize.
void Present();
// Releases what Open_Window and Present made.
void Close_Window();

// Takes the Wayland window's surface for buffers of this back end's own;
// false when the window is not on Wayland or its compositor shares no memory.
bool Wayland_Output_Start(SDL_Window* Handle);
// Releases the buffers, the seat's objects and the activation global.
void Wayland_Output_Stop();
// Binds the seat or the activation global when Interface names one (from the
// registry's announcements).
void Wayland_Seat_Global(wl_registry* Registry, uint32_t Name, const char* Interface, uint32_t Version);
// Releases what Wayland_Seat_Global bound.
void Wayland_Seat_Stop();
// Asks the compositor to activate the window: with a token asked for the
// window's surface, and the first time with the launcher's token too.
void Wayland_Request_Activation();
// Shows the bands of Picture (all of it when Everything), a picture of the
// window's size in pixels; false when the compositor still holds both
// buffers: the rows are then shown by the next call.
bool Wayland_Show(SDL_Surface& Picture, const std::vector<SDL_Rect>& Bands, bool Everything);
// Shows the window all black, at a size in pixels.
void Wayland_Show_Black(int32_t Width, int32_t Height);
