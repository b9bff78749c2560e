// The palette framebuffer and its rasteriser. Every shape is clipped to the
// surface before any pixel is visited, so the work of a call is bounded by
// the surface's size whatever its coordinates (INT32_MIN .. INT32_MAX
// included). Coordinates are widened to 64 bits before any arithmetic.
//
// Every pixel and dirty mark is accessed atomically (atomic_ref.h): pixels
// relaxed; a dirty mark is set with release after the row's pixels are
// written, and taken with acquire, so a presenting thread that takes a mark
// sees at least the pixels that made the row dirty.
#include "graphics/backend/canvas.h"
#include "graphics/tarnwick_codes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "graphics/backend/font.h"

namespace {

constexpr int32_t Filled = 0;
constexpr int32_t Outline = 1;

bool Valid_Color(int32_t Color) { return Color >= 0 && Color <= 15; }
bool Valid_Fill(int32_t Fill) { return Fill == Filled || Fill == Outline; }

uint8_t* Pixel_Address(const Canvas& Surface, int64_t X, int64_t Y) {
  return Surface.Pixels.get() + static_cast<size_t>(Y) * static_cast<size_t>(Surface.Width) +
         static_cast<size_t>(X);
}

void Store_Pixel(const Canvas& Surface, int64_t X, int64_t Y, uint8_t Color) {
  Atomic_Ref<uint8_t>(*Pixel_Address(Surface, X, Y)).store(Color, std::memory_order_relaxed);
}

void Mark_Dirty(const Canvas& Surface, int64_t Y) {
  Atomic_Ref<uint8_t>(Surface.Dirty_Rows[static_cast<size_t>(Y)]).store(1, std::memory_order_release);
}

bool Inside(const Canvas& Surface, int64_t X, int64_t Y) {
  return X >= 0 && Y >= 0 && X < Surface.Width && Y < Surface.Height;
}

// The pixels From .. To (either order) of row Y, clipped; the row is marked dirty.
void Span(const Canvas& Surface, int64_t From, int64_t To, int64_t Y, uint8_t Color) {
  if (From > To) std::swap(From, To);
  if (Y < 0 || Y >= Surface.Height || To < 0 || From >= Surface.Width) return;
  From = std::max<int64_t>(From, 0);
  To = std::min<int64_t>(To, Surface.Width - 1);
  for (int64_t X = From; X <= To; ++X) Store_Pixel(Surface, X, Y, Color);
  Mark_Dirty(Surface, Y);
}

// The pixels From .. To (either order) of column X, clipped.
void Column(const Canvas& Surface, int64_t X, int64_t From, int64_t To, uint8_t Color) {
  if (From > To) std::swap(From, To);
  if (X < 0 || X >= Surface.Width || To < 0 || From >= Surface.Height) return;
  From = std::max<int64_t>(From, 0);
  To = std::min<int64_t>(To, Surface.Height - 1);
  for (int64_t Y = From; Y <= To; ++Y) {
    Store_Pixel(Surface, X, Y, Color);
    Mark_Dirty(Surface, Y);
  }
}

// A line with both end points, by Bresenham's rule: one pixel per step along
// the major axis, the minor coordinate rounded to the nearest (halves away
// from the first end point). The end points are ordered along the major axis
// first, so a line and its reverse cover the same pixels. Only the steps whose
// major coordinate lies on the surface are visited, so the loop runs at most
// Width or Height times however long the line is.
void Line(const Canvas& Surface, int64_t X1, int64_t Y1, int64_t X2, int64_t Y2, uint8_t Color) {
  const bool X_Major = std::abs(X2 - X1) >= std::abs(Y2 - Y1);
  // Work in (major, minor) coordinates.
  int64_t Major1 = X_Major ? X1 : Y1, Minor1 = X_Major ? Y1 : X1;
  int64_t Major2 = X_Major ? X2 : Y2, Minor2 = X_Major ? Y2 : X2;
  if (Major1 > Major2) {
    std::swap(Major1, Major2);
    std::swap(Minor1, Minor2);
  }
  const int64_t Major_Limit = X_Major ? Surface.Width : Surface.Height;
  const int64_t Minor_Limit = X_Major ? Surface.Height : Surface.Width;
  const uint64_t Major_Length = static_cast<uint64_t>(Major2 - Major1);  // < 2^33
  const uint64_t Minor_Length = static_cast<uint64_t>(std::abs(Minor2 - Minor1));
  const int64_t Minor_Step = Minor2 >= Minor1 ? 1 : -1;

  const int64_t First = std::max<int64_t>(Major1, 0);
  const int64_t Last = std::min<int64_t>(Major2, Major_Limit - 1);
  if (First > Last) return;

  // At step I the minor offset is floor(I * Minor_Length / Major_Length + 1/2),
  // kept as a quotient and a remainder so no product can overflow.
  uint64_t Step = static_cast<uint64_t>(First - Major1);
  uint64_t Quotient = 0, Remainder = 0;
  if (Major_Length > 0) {
    // Step and Minor_Length are both below 2^33; split Step to keep the product in 64 bits.
    const uint64_t High = Step >> 16, Low = Step & 0xFFFF;
    const uint64_t High_Product = High * Minor_Length;  // < 2^50
    Quotient = High_Product / Major_Length;
    Remainder = High_Product % Major_Length;
    Quotient <<= 16;
    Remainder <<= 16;  // < 2^49
    Quotient += Remainder / Major_Length;
    Remainder %= Major_Length;
    Remainder += Low * Minor_Length;  // < 2^50
    Quotient += Remainder / Major_Length;
    Remainder %= Major_Length;
  }
  for (int64_t Major = First; Major <= Last; ++Major) {
    const int64_t Offset = static_cast<int64_t>(Quotient) + (2 * Remainder >= Major_Length && Major_Length > 0 ? 1 : 0);
    const int64_t Minor = Minor1 + Minor_Step * Offset;
    if (Minor >= 0 && Minor < Minor_Limit) {
      const int64_t X = X_Major ? Major : Minor, Y = X_Major ? Minor : Major;
      Store_Pixel(Surface, X, Y, Color);
      Mark_Dirty(Surface, Y);
    }
    Remainder += Minor_Length;
    while (Major_Length > 0 && Remainder >= Major_Length) {
      Remainder -= Major_Length;
      ++Quotient;
    }
  }
}

// The pixels of one row of an ellipse: Low .. High, empty when Low > High.
struct Row_Span {
  int64_t Low, High;
};

// The ellipse inscribed in the pixel rectangle Left .. Right x Top .. Bottom:
// the pixels whose centres lie inside the ellipse that touches the outer edges
// of the rectangle's border pixels. Every row of the rectangle gets at least
// its middle pixel(s), so the shape touches all four sides.
Row_Span Ellipse_Row(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom, int64_t Y) {
  if (Y < Top || Y > Bottom) return {1, 0};
  const double Centre_X = (static_cast<double>(Left) + static_cast<double>(Right)) / 2;
  const double Centre_Y = (static_cast<double>(Top) + static_cast<double>(Bottom)) / 2;
  const double Semi_X = static_cast<double>(Right - Left + 1) / 2;
  const double Semi_Y = static_cast<double>(Bottom - Top + 1) / 2;
  const double Ratio = (static_cast<double>(Y) - Centre_Y) / Semi_Y;
  const double Half_Width = Semi_X * std::sqrt(std::max(0.0, 1 - Ratio * Ratio));
  int64_t Low = static_cast<int64_t>(std::ceil(Centre_X - Half_Width));
  int64_t High = static_cast<int64_t>(std::floor(Centre_X + Half_Width));
  Low = std::max(Low, Left);
  High = std::min(High, Right);
  if (Low > High) {
    Low = static_cast<int64_t>(std::floor(Centre_X));
    High = static_cast<int64_t>(std::ceil(Centre_X));
  }
  return {Low, High};
}

// Filled, or the outline: the pixels of the filled shape that have a
// four-neighbour outside it. The outline is thus eight-connected and closed,
// and a four-connected flood fill started inside stays inside.
void Ellipse(const Canvas& Surface, int64_t Left, int64_t Top, int64_t Right, int64_t Bottom, uint8_t Color,
             int32_t Fill) {
  const int64_t First = std::max<int64_t>(Top, 0);
  const int64_t Last = std::min<int64_t>(Bottom, Surface.Height - 1);
  for (int64_t Y = First; Y <= Last; ++Y) {
    const Row_Span Row = Ellipse_Row(Left, Top, Right, Bottom, Y);
    if (Fill == Filled) {
      Span(Surface, Row.Low, Row.High, Y, Color);
      continue;
    }
    const Row_Span Above = Ellipse_Row(Left, Top, Right, Bottom, Y - 1);
    const Row_Span Below = Ellipse_Row(Left, Top, Right, Bottom, Y + 1);
    const int64_t Inner_Low = std::max({Row.Low + 1, Above.Low, Below.Low});
    const int64_t Inner_High = std::min({Row.High - 1, Above.High, Below.High});
    if (Inner_Low > Inner_High) {
      Span(Surface, Row.Low, Row.High, Y, Color);
    } else {
      Span(Surface, Row.Low, Inner_Low - 1, Y, Color);
      Span(Surface, Inner_High + 1, Row.High, Y, Color);
    }
  }
}

}  // namespace

