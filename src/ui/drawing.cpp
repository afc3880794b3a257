#include "ui/drawing.h"

namespace tamarack {
namespace {

uint8_t Lighten(uint8_t c) { return static_cast<uint8_t>(c + (255 - c) / 2); }

bool HasWord(const std::string& style, const char* word) {
  return style.find(word) != std::string::npos;
}

// A line that includes both of its end points.
void HLine(Surface& s, int y, int x0, int x1, Color c) { s.FillRect({x0, y, x1 + 1, y + 1}, c); }
void VLine(Surface& s, int x, int y0, int y1, Color c) { s.FillRect({x, y0, x + 1, y1 + 1}, c); }

struct FrameBox {
  int X, Y, W, H;
};

FrameBox BoxOf(LayoutRect r) { return {4 * r.Left, 4 * r.Top, 4 * r.Width, 4 * r.Height}; }

}  // namespace

Gradient LightenGradient(Gradient g) {
  return {Lighten(g.StartR), Lighten(g.StartG), Lighten(g.StartB),
          Lighten(g.EndR),   Lighten(g.EndG),   Lighten(g.EndB)};
}

void FillGradient(Surface& surface, LayoutRect r, Gradient g) {
  const PixelRect rect = ToPixels(r);
  // One colour a device row: at scale 1 one a pixel row, 4 * height of them.
  const int lines = surface.DeviceRows(rect.Top, rect.Bottom);
  if (lines <= 0) return;
  const int starts[3] = {g.StartR, g.StartG, g.StartB};
  const int ends[3] = {g.EndR, g.EndG, g.EndB};
  int steps[3];
  int values[3];
  for (int k = 0; k < 3; ++k) {
    steps[k] = lines > 1 ? ((ends[k] - starts[k]) * 100) / (lines - 1) : 0;
    values[k] = starts[k] * 100;
  }
  for (int i = 0; i < lines; ++i) {
    const Color c =
        MakeColor(static_cast<uint8_t>(values[0] / 100), static_cast<uint8_t>(values[1] / 100),
                  static_cast<uint8_t>(values[2] / 100));
    surface.FillDeviceRow(rect, i, c);
    for (int k = 0; k < 3; ++k) values[k] += steps[k];
  }
}

void FillSolid(Surface& surface, LayoutRect r, Color c) { surface.FillRect(ToPixels(r), c); }

void DrawCaption(Surface& surface, LayoutRect r, const std::string& text,
                 const std::string& style) {
  surface.SetFont(HasWord(style, "Big") ? CaptionFont::Big : CaptionFont::Normal);
  const TextExtent extent = surface.MeasureText(text);
  int x = 4 * r.Left;
  int y = 4 * r.Top;
  if (!HasWord(style, "Left")) x += (4 * r.Width - extent.Width) / 2;
  if (!HasWord(style, "Top")) y += (4 * r.Height - extent.Height) / 2;
  if (HasWord(style, "Down")) {
    ++x;
    ++y;
  }
  const bool negative = HasWord(style, "Neg");
  surface.SetTextColor(negative ? White : Black);
  surface.DrawText(x + 1, y + 1, text);
  surface.SetTextColor(negative ? Black : White);
  surface.DrawText(x, y, text);
}

void DrawRaisedFrame(Surface& surface, LayoutRect r) {
  FrameBox b = BoxOf(r);
  if (r == WindowRect) b = {2, 2, 612, 296};
  const auto [X, Y, W, H] = b;
  HLine(surface, Y - 2, X - 1, X + W, Grey);
  VLine(surface, X - 2, Y - 1, Y + H, Grey);
  HLine(surface, Y - 1, X - 1, X + W, White);
  VLine(surface, X - 1, Y - 1, Y + H, White);
  HLine(surface, Y + H + 1, X - 1, X + W, Black);
  VLine(surface, X + W + 1, Y - 1, Y + H, Black);
  HLine(surface, Y + H, X, X + W, Grey);
  VLine(surface, X + W, Y, Y + H - 1, Grey);
  // The outer corners show the surface around the frame: each takes the
  // colour left of the frame on its row, black where that is off the bitmap.
  const int cornerXs[2] = {X - 2, X + W + 1};
  const int cornerYs[2] = {Y - 2, Y + H + 1};
  for (int cy : cornerYs) {
    for (int cx : cornerXs) {
      Color c = surface.GetPixel(X - 3, cy);
      if (!c.Valid) c = Black;
      surface.SetPixel(cx, cy, c);
    }
  }
}

void DrawSunkenFrame(Surface& surface, LayoutRect r) {
  const auto [X, Y, W, H] = BoxOf(r);
  HLine(surface, Y - 2, X - 2, X + W + 1, Grey);
  VLine(surface, X - 2, Y - 1, Y + H + 1, Grey);
  HLine(surface, Y + H + 1, X - 1, X + W + 1, White);
  VLine(surface, X + W + 1, Y - 1, Y + H, White);
  HLine(surface, Y - 1, X - 1, X + W, Black);
  VLine(surface, X - 1, Y, Y + H, Black);
  HLine(surface, Y + H, X, X + W, Silver);
  VLine(surface, X + W, Y, Y + H - 1, Silver);
}

}  // namespace tamarack
