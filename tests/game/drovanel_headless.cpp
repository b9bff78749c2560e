// The test twin of the program drovanel: the same frame and game, linked with
// the headless back end instead of a real window. Before it starts the
// program it sets up what a player and a screen would otherwise supply:
//
//   drovanel_headless WIDTH HEIGHT SEED KEYS [WINDOW_STATE_FILE]
//
// WIDTH x HEIGHT is the size the window opens at, SEED the generator's first
// state (so the layouts are known), KEYS the key presses waiting in the
// window's queue, one character each, taken one per step. With
// WINDOW_STATE_FILE, the process writes "open" or "closed" there as it exits,
// whichever way it ends, so a test can see whether the window was left open.
// The delay is calibrated as the program does it, so the twin keeps its pace.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "frame/program.h"
#include "game/delay.h"
#include "game/drovanel.h"
#include "graphics/backend/headless/headless_control.h"
#include "graphics/tarnwick_library.h"

namespace {

int32_t Fixed_Seed;
const char* Window_State_Path;

void Play_Fixed_Layout() {
  Game::Calibrate_Delay();
  Game::Play(Fixed_Seed);
}

void Record_Window_State() {
  if (std::FILE* State = std::fopen(Window_State_Path, "wb")) {
    std::fputs(IsOpen() == 1 ? "open\n" : "closed\n", State);
    std::fclose(State);
  }
}

}  // namespace

int main(int argc, char** argv, char** envp) {
  if (argc < 5 || argc > 6) {
    std::fputs("usage: drovanel_headless WIDTH HEIGHT SEED KEYS [WINDOW_STATE_FILE]\n", stderr);
    return 2;
  }
  Headless_Set_Window_Size(std::atoi(argv[1]), std::atoi(argv[2]));
  Fixed_Seed = static_cast<int32_t>(std::strtol(argv[3], nullptr, 10));
  for (const char Key : std::string_view(argv[4])) Headless_Push_Key(static_cast<unsigned char>(Key));
  if (argc == 6) {
    Window_State_Path = argv[5];
    std::atexit(Record_Window_State);
  }
  run_program(argc, argv, envp, Play_Fixed_Layout);
}
