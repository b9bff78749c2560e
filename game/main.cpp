// The program drovanel: the frame's start-up, the game, the frame's shut-down.
#include "frame/program.h"
#include "game/drovanel.h"

int main(int argc, char** argv, char** envp) { run_program(argc, argv, envp, Game::Drovanel); }
