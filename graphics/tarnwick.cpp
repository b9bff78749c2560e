// Tarnwick: one typed operation per library entry point. Each operation tests
// that the interface is started, makes its library call, hands a negative
// result to Make_Exception and range-checks what it returns. The interface
// keeps nothing but the started flag and the buffers the library writes.
#include "graphics/tarnwick.h"

#include <iterator>
#include <new>
#include <string>

#include "frame/program.h"
#include "graphics/tarnwick_library.h"

namespace Tarnwick {

namespace {

constexpr std::string_view Color_Images[] = {
    "BLACK",      "BLUE",        "GREEN",       "CYAN",      "RED",
    "MAGENTA",    "BROWN",       "LIGHT_GRAY",  "DARK_GRAY", "LIGHT_BLUE",
    "LIGHT_GREEN", "LIGHT_CYAN", "LIGHT_RED",   "LIGHT_MAGENTA", "YELLOW",
    "WHITE",
};
constexpr std::string_view Fill_Images[] = {"FILL", "NO_FILL"};
constexpr std::string_view Event_Images[] = {
    "NONE", "MOVED", "LEFT_UP", "LEFT_DOWN", "RIGHT_UP", "RIGHT_DOWN",
};

// Set by Start_Up before its version query and never cleared.
bool Started = false;

// Every operation begins here: nothing may reach the library before Start_Up.
inline void Check_Started() {
  if (!Started) [[unlikely]] raise_program_error();
}

// The common check after a library call: only a negative result is a failure.
inline void Check(int32_t Result) {
  if (Result < 0) [[unlikely]] Make_Exception(Result);
}

// A text as the library takes it: its characters, then one NUL. A NUL inside
// the text is copied too; the library simply stops reading there.
std::string Library_Text(std::string_view Text) {
  try {
    return std::string(Text);
  } catch (const std::bad_alloc&) {
    raise_error(Storage_Error);
  }
}

// Calls the library with a temporary copy of Text, released before the
// result is looked at; then the common check.
template <typename Library_Call>
void Call_With_Text(std::string_view Text, Library_Call Call) {
  int32_t Result;
  {
    const std::string Copy = Library_Text(Text);
    Result = Call(Copy.c_str());
  }
  Check(Result);
}

}  // namespace

std::string_view Image(Color_Type Color) { return Color_Images[static_cast<size_t>(Color)]; }
std::string_view Image(Fill_Type Filled) { return Fill_Images[static_cast<size_t>(Filled)]; }
std::string_view Image(Event_Type Event) { return Event_Images[static_cast<size_t>(Event)]; }

int32_t X = 0;
int32_t Y = 0;
Mouse_Record The_Mouse = {0, 0, 0};

const Error_Id Create_Class_Failed{"TARNWICK.CREATE_CLASS_FAILED"};
const Error_Id Create_Event_Failed{"TARNWICK.CREATE_EVENT_FAILED"};
const Error_Id Create_Thread_Failed{"TARNWICK.CREATE_THREAD_FAILED"};
const Error_Id Create_Window_Failed{"TARNWICK.CREATE_WINDOW_FAILED"};
const Error_Id Dll_Version_Error{"TARNWICK.DLL_VERSION_ERROR"};
const Error_Id Ellipse_Error{"TARNWICK.ELLIPSE_ERROR"};
const Error_Id Error_Copying_Cmdline{"TARNWICK.ERROR_COPYING_CMDLINE"};
const Error_Id Error_Copying_Title{"TARNWICK.ERROR_COPYING_TITLE"};
const Error_Id Error_Reading_Font{"TARNWICK.ERROR_READING_FONT"};
const Error_Id Error_Reading_Size{"TARNWICK.ERROR_READING_SIZE"};
const Error_Id Fill_Rect_Error{"TARNWICK.FILL_RECT_ERROR"};
const Error_Id Flood_Fill_Error{"TARNWICK.FLOOD_FILL_ERROR"};
const Error_Id Get_Pixel_Error{"TARNWICK.GET_PIXEL_ERROR"};
const Error_Id Get_Position_Error{"TARNWICK.GET_POSITION_ERROR"};
const Error_Id Invalid_Color_Value{"TARNWICK.INVALID_COLOR_VALUE"};
const Error_Id Invalid_Coordinate{"TARNWICK.INVALID_COORDINATE"};
const Error_Id Invalid_Fill_Option{"TARNWICK.INVALID_FILL_OPTION"};
const Error_Id Invalid_Window_Size{"TARNWICK.INVALID_WINDOW_SIZE"};
const Error_Id Invalidate_Rect_Error{"TARNWICK.INVALIDATE_RECT_ERROR"};
const Error_Id Line_To_Error{"TARNWICK.LINE_TO_ERROR"};
const Error_Id Message_Reg_Failed{"TARNWICK.MESSAGE_REG_FAILED"};
const Error_Id Move_To_Error{"TARNWICK.MOVE_TO_ERROR"};
const Error_Id Mouse_Event_Error{"TARNWICK.MOUSE_EVENT_ERROR"};
const Error_Id Rectangle_Error{"TARNWICK.RECTANGLE_ERROR"};
const Error_Id Select_Brush_Error{"TARNWICK.SELECT_BRUSH_ERROR"};
const Error_Id Select_Pen_Error{"TARNWICK.SELECT_PEN_ERROR"};
const Error_Id Set_Pixel_Error{"TARNWICK.SET_PIXEL_ERROR"};
const Error_Id Set_Textcolor_Error{"TARNWICK.SET_TEXTCOLOR_ERROR"};
const Error_Id Set_Title_Error{"TARNWICK.SET_TITLE_ERROR"};
const Error_Id Text_Out_Error{"TARNWICK.TEXT_OUT_ERROR"};
const Error_Id Unknown_Tarnwick_Error{"TARNWICK.UNKNOWN_TARNWICK_ERROR"};
const Error_Id Update_Window_Error{"TARNWICK.UPDATE_WINDOW_ERROR"};
const Error_Id Wait_Failed_Error{"TARNWICK.WAIT_FAILED_ERROR"};
const Error_Id Window_Already_Closed{"TARNWICK.WINDOW_ALREADY_CLOSED"};
const Error_Id Window_Already_Open{"TARNWICK.WINDOW_ALREADY_OPEN"};
const Error_Id Window_Not_Open{"TARNWICK.WINDOW_NOT_OPEN"};

namespace {

// Each failure code of the library with its named error.
struct Code_Error {
  int32_t Code;
  const Error_Id* Error;
};
constexpr Code_Error Code_Errors[] = {
    {Window_Already_Open_Code, &Window_Already_Open},       {Window_Already_Closed_Code, &Window_Already_Closed},
    {Message_Reg_Failed_Code, &Message_Reg_Failed},         {Create_Event_Failed_Code, &Create_Event_Failed},
    {Create_Thread_Failed_Code, &Create_Thread_Failed},     {Window_Not_Open_Code, &Window_Not_Open},
    {Invalid_Color_Code, &Invalid_Color_Value},             {Invalid_Coordinate_Code, &Invalid_Coordinate},
    {Invalid_Fill_Code, &Invalid_Fill_Option},              {Create_Class_Failed_Code, &Create_Class_Failed},
    {Create_Window_Failed_Code, &Create_Window_Failed},     {Error_Copying_Title_Code, &Error_Copying_Title},
    {Error_Copying_Cmdline_Code, &Error_Copying_Cmdline},   {Wait_Failed_Code, &Wait_Failed_Error},
    {Set_Title_Error_Code, &Set_Title_Error},               {Fill_Rect_Error_Code, &Fill_Rect_Error},
    {Invalidate_Rect_Error_Code, &Invalidate_Rect_Error},   {Update_Window_Error_Code, &Update_Window_Error},
    {Set_Pixel_Error_Code, &Set_Pixel_Error},               {Select_Pen_Error_Code, &Select_Pen_Error},
    {Move_To_Error_Code, &Move_To_Error},                   {Line_To_Error_Code, &Line_To_Error},
    {Select_Brush_Error_Code, &Select_Brush_Error},         {Rectangle_Error_Code, &Rectangle_Error},
    {Ellipse_Error_Code, &Ellipse_Error},                   {Get_Pixel_Error_Code, &Get_Pixel_Error},
    {Flood_Fill_Error_Code, &Flood_Fill_Error},             {Set_Textcolor_Error_Code, &Set_Textcolor_Error},
    {Text_Out_Error_Code, &Text_Out_Error},                 {Invalid_Window_Size_Code, &Invalid_Window_Size},
    {Get_Position_Error_Code, &Get_Position_Error},
};
constexpr int32_t Lowest_Code = Get_Position_Error_Code;

// The same errors in a dense table indexed by Code - Lowest_Code, so that
// Make_Exception finds one without a search.
struct Code_Table_Type {
  const Error_Id* Errors[-Lowest_Code] = {};
};
constexpr Code_Table_Type Make_Code_Table() {
  Code_Table_Type Table;
  for (const Code_Error& Entry : Code_Errors) Table.Errors[Entry.Code - Lowest_Code] = Entry.Error;
  return Table;
}
constexpr Code_Table_Type Code_Table = Make_Code_Table();
constexpr bool Every_Code_Has_Its_Error() {
  for (const Error_Id* Error : Code_Table.Errors)
    if (!Error) return false;
  return std::size(Code_Errors) == -Lowest_Code;
}
static_assert(Every_Code_Has_Its_Error(), "each code from -1 down to the lowest has exactly one error");

// Library mouse codes 0 .. 5 by meaning; codes 3 and 4 are not the event positions.
constexpr Event_Type Mouse_Events[6] = {
    Event_Type::None,     Event_Type::Moved,     Event_Type::Left_Up,
    Event_Type::Right_Up, Event_Type::Left_Down, Event_Type::Right_Down,
};

// After an opening call succeeded: read both sizes, then both font sizes,
// testing each pair only once both are read. A window that opened stays open
// when a test fails. Negative sizes are not library failures here; they pass.
Window_Size Read_Window_Size() {
  Window_Size Size;
  Size.Window_Width = GetWindowWidth();
  Size.Window_Height = GetWindowHeight();
  if (Size.Window_Width == 0 || Size.Window_Height == 0) raise_error(Error_Reading_Size);
  Size.Font_Width = GetFontWidth();
  Size.Font_Height = GetFontHeight();
  if (Size.Font_Width == 0 || Size.Font_Height == 0) raise_error(Error_Reading_Font);
  return Size;
}

// A 0-or-positive answer as a Boolean.
bool Is_Positive(int32_t Result) {
  Check(Result);
  return Result > 0;
}

}  // namespace

void Make_Exception(int32_t Code) {
  if (Code >= 0) return;
  if (Code >= Lowest_Code) raise_error(*Code_Table.Errors[Code - Lowest_Code]);
  raise_error(Unknown_Tarnwick_Error);
}

void Start_Up() {
  Started = true;
  // The version query is an operation like any other: a negative answer
  // raises the named error of its code, not the version error.
  if (Get_Dll_Version() < Tarnwick_Dll_Version) raise_error(Dll_Version_Error);
}

bool Is_Open() {
  Check_Started();
  const int32_t Result = IsOpen();
  if (Result == 0) return false;
  if (Result == 1) return true;
  raise_error(Unknown_Tarnwick_Error);
}

int32_t Get_Dll_Version() {
  Check_Started();
  const int32_t Result = GetDLLVersion();
  Check(Result);
  return Result;
}

Max_Size Get_Max_Size() {
  Check_Started();
  Check(GetMaxSize(&Tarnwick::X, &Tarnwick::Y));
  return {Tarnwick::X, Tarnwick::Y};
}

Window_Size Create_Graph_Window() {
  Check_Started();
  Check(CreateGraphWindow(Default_Window));
  return Read_Window_Size();
}

Window_Size Ext_Create_Graph_Window() {
  Check_Started();
  Check(CreateGraphWindow(Maximized_Window));
  return Read_Window_Size();
}

Window_Size Create_Sized_Graph_Window(int32_t X_Size, int32_t Y_Size) {
  Check_Started();
  Check(CreateSizedGraphWindow(X_Size, Y_Size));
  return Read_Window_Size();
}

void Destroy_Graph_Window() {
  Check_Started();
  Check(DestroyGraphWindow());
}

void Clear_Window(Color_Type Color) {
  Check_Started();
  Check(ClearWindow(static_cast<int32_t>(Color)));
}

void Set_Window_Title(std::string_view Title) {
  Check_Started();
  Call_With_Text(Title, [](const char* Copy) { return SetWindowTitle(Copy); });
}

Color_Type Get_Pixel(int32_t X, int32_t Y) {
  Check_Started();
  const int32_t Result = GetColorPixel(X, Y);
  Check(Result);
  if (Result > 15) [[unlikely]] raise_constraint_error();
  return static_cast<Color_Type>(Result);
}

void Put_Pixel(int32_t X, int32_t Y, Color_Type Color) {
  Check_Started();
  Check(PutPixel(X, Y, static_cast<int32_t>(Color)));
}

bool Key_Hit() {
  Check_Started();
  return Is_Positive(KeyHit());
}

unsigned char Get_Key() {
  Check_Started();
  const int32_t Result = GetKey();
  Check(Result);
  if (Result > 255) [[unlikely]] raise_constraint_error();
  return static_cast<unsigned char>(Result);
}

bool Mouse_Event() {
  Check_Started();
  return Is_Positive(MouseEvent());
}

Mouse_State Get_Mouse() {
  Check_Started();
  // The record is three consecutive 32-bit integers, as the library expects.
  Check(GetMouse(&The_Mouse.Code));
  Mouse_State State{Event_Type::None, 0, 0};
  // With no event the library may leave anything in X and Y; they read as 0.
  if (The_Mouse.Code != MouseNone) {
    State.X = The_Mouse.X;
    State.Y = The_Mouse.Y;
  }
  // Tested unsigned, so negative codes fail the same test as codes above 5.
  const uint32_t Code = static_cast<uint32_t>(The_Mouse.Code);
  if (Code > static_cast<uint32_t>(MouseRightDown)) raise_error(Mouse_Event_Error);
  State.Event = Mouse_Events[Code];
  return State;
}

void Draw_Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Color_Type Color) {
  Check_Started();
  Check(DrawLine(X1, Y1, X2, Y2, static_cast<int32_t>(Color)));
}

