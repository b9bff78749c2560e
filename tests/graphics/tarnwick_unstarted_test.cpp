// Operations called before the interface's start-up. This program never calls
// Start_Up: every operation must raise PROGRAM_ERROR before any library call.
#include <gtest/gtest.h>

#include <functional>

#include "graphics/tarnwick.h"
#include "tests/support/scripted_library.h"

namespace {

using Scripted::Raised_By;
namespace T = Tarnwick;
using T::Color_Type;
using T::Fill_Type;

TEST(TarnwickUnstarted, EveryOperationRaisesProgramErrorWithoutCallingTheLibrary) {
  const std::function<void()> Operations[] = {
      [] { T::Is_Open(); },
      [] { T::Get_Dll_Version(); },
      [] { T::Get_Max_Size(); },
      [] { T::Create_Graph_Window(); },
      [] { T::Ext_Create_Graph_Window(); },
      [] { T::Create_Sized_Graph_Window(640, 480); },
      [] { T::Destroy_Graph_Window(); },
      [] { T::Clear_Window(Color_Type::White); },
      [] { T::Set_Window_Title("title"); },
      [] { T::Get_Pixel(1, 2); },
      [] { T::Put_Pixel(1, 2, Color_Type::Black); },
      [] { T::Key_Hit(); },
      [] { T::Get_Key(); },
      [] { T::Mouse_Event(); },
      [] { T::Get_Mouse(); },
      [] { T::Draw_Line(1, 2, 3, 4, Color_Type::Black); },
      [] { T::Draw_Box(1, 2, 3, 4, Color_Type::Black, Fill_Type::Fill); },
      [] { T::Draw_Circle(1, 2, 3, Color_Type::Black, Fill_Type::No_Fill); },
      [] { T::Draw_Ellipse(1, 2, 3, 4, Color_Type::Black, Fill_Type::Fill); },
      [] { T::Flood_Fill(1, 2, Color_Type::Black); },
      [] { T::Display_Text(1, 2, "text", Color_Type::Black); },
      [] { T::Where_X(); },
      [] { T::Where_Y(); },
      [] { T::Goto_XY(1, 2); },
      [] { T::Draw_To(1, 2, Color_Type::Black); },
  };
  Scripted::Reset();
  int Index = 0;
  for (const auto& Operation : Operations) {
    EXPECT_EQ(Raised_By(Operation), &Program_Error) << "operation " << Index;
    ++Index;
  }
  EXPECT_EQ(Index, 25);
  EXPECT_TRUE(Scripted::Calls().empty());
}

}  // namespace
