// The desktops: each kind's start-up command and configuration, the user the
// Wayland desktops run as, and the tools that look at and drive a window.
#include "tests/support/desktop.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* Desktop_User = "drovanel-desktop";
// Each desktop's start-up command writes this line, then its display names, once it is ready.
constexpr const char* Ready_Marker = "drovanel-desktop-ready";
constexpr int Ready_Timeout_Ms = 10000;

bool Is_X_Desktop(Desktop_Kind Kind) { return Kind <= Desktop_Kind::I3; }
bool Is_Sway(Desktop_Kind Kind) { return Kind >= Desktop_Kind::Sway && Kind <= Desktop_Kind::Sway_X11_Only; }

// The ids of the desktop user, created when missing. Two tests may try to create
// it at once: one of them fails, and both find it afterwards.
bool Find_Desktop_User(uid_t& Uid, gid_t& Gid) {
  return Eventually([&] {
    if (const passwd* Entry = getpwnam(Desktop_User)) {
      Uid = Entry->pw_uid;
      Gid = Entry->pw_gid;
      return true;
    }
    Run_Command(std::string("useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin ") +
                Desktop_User + " 2>/dev/null");
    return false;
  });
}

void Write_File(const std::string& Path, const std::string& Text) { std::ofstream(Path) << Text; }

// dbus-run-session with a bus listening in Directory, not in /tmp, where a
// killed bus would leave its socket.
std::vector<std::string> Private_Bus(const std::string& Directory) {
  Write_File(Directory + "/bus.conf", "<busconfig><type>session</type><listen>unix:dir=" + Directory +
                                          "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                          "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                          "</policy></busconfig>\n");
  return {"dbus-run-session", "--config-file=" + Directory + "/bus.conf", "--"};
}

// The start-up command of Kind, with its configuration written into Directory.
std::vector<std::string> Session_Command(Desktop_Kind Kind, const std::string& Directory) {
  const std::string Announce =
      std::string("echo ") + Ready_Marker + " \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$XAUTHORITY\"";
  switch (Kind) {
    case Desktop_Kind::Bare_Xvfb: return {};
    case Desktop_Kind::Openbox: return {"openbox", "--startup", std::string("echo ") + Ready_Marker};
    // mutter runs the command after --, and ends when it ends.
    case Desktop_Kind::Mutter_X11:
    case Desktop_Kind::Mutter_Wayland: {
      std::vector<std::string> Command = Private_Bus(Directory);
      if (Kind == Desktop_Kind::Mutter_X11)
        Command.insert(Command.end(), {"mutter", "--x11", "--sm-disable"});
      else
        Command.insert(Command.end(), {"mutter", "--wayland", "--headless", "--virtual-monitor", "1280x800"});
      Command.insert(Command.end(), {"--", "sh", "-c", Announce + "; exec sleep infinity"});
      return Command;
    }
    case Desktop_Kind::I3:
      // Without the version line i3 would convert the file, and add a bar.
      Write_File(Directory + "/i3.config", "# i3 config file (v4)\nfont fixed\nexec " + Announce + "\n");
      return {"i3", "-c", Directory + "/i3.config"};
    case Desktop_Kind::Sway:
    case Desktop_Kind::Sway_Scale_2:
    case Desktop_Kind::Sway_X11_Only: {
      const bool Scale_2 = Kind == Desktop_Kind::Sway_Scale_2;
      Write_File(Directory + "/sway.config",
                 std::string("output HEADLESS-1 resolution ") + (Scale_2 ? "1600x1200 scale 2" : "800x600 scale 1") +
                     "\nxwayland enable\nexec " + Announce + "\n");
      return {"sway", "-c", Directory + "/sway.config"};
    }
  }
  return {};
}

// Runs a tool (xdotool, wtype, grim, swaymsg) on the desktop; its standard output, and whether it exited with 0.
bool Run_Tool(const Desktop& Desk, const std::vector<std::string>& Arguments, std::string* Output = nullptr) {
  std::vector<std::string> Command = Desk.As_User;
  Command.insert(Command.end(), Arguments.begin(), Arguments.end());
  const Child_Result Run =
      Run_Child({.Arguments = Command, .Environment = Desk.Tool_Environment, .Errors = Device::Null}, "", 10000);
  if (Output) *Output = Run.Output;
  return Run.Exited && Run.Status == 0;
}

