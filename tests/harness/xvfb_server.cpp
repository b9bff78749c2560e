// The private Xvfb: started and stopped as a child process, its screen read
// from the framebuffer file it keeps, and the window queries window tests share.
#include "tests/harness/xvfb_server.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

// Last: Xlib defines macros (Status, None, Bool) that clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

void Remove_Framebuffer_Dir(Xvfb_Server& Server) {
  if (Server.Framebuffer_Dir.empty()) return;
  unlink((Server.Framebuffer_Dir + "/Xvfb_screen0").c_str());
  rmdir(Server.Framebuffer_Dir.c_str());
  Server.Framebuffer_Dir.clear();
}

void Forget_Server(Xvfb_Server& Server) {
  Remove_Framebuffer_Dir(Server);
  if (!Server.Display_Name.empty()) {
    const char* Current = getenv("DISPLAY");
    if (Current && Server.Display_Name == Current) unsetenv("DISPLAY");
    Server.Display_Name.clear();
  }
}

uint32_t Big_Endian_Word(const std::string& Data, size_t Offset) {
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Data.data() + Offset);
  return (uint32_t{Bytes[0]} << 24) | (uint32_t{Bytes[1]} << 16) | (uint32_t{Bytes[2]} << 8) | Bytes[3];
}

// The 8-bit value of the colour channel Mask selects in Pixel.
uint32_t Channel(uint32_t Pixel, uint32_t Mask) {
  if (Mask == 0) return 0;
  const int Shift = __builtin_ctz(Mask);
  const uint32_t Width_Mask = Mask >> Shift;
  return ((Pixel >> Shift) & Width_Mask) * 255 / Width_Mask;
}

// The command's output without the line feeds and blanks that end it.
std::string Trimmed_Output(const std::string& Command_Line) {
  std::string Text = Run_Command(Command_Line);
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) Text.pop_back();
  return Text;
}

// Runs Work on a connection of its own to the display; false when there is none. A
// window may go while Work reads or sends to it: its errors are no failure of the test.
bool On_Display(const std::function<void(Display*)>& Work) {
  Display* Connection = XOpenDisplay(nullptr);
  if (!Connection) return false;
  const auto Previous_Handler = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Work(Connection);
  XSync(Connection, False);
  XSetErrorHandler(Previous_Handler);
  XCloseDisplay(Connection);
  return true;
}

// The window's title: its _NET_WM_NAME, else its WM_NAME.
std::string Window_Title(Display* Connection, Window Id) {
  Atom Type = 0;
  int Format = 0;
  unsigned long Count = 0, Left = 0;
  unsigned char* Data = nullptr;
  std::string Title;
  if (XGetWindowProperty(Connection, Id, XInternAtom(Connection, "_NET_WM_NAME", False), 0, 1024, False,
                         AnyPropertyType, &Type, &Format, &Count, &Left, &Data) == Success &&
      Data && Format == 8) {
    Title.assign(reinterpret_cast<const char*>(Data), Count);
  } else if (char* Name = nullptr; XFetchName(Connection, Id, &Name) && Name) {
    Title = Name;
    XFree(Name);
  }
  if (Data) XFree(Data);
  return Title;
}

// Adds the windows titled Title in the tree of Id to Found, but not one that holds
// another so titled: a window manager's frame may carry its client's title (mutter
// 44 and later draw frames in a client of their own), and the client lies inside it.
// Whether any was found.
bool Collect_Titled(Display* Connection, Window Id, const std::string& Title, std::vector<Window>& Found) {
  Window Root = 0, Parent = 0, *Children = nullptr;
  unsigned Count = 0;
  bool Inside = false;
  if (XQueryTree(Connection, Id, &Root, &Parent, &Children, &Count)) {
    for (unsigned Child = 0; Child < Count; ++Child) Inside |= Collect_Titled(Connection, Children[Child], Title, Found);
    if (Children) XFree(Children);
  }
  if (Inside || Window_Title(Connection, Id) != Title) return Inside;
  Found.push_back(Id);
  return true;
}

}  // namespace

