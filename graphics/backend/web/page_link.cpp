// The page link's C++ side over its JavaScript functions (page_link.js).
#include "graphics/backend/web/page_link.h"

extern "C" {
void drovanel_page_wait(int32_t Milliseconds);
int32_t drovanel_page_take_event(int32_t* Fields, char* Text, int32_t Text_Size);
int32_t drovanel_page_input_state();
int32_t drovanel_page_take_input();
void drovanel_page_reading();
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
