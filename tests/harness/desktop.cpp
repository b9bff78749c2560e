// The desktops: each kind's start-up command and configuration, the user the
// Wayland desktops run as, and the tools that look at and drive a window.
#include "tests/harness/desktop.h"

#include <dbus/dbus.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/harness/wayland_keyboard.h"

// The keyboard typed on: sway's virtual keyboard, or mutter's remote desktop session on its bus.
struct Desktop_Keyboard {
  Wayland_Keyboard* Virtual = nullptr;
  DBusConnection* Bus = nullptr;
  std::string Session;  // the session's object path
};

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
// killed bus would leave its socket. Root may connect too: a test run as root
// types through mutter's remote desktop on this bus.
std::vector<std::string> Private_Bus(const std::string& Directory) {
  Write_File(Directory + "/bus.conf", "<busconfig><type>session</type><listen>unix:dir=" + Directory +
                                          "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                          "<allow user=\"root\"/>"
                                          "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                          "</policy></busconfig>\n");
  return {"dbus-run-session", "--config-file=" + Directory + "/bus.conf", "--"};
}

// The start-up command of Kind, with its configuration written into Directory.
std::vector<std::string> Session_Command(Desktop_Kind Kind, const std::string& Directory) {
  const std::string Announce = std::string("echo ") + Ready_Marker +
                               " \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$XAUTHORITY\" \"$DBUS_SESSION_BUS_ADDRESS\"";
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
    case Desktop_Kind::Sway_Activation:
    case Desktop_Kind::Sway_X11_Only: {
      const bool Scale_2 = Kind == Desktop_Kind::Sway_Scale_2;
      // Otherwise sway answers a window's request for the keyboard by marking it urgent.
      const char* Activation = Kind == Desktop_Kind::Sway_Activation ? "focus_on_window_activation focus\n" : "";
      // The pointer hides once it rests, as Xvfb -nocursor shows none: screenshots show the windows alone.
      Write_File(Directory + "/sway.config",
                 std::string("output HEADLESS-1 resolution ") + (Scale_2 ? "1600x1200 scale 2" : "800x600 scale 1") +
                     "\nxwayland enable\nseat * hide_cursor 100\n" + Activation + "exec " + Announce + "\n");
      return {"sway", "-c", Directory + "/sway.config"};
    }
  }
  return {};
}

// The command that runs Arguments as the desktop's user.
std::vector<std::string> As_Desktop_User(const Desktop& Desk, const std::vector<std::string>& Arguments) {
  std::vector<std::string> Command = Desk.As_User;
  Command.insert(Command.end(), Arguments.begin(), Arguments.end());
  return Command;
}

