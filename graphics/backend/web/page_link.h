// The program's link to the page that runs it. The program runs in a Web
// Worker and the page holds the console and the field; they talk only in
// messages. A browser thread cannot block, so wherever the program waits (a
// console read, a key, the keyboard) it hands control back to the worker's
// event loop through Asyncify and resumes when the page has said something or
// the time is up. Implemented in page_link.cpp and page_link.js (worker.js
// receives the page's messages).
#pragma once

#include <cstdint>

// What the page said, one message at a time.
enum class Page_Event_Kind : int32_t {
  None = 0,
  Key = 1,    // Text: the key's name as the browser gives it; A: 1 with Ctrl, B: 1 with Alt or Meta
  Mouse = 2,  // A: the mouse code; B, C: the point on the field, in its pixels
  Focus = 3,  // A: 1 when the field has the keyboard, 0 when it lost it
  Room = 4,   // A, B: the room the page has for the field, in device pixels
  Refresh = 5  // the display is about to refresh: a time to show what changed
};

struct Page_Event {
  Page_Event_Kind Kind = Page_Event_Kind::None;
  int32_t A = 0, B = 0, C = 0;
  char Text[32] = {};
};

// Takes the oldest message into Event; false when none waits.
bool Page_Take_Event(Page_Event& Event);

// Hands control to the page for up to Milliseconds (0: one turn of its event
// loop, for the messages already sent), returning early when a message
// arrives; then runs the server set below, which takes what came.
void Page_Wait(int32_t Milliseconds);

// The function that takes the page's messages after every wait (the window's,
// once one opens); nullptr for none, when messages are left waiting.
void Page_Set_Server(void (*Server)());

// The next character typed in the page's console, waiting until a line is
// sent; -1 once the player ended the input (Ctrl+D on an empty line).
int Page_Read_Character();

// What the program asks of the page and tells it, straight from page_link.js.
extern "C" {

// The room the page has for the field, in device pixels; 0 by 0 when it has
// no canvas to show one on.
void Page_Room(int32_t* Width, int32_t* Height);

// Tells the page that the program ended with Status; its output is sent first.
void Page_Tell_Exit(int32_t Status);

// The field's messages.
void Page_Open_Field(int32_t Width, int32_t Height);
void Page_Close_Field();
void Page_Set_Title(const char* Title);
void Page_Want_Keyboard();
// Rows Top .. Top + Rows - 1 of the field's picture, Width pixels of four
// bytes (RGBA) each, for the frame being made; the page shows the frame's
// rows together once it ends, in a picture of Output_Width x Output_Height.
void Page_Show_Rows(int32_t Top, int32_t Rows, int32_t Width, const uint8_t* Rgba);
void Page_End_Frame(int32_t Output_Width, int32_t Output_Height);

}  // extern "C"
