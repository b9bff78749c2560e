// A scripted stand-in for the graphics library: it defines all 28 C entry
// points of graphics/tarnwick_library.h, answers each call as the test set it
// up, and records every call with its arguments. Link it in place of a back
// end. Not thread-safe; tests call it from one thread.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "frame/errors.h"

namespace Scripted {

// The library's entry points, in the order of its C header.
enum class Entry : uint8_t {
  GetDLLVersion, CreateGraphWindow, CreateSizedGraphWindow, DestroyGraphWindow, IsOpen,
  GetMaxSize, GetWindowWidth, GetWindowHeight, GetFontWidth, GetFontHeight,
  SetWindowTitle, ClearWindow, GetColorPixel, PutPixel, KeyHit, GetKey, MouseEvent,
  GetMouse, DrawLine, DrawBox, DrawCircle, DrawEllipse, FillFlood, DisplayText,
  WhereX, WhereY, GotoXY, DrawTo,
};
constexpr int Entry_Count = 28;

// The entry point's C name, "GetColorPixel".
std::string_view Entry_Name(Entry Which);

// One recorded call.
struct Call {
  Entry Which;
  std::vector<int32_t> Arguments;      // the integer arguments, in order
  std::vector<const void*> Addresses;  // the address arguments, in order
  std::string Text;        // SetWindowTitle, DisplayText: the text up to its first NUL
  std::string Text_Bytes;  // the bytes read at the text's address (see Set_Text_Probe_Length)
};

// "DrawBox(1, 2, 3, 4, 0, 1)", "SetWindowTitle(\"abc\")"; addresses are left out.
std::string Describe(const Call& Recorded);

// Forgets every call, answer and queue, and sets the defaults: version 5,
// window 640 x 480, font 8 x 16, IsOpen following the window's open state,
// every other entry answering 0, GetMaxSize writing 1920 x 1080, GetMouse
// writing (0, 0, 0), text probe length 0.
void Reset();

// The answer Which gives whenever its queue is empty.
void Set_Answer(Entry Which, int32_t Answer);
// Answers given, one per call, before the fixed answer takes over again.
void Queue_Answers(Entry Which, std::vector<int32_t> Answers);

// What GetMaxSize writes through its two addresses (whatever it answers).
void Set_Max_Size(int32_t X, int32_t Y);
// The record GetMouse writes (code, X, Y), whatever it answers.
void Set_Mouse_Record(int32_t Code, int32_t X, int32_t Y);

// 0: a text argument is read up to and including its first NUL. N > 0: exactly
// N bytes are read, so a test that knows the copy's length can see past a NUL
// inside the text.
void Set_Text_Probe_Length(int32_t Length);

// Whether the scripted window is open: a non-negative answer of
// CreateGraphWindow or CreateSizedGraphWindow opens it, of DestroyGraphWindow
// closes it. IsOpen answers 1 or 0 from it unless an answer was set or queued.
bool Window_Open();

// Every call since the last Reset, oldest first.
const std::vector<Call>& Calls();
// The same calls, each as Describe gives it.
std::vector<std::string> Call_Log();

// The named error that Run raises, or nullptr when it returns normally.
template <typename Operation>
const Error_Id* Raised_By(Operation&& Run) {
  try {
    Run();
  } catch (const Raised_Error& Raised) {
    return Raised.Id;
  }
  return nullptr;
}

}  // namespace Scripted

// Lets GoogleTest print an error's full name where it compares identities.
inline void PrintTo(const Error_Id* Error, std::ostream* Out) {
  *Out << (Error != nullptr ? Error->Full_Name : "no error");
}