// Runs a tool (xdotool, wtype, grim, swaymsg) on the desktop; its standard output, and whether it exited with 0.
bool Run_Tool(const Desktop& Desk, const std::vector<std::string>& Arguments, std::string* Output = nullptr) {
  const Child_Result Run = Run_Child(
      {.Arguments = As_Desktop_User(Desk, Arguments), .Environment = Desk.Tool_Environment, .Errors = Device::Null},
      "", 10000);
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

// A copy of Program the desktop's user can run: the program may live where that user cannot
// reach it (a clone under /root); "" when it cannot be copied.
std::string Runnable_Path(const Desktop& Desk, const std::string& Program) {
  if (Desk.As_User.empty()) return Program;
  const std::string Path = Desk.Directory + "/" + std::filesystem::path(Program).filename().string();
  struct stat Owner {};
  std::error_code Error;
  std::filesystem::copy_file(Program, Path, std::filesystem::copy_options::overwrite_existing, Error);
  if (Error || stat(Desk.Directory.c_str(), &Owner) != 0 || chown(Path.c_str(), Owner.st_uid, Owner.st_gid) != 0)
    return "";
  return Path;
}

// What a windowed program on the desktop gets.
std::vector<std::string> Window_Environment(const Desktop& Desk) {
  std::vector<std::string> Environment = Window_Program_Environment();
  Environment.insert(Environment.end(), Desk.Environment.begin(), Desk.Environment.end());
  return Environment;
}

// Calls Method of mutter's remote desktop (of the keyboard's session once it has one) with the
// arguments that follow, as dbus_message_append_args takes them, and waits for the answer; whether
// it came, and the object path it holds in *Answer.
bool Call_Remote_Desktop(const Desktop_Keyboard& Keyboard, const char* Method, std::string* Answer, int First_Type,
                         ...) {
  const bool To_Session = !Keyboard.Session.empty();
  DBusMessage* Call = dbus_message_new_method_call(
      "org.gnome.Mutter.RemoteDesktop", To_Session ? Keyboard.Session.c_str() : "/org/gnome/Mutter/RemoteDesktop",
      To_Session ? "org.gnome.Mutter.RemoteDesktop.Session" : "org.gnome.Mutter.RemoteDesktop", Method);
  va_list Arguments;
  va_start(Arguments, First_Type);
  const bool Built = Call && dbus_message_append_args_valist(Call, First_Type, Arguments);
  va_end(Arguments);
  DBusMessage* Reply = Built ? dbus_connection_send_with_reply_and_block(Keyboard.Bus, Call, 5000, nullptr) : nullptr;
  const char* Path = nullptr;
  if (Reply && Answer && dbus_message_get_args(Reply, nullptr, DBUS_TYPE_OBJECT_PATH, &Path, DBUS_TYPE_INVALID))
    *Answer = Path;
  if (Call) dbus_message_unref(Call);
  if (Reply) dbus_message_unref(Reply);
  return Reply != nullptr;
}

// A session of mutter's remote desktop on the bus at Address, for the whole test: mutter ends a
// session when the connection that created it goes.
bool Open_Remote_Desktop(Desktop_Keyboard& Keyboard, const std::string& Address) {
  Keyboard.Bus = dbus_connection_open_private(Address.c_str(), nullptr);
  if (!Keyboard.Bus || !dbus_bus_register(Keyboard.Bus, nullptr)) return false;
  std::string Session;
  // mutter may announce its desktop before it has taken its name on the bus.
  Eventually([&] { return Call_Remote_Desktop(Keyboard, "CreateSession", &Session, DBUS_TYPE_INVALID); });
  Keyboard.Session = Session;
  return !Session.empty() && Call_Remote_Desktop(Keyboard, "Start", nullptr, DBUS_TYPE_INVALID);
}

bool Press_Keysym(const Desktop_Keyboard& Keyboard, uint32_t Keysym, bool Down) {
  const dbus_bool_t State = Down;
  return Call_Remote_Desktop(Keyboard, "NotifyKeyboardKeysym", nullptr, DBUS_TYPE_UINT32, &Keysym, DBUS_TYPE_BOOLEAN,
                             &State, DBUS_TYPE_INVALID);
}

// The Linux input code of the key that types Character on the default layout (a digit, a small
// letter, Enter for a line feed); 0 for any other.
uint32_t Key_Code(char Character) {
  if (Character == '\n') return 28;
  static const char* const Rows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
  static const uint32_t First_Codes[] = {2, 16, 30, 44};
  for (int Row = 0; Row < 4; ++Row)
    if (const char* At = Character ? std::strchr(Rows[Row], Character) : nullptr)
      return First_Codes[Row] + static_cast<uint32_t>(At - Rows[Row]);
  return 0;
}

// Presses Keys in turn and releases them the other way round, 20 ms apart, as xdotool types:
// one key, or a combination such as Alt+Tab.
bool Press_Together(const Desktop_Keyboard& Keyboard, const std::vector<uint32_t>& Keys) {
  for (size_t Step = 0; Step < 2 * Keys.size(); ++Step) {
    const bool Down = Step < Keys.size();
    const uint32_t Key = Keys[Down ? Step : 2 * Keys.size() - 1 - Step];
    if (Keyboard.Virtual)
      Press_Wayland_Key(Keyboard.Virtual, Key, Down);
    else if (!Press_Keysym(Keyboard, Key, Down))
      return false;
    usleep(20000);
  }
  return true;
}

std::string Transcript_Path(const Desktop& Desk, const std::string& Title) {
  return Desk.Directory + "/" + Title + ".typescript";
}

void Stop_Keyboard(Desktop& Desk) {
  if (!Desk.Keyboard) return;
  if (Desk.Keyboard->Virtual) Close_Wayland_Keyboard(Desk.Keyboard->Virtual);
  if (Desk.Keyboard->Bus) {
    dbus_connection_close(Desk.Keyboard->Bus);  // mutter ends the session with the connection
    dbus_connection_unref(Desk.Keyboard->Bus);
  }
  delete Desk.Keyboard;
  Desk.Keyboard = nullptr;
}

// The processes in the process group that Leader leads.
std::vector<pid_t> Group_Members(pid_t Leader) {
  std::vector<pid_t> Members;
  std::error_code Ignored;
  for (const auto& Entry : std::filesystem::directory_iterator("/proc", Ignored)) {
    const std::string Name = Entry.path().filename();
    if (Name.find_first_not_of("0123456789") != std::string::npos) continue;  // not a process
    const std::string Stat = Read_File(Entry.path() / "stat");
    const size_t Name_End = Stat.rfind(')');  // the name in brackets may hold anything
    char State = 0;
    int Parent = 0, Group = 0;
    if (Name_End != std::string::npos && std::sscanf(Stat.c_str() + Name_End + 1, " %c %d %d", &State, &Parent, &Group) == 3 &&
        Group == Leader)
      Members.push_back(std::atoi(Stat.c_str()));
  }
  return Members;
}

}  // namespace

