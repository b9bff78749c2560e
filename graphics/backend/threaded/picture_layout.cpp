#include "graphics/backend/threaded/picture_layout.h"

#include <algorithm>

namespace {

// The canvas indices that picture index I shows when Canvas_Length canvas
// pixels become Picture_Length picture pixels. Growing, each picture pixel
// shows one canvas pixel (its nearest to the left); shrinking, the picture
// pixels share the canvas pixels out between them, every one to exactly one.
void Share_Out(int32_t Canvas_Length, int32_t Picture_Length, std::vector<int32_t>& Start, std::vector<int32_t>& End) {
  Start.resize(static_cast<size_t>(Picture_Length));
  End.resize(static_cast<size_t>(Picture_Length));
  for (int32_t I = 0; I < Picture_Length; ++I) {
    const auto First = static_cast<int32_t>(int64_t{I} * Canvas_Length / Picture_Length);
    const auto Next = static_cast<int32_t>(int64_t{I + 1} * Canvas_Length / Picture_Length);
    Start[static_cast<size_t>(I)] = First;
    End[static_cast<size_t>(I)] = std::max(Next, First + 1);
  }
}

}  // namespace

Picture_Layout Layout_Picture(int32_t Canvas_Width, int32_t Canvas_Height, int32_t Output_Width,
                              int32_t Output_Height) {
  Picture_Layout Layout;
  Layout.Canvas_Width = Canvas_Width;
  Layout.Canvas_Height = Canvas_Height;
  Layout.Output_Width = Output_Width;
  Layout.Output_Height = Output_Height;
  // The scale is the smaller of the two ratios; compared without division.
  if (int64_t{Output_Width} * Canvas_Height <= int64_t{Output_Height} * Canvas_Width) {
    Layout.Width = Output_Width;
    Layout.Height = static_cast<int32_t>(int64_t{Canvas_Height} * Output_Width / Canvas_Width);
  } else {
    Layout.Height = Output_Height;
    Layout.Width = static_cast<int32_t>(int64_t{Canvas_Width} * Output_Height / Canvas_Height);
  }
  Layout.Width = std::max(Layout.Width, 1);
  Layout.Height = std::max(Layout.Height, 1);
  Layout.X = (Output_Width - Layout.Width) / 2;
  Layout.Y = (Output_Height - Layout.Height) / 2;
  Share_Out(Canvas_Width, Layout.Width, Layout.Column_Start, Layout.Column_End);
  Share_Out(Canvas_Height, Layout.Height, Layout.Row_Start, Layout.Row_End);
  Layout.Row_Minimum.resize(static_cast<size_t>(Canvas_Width));
  return Layout;
}

void Compose_Picture_Row(const Canvas& Surface, Picture_Layout& Layout, int32_t Picture_Row, uint8_t* Out) {
  // First the lowest code of each canvas column over the rows shown, then over each picture column's columns.
  uint8_t* Minimum = Layout.Row_Minimum.data();
  const auto Row = static_cast<size_t>(Picture_Row);
  std::fill(Minimum, Minimum + Layout.Canvas_Width, uint8_t{15});
  for (int32_t Y = Layout.Row_Start[Row]; Y < Layout.Row_End[Row]; ++Y)
    for (int32_t X = 0; X < Layout.Canvas_Width; ++X)
      Minimum[X] = std::min(Minimum[X], Canvas_Read_Pixel(Surface, X, Y));
  for (int32_t I = 0; I < Layout.Width; ++I) {
    const auto Column = static_cast<size_t>(I);
    Out[I] = *std::min_element(Minimum + Layout.Column_Start[Column], Minimum + Layout.Column_End[Column]);
  }
}

bool Picture_Row_Changed(const Picture_Layout& Layout, const std::vector<uint8_t>& Canvas_Rows_Changed, int32_t Row) {
  const auto Index = static_cast<size_t>(Row);
  for (int32_t Y = Layout.Row_Start[Index]; Y < Layout.Row_End[Index]; ++Y)
    if (Canvas_Rows_Changed[static_cast<size_t>(Y)]) return true;
  return false;
}

void Canvas_Point_Of(const Picture_Layout& Layout, int32_t& X, int32_t& Y) {
  const int32_t Column = std::clamp(X - Layout.X, 0, Layout.Width - 1);
  const int32_t Row = std::clamp(Y - Layout.Y, 0, Layout.Height - 1);
  X = Layout.Column_Start[static_cast<size_t>(Column)];
  Y = Layout.Row_Start[static_cast<size_t>(Row)];
}
