// The library's failure codes, as every back end answers them: each names the
// step or the state that failed. Success is 0 or a positive answer.
#pragma once

#include <cstdint>

constexpr int32_t Window_Already_Open_Code = -1;
constexpr int32_t Window_Already_Closed_Code = -2;
constexpr int32_t Message_Reg_Failed_Code = -3;
constexpr int32_t Create_Event_Failed_Code = -4;
constexpr int32_t Create_Thread_Failed_Code = -5;
constexpr int32_t Window_Not_Open_Code = -6;
constexpr int32_t Invalid_Color_Code = -7;
constexpr int32_t Invalid_Coordinate_Code = -8;
constexpr int32_t Invalid_Fill_Code = -9;
constexpr int32_t Create_Class_Failed_Code = -10;
constexpr int32_t Create_Window_Failed_Code = -11;
constexpr int32_t Error_Copying_Title_Code = -12;
constexpr int32_t Error_Copying_Cmdline_Code = -13;
constexpr int32_t Wait_Failed_Code = -14;
constexpr int32_t Set_Title_Error_Code = -15;
constexpr int32_t Fill_Rect_Error_Code = -16;
constexpr int32_t Invalidate_Rect_Error_Code = -17;
constexpr int32_t Update_Window_Error_Code = -18;
constexpr int32_t Set_Pixel_Error_Code = -19;
constexpr int32_t Select_Pen_Error_Code = -20;
constexpr int32_t Move_To_Error_Code = -21;
constexpr int32_t Line_To_Error_Code = -22;
constexpr int32_t Select_Brush_Error_Code = -23;
constexpr int32_t Rectangle_Error_Code = -24;
constexpr int32_t Ellipse_Error_Code = -25;
constexpr int32_t Get_Pixel_Error_Code = -26;
constexpr int32_t Flood_Fill_Error_Code = -27;
constexpr int32_t Set_Textcolor_Error_Code = -28;
constexpr int32_t Text_Out_Error_Code = -29;
constexpr int32_t Invalid_Window_Size_Code = -30;
constexpr int32_t Get_Position_Error_Code = -31;

// The library's mouse codes.
constexpr int32_t Mouse_None_Code = 0;
constexpr int32_t Mouse_Move_Code = 1;
constexpr int32_t Mouse_Left_Up_Code = 2;
constexpr int32_t Mouse_Right_Up_Code = 3;
constexpr int32_t Mouse_Left_Down_Code = 4;
constexpr int32_t Mouse_Right_Down_Code = 5;

// No back end opens a surface wider or higher than this, rather than risk an
// allocation of gigabytes.
constexpr int32_t Largest_Window_Side = 16384;

// Whether a requested drawing surface can be opened.
constexpr bool Valid_Window_Size(int32_t Width, int32_t Height) {
  return Width >= 1 && Height >= 1 && Width <= Largest_Window_Side && Height <= Largest_Window_Side;
}