// Reads a binary PPM image with 8-bit samples, as grim writes it.
bool Parse_Ppm(const std::string& Data, Screenshot& Image) {
  std::istringstream Header(Data);
  std::string Magic;
  int32_t Width = 0, Height = 0, Maximum = 0;
  Header >> Magic >> Width >> Height >> Maximum;
  if (!Header || Magic != "P6" || Maximum != 255 || Width <= 0 || Height <= 0) return false;
  const size_t Start = static_cast<size_t>(Header.tellg()) + 1;  // one blank ends the header
  const size_t Count = static_cast<size_t>(Width) * static_cast<size_t>(Height);
  if (Data.size() < Start + Count * 3) return false;
  Image.Width = Width;
  Image.Height = Height;
  Image.Pixels.resize(Count);
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Data.data() + Start);
  for (size_t I = 0; I < Count; ++I)
    Image.Pixels[I] = (uint32_t{Bytes[3 * I]} << 16) | (uint32_t{Bytes[3 * I + 1]} << 8) | Bytes[3 * I + 2];
  return true;
}

}  // namespace

Desktop::~Desktop() { Stop_Desktop(*this); }

bool Start_Desktop(Desktop& Desk, Desktop_Kind Kind, std::string* Failure) {
  auto Fail = [&](const std::string& Why) {
    Stop_Desktop(Desk);
    if (Failure) *Failure = Why;
    return false;
  };
  Desk.Kind = Kind;
  char Directory[] = "/tmp/drovanel-desktop-XXXXXX";
  if (!mkdtemp(Directory)) return Fail("cannot create the desktop's directory");
  Desk.Directory = Directory;
  if (!Is_X_Desktop(Kind) && geteuid() == 0) {
    uid_t Uid = 0;
    gid_t Gid = 0;
    if (!Find_Desktop_User(Uid, Gid)) return Fail(std::string("cannot create the user ") + Desktop_User);
    if (chown(Directory, Uid, Gid) != 0) return Fail("cannot give the desktop's directory to its user");
    Desk.As_User = {"setpriv", "--reuid=" + std::to_string(Uid), "--regid=" + std::to_string(Gid),
                    "--init-groups", "--pdeathsig=KILL", "--"};
  }

  // The session's own environment: nothing of a desktop this process may run in (mutter gets a
  // private session bus).
  std::vector<std::string> Environment = {"XDG_RUNTIME_DIR=" + Desk.Directory, "HOME=" + Desk.Directory,
                                          "WAYLAND_DISPLAY", "DISPLAY", "XAUTHORITY", "DBUS_SESSION_BUS_ADDRESS"};
  if (Is_X_Desktop(Kind)) {
    Desk.Xvfb.Screen_Width = 800;
    Desk.Xvfb.Screen_Height = 600;
    std::string Why;
    if (!Start_Xvfb(Desk.Xvfb, &Why)) return Fail(Why);
    Environment.push_back("DISPLAY=" + Desk.Xvfb.Display_Name);
    Desk.Environment = {"DISPLAY=" + Desk.Xvfb.Display_Name, "WAYLAND_DISPLAY"};
    Desk.Tool_Environment = Desk.Environment;
    if (Kind == Desktop_Kind::Bare_Xvfb) return true;
  } else if (Is_Sway(Kind)) {
    // Headless: no screen, no input devices, drawing on the processor.
    Environment.insert(Environment.end(), {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                           "WLR_RENDERER=pixman", "SWAYSOCK=" + Desk.Directory + "/sway.sock"});
  }

  std::vector<std::string> Command = Desk.As_User;
  const std::vector<std::string> Session = Session_Command(Kind, Desk.Directory);
  Command.insert(Command.end(), Session.begin(), Session.end());
  // Its own process group: the compositor's Xwayland and the private bus end with it.
  Desk.Session = Start_Child({.Arguments = Command, .Environment = Environment, .Output = Device::Pipe,
                              .Errors = Device::Null, .New_Process_Group = true});

  // Window managers write other lines too; the announcement is the one that counts.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point Deadline = Clock::now() + std::chrono::milliseconds(Ready_Timeout_Ms);
  std::string Line;
  while (Line.rfind(Ready_Marker, 0) != 0) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    if (Left <= 0 || !Read_Line_From_Child(Desk.Session, Line, static_cast<int>(Left)))
      return Fail("the desktop did not announce itself within 10 s: " + Session[0] + " " + Session[1] + " ...");
  }
  if (Is_X_Desktop(Kind)) return true;

  std::istringstream Names(Line.substr(std::string(Ready_Marker).size()));
  std::string Wayland_Display, X_Display, X_Authority;
  Names >> Wayland_Display >> X_Display >> X_Authority;
  if (Wayland_Display.empty() || X_Display.empty()) return Fail("the compositor gave no display names: " + Line);
  const std::vector<std::string> Common = {"XDG_RUNTIME_DIR=" + Desk.Directory, "HOME=" + Desk.Directory,
                                           "DISPLAY=" + X_Display};
  Desk.Environment = Common;
  Desk.Environment.push_back(Kind == Desktop_Kind::Sway_X11_Only ? "WAYLAND_DISPLAY"
                                                                 : "WAYLAND_DISPLAY=" + Wayland_Display);
  Desk.Environment.push_back(X_Authority.empty() ? "XAUTHORITY" : "XAUTHORITY=" + X_Authority);
  Desk.Tool_Environment = {"XDG_RUNTIME_DIR=" + Desk.Directory, "HOME=" + Desk.Directory,
                           "WAYLAND_DISPLAY=" + Wayland_Display, "SWAYSOCK=" + Desk.Directory + "/sway.sock"};
  return true;
}

