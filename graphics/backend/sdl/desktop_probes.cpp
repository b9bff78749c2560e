// What the SDL back end settles about the desktop before SDL starts: Xlib's
// error handlers, the session bus, a launcher's activation token, whether a
// Wayland compositor has a seat, and which video drivers to try. Each is a
// look at the platform, kept out of the window thread's own file.
#include <sys/stat.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/backend/sdl/sdl_backend.h"

// Last: Xlib defines macros (None, Bool, Status) that must not reach the headers above.
#include <X11/Xlib.h>

namespace {

void (*Display_Lost_Handler)() = nullptr;

// Xlib calls this when the display connection breaks. Returning would let
// Xlib end the whole process with exit(), so the handler never returns.
int On_Display_Connection_Lost(Display*) {
  Display_Lost_Handler();
  return 0;
}

// Xlib reports a failed request (a BadWindow from a request SDL queued just
// before it destroyed the window, say) long after it was made, and its default
// handler then ends the whole process from this thread. None of these errors
// matters to the program: the window either works or goes, and that is told
// by the events and the connection, so they are ignored.
int On_Protocol_Error(Display*, XErrorEvent*) { return 0; }

// Whether the Wayland compositor offers a seat (a keyboard and pointer, even
// without devices yet). SDL 2.26 crashes while starting on a compositor
// without one, as a headless one may be; such a compositor is passed over.
bool Compositor_Has_Seat() {
  wl_display* Display = wl_display_connect(nullptr);
  if (!Display) return false;
  bool Has_Seat = false;
  static const wl_registry_listener Listener = {
      [](void* Found, wl_registry*, uint32_t, const char* Interface, uint32_t) {
        if (std::strcmp(Interface, wl_seat_interface.name) == 0) *static_cast<bool*>(Found) = true;
      },
      [](void*, wl_registry*, uint32_t) {},
  };
  wl_registry* Registry = wl_display_get_registry(Display);
  wl_registry_add_listener(Registry, &Listener, &Has_Seat);
  wl_display_roundtrip(Display);
  wl_registry_destroy(Registry);
  wl_display_disconnect(Display);
  return Has_Seat;
}

}  // namespace

void Install_X_Error_Handlers(void (*On_Display_Lost)()) {
  Display_Lost_Handler = On_Display_Lost;
  XSetIOErrorHandler(On_Display_Connection_Lost);
  XSetErrorHandler(On_Protocol_Error);
}

void Refuse_Bus_Autolaunch() {
  const char* Address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (Address && *Address) return;
  if (const char* Runtime = std::getenv("XDG_RUNTIME_DIR")) {
    struct stat Bus;
    if (stat((std::string(Runtime) + "/bus").c_str(), &Bus) == 0 && S_ISSOCK(Bus.st_mode)) return;
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

void Take_Launcher_Token() {
  const char* Token = std::getenv("XDG_ACTIVATION_TOKEN");
  if (!Token) return;
  if (*Token) The_State.Launcher_Token = Token;
  unsetenv("XDG_ACTIVATION_TOKEN");
}

std::vector<const char*> Video_Drivers() {
  const auto Is_Set = [](const char* Name) { return std::getenv(Name) && *std::getenv(Name); };
  if (Is_Set("SDL_VIDEODRIVER")) return {nullptr};
  if (Is_Set("WAYLAND_DISPLAY") && Compositor_Has_Seat()) return {"wayland", "x11"};
  return {"x11"};
}

bool Is_Real_Display_Driver(const char* Driver) {
  return Driver && (std::strcmp(Driver, "x11") == 0 || std::strcmp(Driver, "wayland") == 0);
}
