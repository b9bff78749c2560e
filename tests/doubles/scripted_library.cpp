// The scripted graphics library: every entry point records its call and gives
// the answer the test set up. The state lives in one record created on first
// use, so a test may script answers even from a static initialiser.
#include "tests/doubles/scripted_library.h"

#include <array>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>

#include "graphics/tarnwick_library.h"

namespace Scripted {

namespace {

constexpr std::string_view Entry_Names[Entry_Count] = {
    "GetDLLVersion", "CreateGraphWindow", "CreateSizedGraphWindow", "DestroyGraphWindow", "IsOpen",
    "GetMaxSize", "GetWindowWidth", "GetWindowHeight", "GetFontWidth", "GetFontHeight",
    "SetWindowTitle", "ClearWindow", "GetColorPixel", "PutPixel", "KeyHit", "GetKey", "MouseEvent",
    "GetMouse", "DrawLine", "DrawBox", "DrawCircle", "DrawEllipse", "FillFlood", "DisplayText",
    "WhereX", "WhereY", "GotoXY", "DrawTo",
};

// How one entry point answers.
struct Script {
  std::optional<int32_t> Fixed;  // unset: 0, or for IsOpen the window's state
  std::deque<int32_t> Queue;     // taken first, one per call
};

struct State {
  std::array<Script, Entry_Count> Scripts;
  int32_t Max_X = 1920, Max_Y = 1080;
  std::array<int32_t, 3> Mouse = {0, 0, 0};
  int32_t Text_Probe_Length = 0;
  bool Window_Open = false;
  std::vector<Call> Calls;
};

State Fresh_State() {
  State Fresh;
  const auto Set = [&Fresh](Entry Which, int32_t Answer) {
    Fresh.Scripts[static_cast<size_t>(Which)].Fixed = Answer;
  };
  Set(Entry::GetDLLVersion, 5);
  Set(Entry::GetWindowWidth, 640);
  Set(Entry::GetWindowHeight, 480);
  Set(Entry::GetFontWidth, 8);
  Set(Entry::GetFontHeight, 16);
  return Fresh;
}

State& The_State() {
  static State Current = Fresh_State();
  return Current;
}

Script& Script_Of(Entry Which) { return The_State().Scripts[static_cast<size_t>(Which)]; }

// The next answer of Which: its queue first, then its fixed answer.
int32_t Answer(Entry Which) {
  Script& Of = Script_Of(Which);
  if (!Of.Queue.empty()) {
    const int32_t Next = Of.Queue.front();
    Of.Queue.pop_front();
    return Next;
  }
  if (Of.Fixed) return *Of.Fixed;
  if (Which == Entry::IsOpen) return The_State().Window_Open ? 1 : 0;
  return 0;
}

int32_t Record(Entry Which, std::vector<int32_t> Arguments = {}) {
  The_State().Calls.push_back(Call{Which, std::move(Arguments), {}, {}, {}});
  return Answer(Which);
}

// Records a call with a text argument, read as the library would read it.
int32_t Record_Text(Entry Which, std::vector<int32_t> Arguments, const char* Text) {
  Call Recorded{Which, std::move(Arguments), {Text}, {}, {}};
  if (Text != nullptr) {
    Recorded.Text = Text;
    const int32_t Probe = The_State().Text_Probe_Length;
    Recorded.Text_Bytes = Probe > 0 ? std::string(Text, static_cast<size_t>(Probe))
                                    : std::string(Text, Recorded.Text.size() + 1);
  }
  The_State().Calls.push_back(std::move(Recorded));
  return Answer(Which);
}

int32_t Open_Window(int32_t Result) {
  if (Result >= 0) The_State().Window_Open = true;
  return Result;
}

}  // namespace

std::string_view Entry_Name(Entry Which) { return Entry_Names[static_cast<size_t>(Which)]; }

std::string Describe(const Call& Recorded) {
  std::string Line(Entry_Name(Recorded.Which));
  Line += '(';
  const auto Quoted = '"' + Recorded.Text + '"';
  bool First = true;
  const auto Add = [&Line, &First](const std::string& Item) {
    if (!First) Line += ", ";
    Line += Item;
    First = false;
  };
  for (size_t Index = 0; Index < Recorded.Arguments.size(); ++Index) {
    // DisplayText's text comes between its position and its colour.
    if (Recorded.Which == Entry::DisplayText && Index == 2) Add(Quoted);
    Add(std::to_string(Recorded.Arguments[Index]));
  }
  if (Recorded.Which == Entry::SetWindowTitle) Add(Quoted);
  Line += ')';
  return Line;
}

void Reset() { The_State() = Fresh_State(); }

void Set_Answer(Entry Which, int32_t Answer) { Script_Of(Which).Fixed = Answer; }

void Queue_Answers(Entry Which, std::vector<int32_t> Answers) {
  Script_Of(Which).Queue.insert(Script_Of(Which).Queue.end(), Answers.begin(), Answers.end());
}

void Set_Max_Size(int32_t X, int32_t Y) {
  The_State().Max_X = X;
  The_State().Max_Y = Y;
}

void Set_Mouse_Record(int32_t Code, int32_t X, int32_t Y) { The_State().Mouse = {Code, X, Y}; }

void Set_Text_Probe_Length(int32_t Length) { The_State().Text_Probe_Length = Length; }

bool Window_Open() { return The_State().Window_Open; }

const std::vector<Call>& Calls() { return The_State().Calls; }

std::vector<std::string> Call_Log() {
  std::vector<std::string> Log;
  for (const Call& Recorded : Calls()) Log.push_back(Describe(Recorded));
  return Log;
}

}  // namespace Scripted

