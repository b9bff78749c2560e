// Draws the picture that software centres show of the game: a level drawn by
// the game's own layout, with the trail of a flight that weaves its way out
// through the gap, on the headless back end; and writes it as a PNG.
//
//   make_screenshot OUTPUT.png WIDTH HEIGHT
//
// The layout and the keys are fixed, so every build makes the same picture.
// The flight's line feeds, which go to standard output, are discarded.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/program.h"
#include "game/flight.h"
#include "game/layout.h"
#include "game/random.h"
#include "graphics/backend/headless/headless_control.h"
#include "graphics/backend/threaded/picture_layout.h"
#include "graphics/tarnwick_library.h"

namespace {

constexpr int32_t Level = 3;
constexpr int32_t Layout_Seed = 20261208;

const char* Output_Path;
int32_t Width, Height;

void Put_Big_Endian(std::string& Out, uint32_t Value) {
  for (int Shift = 24; Shift >= 0; Shift -= 8) Out += static_cast<char>(Value >> Shift);
}

// One PNG chunk: its length, type, data and the CRC of type and data.
void Put_Chunk(std::string& Out, const char* Type, const std::string& Data) {
  Put_Big_Endian(Out, static_cast<uint32_t>(Data.size()));
  const std::string Body = Type + Data;
  Out += Body;
  Put_Big_Endian(Out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(Body.data()), Body.size())));
}

// The canvas as an 8-bit paletted PNG in the palette the windows show.
bool Write_Png(const Canvas& Surface, const char* Path) {
  std::string Header;
  Put_Big_Endian(Header, static_cast<uint32_t>(Surface.Width));
  Put_Big_Endian(Header, static_cast<uint32_t>(Surface.Height));
  Header += std::string{8, 3, 0, 0, 0};  // 8 bits, paletted, deflate, adaptive filters, not interlaced
  std::string Palette;
  for (const uint32_t Rgb : Palette_Rgb)
    Palette += {static_cast<char>(Rgb >> 16), static_cast<char>(Rgb >> 8), static_cast<char>(Rgb)};
  std::vector<Bytef> Rows;  // each row after its filter byte, 0 (none)
  for (int32_t Y = 0; Y < Surface.Height; ++Y) {
    Rows.push_back(0);
    Rows.insert(Rows.end(), &Surface.Pixels[size_t(Y) * Surface.Width], &Surface.Pixels[size_t(Y + 1) * Surface.Width]);
  }
  uLongf Packed_Size = compressBound(Rows.size());
  std::string Packed(Packed_Size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(Packed.data()), &Packed_Size, Rows.data(), Rows.size(), 9) != Z_OK)
    return false;
  Packed.resize(Packed_Size);
  std::string Png = "\x89PNG\r\n\x1a\n";
  Put_Chunk(Png, "IHDR", Header);
  Put_Chunk(Png, "PLTE", Palette);
  Put_Chunk(Png, "IDAT", Packed);
  Put_Chunk(Png, "IEND", "");
  std::FILE* File = std::fopen(Path, "wb");
  if (!File) return false;
  const bool Written = std::fwrite(Png.data(), 1, Png.size(), File) == Png.size();
  return std::fclose(File) == 0 && Written;
}

void Draw_And_Write() {
  Headless_Set_Window_Size(Width, Height);
  if (CreateGraphWindow(1) != 0) std::exit(1);
  Game::Random_State Generator;
  Game::InitRandom(Generator, Layout_Seed);
  Game::Setup(Generator, Width, Height, Level);
  // Up, then weaving down and up about the middle row, one key a step.
  std::string Keys(60, 'u');
  for (int Turn = 0; Turn < 6; ++Turn) Keys += std::string(120, Turn % 2 == 0 ? 'a' : 'u');
  for (const char Key : Keys) Headless_Push_Key(static_cast<unsigned char>(Key));
  Game::Main_Proc(Width, Height, true, 0);
  if (!Write_Png(*Headless_Canvas(), Output_Path)) {
    std::perror(Output_Path);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv, char** envp) {
  if (argc != 4 || std::atoi(argv[2]) < 200 || std::atoi(argv[3]) < 200) {
    std::fputs("usage: make_screenshot OUTPUT.png WIDTH HEIGHT (each at least 200)\n", stderr);
    return 2;
  }
  Output_Path = argv[1];
  Width = std::atoi(argv[2]);
  Height = std::atoi(argv[3]);
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  run_program(argc, argv, envp, Draw_And_Write);
}
