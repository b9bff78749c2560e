// The Windows build's figures, timed by hand with the frame's fine clock (the
// performance counter), since Google Benchmark has no Windows build here: the
// library calls the game makes at every step (KeyHit, GetColorPixel, PutPixel)
// on the Win32 back end's window while its thread presents, and the game's
// delay at the recommended Speed once calibrated. Run it under Wine or on
// Windows with a display: wine windows_bench.exe.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "frame/platform.h"
#include "game/delay.h"
#include "graphics/tarnwick_library.h"

extern "C" void Tarnwick_Window_Lost(void) {
  std::puts("the window went");
  Platform::End_Process(1);
}

namespace {

constexpr int32_t Calls = 4'000'000;
constexpr int Rounds = 7;

// The median over Rounds of the time of one call, in nanoseconds.
double Median_Ns(const std::function<void(int32_t)>& Call) {
  std::vector<double> Times;
  for (int Round = 0; Round < Rounds; ++Round) {
    const int64_t Start = Platform::Fine_Clock_Ns();
    for (int32_t I = 0; I < Calls; ++I) Call(I);
    Times.push_back(static_cast<double>(Platform::Fine_Clock_Ns() - Start) / Calls);
  }
  std::sort(Times.begin(), Times.end());
  return Times[Rounds / 2];
}

}  // namespace

int main() {
  if (CreateGraphWindow(1) != 0) {
    std::puts("no window");
    return 1;
  }
  const int32_t Width = GetWindowWidth(), Row = GetWindowHeight() / 2;
  ClearWindow(15);
  KeyHit();  // the first query on a new picture waits for the keyboard
  volatile int32_t Sink = 0;
  std::printf("KeyHit        %6.1f ns\n", Median_Ns([&](int32_t) { Sink = KeyHit(); }));
  std::printf("GetColorPixel %6.1f ns\n", Median_Ns([&](int32_t I) { Sink = GetColorPixel(20 + I % (Width - 40), Row); }));
  std::printf("PutPixel      %6.1f ns\n",
              Median_Ns([&](int32_t I) { Sink = PutPixel(20 + I % (Width - 40), Row, I / (Width - 40) % 2 ? 0 : 15); }));

  const Game::Delay_Calibration Calibration = Game::Calibrate_Delay();
  std::vector<double> Delays;
  for (int Round = 0; Round < 200; ++Round) {
    const int64_t Start = Platform::Fine_Clock_Ns();
    Game::Delay(220000);
    Delays.push_back(static_cast<double>(Platform::Fine_Clock_Ns() - Start) / 1e6);
  }
  std::sort(Delays.begin(), Delays.end());
  std::printf("link %.3f ns, chain %d/64; Delay(220000): median %.3f ms, fastest %.3f ms (%.0f steps/s)\n",
              Calibration.Link_Ns, Calibration.Count_Chain, Delays[100], Delays[0], 1000 / Delays[100]);
  DestroyGraphWindow();
  return 0;
}
