#include "tests/harness/wayland_keyboard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

// The virtual keyboard and virtual pointer protocols' interfaces, written out as
// their protocol descriptions define them (requests only; none has events).
extern const wl_interface Virtual_Keyboard_Interface;
extern const wl_interface Virtual_Pointer_Interface;
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
const wl_interface* Create_Pointer_Types[] = {&wl_seat_interface, &Virtual_Pointer_Interface};
const wl_message Pointer_Manager_Requests[] = {{"create_virtual_pointer", "?on", Create_Pointer_Types}};
const wl_interface Pointer_Manager_Interface = {"zwlr_virtual_pointer_manager_v1", 1, 1, Pointer_Manager_Requests,
                                                0, nullptr};
const wl_message Pointer_Requests[] = {
    {"motion", "uff", Plain_Types},     {"motion_absolute", "uuuuu", Plain_Types}, {"button", "uuu", Plain_Types},
    {"axis", "uuf", Plain_Types},       {"frame", "", Plain_Types},                {"axis_source", "u", Plain_Types},
    {"axis_stop", "uu", Plain_Types},   {"axis_discrete", "uufi", Plain_Types},    {"destroy", "", Plain_Types},
};
const wl_interface Virtual_Pointer_Interface = {"zwlr_virtual_pointer_v1", 1, 9, Pointer_Requests, 0, nullptr};

constexpr uint32_t Keymap_Request = 0, Key_Request = 1, Destroy_Request = 3;
constexpr uint32_t Motion_Absolute_Request = 1, Button_Request = 2, Frame_Request = 4, Destroy_Pointer_Request = 8;
constexpr uint32_t Xkb_Keymap_Format = 1;
constexpr uint32_t Left_Button = 0x110;  // BTN_LEFT of the Linux input codes

struct Globals {
  wl_seat* Seat = nullptr;
  wl_proxy* Manager = nullptr;
  wl_proxy* Pointer_Manager = nullptr;  // where the compositor offers virtual pointers
};

void On_Global(void* Data, wl_registry* Registry, uint32_t Name, const char* Interface, uint32_t) {
  auto* Found = static_cast<Globals*>(Data);
  if (std::strcmp(Interface, wl_seat_interface.name) == 0)
    Found->Seat = static_cast<wl_seat*>(wl_registry_bind(Registry, Name, &wl_seat_interface, 1));
  else if (std::strcmp(Interface, Manager_Interface.name) == 0)
    Found->Manager = static_cast<wl_proxy*>(wl_registry_bind(Registry, Name, &Manager_Interface, 1));
  else if (std::strcmp(Interface, Pointer_Manager_Interface.name) == 0)
    Found->Pointer_Manager = static_cast<wl_proxy*>(wl_registry_bind(Registry, Name, &Pointer_Manager_Interface, 1));
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
  wl_proxy* Pointer = nullptr;  // none where the compositor offers no virtual pointer
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
  if (Found.Pointer_Manager)
    Keyboard->Pointer =
        wl_proxy_marshal_flags(Found.Pointer_Manager, 0, &Virtual_Pointer_Interface, 1, 0, Found.Seat, nullptr);
  wl_display_roundtrip(Display);
  return Keyboard;
}

void Press_Wayland_Key(Wayland_Keyboard* Keyboard, uint32_t Code, bool Down) {
  wl_proxy_marshal_flags(Keyboard->Keyboard, Key_Request, nullptr, 1, 0, 0u, Code, Down ? 1u : 0u);
  wl_display_flush(Keyboard->Display);
}

bool Click_Wayland_Pointer(Wayland_Keyboard* Keyboard, uint32_t X, uint32_t Y, uint32_t Width, uint32_t Height) {
  wl_proxy* Pointer = Keyboard->Pointer;
  if (!Pointer) return false;
  const auto Now = [] {  // event times in milliseconds
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  };
  wl_proxy_marshal_flags(Pointer, Motion_Absolute_Request, nullptr, 1, 0, Now(), X, Y, Width, Height);
  wl_proxy_marshal_flags(Pointer, Frame_Request, nullptr, 1, 0);
  for (const uint32_t State : {1u, 0u}) {
    wl_display_flush(Keyboard->Display);
    usleep(20000);  // as long as a key is held
    wl_proxy_marshal_flags(Pointer, Button_Request, nullptr, 1, 0, Now(), Left_Button, State);
    wl_proxy_marshal_flags(Pointer, Frame_Request, nullptr, 1, 0);
  }
  return wl_display_flush(Keyboard->Display) >= 0;
}

void Close_Wayland_Keyboard(Wayland_Keyboard* Keyboard) {
  if (Keyboard->Pointer)
    wl_proxy_marshal_flags(Keyboard->Pointer, Destroy_Pointer_Request, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
  if (Keyboard->Found.Pointer_Manager) wl_proxy_destroy(Keyboard->Found.Pointer_Manager);
  if (Keyboard->Keyboard)
    wl_proxy_marshal_flags(Keyboard->Keyboard, Destroy_Request, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
  if (Keyboard->Found.Manager) wl_proxy_destroy(Keyboard->Found.Manager);
  if (Keyboard->Found.Seat) wl_seat_destroy(Keyboard->Found.Seat);
  wl_registry_destroy(Keyboard->Registry);
  wl_display_roundtrip(Keyboard->Display);
  wl_display_disconnect(Keyboard->Display);
  delete Keyboard;
}
