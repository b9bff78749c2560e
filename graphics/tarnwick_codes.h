/* The graphics library's result codes and mouse codes: the one list that the
 * back ends answer with and that the interface reads. Success is 0 or a
 * positive answer; each failure code names the step or the state that failed. */
#ifndef DROVANEL_TARNWICK_CODES_H
#define DROVANEL_TARNWICK_CODES_H

enum Tarnwick_Failure_Code {
  Window_Already_Open_Code = -1,
  Window_Already_Closed_Code = -2,
  Message_Reg_Failed_Code = -3,
  Create_Event_Failed_Code = -4,
  Create_Thread_Failed_Code = -5,
  Window_Not_Open_Code = -6,
  Invalid_Color_Code = -7,
  Invalid_Coordinate_Code = -8,
  Invalid_Fill_Code = -9,
  Create_Class_Failed_Code = -10,
  Create_Window_Failed_Code = -11,
  Error_Copying_Title_Code = -12,
  Error_Copying_Cmdline_Code = -13,
  Wait_Failed_Code = -14,
  Set_Title_Error_Code = -15,
  Fill_Rect_Error_Code = -16,
  Invalidate_Rect_Error_Code = -17,
  Update_Window_Error_Code = -18,
  Set_Pixel_Error_Code = -19,
  Select_Pen_Error_Code = -20,
  Move_To_Error_Code = -21,
  Line_To_Error_Code = -22,
  Select_Brush_Error_Code = -23,
  Rectangle_Error_Code = -24,
  Ellipse_Error_Code = -25,
  Get_Pixel_Error_Code = -26,
  Flood_Fill_Error_Code = -27,
  Set_Textcolor_Error_Code = -28,
  Text_Out_Error_Code = -29,
  Invalid_Window_Size_Code = -30,
  Get_Position_Error_Code = -31
};

/* What GetMouse writes as an event's code. */
enum Tarnwick_Mouse_Code {
  Mouse_None_Code = 0,
  Mouse_Move_Code = 1,
  Mouse_Left_Up_Code = 2,
  Mouse_Right_Up_Code = 3,
  Mouse_Left_Down_Code = 4,
  Mouse_Right_Down_Code = 5
};

#endif
