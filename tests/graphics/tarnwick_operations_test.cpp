// The typed interface against the scripted library: the result codes and the
// named errors they raise, what each operation calls, with which arguments,
// and what it makes of the answer.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "graphics/tarnwick.h"
#include "tests/graphics/operation_table.h"
#include "tests/doubles/scripted_library.h"

namespace {

using namespace std::string_literals;
using Scripted::Entry;
using Scripted::Raised_By;
namespace T = Tarnwick;
using T::Color_Type;
using T::Event_Type;
using T::Fill_Type;

TEST(Tarnwick_Make_Exception, ZeroAndPositiveCodesRaiseNothing) {
  for (const int32_t Code : {0, 1, 7, INT32_MAX}) {
    EXPECT_EQ(Raised_By([Code] { T::Make_Exception(Code); }), nullptr) << Code;
  }
}

// Every failure code, and the catch-all below the table, down to INT32_MIN: the
// error's full name (as a report shows it, without a message).
TEST(Tarnwick_Make_Exception, EachNegativeCodeRaisesItsNamedError) {
  const struct {
    int32_t Code;
    const char* Name;
  } Rows[] = {
      {-1, "WINDOW_ALREADY_OPEN"}, {-2, "WINDOW_ALREADY_CLOSED"}, {-3, "MESSAGE_REG_FAILED"},
      {-4, "CREATE_EVENT_FAILED"}, {-5, "CREATE_THREAD_FAILED"}, {-6, "WINDOW_NOT_OPEN"},
      {-7, "INVALID_COLOR_VALUE"}, {-8, "INVALID_COORDINATE"}, {-9, "INVALID_FILL_OPTION"},
      {-10, "CREATE_CLASS_FAILED"}, {-11, "CREATE_WINDOW_FAILED"}, {-12, "ERROR_COPYING_TITLE"},
      {-13, "ERROR_COPYING_CMDLINE"}, {-14, "WAIT_FAILED_ERROR"}, {-15, "SET_TITLE_ERROR"},
      {-16, "FILL_RECT_ERROR"}, {-17, "INVALIDATE_RECT_ERROR"}, {-18, "UPDATE_WINDOW_ERROR"},
      {-19, "SET_PIXEL_ERROR"}, {-20, "SELECT_PEN_ERROR"}, {-21, "MOVE_TO_ERROR"},
      {-22, "LINE_TO_ERROR"}, {-23, "SELECT_BRUSH_ERROR"}, {-24, "RECTANGLE_ERROR"},
      {-25, "ELLIPSE_ERROR"}, {-26, "GET_PIXEL_ERROR"}, {-27, "FLOOD_FILL_ERROR"},
      {-28, "SET_TEXTCOLOR_ERROR"}, {-29, "TEXT_OUT_ERROR"}, {-30, "INVALID_WINDOW_SIZE"},
      {-31, "GET_POSITION_ERROR"}, {-32, "UNKNOWN_TARNWICK_ERROR"}, {-1000, "UNKNOWN_TARNWICK_ERROR"},
      {-33, "UNKNOWN_TARNWICK_ERROR"}, {INT32_MIN, "UNKNOWN_TARNWICK_ERROR"},
  };
  for (const auto& Expected : Rows) {
    try {
      T::Make_Exception(Expected.Code);
      ADD_FAILURE() << "nothing raised by " << Expected.Code;
    } catch (const Raised_Error& Raised) {
      EXPECT_EQ(Raised.Id->Full_Name, "TARNWICK." + std::string(Expected.Name)) << Expected.Code;
      EXPECT_EQ(Raised.Message_Length, 0) << Expected.Code;
    }
  }
}

// The errors raised outside the code table: their names appear in reports.
TEST(Tarnwick_Make_Exception, FullNamesOfTheErrorsOutsideTheTable) {
  EXPECT_STREQ(T::Dll_Version_Error.Full_Name, "TARNWICK.DLL_VERSION_ERROR");
  EXPECT_STREQ(T::Error_Reading_Size.Full_Name, "TARNWICK.ERROR_READING_SIZE");
  EXPECT_STREQ(T::Error_Reading_Font.Full_Name, "TARNWICK.ERROR_READING_FONT");
  EXPECT_STREQ(T::Mouse_Event_Error.Full_Name, "TARNWICK.MOUSE_EVENT_ERROR");
}

class Tarnwick_Operations : public ::testing::Test {
 protected:
  void SetUp() override {
    Scripted::Reset();
    T::Start_Up();
    Scripted::Reset();
  }
};

using Log = std::vector<std::string>;

// Each operation with default answers and the calls it makes; then, when the
// entry it checks answers a failure code, the named error of that code after
// the same first call and nothing more.
TEST_F(Tarnwick_Operations, EachOperationMakesItsCallsAndChecksTheResult) {
  for (const Operation_Row& Expected : Every_Operation()) {
    const std::string Name = Expected.Calls.front();
    Scripted::Reset();
    EXPECT_EQ(Raised_By(Expected.Run), nullptr) << Name;
    EXPECT_EQ(Scripted::Call_Log(), Expected.Calls);

    Scripted::Reset();
    Scripted::Set_Answer(Expected.Checked, -27);
    EXPECT_EQ(Raised_By(Expected.Run), &T::Flood_Fill_Error) << Name;
    EXPECT_EQ(Scripted::Call_Log(), Log{Name}) << "a failed call is the last one";
  }
}

TEST_F(Tarnwick_Operations, QueriesReturnTheLibraryAnswer) {
  Scripted::Set_Answer(Entry::GetDLLVersion, 9);
  Scripted::Set_Answer(Entry::WhereX, 123);
  Scripted::Set_Answer(Entry::WhereY, INT32_MAX);
  EXPECT_EQ(T::Get_Dll_Version(), 9);
  EXPECT_EQ(T::Where_X(), 123);
  EXPECT_EQ(T::Where_Y(), INT32_MAX);
}

TEST_F(Tarnwick_Operations, GetMaxSizeYieldsWhatTheLibraryWroteIntoTheBuffers) {
  Scripted::Set_Max_Size(2560, 1440);
  Scripted::Set_Answer(Entry::GetMaxSize, 3);  // a positive status is success too
  const T::Max_Size Size = T::Get_Max_Size();
  EXPECT_EQ(Size.X, 2560);
  EXPECT_EQ(Size.Y, 1440);
  const std::vector<const void*> Buffers = {&T::X, &T::Y};
  EXPECT_EQ(Scripted::Calls().at(0).Addresses, Buffers);
}

// A zero size or font size raises after both of its pair were read; the window
// stays open. Negative sizes are not failure codes here and pass unchanged.
TEST_F(Tarnwick_Operations, OpeningTestsEachPairAfterReadingIt) {
  struct Row {
    Entry Query;
    int32_t Answer;
    const Error_Id* Error;
    size_t Calls;
  };
  const Row Rows[] = {
      {Entry::GetWindowWidth, 0, &T::Error_Reading_Size, 3},
      {Entry::GetWindowHeight, 0, &T::Error_Reading_Size, 3},
      {Entry::GetFontWidth, 0, &T::Error_Reading_Font, 5},
      {Entry::GetFontHeight, 0, &T::Error_Reading_Font, 5},
      {Entry::GetWindowWidth, -1, nullptr, 5},
      {Entry::GetWindowHeight, -6, nullptr, 5},
      {Entry::GetFontWidth, -1, nullptr, 5},
      {Entry::GetFontHeight, INT32_MIN, nullptr, 5},
  };
  for (const Row& Expected : Rows) {
    const std::string Name = std::string(Scripted::Entry_Name(Expected.Query)) + " " + std::to_string(Expected.Answer);
    Scripted::Reset();
    Scripted::Set_Answer(Expected.Query, Expected.Answer);
    T::Window_Size Size{};
    EXPECT_EQ(Raised_By([&] { Size = T::Ext_Create_Graph_Window(); }), Expected.Error) << Name;
    EXPECT_EQ(Scripted::Calls().size(), Expected.Calls) << Name;
    if (Expected.Error == nullptr) {
      const int32_t Fields[] = {Size.Window_Width, Size.Window_Height, Size.Font_Width, Size.Font_Height};
      EXPECT_EQ(Fields[static_cast<int>(Expected.Query) - static_cast<int>(Entry::GetWindowWidth)],
                Expected.Answer)
          << Name;
    } else {
      EXPECT_TRUE(T::Is_Open()) << Name;
    }
  }
}

TEST_F(Tarnwick_Operations, IsOpenAcceptsOnlyZeroAndOne) {
  Scripted::Set_Answer(Entry::IsOpen, 0);
  EXPECT_FALSE(T::Is_Open());
  Scripted::Set_Answer(Entry::IsOpen, 1);
  EXPECT_TRUE(T::Is_Open());
  // Not mapped through the code table: -1 and -6 are not their named errors here.
  for (const int32_t Answer : {2, -1, -6, INT32_MIN}) {
    Scripted::Set_Answer(Entry::IsOpen, Answer);
    EXPECT_EQ(Raised_By([] { T::Is_Open(); }), &T::Unknown_Tarnwick_Error) << Answer;
  }
}

TEST_F(Tarnwick_Operations, GetPixelAnswersAColourOrRaises) {
  Scripted::Queue_Answers(Entry::GetColorPixel, {0, 15, 7});
  EXPECT_EQ(T::Get_Pixel(0, 0), Color_Type::Black);
  EXPECT_EQ(T::Get_Pixel(0, 0), Color_Type::White);
  EXPECT_EQ(T::Get_Pixel(0, 0), Color_Type::Light_Gray);
  for (const int32_t Answer : {16, INT32_MAX}) {
    Scripted::Set_Answer(Entry::GetColorPixel, Answer);
    EXPECT_EQ(Raised_By([] { T::Get_Pixel(1, 1); }), &Constraint_Error) << Answer;
  }
}

TEST_F(Tarnwick_Operations, GetKeyAnswersACharacterOrRaises) {
  Scripted::Queue_Answers(Entry::GetKey, {97, 255, 0});
  EXPECT_EQ(T::Get_Key(), 'a');
  EXPECT_EQ(T::Get_Key(), 255);
  EXPECT_EQ(T::Get_Key(), T::VK_Nul);
  Scripted::Set_Answer(Entry::GetKey, 256);
  EXPECT_EQ(Raised_By([] { T::Get_Key(); }), &Constraint_Error);
}

TEST_F(Tarnwick_Operations, KeyHitAndMouseEventAreTrueForAnyPositiveAnswer) {
  Scripted::Queue_Answers(Entry::KeyHit, {3, 0, 1});
  EXPECT_TRUE(T::Key_Hit());
  EXPECT_FALSE(T::Key_Hit());
  EXPECT_TRUE(T::Key_Hit());
  Scripted::Queue_Answers(Entry::MouseEvent, {3, 0, INT32_MAX});
  EXPECT_TRUE(T::Mouse_Event());
  EXPECT_FALSE(T::Mouse_Event());
  EXPECT_TRUE(T::Mouse_Event());
}

// Library mouse codes go to events by meaning (3 is a right release, 4 a left
// press); X and Y read as 0 when there is no event.
TEST_F(Tarnwick_Operations, GetMouseMapsTheRecordTheLibraryWrote) {
  struct Row {
    int32_t Code;
    const Error_Id* Error;
    Event_Type Event;
    int32_t X, Y;
  };
  const Row Rows[] = {
      {0, nullptr, Event_Type::None, 0, 0},
      {1, nullptr, Event_Type::Moved, 17, 18},
      {2, nullptr, Event_Type::Left_Up, 17, 18},
      {3, nullptr, Event_Type::Right_Up, 17, 18},
      {4, nullptr, Event_Type::Left_Down, 17, 18},
      {5, nullptr, Event_Type::Right_Down, 17, 18},
      {6, &T::Mouse_Event_Error, {}, 0, 0},
      {-1, &T::Mouse_Event_Error, {}, 0, 0},
      {INT32_MIN, &T::Mouse_Event_Error, {}, 0, 0},
  };
  for (const Row& Expected : Rows) {
    Scripted::Reset();
    Scripted::Set_Mouse_Record(Expected.Code, 17, 18);
    T::Mouse_State State{};
    EXPECT_EQ(Raised_By([&] { State = T::Get_Mouse(); }), Expected.Error) << Expected.Code;
    if (Expected.Error != nullptr) continue;
    EXPECT_EQ(State.Event, Expected.Event) << Expected.Code;
    EXPECT_EQ(State.X, Expected.X) << Expected.Code;
    EXPECT_EQ(State.Y, Expected.Y) << Expected.Code;
  }
  EXPECT_EQ(Scripted::Calls().at(0).Addresses, std::vector<const void*>{&T::The_Mouse});
}

TEST_F(Tarnwick_Operations, GetMouseFailureCodeComesBeforeTheEventTest) {
  Scripted::Set_Mouse_Record(9, 1, 1);
  Scripted::Set_Answer(Entry::GetMouse, -6);
  EXPECT_EQ(Raised_By([] { T::Get_Mouse(); }), &T::Window_Not_Open);
}

// The library gets a NUL-terminated copy: an empty text is a lone NUL, a text
// with a NUL inside is copied whole and read up to that NUL.
TEST_F(Tarnwick_Operations, TextsReachTheLibraryAsNulTerminatedCopies) {
  T::Set_Window_Title("");
  T::Display_Text(0, 0, "", Color_Type::Black);
  for (const Scripted::Call& Recorded : Scripted::Calls()) {
    EXPECT_NE(Recorded.Addresses.at(0), nullptr);
    EXPECT_EQ(Recorded.Text_Bytes, "\0"s);
  }

  Scripted::Reset();
  Scripted::Set_Text_Probe_Length(6);
  T::Set_Window_Title("ab\0cd"s);
  T::Display_Text(1, 2, "ab\0cd"s, Color_Type::White);
  EXPECT_EQ(Scripted::Call_Log(), (Log{"SetWindowTitle(\"ab\")", "DisplayText(1, 2, \"ab\", 15)"}));
  for (const Scripted::Call& Recorded : Scripted::Calls()) EXPECT_EQ(Recorded.Text_Bytes, "ab\0cd\0"s);

  // Longer than any inline string buffer, so the copy lives on the heap.
  Scripted::Reset();
  const std::string Long(300, 'x');
  T::Set_Window_Title(Long);
  EXPECT_EQ(Scripted::Calls().at(0).Text, Long);
}

}  // namespace
