// Draws the game's icon, packaging/drovanel.svg, as a Windows icon file with
// one 32-bit image for each of the sizes Windows shows most (menus, the
// taskbar, Explorer's views, on screens scaled up to 200 %), up to 128 pixels;
// a 256-pixel image, held uncompressed, would weigh four times all the others:
//
//   make_icon drovanel.svg drovanel.ico
//
// It reads only what that drawing uses: rectangles (rounded or not), circles,
// polylines and paths of absolute M, L, H and V commands, each with a solid
// #rrggbb fill and stroke, square or butt caps, miter or round joins; anything
// else stops it with an error rather than drawing something else. Each pixel
// is the average of 8 x 8 samples, so the edges are smooth and the output is
// the same byte for byte on every machine: scripts/make-windows-icon writes the
// committed packaging/windows/drovanel.ico, and a test checks it is up to date.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Point {
  double X, Y;
};

struct Colour {
  bool Present = false;  // "none" or absent: nothing is painted
  uint8_t Red = 0, Green = 0, Blue = 0;
};

enum class Shape_Kind { Rectangle, Circle, Line };

struct Shape {
  Shape_Kind Kind;
  double X = 0, Y = 0, Width = 0, Height = 0, Radius = 0;  // rectangle (Radius: its corners) or circle
  std::vector<Point> Points;                              // line
  Colour Fill, Stroke;
  double Stroke_Width = 1;
  bool Square_Cap = false, Round_Join = false;
};

[[noreturn]] void Fail(const std::string& Why) {
  std::fprintf(stderr, "make_icon: %s\n", Why.c_str());
  std::exit(1);
}

std::string Attribute(const std::string& Attributes, const std::string& Name, const std::string& Default = "") {
  std::smatch Match;
  if (std::regex_search(Attributes, Match, std::regex("(^|\\s)" + Name + "=\"([^\"]*)\""))) return Match[2];
  return Default;
}

double Number(const std::string& Attributes, const std::string& Name, double Default = 0) {
  const std::string Text = Attribute(Attributes, Name);
  return Text.empty() ? Default : std::stod(Text);
}

Colour Colour_Of(const std::string& Text) {
  Colour Result;
  if (Text.empty() || Text == "none") return Result;
  if (!std::regex_match(Text, std::regex("#[0-9a-fA-F]{6}"))) Fail("unsupported colour " + Text);
  const unsigned long Value = std::stoul(Text.substr(1), nullptr, 16);
  Result = {true, uint8_t(Value >> 16), uint8_t(Value >> 8), uint8_t(Value)};
  return Result;
}

std::vector<double> Numbers_In(const std::string& Text) {
  std::vector<double> Values;
  const std::regex Numeral("-?[0-9]*\\.?[0-9]+");
  for (auto It = std::sregex_iterator(Text.begin(), Text.end(), Numeral); It != std::sregex_iterator(); ++It)
    Values.push_back(std::stod(It->str()));
  return Values;
}

// A path of absolute moves and lines: one polyline.
std::vector<Point> Path_Points(const std::string& Data) {
  std::vector<Point> Points;
  const std::regex Command("([A-Za-z])([^A-Za-z]*)");
  for (auto It = std::sregex_iterator(Data.begin(), Data.end(), Command); It != std::sregex_iterator(); ++It) {
    const char Letter = (*It)[1].str()[0];
    const std::vector<double> Values = Numbers_In((*It)[2]);
    const Point Last = Points.empty() ? Point{0, 0} : Points.back();
    if ((Letter == 'M') != Points.empty()) Fail("a path must be one move, then lines");
    if ((Letter == 'M' || Letter == 'L') && Values.size() == 2) Points.push_back({Values[0], Values[1]});
    else if (Letter == 'H' && Values.size() == 1) Points.push_back({Values[0], Last.Y});
    else if (Letter == 'V' && Values.size() == 1) Points.push_back({Last.X, Values[0]});
    else Fail(std::string("unsupported path command ") + Letter);
  }
  return Points;
}