void Canvas_Create(Canvas& Surface, int32_t Width, int32_t Height) {
  const size_t Count = static_cast<size_t>(Width) * static_cast<size_t>(Height);
  Surface.Pixels = std::make_unique<uint8_t[]>(Count);
  Surface.Dirty_Rows = std::make_unique<uint8_t[]>(static_cast<size_t>(Height));
  std::memset(Surface.Pixels.get(), 15, Count);
  std::memset(Surface.Dirty_Rows.get(), 1, static_cast<size_t>(Height));
  Surface.Width = Width;
  Surface.Height = Height;
  Atomic_Ref<uint32_t>(Surface.Clear_Count).store(0, std::memory_order_relaxed);
  Surface.Current_X = 0;
  Surface.Current_Y = 0;
}

int32_t Canvas_Font_Width() { return Font_Cell_Width; }
int32_t Canvas_Font_Height() { return Font_Cell_Height; }

int32_t Canvas_Clear(Canvas& Surface, int32_t Color) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  for (int64_t Y = 0; Y < Surface.Height; ++Y) {
    uint8_t* Row = Pixel_Address(Surface, 0, Y);
    for (int32_t X = 0; X < Surface.Width; ++X)
      Atomic_Ref<uint8_t>(Row[X]).store(static_cast<uint8_t>(Color), std::memory_order_relaxed);
    Mark_Dirty(Surface, Y);
  }
  Atomic_Ref<uint32_t>(Surface.Clear_Count).fetch_add(1, std::memory_order_release);
  return 0;
}