void Stop_Desktop(Desktop& Desk) {
  Stop_Child(Desk.Session, SIGTERM, 3000);
  Stop_Xvfb(Desk.Xvfb);
  if (!Desk.Directory.empty()) {
    std::error_code Ignored;
    std::filesystem::remove_all(Desk.Directory, Ignored);
    Desk.Directory.clear();
  }
}

void Kill_Display_Server(Desktop& Desk) {
  if (Is_X_Desktop(Desk.Kind))
    Kill_Xvfb(Desk.Xvfb);
  else
    Stop_Child(Desk.Session, SIGKILL, 3000);
}

Child_Process Start_On_Desktop(const Desktop& Desk, const std::string& Program) {
  std::vector<std::string> Command = Desk.As_User;
  std::string Path = Program;
  if (!Desk.As_User.empty()) {
    // The program may live where the desktop's user cannot reach it (a clone under /root).
    Path = Desk.Directory + "/" + std::filesystem::path(Program).filename().string();
    struct stat Owner {};
    std::error_code Error;
    std::filesystem::copy_file(Program, Path, std::filesystem::copy_options::overwrite_existing, Error);
    if (Error || stat(Desk.Directory.c_str(), &Owner) != 0 || chown(Path.c_str(), Owner.st_uid, Owner.st_gid) != 0)
      return {};
  }
  Command.push_back(Path);
  std::vector<std::string> Environment = Window_Program_Environment();
  Environment.insert(Environment.end(), Desk.Environment.begin(), Desk.Environment.end());
  return Start_Child({.Arguments = Command, .Environment = Environment, .Errors = Device::Pipe});
}

bool Window_Has_Focus(const Desktop& Desk, const std::string& Title) {
  if (Is_X_Desktop(Desk.Kind)) {
    const std::string Window = Find_Window(Title);
    return !Window.empty() && Focused_Window() == Window;
  }
  return Is_Sway(Desk.Kind) && Run_Tool(Desk, {"swaymsg", "[title=\"^" + Title + "$\" con_id=__focused__] nop"});
}

bool Type_On_Desktop(const Desktop& Desk, const std::string& Keys) {
  if (Is_X_Desktop(Desk.Kind)) return Run_Tool(Desk, {"xdotool", "type", "--delay", "20", Keys});
  // wtype's keyboard joins the seat as it starts, and the window is told of it with the keys then
  // down as held rather than pressed: the keys are typed once the keyboard has arrived.
  return Is_Sway(Desk.Kind) && Run_Tool(Desk, {"wtype", "-s", "250", Keys});
}

bool Close_Window_On_Desktop(const Desktop& Desk, const std::string& Title) {
  if (Is_X_Desktop(Desk.Kind)) return Send_Close_Request(Find_Window(Title));
  return Is_Sway(Desk.Kind) && Run_Tool(Desk, {"swaymsg", "[title=\"^" + Title + "$\"] kill"});
}

bool Take_Desktop_Screenshot(const Desktop& Desk, Screenshot& Image) {
  if (Is_X_Desktop(Desk.Kind)) return Take_Screenshot(Desk.Xvfb, Image);
  std::string Ppm;
  return Is_Sway(Desk.Kind) && Run_Tool(Desk, {"grim", "-t", "ppm", "-"}, &Ppm) && Parse_Ppm(Ppm, Image);
}

void Keep_Screenshot(const Screenshot& Image, const std::string& Name) {
  const char* Directory = std::getenv("DROVANEL_DESKTOP_SCREENSHOTS");
  if (!Directory || !*Directory) return;
  std::filesystem::create_directories(Directory);
  std::ofstream File(std::string(Directory) + "/" + Name + ".ppm", std::ios::binary);
  File << "P6\n" << Image.Width << " " << Image.Height << "\n255\n";
  for (const uint32_t Pixel : Image.Pixels) {
    const char Rgb[3] = {static_cast<char>(Pixel >> 16), static_cast<char>(Pixel >> 8), static_cast<char>(Pixel)};
    File.write(Rgb, 3);
  }
}