std::vector<Shape> Read_Drawing(const std::string& Svg, double& View_Size) {
  const std::vector<double> View_Box = Numbers_In(Attribute(Svg, "viewBox"));
  if (View_Box.size() != 4 || View_Box[0] != 0 || View_Box[1] != 0 || View_Box[2] != View_Box[3])
    Fail("the drawing needs a square viewBox from 0,0");
  View_Size = View_Box[2];
  std::vector<Shape> Shapes;
  const std::regex Element("<(rect|circle|polyline|path|line|ellipse|polygon|text|g|image|use)\\b([^>]*)>");
  for (auto It = std::sregex_iterator(Svg.begin(), Svg.end(), Element); It != std::sregex_iterator(); ++It) {
    const std::string Name = (*It)[1], Attributes = (*It)[2];
    Shape S{};
    if (Name == "rect") {
      S.Kind = Shape_Kind::Rectangle;
      S.X = Number(Attributes, "x");
      S.Y = Number(Attributes, "y");
      S.Width = Number(Attributes, "width");
      S.Height = Number(Attributes, "height");
      S.Radius = Number(Attributes, "rx");
    } else if (Name == "circle") {
      S.Kind = Shape_Kind::Circle;
      S.X = Number(Attributes, "cx");
      S.Y = Number(Attributes, "cy");
      S.Radius = Number(Attributes, "r");
    } else if (Name == "polyline" || Name == "path") {
      S.Kind = Shape_Kind::Line;
      if (Name == "path") {
        S.Points = Path_Points(Attribute(Attributes, "d"));
      } else {
        const std::vector<double> Values = Numbers_In(Attribute(Attributes, "points"));
        for (size_t I = 0; I + 1 < Values.size(); I += 2) S.Points.push_back({Values[I], Values[I + 1]});
      }
      if (S.Points.size() < 2) Fail("a line needs two points");
    } else {
      Fail("unsupported element <" + Name + ">");
    }
    S.Fill = Colour_Of(Attribute(Attributes, "fill", S.Kind == Shape_Kind::Line ? "none" : "#000000"));
    if (S.Kind == Shape_Kind::Line && S.Fill.Present) Fail("a filled line is not supported");
    S.Stroke = Colour_Of(Attribute(Attributes, "stroke"));
    S.Stroke_Width = Number(Attributes, "stroke-width", 1);
    const std::string Cap = Attribute(Attributes, "stroke-linecap", "butt");
    const std::string Join = Attribute(Attributes, "stroke-linejoin", "miter");
    if ((Cap != "butt" && Cap != "square") || (Join != "miter" && Join != "round")) Fail("unsupported cap or join");
    S.Square_Cap = Cap == "square";
    S.Round_Join = Join == "round";
    Shapes.push_back(S);
  }
  return Shapes;
}

// Inside the rectangle from (X0, Y0) to (X1, Y1) whose corners are rounded by Radius.
bool In_Rounded_Box(Point P, double X0, double Y0, double X1, double Y1, double Radius) {
  if (P.X < X0 || P.X > X1 || P.Y < Y0 || P.Y > Y1) return false;
  const double Dx = std::fmax(std::fmax(X0 + Radius - P.X, P.X - (X1 - Radius)), 0);
  const double Dy = std::fmax(std::fmax(Y0 + Radius - P.Y, P.Y - (Y1 - Radius)), 0);
  return Dx * Dx + Dy * Dy <= Radius * Radius;
}

// On the stroke of a line: each segment a band of the stroke's width, lengthened
// by half the width where a square cap or a miter join (right angles here) is.
bool On_Line(const Shape& S, Point P) {
  const double Half = S.Stroke_Width / 2;
  const size_t Last = S.Points.size() - 1;
  for (size_t I = 0; I < Last; ++I) {
    const Point A = S.Points[I], B = S.Points[I + 1];
    const double Length = std::hypot(B.X - A.X, B.Y - A.Y);
    if (Length == 0) continue;
    const double Ux = (B.X - A.X) / Length, Uy = (B.Y - A.Y) / Length;
    const double Along = (P.X - A.X) * Ux + (P.Y - A.Y) * Uy;
    const double Across = std::fabs((P.X - A.X) * Uy - (P.Y - A.Y) * Ux);
    const auto Extension = [&](size_t Vertex) {
      const bool End = Vertex == 0 || Vertex == Last;
      return (End ? S.Square_Cap : !S.Round_Join) ? Half : 0.0;
    };
    if (Across <= Half && Along >= -Extension(I) && Along <= Length + Extension(I + 1)) return true;
  }
  if (S.Round_Join) {
    for (size_t I = 1; I < Last; ++I)
      if (std::hypot(P.X - S.Points[I].X, P.Y - S.Points[I].Y) <= Half) return true;
  }
  return false;
}

bool In_Fill(const Shape& S, Point P) {
  if (S.Kind == Shape_Kind::Circle) return std::hypot(P.X - S.X, P.Y - S.Y) <= S.Radius;
  if (S.Kind == Shape_Kind::Rectangle) return In_Rounded_Box(P, S.X, S.Y, S.X + S.Width, S.Y + S.Height, S.Radius);
  return false;
}

bool On_Stroke(const Shape& S, Point P) {
  const double Half = S.Stroke_Width / 2;
  if (S.Kind == Shape_Kind::Line) return On_Line(S, P);
  if (S.Kind == Shape_Kind::Circle) return std::fabs(std::hypot(P.X - S.X, P.Y - S.Y) - S.Radius) <= Half;
  const double Outer = S.Radius > 0 ? S.Radius + Half : 0, Inner = std::fmax(S.Radius - Half, 0);
  return In_Rounded_Box(P, S.X - Half, S.Y - Half, S.X + S.Width + Half, S.Y + S.Height + Half, Outer) &&
         !In_Rounded_Box(P, S.X + Half, S.Y + Half, S.X + S.Width - Half, S.Y + S.Height - Half, Inner);
}

