// Desktops for real-window tests, built on the private Xvfb: a bare X server,
// X with a window manager (openbox, mutter, i3), or a headless Wayland
// compositor (sway, mutter) with Xwayland beside it. Each desktop gets a
// private directory (its runtime directory, configuration files, a copy of
// the program under test), is ready once its start-up command has written its
// display names, and ends every process it started by process group id.
//
// The compositors refuse to run as root: as root, the Wayland desktops, the
// programs on them, their terminals and their tools (wtype, grim, swaymsg) run
// as the system user drovanel-desktop, created when missing.
//
//   Desktop Desk;
//   std::string Why;
//   ASSERT_TRUE(Start_Desktop(Desk, Desktop_Kind::Sway, &Why)) << Why;
//   Child_Process Game = Start_On_Desktop(Desk, "/path/to/drovanel");
//   ASSERT_TRUE(Eventually([&] { return Window_Has_Focus(Desk, "drovanel"); }));
//   Type_On_Desktop(Desk, "a");
//   // The player's path: a keyboard for the whole test, a terminal holding the console.
//   ASSERT_TRUE(Start_Keyboard(Desk));
//   Child_Process Console = Start_Terminal(Desk, "console", "/path/to/drovanel");
//   Focus_Window(Desk, "console");
//   Type_On_Desktop(Desk, "220000\n");
//   std::string Text = Terminal_Transcript(Desk, "console");
//   Screenshot Image;
//   Take_Desktop_Screenshot(Desk, Image);
//   Kill_Display_Server(Desk);
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/harness/child_process.h"
#include "tests/harness/xvfb_server.h"

// The desktops a test can start: the X ones first, then the Wayland ones.
enum class Desktop_Kind {
  Bare_Xvfb,       // Xvfb, no window manager
  Openbox,         // Xvfb and openbox, a floating window manager
  Mutter_X11,      // Xvfb and mutter --x11, GNOME's window manager on X
  I3,              // Xvfb and i3, a tiling window manager, without a bar
  Sway,            // sway, headless; programs get WAYLAND_DISPLAY and DISPLAY (Xwayland)
  Sway_Scale_2,    // the same with the output at scale 2
  Sway_Activation, // the same at scale 1, set to grant a window's request for the keyboard (xdg-activation),
                   // which sway 1.10 grants only to a request passed on by the window that has the keyboard
  Sway_X11_Only,   // the same, but programs get DISPLAY alone: X11 clients of Xwayland
  Mutter_Wayland,  // mutter --wayland --headless, GNOME's compositor, with Xwayland
};

struct Desktop_Keyboard;

// One running desktop. Stopped by its destructor if still running.
struct Desktop {
  Desktop_Kind Kind = Desktop_Kind::Bare_Xvfb;
  Xvfb_Server Xvfb;                       // the X server of the X desktops
  Child_Process Session;                  // window manager or compositor, leader of its process group
  std::string Directory;                  // private, owned by whoever runs the desktop
  std::vector<std::string> As_User;       // the setpriv prefix that runs a command as drovanel-desktop, or empty
  std::vector<std::string> Environment;   // what programs on the desktop get: displays, runtime directory
  std::vector<std::string> Tool_Environment;  // what the Wayland tools get
  std::string Wayland_Socket, Bus_Address;  // the compositor's socket (a path); mutter's private session bus
  int Xwayland_Display = -1;              // the number of the X display the compositor announced
  Desktop_Keyboard* Keyboard = nullptr;   // the keyboard Start_Keyboard made, or none
  ~Desktop();
};

// Starts the desktop; false with the reason in *Failure when it cannot.
bool Start_Desktop(Desktop& Desk, Desktop_Kind Kind, std::string* Failure = nullptr);
// Ends the desktop (SIGTERM to its process groups, SIGKILL after 3 s) and removes its directory.
void Stop_Desktop(Desktop& Desk);
// Kills the display server at once with SIGKILL, as a crash would: Xvfb, or the compositor's whole group.
void Kill_Display_Server(Desktop& Desk);

// Removes, once a Wayland desktop has ended, the lock files /tmp/.X<n>-lock (and their sockets)
// its X displays left: Owner's, of the display it announced (Announced) or naming one of its
// processes (Members), whose server has ended within 1 s. A lock without a pid is kept: its
// server may be starting.
void Remove_Stale_X_Locks(uid_t Owner, int Announced, const std::vector<pid_t>& Members);

// Starts Program with Arguments on the desktop (as its user, from a copy that user can run),
// with its standard output and error on pipes and the environment of a windowed program.
Child_Process Start_On_Desktop(const Desktop& Desk, const std::string& Program,
                               const std::vector<std::string>& Arguments = {});
// Whether the one window titled exactly Title is shown and has the keyboard focus
// (false on mutter's Wayland desktop, which has no tool to ask).
bool Window_Has_Focus(const Desktop& Desk, const std::string& Title);
// Types Keys (digits, small letters, line feeds for Enter) into the focused window: on the
// keyboard of Start_Keyboard once there is one, else xdotool on X and wtype on sway; whether
// every key was typed.
bool Type_On_Desktop(const Desktop& Desk, const std::string& Keys);

// Gives the Wayland desktop a keyboard that stays for the whole test, as a real desktop's does:
// a virtual keyboard on sway, a remote desktop session of mutter's own on mutter (whose seat
// then has a keyboard and a pointer); true at once on X, which always has one.
bool Start_Keyboard(Desktop& Desk);
// Starts a terminal emulator titled Title on the desktop (xterm on X, foot on Wayland) in
// which Program runs under `script`, which copies all the terminal shows into a transcript as
// it comes; the terminal closes when Program ends.
Child_Process Start_Terminal(const Desktop& Desk, const std::string& Title, const std::string& Program);
// The transcript so far of the terminal titled Title; once it closed, it ends with the line
// "Script done on <date> [COMMAND_EXIT_CODE=\"<status>\"]".
std::string Terminal_Transcript(const Desktop& Desk, const std::string& Title);
// Brings the window titled Title to the front with the keyboard, as the desktop's own command
// does: xdotool windowactivate on X, swaymsg focus on sway; on mutter's Wayland desktop, whose
// windows no tool can name, Alt+Tab on the keyboard of Start_Keyboard (the window used before).
bool Focus_Window(const Desktop& Desk, const std::string& Title);
// Whether the window titled Title is shown as wanting attention: it carries the urgency
// hint on X, sway marks it urgent (false on mutter's Wayland desktop, which has no tool to ask).
bool Window_Is_Urgent(const Desktop& Desk, const std::string& Title);
// Clicks the left button at (X, Y) of Screen, a screenshot of the desktop, as a player's mouse
// does: xdotool on X, the pointer of Start_Keyboard on sway; whether the click was made.
bool Click_On_Desktop(const Desktop& Desk, const Screenshot& Screen, int32_t X, int32_t Y);
// Asks the window titled Title to close, as its close button does: WM_DELETE_WINDOW on X,
// swaymsg kill on sway; whether the request was sent.
bool Close_Window_On_Desktop(const Desktop& Desk, const std::string& Title);
// The whole screen (Xvfb's framebuffer, or grim on sway); false when there is none.
bool Take_Desktop_Screenshot(const Desktop& Desk, Screenshot& Image);
// Keeps Image as Name.ppm in the directory DROVANEL_DESKTOP_SCREENSHOTS names, if it is set.
void Keep_Screenshot(const Screenshot& Image, const std::string& Name);