Xvfb_Server::~Xvfb_Server() { Stop_Xvfb(*this); }

bool Start_Xvfb(Xvfb_Server& Server, std::string* Failure) {
  auto Fail = [&](const std::string& Why) {
    Kill_Xvfb(Server);
    if (Failure) *Failure = Why;
    return false;
  };
  // The screen file lives in memory where it can (a file on disk makes the
  // server stall now and then while the kernel writes its pages back).
  char In_Memory[] = "/dev/shm/drovanel-xvfb-XXXXXX";
  char On_Disk[] = "/tmp/drovanel-xvfb-XXXXXX";
  const char* Directory = mkdtemp(In_Memory);
  if (!Directory) Directory = mkdtemp(On_Disk);
  if (!Directory) return Fail("cannot create a framebuffer directory");
  Server.Framebuffer_Dir = Directory;
  const std::string Screen = std::to_string(Server.Screen_Width) + "x" + std::to_string(Server.Screen_Height) + "x24";
  Server.Process = Start_Child({.Arguments = {"Xvfb", "-displayfd", "1", "-noreset", "-nocursor", "-screen", "0",
                                              Screen, "-fbdir", Server.Framebuffer_Dir, "-nolisten", "tcp"},
                                .Output = Device::Pipe,
                                .Errors = Device::Null});
  // Xvfb writes the display number and a LF once it accepts connections.
  std::string Number;
  if (Server.Process.Pid <= 0 || !Read_Line_From_Child(Server.Process, Number, 10000) || Number.empty())
    return Fail("Xvfb did not report a display number (is Xvfb installed?)");
  Server.Display_Number = std::atoi(Number.c_str());
  Server.Display_Name = ":" + std::to_string(Server.Display_Number);
  setenv("DISPLAY", Server.Display_Name.c_str(), 1);
  return true;
}

void Stop_Xvfb(Xvfb_Server& Server) {
  Stop_Child(Server.Process, SIGTERM, 3000);
  Forget_Server(Server);
}

void Kill_Xvfb(Xvfb_Server& Server) {
  Stop_Child(Server.Process, SIGKILL, 3000);
  Forget_Server(Server);
}

bool Take_Screenshot(const Xvfb_Server& Server, Screenshot& Image) {
  std::ifstream File(Server.Framebuffer_Dir + "/Xvfb_screen0", std::ios::binary);
  if (!File) return false;
  const std::string Data((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  // The XWD header: 25 big-endian 32-bit fields, then the window name, then
  // ncolors colour entries of 12 bytes, then the image.
  if (Data.size() < 100) return false;
  auto Field = [&](int Index) { return Big_Endian_Word(Data, static_cast<size_t>(Index) * 4); };
  const uint32_t Header_Size = Field(0), Width = Field(4), Height = Field(5), Byte_Order = Field(7);
  const uint32_t Bits_Per_Pixel = Field(11), Bytes_Per_Line = Field(12);
  const uint32_t Red_Mask = Field(14), Green_Mask = Field(15), Blue_Mask = Field(16), Colour_Count = Field(19);
  if (Bits_Per_Pixel != 32 || Width == 0 || Height == 0 || Width > 16384 || Height > 16384) return false;
  const size_t Image_Start = size_t{Header_Size} + size_t{Colour_Count} * 12;
  if (Data.size() < Image_Start + size_t{Bytes_Per_Line} * Height) return false;

  Image.Width = static_cast<int32_t>(Width);
  Image.Height = static_cast<int32_t>(Height);
  Image.Pixels.assign(size_t{Width} * Height, 0);
  for (uint32_t Y = 0; Y < Height; ++Y) {
    const auto* Row = reinterpret_cast<const unsigned char*>(Data.data() + Image_Start + size_t{Y} * Bytes_Per_Line);
    for (uint32_t X = 0; X < Width; ++X) {
      const unsigned char* P = Row + size_t{X} * 4;
      const uint32_t Pixel = Byte_Order == 0  // LSBFirst
                                 ? (uint32_t{P[3]} << 24) | (uint32_t{P[2]} << 16) | (uint32_t{P[1]} << 8) | P[0]
                                 : (uint32_t{P[0]} << 24) | (uint32_t{P[1]} << 16) | (uint32_t{P[2]} << 8) | P[3];
      Image.Pixels[size_t{Y} * Width + X] =
          (Channel(Pixel, Red_Mask) << 16) | (Channel(Pixel, Green_Mask) << 8) | Channel(Pixel, Blue_Mask);
    }
  }
  return true;
}

std::vector<std::string> Window_Program_Environment() {
  const char* Options = getenv("LSAN_OPTIONS");
  std::string Entry = "LSAN_OPTIONS=";
  if (Options && *Options) Entry += std::string(Options) + ":";
  Entry += "suppressions=" WINDOW_LEAK_SUPPRESSIONS;
  return {Entry};
}

bool Eventually(const std::function<bool()>& Condition, int Timeout_Ms) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout_Ms);
  for (;;) {
    if (Condition()) return true;
    if (std::chrono::steady_clock::now() >= Deadline) return false;
    usleep(10000);
  }
}

