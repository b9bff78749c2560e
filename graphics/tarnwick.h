// Tarnwick: the program's typed interface to its graphics window. Each
// operation makes one call of the graphics library (five for the window
// openings), turns a negative result into its named error through
// Make_Exception, and range-checks what comes back. It keeps no window state:
// the window, its pixels and its key and mouse queues live in the library.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/errors.h"
#include "graphics/tarnwick_codes.h"

namespace Tarnwick {

// The sixteen colours; a colour's code is its position.
enum class Color_Type : uint8_t {
  Black, Blue, Green, Cyan, Red, Magenta, Brown, Light_Gray,
  Dark_Gray, Light_Blue, Light_Green, Light_Cyan, Light_Red, Light_Magenta, Yellow, White,
};

// Fill modes of the shape operations; Fill is code 0.
enum class Fill_Type : uint8_t { Fill, No_Fill };

// Mouse events as Get_Mouse yields them (not numbered as the library's codes).
enum class Event_Type : uint8_t { None, Moved, Left_Up, Left_Down, Right_Up, Right_Down };

// Text forms: the literal's name in upper case ("LIGHT_GRAY", "NO_FILL", "LEFT_DOWN").
std::string_view Image(Color_Type Color);
std::string_view Image(Fill_Type Filled);
std::string_view Image(Event_Type Event);

// Library constants.
constexpr int32_t No_Errors = 0;
constexpr int32_t Default_Window = 0;
constexpr int32_t Maximized_Window = 1;
constexpr int32_t MouseNone = Mouse_None_Code;
constexpr int32_t MouseMove = Mouse_Move_Code;
constexpr int32_t MouseLeftUp = Mouse_Left_Up_Code;
constexpr int32_t MouseRightUp = Mouse_Right_Up_Code;
constexpr int32_t MouseLeftDown = Mouse_Left_Down_Code;
constexpr int32_t MouseRightDown = Mouse_Right_Down_Code;
constexpr int32_t Tarnwick_Dll_Version = 5;  // the lowest library version accepted

// Special-key characters as Get_Key answers them.
constexpr unsigned char VK_Nul = 0;
constexpr unsigned char VK_Prior = 33;
constexpr unsigned char VK_Next = 34;
constexpr unsigned char VK_End = 35;
constexpr unsigned char VK_Home = 36;
constexpr unsigned char VK_Left = 37;
constexpr unsigned char VK_Up = 38;
constexpr unsigned char VK_Right = 39;
constexpr unsigned char VK_Down = 40;
constexpr unsigned char VK_Insert = 45;
constexpr unsigned char VK_Delete = 46;

// What the window-opening operations yield.
struct Window_Size {
  int32_t Window_Width, Window_Height;  // drawing surface in pixels
  int32_t Font_Width, Font_Height;      // one character cell in pixels
};

// What Get_Max_Size yields.
struct Max_Size {
  int32_t X, Y;
};

// What Get_Mouse yields; X and Y are 0 when Event is None.
struct Mouse_State {
  Event_Type Event;
  int32_t X, Y;
};

// The library's mouse record: code, X, Y, in this order.
struct Mouse_Record {
  int32_t Code, X, Y;
};

// Buffers the library writes through the addresses the interface passes.
extern int32_t X;
extern int32_t Y;
extern Mouse_Record The_Mouse;

// The interface's named errors, full names "TARNWICK.<IDENTIFIER>".
extern const Error_Id Create_Class_Failed;
extern const Error_Id Create_Event_Failed;
extern const Error_Id Create_Thread_Failed;
extern const Error_Id Create_Window_Failed;
extern const Error_Id Dll_Version_Error;
extern const Error_Id Ellipse_Error;
extern const Error_Id Error_Copying_Cmdline;
extern const Error_Id Error_Copying_Title;
extern const Error_Id Error_Reading_Font;
extern const Error_Id Error_Reading_Size;
extern const Error_Id Fill_Rect_Error;
extern const Error_Id Flood_Fill_Error;
extern const Error_Id Get_Pixel_Error;
extern const Error_Id Get_Position_Error;
extern const Error_Id Invalid_Color_Value;
extern const Error_Id Invalid_Coordinate;
extern const Error_Id Invalid_Fill_Option;
extern const Error_Id Invalid_Window_Size;
extern const Error_Id Invalidate_Rect_Error;
extern const Error_Id Line_To_Error;
extern const Error_Id Message_Reg_Failed;
extern const Error_Id Move_To_Error;
extern const Error_Id Mouse_Event_Error;
extern const Error_Id Rectangle_Error;
extern const Error_Id Select_Brush_Error;
extern const Error_Id Select_Pen_Error;
extern const Error_Id Set_Pixel_Error;
extern const Error_Id Set_Textcolor_Error;
extern const Error_Id Set_Title_Error;
extern const Error_Id Text_Out_Error;
extern const Error_Id Unknown_Tarnwick_Error;
extern const Error_Id Update_Window_Error;
extern const Error_Id Wait_Failed_Error;
extern const Error_Id Window_Already_Closed;
extern const Error_Id Window_Already_Open;
extern const Error_Id Window_Not_Open;

// Returns for Code >= 0; otherwise raises the named error of the library code.
void Make_Exception(int32_t Code);

// Start-up: marks the interface started, then checks the library version
// (below 5 raises Dll_Version_Error). Operations called before it raise PROGRAM_ERROR.
void Start_Up();

// Whether the library has a window open (it answers 0 or 1, anything else raises).
bool Is_Open();
// The library's version.
int32_t Get_Dll_Version();
// The largest drawing surface the screen allows.
Max_Size Get_Max_Size();
// Open the window at a default size, maximized, or at the size asked.
Window_Size Create_Graph_Window();
Window_Size Ext_Create_Graph_Window();
Window_Size Create_Sized_Graph_Window(int32_t X_Size, int32_t Y_Size);
// Close the window.
void Destroy_Graph_Window();
// Every pixel takes Color.
void Clear_Window(Color_Type Color);
// The window's title.
void Set_Window_Title(std::string_view Title);
// Read and set one pixel.
Color_Type Get_Pixel(int32_t X, int32_t Y);
void Put_Pixel(int32_t X, int32_t Y, Color_Type Color);
// Whether a key press waits, and the oldest one.
bool Key_Hit();
unsigned char Get_Key();
// Whether a mouse event waits, and the oldest one.
bool Mouse_Event();
Mouse_State Get_Mouse();
// Shapes.
void Draw_Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Color_Type Color);
void Draw_Box(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Color_Type Color, Fill_Type Filled);
void Draw_Circle(int32_t X, int32_t Y, int32_t Radius, Color_Type Color, Fill_Type Filled);
void Draw_Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Color_Type Color, Fill_Type Filled);
void Flood_Fill(int32_t X, int32_t Y, Color_Type Color);
void Display_Text(int32_t X, int32_t Y, std::string_view Text, Color_Type Color);
// The current position, and drawing from it.
int32_t Where_X();
int32_t Where_Y();
void Goto_XY(int32_t X, int32_t Y);
void Draw_To(int32_t X, int32_t Y, Color_Type Color);

}  // namespace Tarnwick