// One image of Size x Size pixels, as 0xAARRGGBB values row by row from the top.
std::vector<uint32_t> Render(const std::vector<Shape>& Shapes, double View_Size, int Size) {
  constexpr int Samples = 8;
  std::vector<uint32_t> Pixels(size_t(Size) * Size);
  for (int Y = 0; Y < Size; ++Y) {
    for (int X = 0; X < Size; ++X) {
      double Red = 0, Green = 0, Blue = 0, Covered = 0;
      for (int Sy = 0; Sy < Samples; ++Sy) {
        for (int Sx = 0; Sx < Samples; ++Sx) {
          const Point P{(X + (Sx + 0.5) / Samples) * View_Size / Size, (Y + (Sy + 0.5) / Samples) * View_Size / Size};
          const Colour* Painted = nullptr;
          for (const Shape& S : Shapes) {
            if (S.Fill.Present && In_Fill(S, P)) Painted = &S.Fill;
            if (S.Stroke.Present && On_Stroke(S, P)) Painted = &S.Stroke;
          }
          if (Painted == nullptr) continue;
          Red += Painted->Red;
          Green += Painted->Green;
          Blue += Painted->Blue;
          Covered += 1;
        }
      }
      if (Covered == 0) continue;
      const auto Channel = [&](double Sum) { return uint32_t(std::lround(Sum / Covered)); };
      const uint32_t Alpha = uint32_t(std::lround(Covered * 255 / (Samples * Samples)));
      Pixels[size_t(Y) * Size + X] = Alpha << 24 | Channel(Red) << 16 | Channel(Green) << 8 | Channel(Blue);
    }
  }
  return Pixels;
}

void Put_16(std::string& Out, uint32_t Value) {
  Out += char(Value & 0xFF);
  Out += char(Value >> 8 & 0xFF);
}

void Put_32(std::string& Out, uint32_t Value) {
  Put_16(Out, Value & 0xFFFF);
  Put_16(Out, Value >> 16);
}

// One icon image: a bitmap header (its height counts the mask too), the
// pixels from the bottom row up as B, G, R, A, then the 1-bit mask that older
// renderers use, set where a pixel is fully transparent.
std::string Icon_Image(const std::vector<uint32_t>& Pixels, int Size) {
  const uint32_t Mask_Row = uint32_t(Size + 31) / 32 * 4;
  std::string Out;
  for (uint32_t Field : {40u, uint32_t(Size), uint32_t(2 * Size)}) Put_32(Out, Field);
  Put_16(Out, 1);   // planes
  Put_16(Out, 32);  // bits per pixel
  Put_32(Out, 0);   // no compression
  Put_32(Out, uint32_t(Size) * Size * 4 + Mask_Row * Size);
  for (int Unused = 0; Unused < 4; ++Unused) Put_32(Out, 0);
  for (int Y = Size - 1; Y >= 0; --Y)
    for (int X = 0; X < Size; ++X) Put_32(Out, Pixels[size_t(Y) * Size + X]);
  for (int Y = Size - 1; Y >= 0; --Y) {
    std::string Row(Mask_Row, '\0');
    for (int X = 0; X < Size; ++X)
      if (Pixels[size_t(Y) * Size + X] >> 24 == 0) Row[X / 8] = char(Row[X / 8] | 0x80 >> X % 8);
    Out += Row;
  }
  return Out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) Fail("usage: make_icon DRAWING.svg ICON.ico");
  std::ifstream Input(argv[1]);
  if (!Input) Fail(std::string("cannot read ") + argv[1]);
  const std::string Svg((std::istreambuf_iterator<char>(Input)), std::istreambuf_iterator<char>());
  double View_Size = 0;
  const std::vector<Shape> Shapes = Read_Drawing(Svg, View_Size);

  const int Sizes[] = {16, 24, 32, 48, 64, 128};
  const int Count = int(std::size(Sizes));
  std::string Directory, Images;
  Put_16(Directory, 0);
  Put_16(Directory, 1);  // an icon, not a cursor
  Put_16(Directory, Count);
  for (const int Size : Sizes) {
    const std::string Image = Icon_Image(Render(Shapes, View_Size, Size), Size);
    Directory += char(Size);
    Directory += char(Size);
    Put_16(Directory, 0);   // no palette
    Put_16(Directory, 1);   // planes
    Put_16(Directory, 32);  // bits per pixel
    Put_32(Directory, uint32_t(Image.size()));
    Put_32(Directory, uint32_t(6 + 16 * Count + Images.size()));
    Images += Image;
  }
  std::ofstream Output(argv[2], std::ios::binary);
  Output << Directory << Images;
  if (!Output.flush()) Fail(std::string("cannot write ") + argv[2]);
}