void Draw_Box(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Color_Type Color, Fill_Type Filled) {
  Check_Started();
  Check(DrawBox(X1, Y1, X2, Y2, static_cast<int32_t>(Color), static_cast<int32_t>(Filled)));
}

void Draw_Circle(int32_t X, int32_t Y, int32_t Radius, Color_Type Color, Fill_Type Filled) {
  Check_Started();
  Check(DrawCircle(X, Y, Radius, static_cast<int32_t>(Color), static_cast<int32_t>(Filled)));
}

void Draw_Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Color_Type Color, Fill_Type Filled) {
  Check_Started();
  Check(DrawEllipse(X1, Y1, X2, Y2, static_cast<int32_t>(Color), static_cast<int32_t>(Filled)));
}

void Flood_Fill(int32_t X, int32_t Y, Color_Type Color) {
  Check_Started();
  Check(FillFlood(X, Y, static_cast<int32_t>(Color)));
}

void Display_Text(int32_t X, int32_t Y, std::string_view Text, Color_Type Color) {
  Check_Started();
  Call_With_Text(Text, [&](const char* Copy) { return DisplayText(X, Y, Copy, static_cast<int32_t>(Color)); });
}

int32_t Where_X() {
  Check_Started();
  const int32_t Result = WhereX();
  Check(Result);
  return Result;
}

int32_t Where_Y() {
  Check_Started();
  const int32_t Result = WhereY();
  Check(Result);
  return Result;
}

void Goto_XY(int32_t X, int32_t Y) {
  Check_Started();
  Check(GotoXY(X, Y));
}

void Draw_To(int32_t X, int32_t Y, Color_Type Color) {
  Check_Started();
  Check(DrawTo(X, Y, static_cast<int32_t>(Color)));
}

}  // namespace Tarnwick

// The report comes from the back end's thread while the program's own thread
// waits elsewhere; the report ends the process.
extern "C" void Tarnwick_Window_Lost(void) {
  report_unhandled_error(Raised_Error{&Tarnwick::Window_Not_Open, 0, {}});
}