int32_t Canvas_Get_Pixel(const Canvas& Surface, int32_t X, int32_t Y) {
  if (!Inside(Surface, X, Y)) return Invalid_Coordinate_Code;
  return Atomic_Ref<uint8_t>(*Pixel_Address(Surface, X, Y)).load(std::memory_order_relaxed);
}

int32_t Canvas_Put_Pixel(Canvas& Surface, int32_t X, int32_t Y, int32_t Color) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  if (Inside(Surface, X, Y)) {
    Store_Pixel(Surface, X, Y, static_cast<uint8_t>(Color));
    Mark_Dirty(Surface, Y);
  }
  return 0;
}

int32_t Canvas_Line(Canvas& Surface, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Color) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  Line(Surface, X1, Y1, X2, Y2, static_cast<uint8_t>(Color));
  return 0;
}

int32_t Canvas_Box(Canvas& Surface, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Color, int32_t Fill) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  if (!Valid_Fill(Fill)) return Invalid_Fill_Code;
  const int64_t Left = std::min(X1, X2), Right = std::max(X1, X2);
  const int64_t Top = std::min(Y1, Y2), Bottom = std::max(Y1, Y2);
  const auto Code = static_cast<uint8_t>(Color);
  if (Fill == Filled) {
    const int64_t First = std::max<int64_t>(Top, 0), Last = std::min<int64_t>(Bottom, Surface.Height - 1);
    for (int64_t Y = First; Y <= Last; ++Y) Span(Surface, Left, Right, Y, Code);
  } else {
    Span(Surface, Left, Right, Top, Code);
    Span(Surface, Left, Right, Bottom, Code);
    Column(Surface, Left, Top, Bottom, Code);
    Column(Surface, Right, Top, Bottom, Code);
  }
  return 0;
}

int32_t Canvas_Circle(Canvas& Surface, int32_t X, int32_t Y, int32_t Radius, int32_t Color, int32_t Fill) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  if (!Valid_Fill(Fill)) return Invalid_Fill_Code;
  if (Radius < 0) return Ellipse_Error_Code;
  const int64_t R = Radius;
  Ellipse(Surface, X - R, Y - R, X + R, Y + R, static_cast<uint8_t>(Color), Fill);
  return 0;
}

int32_t Canvas_Ellipse(Canvas& Surface, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Color,
                       int32_t Fill) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  if (!Valid_Fill(Fill)) return Invalid_Fill_Code;
  Ellipse(Surface, std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2),
          static_cast<uint8_t>(Color), Fill);
  return 0;
}

