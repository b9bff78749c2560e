// The seat's keyboard on Wayland, on the window thread: whether the seat has
// one and whether the window has it, from a seat and keyboard of the back
// end's own on SDL's connection (SDL 2.26 says nothing when the seat's
// keyboard goes away, and a headless compositor's seat may have none); and
// asking the compositor to give the window the keyboard, through its
// activation protocol.
//
// A compositor gives the keyboard to a window only when the user, or the
// client that has the keyboard, agrees: it shows that it does by passing an
// activation token. A launcher passes one in XDG_ACTIVATION_TOKEN (SDL would
// use it while the window is still unmapped, when compositors ignore it, so
// the back end takes it first: desktop_probes.cpp) and the window asks for a
// token for its own surface too. A compositor that will not grant it marks
// the window as wanting attention (urgent) instead.
//
// The window asks only while it lacks the keyboard, and so without a seat
// and serial: a compositor trusts a serial only from the client that has the
// keyboard, and one on wlroots (sway) refuses outright a token whose surface
// lacks it, and then does not even mark the window.
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>

#include "graphics/backend/sdl/sdl_backend.h"

namespace {

// The activation protocol's two interfaces, written out as its protocol
// description defines them.
extern const wl_interface Token_Interface;
const wl_interface* No_Types[] = {nullptr};
const wl_interface* Get_Token_Types[] = {&Token_Interface};
const wl_interface* Activate_Types[] = {nullptr, &wl_surface_interface};
const wl_interface* Serial_Types[] = {nullptr, &wl_seat_interface};
const wl_interface* Surface_Types[] = {&wl_surface_interface};
const wl_message Activation_Requests[] = {
    {"destroy", "", No_Types},
    {"get_activation_token", "n", Get_Token_Types},
    {"activate", "so", Activate_Types},
};
const wl_interface Activation_Interface = {"xdg_activation_v1", 1, 3, Activation_Requests, 0, nullptr};
const wl_message Token_Requests[] = {
    {"set_serial", "uo", Serial_Types}, {"set_app_id", "s", No_Types}, {"set_surface", "o", Surface_Types},
    {"commit", "", No_Types},           {"destroy", "", No_Types},
};
const wl_message Token_Events[] = {{"done", "s", No_Types}};
const wl_interface Token_Interface = {"xdg_activation_token_v1", 1, 5, Token_Requests, 1, Token_Events};

constexpr uint32_t Destroy_Activation = 0, Get_Token = 1, Activate = 2;
constexpr uint32_t Set_Surface = 2, Commit_Token = 3, Destroy_Token = 4;

Wayland_Output& Output() { return The_State.Thread_Side.Wayland; }

void Activate_With(const char* Token) {
  wl_proxy_marshal_flags(Output().Activation, Activate, nullptr, 1, 0, Token, Output().Surface);
  wl_display_flush(Output().Display);
}

void Drop_Pending_Token() {
  if (Output().Pending_Token)
    wl_proxy_marshal_flags(Output().Pending_Token, Destroy_Token, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
  Output().Pending_Token = nullptr;
}

struct Token_Listener {
  void (*Done)(void*, wl_proxy*, const char*);
};

Token_Listener Token_Given = {[](void*, wl_proxy* Token, const char* Name) {
  if (Token != Output().Pending_Token) return;
  Drop_Pending_Token();
  Activate_With(Name);
}};

// The keyboard: its enter and leave for the window's surface; the rest is SDL's.
void On_Keymap(void*, wl_keyboard*, uint32_t, int32_t Fd, uint32_t) { close(Fd); }
void On_Enter(void*, wl_keyboard*, uint32_t, wl_surface* Surface, wl_array*) {
  if (Surface == Output().Surface) Set_Keyboard_Focus(true);
}
void On_Leave(void*, wl_keyboard*, uint32_t, wl_surface* Surface) {
  if (Surface == Output().Surface) Set_Keyboard_Focus(false);
}
void On_Key(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void On_Modifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void On_Repeat_Info(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener Keyboard_Listener = {On_Keymap, On_Enter, On_Leave, On_Key, On_Modifiers, On_Repeat_Info};

void Release_Keyboard() {
  Wayland_Output& Out = Output();
  if (!Out.Keyboard) return;
  if (wl_keyboard_get_version(Out.Keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
    wl_keyboard_release(Out.Keyboard);
  else
    wl_keyboard_destroy(Out.Keyboard);
  Out.Keyboard = nullptr;
}

// The seat's keyboard comes and goes with its devices (a virtual keyboard's client, say).
void On_Capabilities(void*, wl_seat* Seat, uint32_t Capabilities) {
  Wayland_Output& Out = Output();
  const bool Keyboard = (Capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (Keyboard && !Out.Keyboard) {
    Out.Keyboard = wl_seat_get_keyboard(Seat);
    wl_keyboard_add_listener(Out.Keyboard, &Keyboard_Listener, nullptr);
  } else if (!Keyboard && Out.Keyboard) {
    Release_Keyboard();
    Set_Keyboard_Focus(false);
  }
  Set_Seat_Keyboard(Keyboard);
}
void On_Seat_Name(void*, wl_seat*, const char*) {}
const wl_seat_listener Seat_Listener = {On_Capabilities, On_Seat_Name};

}  // namespace

void Wayland_Seat_Global(wl_registry* Registry, uint32_t Name, const char* Interface, uint32_t Version) {
  Wayland_Output& Out = Output();
  if (std::strcmp(Interface, wl_seat_interface.name) == 0 && !Out.Seat) {
    // Until the seat tells its devices, it is taken to have no keyboard.
    Out.Seat = static_cast<wl_seat*>(wl_registry_bind(Registry, Name, &wl_seat_interface, std::min(Version, 5u)));
    wl_seat_add_listener(Out.Seat, &Seat_Listener, nullptr);
    Set_Seat_Keyboard(false);
  } else if (std::strcmp(Interface, Activation_Interface.name) == 0 && !Out.Activation) {
    Out.Activation = static_cast<wl_proxy*>(wl_registry_bind(Registry, Name, &Activation_Interface, 1));
  }
}

void Wayland_Seat_Stop() {
  Wayland_Output& Out = Output();
  Drop_Pending_Token();
  if (Out.Activation) wl_proxy_marshal_flags(Out.Activation, Destroy_Activation, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
  Release_Keyboard();
  if (Out.Seat) {
    if (wl_seat_get_version(Out.Seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
      wl_seat_release(Out.Seat);
    else
      wl_seat_destroy(Out.Seat);
  }
  Out.Activation = nullptr;
  Out.Seat = nullptr;
}

void Wayland_Request_Activation() {
  Wayland_Output& Out = Output();
  if (!Out.Activation) return;
  // A launcher's token may be stale (a terminal that passes on its own, say),
  // and a compositor ignores an unknown one: a token of the window's own is
  // asked for as well.
  std::string& Launcher_Token = The_State.Launcher_Token;
  if (!Launcher_Token.empty()) {
    Activate_With(Launcher_Token.c_str());
    Launcher_Token.clear();  // a token is good for one activation
  }
  Drop_Pending_Token();  // a newer request replaces it
  Out.Pending_Token = wl_proxy_marshal_flags(Out.Activation, Get_Token, &Token_Interface, 1, 0, nullptr);
  wl_proxy_add_listener(Out.Pending_Token, reinterpret_cast<void (**)(void)>(&Token_Given), nullptr);
  wl_proxy_marshal_flags(Out.Pending_Token, Set_Surface, nullptr, 1, 0, Out.Surface);
  wl_proxy_marshal_flags(Out.Pending_Token, Commit_Token, nullptr, 1, 0);
  wl_display_flush(Out.Display);
}