std::string Find_Window(const std::string& Title) {
  std::vector<Window> Found;
  On_Display([&](Display* Connection) { Collect_Titled(Connection, DefaultRootWindow(Connection), Title, Found); });
  return Found.size() == 1 ? std::to_string(Found[0]) : "";
}

std::string Focused_Window() { return Trimmed_Output("xdotool getwindowfocus 2>/dev/null"); }

bool Send_Close_Request(const std::string& Window) {
  bool Sent = false;
  return !Window.empty() && On_Display([&](Display* Connection) {
    XEvent Event{};
    Event.xclient.type = ClientMessage;
    Event.xclient.window = std::stoul(Window);
    Event.xclient.message_type = XInternAtom(Connection, "WM_PROTOCOLS", False);
    Event.xclient.format = 32;
    Event.xclient.data.l[0] = static_cast<long>(XInternAtom(Connection, "WM_DELETE_WINDOW", False));
    Event.xclient.data.l[1] = CurrentTime;
    Sent = XSendEvent(Connection, Event.xclient.window, False, NoEventMask, &Event) != 0;
  }) && Sent;
}

bool Window_Wants_Attention(const std::string& Window) {
  bool Urgent = false;
  return !Window.empty() && On_Display([&](Display* Connection) {
    XWMHints* Hints = XGetWMHints(Connection, std::stoul(Window));
    Urgent = Hints && (Hints->flags & XUrgencyHint) != 0;
    if (Hints) XFree(Hints);
  }) && Urgent;
}

bool Map_Spare_Keys(const Xvfb_Server& Server, const std::vector<std::string>& Keysym_Names) {
  Display* Connection = XOpenDisplay(Server.Display_Name.c_str());
  if (!Connection) return false;
  int First = 0, Last = 0, Per_Code = 0;
  XDisplayKeycodes(Connection, &First, &Last);
  KeySym* Map = XGetKeyboardMapping(Connection, static_cast<KeyCode>(First), Last - First + 1, &Per_Code);
  size_t Mapped = 0;
  // From the lowest: Wine gives the free keycodes it finds at start a scan code of their
  // own in that order, and the highest none.
  for (int Code = First; Map && Code <= Last && Mapped < Keysym_Names.size(); ++Code) {
    const KeySym* Syms = Map + static_cast<size_t>(Code - First) * static_cast<size_t>(Per_Code);
    if (std::any_of(Syms, Syms + Per_Code, [](KeySym Sym) { return Sym != NoSymbol; })) continue;
    KeySym Both[2] = {XStringToKeysym(Keysym_Names[Mapped].c_str()), 0};
    Both[1] = Both[0];  // the same with Shift
    XChangeKeyboardMapping(Connection, Code, 2, Both, 1);
    ++Mapped;
  }
  if (Map) XFree(Map);
  XSync(Connection, False);
  XCloseDisplay(Connection);
  return Mapped == Keysym_Names.size();
}