// Scanline fill: each popped seed is widened to the whole run of the old
// colour on its row, the run is painted, and one seed per run of the old colour
// directly above and below it is pushed. The stack lives on the heap.
int32_t Canvas_Flood_Fill(Canvas& Surface, int32_t X, int32_t Y, int32_t Color) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  const int32_t Old = Canvas_Get_Pixel(Surface, X, Y);
  if (Old < 0) return Old;
  if (Old == Color) return 0;
  auto Is_Old = [&](int64_t Px, int64_t Py) { return Canvas_Get_Pixel(Surface, static_cast<int32_t>(Px), static_cast<int32_t>(Py)) == Old; };
  std::vector<std::pair<int32_t, int32_t>> Seeds{{X, Y}};
  while (!Seeds.empty()) {
    const auto [Seed_X, Seed_Y] = Seeds.back();
    Seeds.pop_back();
    if (!Is_Old(Seed_X, Seed_Y)) continue;
    int64_t Left = Seed_X, Right = Seed_X;
    while (Left > 0 && Is_Old(Left - 1, Seed_Y)) --Left;
    while (Right < Surface.Width - 1 && Is_Old(Right + 1, Seed_Y)) ++Right;
    Span(Surface, Left, Right, Seed_Y, static_cast<uint8_t>(Color));
    for (const int64_t Next_Y : {int64_t{Seed_Y} - 1, int64_t{Seed_Y} + 1}) {
      if (Next_Y < 0 || Next_Y >= Surface.Height) continue;
      bool In_Run = false;
      for (int64_t Px = Left; Px <= Right; ++Px) {
        const bool Old_Here = Is_Old(Px, Next_Y);
        if (Old_Here && !In_Run) Seeds.emplace_back(static_cast<int32_t>(Px), static_cast<int32_t>(Next_Y));
        In_Run = Old_Here;
      }
    }
  }
  return 0;
}

int32_t Canvas_Text(Canvas& Surface, int32_t X, int32_t Y, const char* Text, int32_t Color) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  const auto Code = static_cast<uint8_t>(Color);
  int64_t Cell_X = X;
  for (const char* Next = Text; *Next != '\0' && Cell_X < Surface.Width; ++Next, Cell_X += Font_Cell_Width) {
    if (Cell_X + Font_Cell_Width <= 0) continue;
    const Glyph_Rows& Glyph = Font_Glyph(static_cast<unsigned char>(*Next));
    for (int32_t Row = 0; Row < Font_Cell_Height; ++Row) {
      const int64_t Py = int64_t{Y} + Row;
      if (Py < 0 || Py >= Surface.Height || Glyph[Row] == 0) continue;
      for (int32_t Col = 0; Col < Font_Cell_Width; ++Col) {
        const int64_t Px = Cell_X + Col;
        if ((Glyph[Row] & (0x80 >> Col)) != 0 && Px >= 0 && Px < Surface.Width) Store_Pixel(Surface, Px, Py, Code);
      }
      Mark_Dirty(Surface, Py);
    }
  }
  return 0;
}

// The current position is never negative: WhereX and WhereY answer it, and a
// negative answer would read as a failure code. Positions right of or below
// the surface are kept (lines to them are clipped).
int32_t Canvas_Goto(Canvas& Surface, int32_t X, int32_t Y) {
  if (X < 0 || Y < 0) return Invalid_Coordinate_Code;
  Surface.Current_X = X;
  Surface.Current_Y = Y;
  return 0;
}

int32_t Canvas_Draw_To(Canvas& Surface, int32_t X, int32_t Y, int32_t Color) {
  if (!Valid_Color(Color)) return Invalid_Color_Code;
  if (X < 0 || Y < 0) return Invalid_Coordinate_Code;
  Line(Surface, Surface.Current_X, Surface.Current_Y, X, Y, static_cast<uint8_t>(Color));
  return Canvas_Goto(Surface, X, Y);
}

bool Canvas_Take_Dirty_Row(Canvas& Surface, int32_t Y) {
  if (Y < 0 || Y >= Surface.Height) return false;
  return Atomic_Ref<uint8_t>(Surface.Dirty_Rows[static_cast<size_t>(Y)]).exchange(0, std::memory_order_acquire) != 0;
}

bool Canvas_Take_Dirty_Rows(Canvas& Surface, std::vector<uint8_t>& Rows_Changed) {
  bool Any_Changed = false;
  Rows_Changed.resize(static_cast<size_t>(Surface.Height));
  for (int32_t Y = 0; Y < Surface.Height; ++Y) {
    const bool Changed = Canvas_Take_Dirty_Row(Surface, Y);
    Rows_Changed[static_cast<size_t>(Y)] = Changed;
    Any_Changed = Any_Changed || Changed;
  }
  return Any_Changed;
}

uint8_t Canvas_Read_Pixel(const Canvas& Surface, int32_t X, int32_t Y) {
  if (!Inside(Surface, X, Y)) return 0;
  return Atomic_Ref<uint8_t>(*Pixel_Address(Surface, X, Y)).load(std::memory_order_relaxed);
}
