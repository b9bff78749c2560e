#include "game/drovanel.h"

#include "frame/checked.h"
#include "frame/console.h"
#include "game/delay.h"
#include "game/flight.h"
#include "game/layout.h"
#include "game/random.h"
#include "graphics/tarnwick.h"

namespace Game {

// The delay is calibrated once, before the window opens, so that no clock is
// read while the game plays.
void Drovanel() {
  Calibrate_Delay();
  Play(Time_Dependent_Seed());
}

void Play(int32_t Initial_Seed) {
  Random_State Generator{Initial_Seed};
  bool Ok = true;

  // The window opens before anything is written to the console.
  const Tarnwick::Window_Size Size = Tarnwick::Ext_Create_Graph_Window();
  const int32_t Width = Size.Window_Width;
  const int32_t Height = Size.Window_Height;

  Console::Put_Text("Speed 'The Lower the Faster' Rec 220000 :");
  const int32_t Speed = Console::Get_Integer();
  Console::Put_Text("Starting level :");
  int32_t Level = Console::Get_Integer();
  const int32_t Start_Level = Level;

  // Level n has n obstacles; the level lost ends the game.
  while (Ok) {
    Setup(Generator, Width, Height, Level);
    Ok = Main_Proc(Width, Height, Ok, Speed);
    if (Ok) Level = Checked::Add(Level, 1);
  }

  Tarnwick::Destroy_Graph_Window();

  Console::Put_Text("You started on level: ");
  Console::Put_Integer(Start_Level, 1, Console::Default_Base);
  Console::New_Line(1);
  Console::Put_Text("You reached Level: ");
  Console::Put_Integer(Level, 1, Console::Default_Base);
  Console::New_Line(1);

  // The closing read only holds the console open until the player answers; its value is unused.
  static_cast<void>(Console::Get_Integer());
}

}  // namespace Game
