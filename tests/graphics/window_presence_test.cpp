// The window's presence and its loss as the back ends with a window thread
// share them: whichever of a loss and the program's own closing or call comes
// first decides, and the window thread ends the program only for a loss no
// one was told of. The report itself is replaced by a count.
#include "graphics/backend/window_presence.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "graphics/tarnwick_library.h"

namespace {

int Reports = 0;

}  // namespace

extern "C" void Tarnwick_Window_Lost(void) { ++Reports; }

namespace {

struct Presence_Case {
  const char* Name;
  std::vector<std::function<void()>> Steps;  // after the window opened, in order
  bool Reported;                             // whether the window thread then ends the program
};

void Lose() { Mark_Window_Lost(); }
void Close() { Begin_Closing_Window(); }
void Call() { Window_Gone_Answer(); }

TEST(Window_Presence, TheFirstOfALossAndTheProgramDecides) {
  const Presence_Case Cases[] = {
      {"lost, nobody told", {Lose}, true},
      {"lost, then a call finds it gone", {Lose, Call}, false},
      {"lost, then the program closes it", {Lose, Close}, false},
      {"the program closes it, then a close request lands", {Close, Lose}, false},
  };
  for (const Presence_Case& Case : Cases) {
    Mark_Window_Closed();
    Reports = 0;
    Mark_Window_Open();
    ASSERT_TRUE(Window_Is_Open()) << Case.Name;
    for (const auto& Step : Case.Steps) Step();
    EXPECT_FALSE(Window_Is_Open()) << Case.Name;
    End_Program_If_Loss_Unreported(std::chrono::milliseconds(0));
    EXPECT_EQ(Reports, Case.Reported ? 1 : 0) << Case.Name;
  }
}

TEST(Window_Presence, ClosingAnswersWhetherTheWindowWasStillOpen) {
  Mark_Window_Open();
  EXPECT_TRUE(Begin_Closing_Window());
  Mark_Window_Open();
  Mark_Window_Lost();
  EXPECT_FALSE(Begin_Closing_Window());
  EXPECT_EQ(Window_Gone_Answer(), Window_Not_Open_Code);
}

}  // namespace
