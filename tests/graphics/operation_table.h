// Every operation of the typed interface called with fixed arguments, with
// the library calls it makes on the scripted library's default answers and the
// entry whose answer it checks. Shared by the tests of the started and the
// not-yet-started interface.
#pragma once

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "graphics/tarnwick.h"
#include "tests/doubles/scripted_library.h"

struct Operation_Row {
  std::function<void()> Run;
  std::vector<std::string> Calls;  // as Scripted::Call_Log gives them
  Scripted::Entry Checked;
};

// The opening operations' calls: the opening itself, then the four size queries.
inline std::vector<std::string> Opening_Calls(const std::string& Call) {
  return {Call, "GetWindowWidth()", "GetWindowHeight()", "GetFontWidth()", "GetFontHeight()"};
}

// Every operation but Is_Open, whose answer is no result code.
inline std::vector<Operation_Row> Every_Operation() {
  namespace T = Tarnwick;
  using T::Color_Type, T::Fill_Type, Scripted::Entry;
  return {
      {[] { T::Get_Dll_Version(); }, {"GetDLLVersion()"}, Entry::GetDLLVersion},
      {[] { T::Get_Max_Size(); }, {"GetMaxSize()"}, Entry::GetMaxSize},
      {[] { T::Create_Graph_Window(); }, Opening_Calls("CreateGraphWindow(0)"), Entry::CreateGraphWindow},
      {[] { T::Ext_Create_Graph_Window(); }, Opening_Calls("CreateGraphWindow(1)"), Entry::CreateGraphWindow},
      {[] { T::Create_Sized_Graph_Window(800, -600); }, Opening_Calls("CreateSizedGraphWindow(800, -600)"),
       Entry::CreateSizedGraphWindow},
      {[] { T::Destroy_Graph_Window(); }, {"DestroyGraphWindow()"}, Entry::DestroyGraphWindow},
      {[] { T::Clear_Window(Color_Type::White); }, {"ClearWindow(15)"}, Entry::ClearWindow},
      {[] { T::Set_Window_Title("Drovanel"); }, {"SetWindowTitle(\"Drovanel\")"}, Entry::SetWindowTitle},
      {[] { T::Get_Pixel(3, 4); }, {"GetColorPixel(3, 4)"}, Entry::GetColorPixel},
      {[] { T::Put_Pixel(-5, 7, Color_Type::Black); }, {"PutPixel(-5, 7, 0)"}, Entry::PutPixel},
      {[] { T::Key_Hit(); }, {"KeyHit()"}, Entry::KeyHit},
      {[] { T::Get_Key(); }, {"GetKey()"}, Entry::GetKey},
      {[] { T::Mouse_Event(); }, {"MouseEvent()"}, Entry::MouseEvent},
      {[] { T::Get_Mouse(); }, {"GetMouse()"}, Entry::GetMouse},
      {[] { T::Draw_Line(1, 2, 3, 4, Color_Type::Red); }, {"DrawLine(1, 2, 3, 4, 4)"}, Entry::DrawLine},
      {[] { T::Draw_Box(1, 2, 3, 4, Color_Type::Black, Fill_Type::No_Fill); }, {"DrawBox(1, 2, 3, 4, 0, 1)"},
       Entry::DrawBox},
      {[] { T::Draw_Box(4, 3, 2, 1, Color_Type::Blue, Fill_Type::Fill); }, {"DrawBox(4, 3, 2, 1, 1, 0)"},
       Entry::DrawBox},
      {[] { T::Draw_Circle(5, 6, -7, Color_Type::Yellow, Fill_Type::Fill); }, {"DrawCircle(5, 6, -7, 14, 0)"},
       Entry::DrawCircle},
      {[] { T::Draw_Ellipse(1, 2, 3, 4, Color_Type::Light_Gray, Fill_Type::No_Fill); },
       {"DrawEllipse(1, 2, 3, 4, 7, 1)"}, Entry::DrawEllipse},
      {[] { T::Flood_Fill(8, 9, Color_Type::Cyan); }, {"FillFlood(8, 9, 3)"}, Entry::FillFlood},
      {[] { T::Display_Text(10, 20, "hi", Color_Type::Green); }, {"DisplayText(10, 20, \"hi\", 2)"},
       Entry::DisplayText},
      {[] { T::Where_X(); }, {"WhereX()"}, Entry::WhereX},
      {[] { T::Where_Y(); }, {"WhereY()"}, Entry::WhereY},
      {[] { T::Goto_XY(INT32_MIN, INT32_MAX); }, {"GotoXY(-2147483648, 2147483647)"}, Entry::GotoXY},
      {[] { T::Draw_To(1, 2, Color_Type::Magenta); }, {"DrawTo(1, 2, 5)"}, Entry::DrawTo},
  };
}
