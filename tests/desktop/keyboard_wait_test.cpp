// The real program on sway when another window has the keyboard as a level
// begins: the seat has a keyboard (a virtual one this test holds open) and
// the workspace, not the game's window, has the focus. With sway's default
// answer to an activation request the flight makes no step, the window shows
// a hint to click it and is marked urgent, until it is given the keyboard;
// where sway grants activation (focus, smart) the window takes the keyboard
// and the flight goes on without a click. Waits are bounded polls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/desktop.h"
#include "tests/support/wayland_keyboard.h"

namespace {

const std::string Prompts = "Speed 'The Lower the Faster' Rec 220000 :Starting level :";

struct Sway_Row {
  const char* Name;
  Desktop_Kind Kind;
  const char* Activation;  // sway's focus_on_window_activation
  bool Waits;              // whether the flight waits for a click
};

void PrintTo(const Sway_Row& Row, std::ostream* Out) { *Out << Row.Name; }

const Sway_Row Rows[] = {
    {"sway", Desktop_Kind::Sway, "urgent", true},
    {"sway_scale_2", Desktop_Kind::Sway_Scale_2, "urgent", true},
    {"sway_focus", Desktop_Kind::Sway, "focus", false},
    {"sway_smart", Desktop_Kind::Sway, "smart", false},
};

class Keyboard_Wait_On_Sway : public ::testing::TestWithParam<Sway_Row> {
 protected:
  void SetUp() override {
    std::string Why;
    ASSERT_TRUE(Start_Desktop(Desk, GetParam().Kind, &Why)) << Why;
    for (const std::string& Entry : Desk.Tool_Environment) putenv(const_cast<char*>(Entry.c_str()));
    Keyboard = Open_Wayland_Keyboard();
    ASSERT_NE(Keyboard, nullptr) << "no virtual keyboard on the seat";
    ASSERT_TRUE(Sway({"focus_on_window_activation", GetParam().Activation}));
  }

  void TearDown() override {
    if (Keyboard) Close_Wayland_Keyboard(Keyboard);
  }

  // Runs swaymsg with Arguments; whether it succeeded (criteria that match no window fail).
  bool Sway(const std::vector<std::string>& Arguments) {
    std::vector<std::string> Command = Desk.As_User;
    Command.push_back("swaymsg");
    Command.insert(Command.end(), Arguments.begin(), Arguments.end());
    const Child_Result Run =
        Run_Child({.Arguments = Command, .Environment = Desk.Tool_Environment, .Errors = Device::Null}, "", 10000);
    return Run.Exited && Run.Status == 0;
  }

  // The screen's pixels of the hint's box colour, the palette's blue, which level 0 never shows.
  int Hint_Pixels(const std::string& Keep_As = "") {
    Screenshot Image;
    if (!Take_Desktop_Screenshot(Desk, Image)) return -1;
    if (!Keep_As.empty()) Keep_Screenshot(Image, Keep_As);
    return static_cast<int>(std::ranges::count(Image.Pixels, 0x0000AAu));
  }

  Desktop Desk;
  Wayland_Keyboard* Keyboard = nullptr;
};

TEST_P(Keyboard_Wait_On_Sway, FlightWaitsUntilTheWindowHasTheKeyboard) {
  Child_Process Game = Start_On_Desktop(Desk, DROVANEL_PATH);
  ASSERT_TRUE(Eventually([&] { return Window_Has_Focus(Desk, "drovanel"); })) << "the window never showed";
  // The player goes back to the console: here the workspace takes the focus.
  ASSERT_TRUE(Sway({"focus", "parent"}));
  ASSERT_TRUE(Write_To_Child(Game, "4000000\n0\n"));
  ASSERT_TRUE(Read_Past_From_Child(Game, Prompts, 10000)) << "no prompts";
  std::string Line;
  if (GetParam().Waits) {
    const std::string Shot = std::string(GetParam().Name) + "_waiting_hint";
    EXPECT_TRUE(Eventually([&] { return Hint_Pixels() > 5000; }, 5000)) << "no hint while waiting";
    Hint_Pixels(Shot);
    EXPECT_TRUE(Eventually([&] { return Sway({"[title=\"^drovanel$\" urgent=latest]", "nop"}); }, 5000))
        << "the waiting window is not urgent";
    EXPECT_FALSE(Read_Line_From_Child(Game, Line, 200)) << "the flight did not wait";
    ASSERT_TRUE(Sway({"[title=\"^drovanel$\"]", "focus"}));
  }
  EXPECT_TRUE(Read_Line_From_Child(Game, Line, 3000) && Line.empty()) << "the flight did not start";
  EXPECT_TRUE(Window_Has_Focus(Desk, "drovanel"));
  EXPECT_TRUE(Eventually([&] { return Hint_Pixels() == 0; }, 5000)) << "the hint stayed";
  ASSERT_TRUE(Close_Window_On_Desktop(Desk, "drovanel"));
  EXPECT_TRUE(Exited_With(Game, 1, 3000));
}

INSTANTIATE_TEST_SUITE_P(Activation, Keyboard_Wait_On_Sway, ::testing::ValuesIn(Rows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
