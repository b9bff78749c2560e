#include "tests/support/wayland_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <string>

namespace {

// The virtual keyboard protocol's two interfaces, written out as its protocol
// description defines them (requests only; neither has events).
extern const wl_interface Virtual_Keyboard_Interface;
const wl_interface* Create_Types[] = {&wl_seat_interface, &Virtual_Keyboard_Interface};
const wl_interface* Plain_Types[] = {nullptr, nullptr, nullptr, nullptr};
const wl_message Manager_Requests[] = {{"create_virtual_keyboard", "on", Create_Types}};
const wl_interface Manager_Interface = {"zwp_virtual_keyboard_manager_v1", 1, 1, Manager_Requests, 0, nullptr};
const wl_message Keyboard_Requests[] = {
    {"keymap", "uhu", Plain_Types},
    {"key", "uuu", Plain_Types},
    {"modifiers", "uuuu", Plain_Types},
    {"destroy", "", Plain_Types},
};
const wl_interface Virtual_Keyboard_Interface = {"zwp_virtual_keyboard_v1", 1, 4, Keyboard_Requests, 0, nullptr};

constexpr uint32_t Keymap_Request = 0, Key_Request = 1, Destroy_Request = 3;
constexpr uint32_t Xkb_Keymap_Format = 1;

struct Globals {
  wl_seat* Seat = nullptr;
  wl_proxy* Manager = nullptr;
};

void On_Global(void* Data, wl_registry* Registry, uint32_t Name, const char* Interface, uint32_t) {
  auto* Found = static_cast<Globals*>(Data);
  if (std::strcmp(Interface, wl_seat_interface.name) == 0)
    Found->Seat = static_cast<wl_seat*>(wl_registry_bind(Registry, Name, &wl_seat_interface, 1));
  else if (std::strcmp(Interface, Manager_Interface.name) == 0)
    Found->Manager = static_cast<wl_proxy*>(wl_registry_bind(Registry, Name, &Manager_Interface, 1));
}

void On_Global_Removed(void*, wl_registry*, uint32_t) {}

// The US layout's keymap as text, in a memory file; its descriptor and size. The
// layout is named, and the user's XKB_DEFAULT_* settings are not read: the keys
// are pressed by their US places (with a French layout the key of 1 types &).
bool Keymap_File(int& Fd, uint32_t& Size) {
  xkb_context* Context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  const xkb_rule_names Names = {"evdev", "pc105", "us", "", ""};
  xkb_keymap* Keymap = Context ? xkb_keymap_new_from_names(Context, &Names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
  char* Text = Keymap ? xkb_keymap_get_as_string(Keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
  bool Written = false;
  if (Text) {
    Size = static_cast<uint32_t>(std::strlen(Text) + 1);
    Fd = memfd_create("keymap", MFD_CLOEXEC);
    Written = Fd >= 0 && write(Fd, Text, Size) == static_cast<ssize_t>(Size);
    std::free(Text);
  }
  if (Keymap) xkb_keymap_unref(Keymap);
  if (Context) xkb_context_unref(Context);
  return Written;
}

}  // namespace

struct Wayland_Keyboard {
  wl_display* Display = nullptr;
  wl_registry* Registry = nullptr;
  Globals Found;
  wl_proxy* Keyboard = nullptr;
};

Wayland_Keyboard* Open_Wayland_Keyboard(const char* Socket) {
  wl_display* Display = wl_display_connect(Socket);
  if (!Display) return nullptr;
  Globals Found;
  static const wl_registry_listener Listener = {On_Global, On_Global_Removed};
  wl_registry* Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &Listener, &Found);
  wl_display_roundtrip(Display);
  int Fd = -1;
  uint32_t Size = 0;
  auto* Keyboard = new Wayland_Keyboard{Display, Registry, Found, nullptr};
  if (!Found.Seat || !Found.Manager || !Keymap_File(Fd, Size)) {
    Close_Wayland_Keyboard(Keyboard);
    return nullptr;
  }
  Keyboard->Keyboard = wl_proxy_marshal_flags(Found.Manager, 0, &Virtual_Keyboard_Interface, 1, 0, Found.Seat, nullptr);
  wl_proxy_marshal_flags(Keyboard->Keyboard, Keymap_Request, nullptr, 1, 0, Xkb_Keymap_Format, Fd, Size);
  close(Fd);
  wl_display_roundtrip(Display);
  return Keyboard;
}

void Press_Wayland_Key(Wayland_Keyboard* Keyboard, uint32_t Code, bool Down) {
  wl_proxy_marshal_flags(Keyboard->Keyboard, Key_Request, nullptr, 1, 0, 0u, Code, Down ? 1u : 0u);
  wl_display_flush(Keyboard->Display);
}

void Close_Wayland_Keyboard(Wayland_Keyboard* Keyboard) {
  if (Keyboard->Keyboard)
    wl_proxy_marshal_flags(Keyboard->Keyboard, Destroy_Request, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
  if (Keyboard->Found.Manager) wl_proxy_destroy(Keyboard->Found.Manager);
  if (Keyboard->Found.Seat) wl_seat_destroy(Keyboard->Found.Seat);
  wl_registry_destroy(Keyboard->Registry);
  wl_display_roundtrip(Keyboard->Display);
  wl_display_disconnect(Keyboard->Display);
  delete Keyboard;
}
