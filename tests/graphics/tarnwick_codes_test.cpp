// The library result codes and the named errors they raise, and the text forms.
#include <gtest/gtest.h>

#include <climits>

#include "graphics/tarnwick.h"
#include "tests/support/scripted_library.h"

namespace {

using Scripted::Raised_By;
namespace T = Tarnwick;

TEST(TarnwickMakeException, ZeroAndPositiveCodesRaiseNothing) {
  for (const int32_t Code : {0, 1, 7, INT32_MAX}) {
    EXPECT_EQ(Raised_By([Code] { T::Make_Exception(Code); }), nullptr) << Code;
  }
}

// Every failure code, and the catch-all below the table, down to INT32_MIN.
TEST(TarnwickMakeException, EachNegativeCodeRaisesItsNamedError) {
  struct Row {
    int32_t Code;
    const Error_Id* Error;
    const char* Full_Name;
  };
  const Row Rows[] = {
      {-1, &T::Window_Already_Open, "TARNWICK.WINDOW_ALREADY_OPEN"},
      {-2, &T::Window_Already_Closed, "TARNWICK.WINDOW_ALREADY_CLOSED"},
      {-3, &T::Message_Reg_Failed, "TARNWICK.MESSAGE_REG_FAILED"},
      {-4, &T::Create_Event_Failed, "TARNWICK.CREATE_EVENT_FAILED"},
      {-5, &T::Create_Thread_Failed, "TARNWICK.CREATE_THREAD_FAILED"},
      {-6, &T::Window_Not_Open, "TARNWICK.WINDOW_NOT_OPEN"},
      {-7, &T::Invalid_Color_Value, "TARNWICK.INVALID_COLOR_VALUE"},
      {-8, &T::Invalid_Coordinate, "TARNWICK.INVALID_COORDINATE"},
      {-9, &T::Invalid_Fill_Option, "TARNWICK.INVALID_FILL_OPTION"},
      {-10, &T::Create_Class_Failed, "TARNWICK.CREATE_CLASS_FAILED"},
      {-11, &T::Create_Window_Failed, "TARNWICK.CREATE_WINDOW_FAILED"},
      {-12, &T::Error_Copying_Title, "TARNWICK.ERROR_COPYING_TITLE"},
      {-13, &T::Error_Copying_Cmdline, "TARNWICK.ERROR_COPYING_CMDLINE"},
      {-14, &T::Wait_Failed_Error, "TARNWICK.WAIT_FAILED_ERROR"},
      {-15, &T::Set_Title_Error, "TARNWICK.SET_TITLE_ERROR"},
      {-16, &T::Fill_Rect_Error, "TARNWICK.FILL_RECT_ERROR"},
      {-17, &T::Invalidate_Rect_Error, "TARNWICK.INVALIDATE_RECT_ERROR"},
      {-18, &T::Update_Window_Error, "TARNWICK.UPDATE_WINDOW_ERROR"},
      {-19, &T::Set_Pixel_Error, "TARNWICK.SET_PIXEL_ERROR"},
      {-20, &T::Select_Pen_Error, "TARNWICK.SELECT_PEN_ERROR"},
      {-21, &T::Move_To_Error, "TARNWICK.MOVE_TO_ERROR"},
      {-22, &T::Line_To_Error, "TARNWICK.LINE_TO_ERROR"},
      {-23, &T::Select_Brush_Error, "TARNWICK.SELECT_BRUSH_ERROR"},
      {-24, &T::Rectangle_Error, "TARNWICK.RECTANGLE_ERROR"},
      {-25, &T::Ellipse_Error, "TARNWICK.ELLIPSE_ERROR"},
      {-26, &T::Get_Pixel_Error, "TARNWICK.GET_PIXEL_ERROR"},
      {-27, &T::Flood_Fill_Error, "TARNWICK.FLOOD_FILL_ERROR"},
      {-28, &T::Set_Textcolor_Error, "TARNWICK.SET_TEXTCOLOR_ERROR"},
      {-29, &T::Text_Out_Error, "TARNWICK.TEXT_OUT_ERROR"},
      {-30, &T::Invalid_Window_Size, "TARNWICK.INVALID_WINDOW_SIZE"},
      {-31, &T::Get_Position_Error, "TARNWICK.GET_POSITION_ERROR"},
      {-32, &T::Unknown_Tarnwick_Error, "TARNWICK.UNKNOWN_TARNWICK_ERROR"},
      {-1000, &T::Unknown_Tarnwick_Error, "TARNWICK.UNKNOWN_TARNWICK_ERROR"},
      {INT32_MIN, &T::Unknown_Tarnwick_Error, "TARNWICK.UNKNOWN_TARNWICK_ERROR"},
  };
  for (const Row& Expected : Rows) {
    const Error_Id* Raised = Raised_By([&] { T::Make_Exception(Expected.Code); });
    EXPECT_EQ(Raised, Expected.Error) << Expected.Code;
    ASSERT_NE(Raised, nullptr);
    EXPECT_STREQ(Raised->Full_Name, Expected.Full_Name) << Expected.Code;
  }
}

TEST(TarnwickMakeException, RaisesWithoutAMessage) {
  try {
    T::Make_Exception(-6);
    FAIL() << "nothing raised";
  } catch (const Raised_Error& Raised) {
    EXPECT_EQ(Raised.Message_Length, 0);
  }
}

// The errors raised outside the code table.
TEST(TarnwickNamedErrors, FullNamesOfTheErrorsOutsideTheTable) {
  EXPECT_STREQ(T::Dll_Version_Error.Full_Name, "TARNWICK.DLL_VERSION_ERROR");
  EXPECT_STREQ(T::Error_Reading_Size.Full_Name, "TARNWICK.ERROR_READING_SIZE");
  EXPECT_STREQ(T::Error_Reading_Font.Full_Name, "TARNWICK.ERROR_READING_FONT");
  EXPECT_STREQ(T::Mouse_Event_Error.Full_Name, "TARNWICK.MOUSE_EVENT_ERROR");
}

TEST(TarnwickTextForms, AreTheLiteralsInUpperCase) {
  EXPECT_EQ(T::Image(T::Color_Type::Black), "BLACK");
  EXPECT_EQ(T::Image(T::Color_Type::Light_Gray), "LIGHT_GRAY");
  EXPECT_EQ(T::Image(T::Color_Type::Dark_Gray), "DARK_GRAY");
  EXPECT_EQ(T::Image(T::Color_Type::Light_Magenta), "LIGHT_MAGENTA");
  EXPECT_EQ(T::Image(T::Color_Type::White), "WHITE");
  EXPECT_EQ(T::Image(T::Fill_Type::Fill), "FILL");
  EXPECT_EQ(T::Image(T::Fill_Type::No_Fill), "NO_FILL");
  EXPECT_EQ(T::Image(T::Event_Type::None), "NONE");
  EXPECT_EQ(T::Image(T::Event_Type::Left_Down), "LEFT_DOWN");
  EXPECT_EQ(T::Image(T::Event_Type::Right_Up), "RIGHT_UP");
  EXPECT_EQ(T::Image(T::Event_Type::Right_Down), "RIGHT_DOWN");
}

}  // namespace
