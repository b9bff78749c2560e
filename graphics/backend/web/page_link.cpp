// The page link's C++ side over its JavaScript functions (page_link.js).
#include "graphics/backend/web/page_link.h"

#include <cstddef>

extern "C" {
void drovanel_page_wait(int32_t Milliseconds);
int32_t drovanel_page_take_event(int32_t* Fields, char* Text, int32_t Text_Size);
void drovanel_page_room(int32_t* Width, int32_t* Height);
int32_t drovanel_page_input_state();
int32_t drovanel_page_take_input();
void drovanel_page_reading();
void drovanel_page_tell_exit(int32_t Status);
void drovanel_page_open_field(int32_t Width, int32_t Height);
void drovanel_page_close_field();
void drovanel_page_set_title(const char* Title);
void drovanel_page_want_keyboard();
void drovanel_page_show_rows(int32_t Top, int32_t Rows, int32_t Width, const uint8_t* Rgba);
void drovanel_page_end_frame(int32_t Output_Width, int32_t Output_Height);
}

namespace {

void (*The_Server)() = nullptr;

// How long one wait for a reply lasts before it looks again; a message ends it sooner.
constexpr int32_t Reply_Wait_Ms = 1000;

enum Input_State : int32_t { Nothing_Typed = 0, Byte_Typed = 1, Input_Ended = 2 };

}  // namespace

bool Page_Take_Event(Page_Event& Event) {
  int32_t Fields[4] = {};
  if (!drovanel_page_take_event(Fields, Event.Text, static_cast<int32_t>(sizeof Event.Text))) return false;
  Event.Kind = static_cast<Page_Event_Kind>(Fields[0]);
  Event.A = Fields[1];
  Event.B = Fields[2];
  Event.C = Fields[3];
  return true;
}

void Page_Wait(int32_t Milliseconds) {
  drovanel_page_wait(Milliseconds);
  if (The_Server) The_Server();
}

void Page_Set_Server(void (*Server)()) { The_Server = Server; }

void Page_Room(int32_t& Width, int32_t& Height) { drovanel_page_room(&Width, &Height); }

int Page_Read_Character() {
  bool Told = false;
  for (;;) {
    const int32_t State = drovanel_page_input_state();
    if (State == Byte_Typed) return drovanel_page_take_input();
    if (State == Input_Ended) return -1;
    if (!Told) drovanel_page_reading();
    Told = true;
    Page_Wait(Reply_Wait_Ms);
  }
}

void Page_Tell_Exit(int Status) { drovanel_page_tell_exit(Status); }

void Page_Open_Field(int32_t Width, int32_t Height) { drovanel_page_open_field(Width, Height); }

void Page_Close_Field() { drovanel_page_close_field(); }

void Page_Set_Title(const char* Title) { drovanel_page_set_title(Title); }

void Page_Want_Keyboard() { drovanel_page_want_keyboard(); }

void Page_Show_Rows(int32_t Top, int32_t Rows, int32_t Width, const uint8_t* Rgba) {
  drovanel_page_show_rows(Top, Rows, Width, Rgba);
}

void Page_End_Frame(int32_t Output_Width, int32_t Output_Height) { drovanel_page_end_frame(Output_Width, Output_Height); }
