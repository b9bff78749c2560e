// The environment of every Wine command the tests and benchmarks run, in a
// prefix of their own under Dir.
#pragma once

#include <string>
#include <vector>

// No Mono or Gecko installers, no Linux menu entries for the Start menu's, and
// no session bus launched for the display. Nothing of the user's own Wine: its
// prefix's kind, its loader and its server would not be the installed Wine's;
// nor of the user's Wayland desktop (its socket is found in XDG_RUNTIME_DIR
// without WAYLAND_DISPLAY too), where Wine 10 would show the windows without a
// DISPLAY. No TMPDIR either: Wine 10's server aborts at start with one set
// (free(): invalid pointer).
inline std::vector<std::string> Wine_Environment_In(const std::string& Dir) {
  return {"WINEPREFIX=" + Dir + "/prefix", "WINEDEBUG=-all", "HOME=" + Dir,
          "XDG_DATA_HOME=" + Dir + "/data", "XDG_CONFIG_HOME=" + Dir + "/config",
          "XDG_CACHE_HOME=" + Dir + "/cache", "DBUS_SESSION_BUS_ADDRESS=disabled:",
          "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d",
          "WINEARCH", "WINELOADER", "WINESERVER", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR=" + Dir,
          "TMPDIR"};
}