// Xwayland leaves its lock file and socket in /tmp when its compositor is
// killed, and mutter those of the displays it kept for Xwayland (one it
// announces, one of its own). Once the desktop has ended, those of its own
// displays are removed: the one it announced, and those whose lock names one
// of its processes (the compositor writes its own pid), when they are Owner's
// and their server is gone. Another desktop's are never touched; nor is a lock
// without a pid, which may be a server's that is still starting.
void Remove_Stale_X_Locks(uid_t Owner, int Announced, const std::vector<pid_t>& Members) {
  std::error_code Ignored;
  for (const auto& Entry : std::filesystem::directory_iterator("/tmp", Ignored)) {
    const std::string Name = Entry.path().filename();
    int Display = 0;
    struct stat Status {};
    if (!Name.ends_with("-lock") || std::sscanf(Name.c_str(), ".X%d-lock", &Display) != 1 ||
        stat(Entry.path().c_str(), &Status) != 0 || Status.st_uid != Owner)
      continue;
    const pid_t Server = std::atoi(Read_File(Entry.path()).c_str());
    if (Server <= 0 || (Display != Announced && std::ranges::find(Members, Server) == Members.end())) continue;
    // The server, killed with its desktop, may take a moment to end (a zombie has ended).
    const auto Ended = [&] {
      const std::string Stat = Read_File("/proc/" + std::to_string(Server) + "/stat");
      return Stat.empty() || Stat.find(") Z ") != std::string::npos;
    };
    if (!Eventually(Ended, 1000)) continue;
    std::filesystem::remove(Entry.path(), Ignored);
    std::filesystem::remove("/tmp/.X11-unix/X" + std::to_string(Display), Ignored);
  }
}

