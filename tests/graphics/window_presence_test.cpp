// The window's presence, its loss and the session's life cycle as the back
// ends with a window thread share them: whichever of a loss and the program's
// own closing or call comes first decides, and the window thread ends the
// program only for a loss no one was told of. The report itself is replaced
// by a count; the back end by a window thread that follows the test's script.
#include "graphics/backend/threaded/window_presence.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "graphics/backend/threaded/window_session.h"

#include "graphics/tarnwick_library.h"

namespace {

std::atomic<int> Reports{0};

}  // namespace

extern "C" void Tarnwick_Window_Lost(void) { ++Reports; }

// The scripted back end: how its window thread behaves.
enum class Script { Fails_To_Open, Opens, Opens_Then_Loses_The_Window, Never_Lets_Go };
std::atomic<Script> Thread_Script{Script::Opens};

int32_t Backend_Prepare_Sessions() { return 0; }
void Backend_Wake_Window_Thread() {}
int32_t Backend_Open_Window(Window_Kind Kind, int32_t Width, int32_t Height) {
  return Open_Session(Session_Purpose::Open_Window, Kind, Width, Height);
}

void Backend_Run_Session() {
  if (Thread_Script == Script::Fails_To_Open) return Finish_Opening(Create_Window_Failed_Code);
  Finish_Opening(0);
  if (Thread_Script == Script::Opens_Then_Loses_The_Window) {
    Mark_Window_Gone();
    return Report_Loss_If_Untold();
  }
  while (Thread_Script == Script::Never_Lets_Go || !The_Session.Stop_Requested.load())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

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

// What the program's next call after the window thread's loss answers; a
// null entry makes no call. Each call tells the program the window went, so
// the window thread must not end it with the report.
struct Call_After_Loss {
  const char* Name;
  int32_t (*Call)();
  int32_t Answer;
  bool Reported;
};

TEST(Window_Session, EveryCallAfterALossTellsTheProgram) {
  const Call_After_Loss Cases[] = {
      {"no call", nullptr, 0, true},
      {"IsOpen", [] { return IsOpen(); }, 0, false},
      {"an invalid mode", [] { return CreateGraphWindow(7); }, Invalid_Window_Size_Code, false},
      {"an invalid size", [] { return CreateSizedGraphWindow(0, 5); }, Invalid_Window_Size_Code, false},
      {"a null title", [] { return SetWindowTitle(nullptr); }, Error_Copying_Title_Code, false},
      {"a title", [] { return SetWindowTitle("t"); }, Window_Not_Open_Code, false},
      {"GetKey", [] { return GetKey(); }, Window_Not_Open_Code, false},
      {"DestroyGraphWindow", [] { return DestroyGraphWindow(); }, Window_Not_Open_Code, false},
  };
  for (const Call_After_Loss& Case : Cases) {
    Reports = 0;
    Thread_Script = Script::Opens_Then_Loses_The_Window;
    ASSERT_EQ(CreateGraphWindow(0), 0) << Case.Name;
    while (The_Window_State.load() == Window_State::Open) std::this_thread::yield();
    if (Case.Call) {
      EXPECT_EQ(Case.Call(), Case.Answer) << Case.Name;
    }
    // The thread's decision is made once its grace is over and it has let go.
    while (!Case.Call && Reports == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (Case.Reported) Mark_Window_Closed();  // the report would have ended the process
    Thread_Script = Script::Opens;
    ASSERT_EQ(CreateGraphWindow(0), 0) << Case.Name << ": the next window";
    EXPECT_EQ(Reports, Case.Reported ? 1 : 0) << Case.Name;
    EXPECT_EQ(DestroyGraphWindow(), 0) << Case.Name;
  }
}

TEST(Window_Session, OpeningAndClosingAnswerWhatHappened) {
  Thread_Script = Script::Fails_To_Open;
  EXPECT_EQ(CreateGraphWindow(0), Create_Window_Failed_Code);
  EXPECT_EQ(IsOpen(), 0);
  EXPECT_EQ(DestroyGraphWindow(), Window_Already_Closed_Code);
  Thread_Script = Script::Opens;
  ASSERT_EQ(CreateSizedGraphWindow(20, 10), 0);
  EXPECT_EQ(The_Session.Requested_Width, 20);
  EXPECT_EQ(CreateGraphWindow(0), Window_Already_Open_Code);
  EXPECT_EQ(DestroyGraphWindow(), 0);
  EXPECT_EQ(DestroyGraphWindow(), Window_Already_Closed_Code);
}

// A window thread that never lets go is given up within its limit, and then
// no window opens again. In a process of its own, since that is for good.
TEST(Window_Session, AThreadThatNeverLetsGoIsGivenUpForGood) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Thread_Script = Script::Never_Lets_Go;
        const bool Opened = CreateGraphWindow(0) == 0;
        const bool Given_Up = DestroyGraphWindow() == 0 && CreateGraphWindow(0) == Create_Window_Failed_Code &&
                              DestroyGraphWindow() == Window_Already_Closed_Code;
        _exit(Opened && Given_Up ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