using Scripted::Entry;
using Scripted::Record;

extern "C" {

int32_t GetDLLVersion(void) { return Record(Entry::GetDLLVersion); }
int32_t CreateGraphWindow(int32_t mode) {
  return Scripted::Open_Window(Record(Entry::CreateGraphWindow, {mode}));
}
int32_t CreateSizedGraphWindow(int32_t x_size, int32_t y_size) {
  return Scripted::Open_Window(Record(Entry::CreateSizedGraphWindow, {x_size, y_size}));
}
int32_t DestroyGraphWindow(void) {
  const int32_t Result = Record(Entry::DestroyGraphWindow);
  if (Result >= 0) Scripted::The_State().Window_Open = false;
  return Result;
}
int32_t IsOpen(void) { return Record(Entry::IsOpen); }
int32_t GetMaxSize(int32_t* x, int32_t* y) {
  auto& State = Scripted::The_State();
  State.Calls.push_back(Scripted::Call{Entry::GetMaxSize, {}, {x, y}, {}, {}});
  if (x != nullptr) *x = State.Max_X;
  if (y != nullptr) *y = State.Max_Y;
  return Scripted::Answer(Entry::GetMaxSize);
}
int32_t GetWindowWidth(void) { return Record(Entry::GetWindowWidth); }
int32_t GetWindowHeight(void) { return Record(Entry::GetWindowHeight); }
int32_t GetFontWidth(void) { return Record(Entry::GetFontWidth); }
int32_t GetFontHeight(void) { return Record(Entry::GetFontHeight); }
int32_t SetWindowTitle(const char* title) {
  return Scripted::Record_Text(Entry::SetWindowTitle, {}, title);
}
int32_t ClearWindow(int32_t color) { return Record(Entry::ClearWindow, {color}); }
int32_t GetColorPixel(int32_t x, int32_t y) { return Record(Entry::GetColorPixel, {x, y}); }
int32_t PutPixel(int32_t x, int32_t y, int32_t color) { return Record(Entry::PutPixel, {x, y, color}); }
int32_t KeyHit(void) { return Record(Entry::KeyHit); }
int32_t GetKey(void) { return Record(Entry::GetKey); }
int32_t MouseEvent(void) { return Record(Entry::MouseEvent); }
int32_t GetMouse(int32_t* record) {
  auto& State = Scripted::The_State();
  State.Calls.push_back(Scripted::Call{Entry::GetMouse, {}, {record}, {}, {}});
  if (record != nullptr) std::memcpy(record, State.Mouse.data(), sizeof State.Mouse);
  return Scripted::Answer(Entry::GetMouse);
}
int32_t DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color) {
  return Record(Entry::DrawLine, {x1, y1, x2, y2, color});
}
int32_t DrawBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color, int32_t fill) {
  return Record(Entry::DrawBox, {x1, y1, x2, y2, color, fill});
}
int32_t DrawCircle(int32_t x, int32_t y, int32_t radius, int32_t color, int32_t fill) {
  return Record(Entry::DrawCircle, {x, y, radius, color, fill});
}
int32_t DrawEllipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t color, int32_t fill) {
  return Record(Entry::DrawEllipse, {x1, y1, x2, y2, color, fill});
}
int32_t FillFlood(int32_t x, int32_t y, int32_t color) { return Record(Entry::FillFlood, {x, y, color}); }
int32_t DisplayText(int32_t x, int32_t y, const char* text, int32_t color) {
  return Scripted::Record_Text(Entry::DisplayText, {x, y, color}, text);
}
int32_t WhereX(void) { return Record(Entry::WhereX); }
int32_t WhereY(void) { return Record(Entry::WhereY); }
int32_t GotoXY(int32_t x, int32_t y) { return Record(Entry::GotoXY, {x, y}); }
int32_t DrawTo(int32_t x, int32_t y, int32_t color) { return Record(Entry::DrawTo, {x, y, color}); }

}  // extern "C"