namespace {

// Ends the session's process group with Signal (SIGKILL after 3 s); on a Wayland desktop, then
// removes what its X displays left.
void Stop_Session(Desktop& Desk, int Signal) {
  if (Desk.Session.Reaped || Desk.Session.Pid <= 0) return;
  const std::vector<pid_t> Members = Group_Members(Desk.Session.Pid);
  Stop_Child(Desk.Session, Signal, 3000);
  struct stat Owner {};
  if (!Is_X_Desktop(Desk.Kind) && stat(Desk.Directory.c_str(), &Owner) == 0)
    Remove_Stale_X_Locks(Owner.st_uid, Desk.Xwayland_Display, Members);
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
  Names >> Wayland_Display >> X_Display >> X_Authority >> Desk.Bus_Address;
  if (Wayland_Display.empty() || X_Display.empty()) return Fail("the compositor gave no display names: " + Line);
  if (std::sscanf(X_Display.c_str(), ":%d", &Desk.Xwayland_Display) != 1) Desk.Xwayland_Display = -1;
  Desk.Wayland_Socket = Desk.Directory + "/" + Wayland_Display;
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
  Stop_Keyboard(Desk);
  Stop_Session(Desk, SIGTERM);
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
    Stop_Session(Desk, SIGKILL);
}

Child_Process Start_On_Desktop(const Desktop& Desk, const std::string& Program,
                               const std::vector<std::string>& Arguments) {
  const std::string Path = Runnable_Path(Desk, Program);
  if (Path.empty()) return {};
  std::vector<std::string> Command = {Path};
  Command.insert(Command.end(), Arguments.begin(), Arguments.end());
  return Start_Child({.Arguments = As_Desktop_User(Desk, Command), .Environment = Window_Environment(Desk),
                      .Errors = Device::Pipe});
}

bool Window_Has_Focus(const Desktop& Desk, const std::string& Title) {
  if (Is_X_Desktop(Desk.Kind)) {
    const std::string Window = Find_Window(Title);
    return !Window.empty() && Focused_Window() == Window;
  }
  return Is_Sway(Desk.Kind) && Run_Tool(Desk, {"swaymsg", "[title=\"^" + Title + "$\" con_id=__focused__] nop"});
}

bool Type_On_Desktop(const Desktop& Desk, const std::string& Keys) {
  if (Desk.Keyboard) {
    for (const char Character : Keys) {
      // mutter takes key symbols: a character's own code, but Return for Enter.
      const uint32_t Key = Desk.Keyboard->Virtual ? Key_Code(Character)
                           : Character == '\n'    ? 0xff0d
                                                  : static_cast<unsigned char>(Character);
      if (Key == 0 || !Press_Together(*Desk.Keyboard, {Key})) return false;
    }
    return true;
  }
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

bool Start_Keyboard(Desktop& Desk) {
  if (Is_X_Desktop(Desk.Kind) || Desk.Keyboard) return true;
  Desk.Keyboard = new Desktop_Keyboard;
  const bool Opened = Is_Sway(Desk.Kind)
                          ? (Desk.Keyboard->Virtual = Open_Wayland_Keyboard(Desk.Wayland_Socket.c_str())) != nullptr
                          : Open_Remote_Desktop(*Desk.Keyboard, Desk.Bus_Address);
  if (!Opened) Stop_Keyboard(Desk);
  return Opened;
}

Child_Process Start_Terminal(const Desktop& Desk, const std::string& Title, const std::string& Program) {
  const std::string Path = Runnable_Path(Desk, Program);
  if (Path.empty()) return {};
  // foot starts in a directory its user can enter: the desktop user may not enter this process's.
  std::vector<std::string> Terminal = {"foot", "--title=" + Title, "--app-id=" + Title,
                                       "--working-directory=" + Desk.Directory};
  if (Is_X_Desktop(Desk.Kind)) Terminal = {"xterm", "-T", Title, "-e"};
  // -f: the transcript grows as the output comes, not only when the program has ended.
  Terminal.insert(Terminal.end(), {"script", "-q", "-f", "-e", "-c", "'" + Path + "'", Transcript_Path(Desk, Title)});
  return Start_Child({.Arguments = As_Desktop_User(Desk, Terminal), .Environment = Window_Environment(Desk),
                      .Output = Device::Null, .Errors = Device::Null});
}

std::string Terminal_Transcript(const Desktop& Desk, const std::string& Title) {
  return Read_File(Transcript_Path(Desk, Title));
}

bool Focus_Window(const Desktop& Desk, const std::string& Title) {
  if (Is_X_Desktop(Desk.Kind)) {
    const std::string Window = Find_Window(Title);
    return !Window.empty() && Run_Tool(Desk, {"xdotool", "windowactivate", Window});
  }
  if (Is_Sway(Desk.Kind)) return Run_Tool(Desk, {"swaymsg", "[title=\"^" + Title + "$\"] focus"});
  constexpr uint32_t Alt = 0xffe9, Tab = 0xff09;  // key symbols
  return Desk.Keyboard && Press_Together(*Desk.Keyboard, {Alt, Tab});
}

bool Window_Is_Urgent(const Desktop& Desk, const std::string& Title) {
  if (Is_X_Desktop(Desk.Kind)) return Window_Wants_Attention(Find_Window(Title));
  return Is_Sway(Desk.Kind) && Run_Tool(Desk, {"swaymsg", "[title=\"^" + Title + "$\" urgent=latest] nop"});
}

bool Click_On_Desktop(const Desktop& Desk, const Screenshot& Screen, int32_t X, int32_t Y) {
  if (X < 0 || Y < 0 || X >= Screen.Width || Y >= Screen.Height) return false;
  if (Is_X_Desktop(Desk.Kind))
    return Run_Tool(Desk, {"xdotool", "mousemove", std::to_string(X), std::to_string(Y), "click", "1"});
  return Desk.Keyboard && Desk.Keyboard->Virtual &&
         Click_Wayland_Pointer(Desk.Keyboard->Virtual, X, Y, Screen.Width, Screen.Height);
}
