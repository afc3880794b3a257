#include "ui/logo.h"

namespace tamarack {

const std::array<Color, 20> LogoPalette = {
    MakeColor(0, 0, 0),       MakeColor(33, 32, 33),    MakeColor(49, 48, 49),
    MakeColor(57, 60, 57),    MakeColor(66, 65, 66),    MakeColor(99, 97, 99),
    MakeColor(115, 113, 115), MakeColor(123, 125, 123), MakeColor(0, 4, 231),
    MakeColor(16, 16, 231),   MakeColor(255, 0, 0),     MakeColor(239, 48, 49),
    MakeColor(255, 60, 57),   MakeColor(222, 97, 99),   MakeColor(255, 125, 123),
    MakeColor(148, 146, 148), MakeColor(156, 158, 156), MakeColor(198, 195, 198),
    MakeColor(222, 223, 222), MakeColor(255, 255, 255),
};

// A strip of film in grey tones with a red cross in its middle.
const std::array<std::array<uint8_t, LogoSize>, LogoSize> LogoGrid = {{
    {99, 2, 5, 15, 5, 5, 5, 5, 5, 5, 5, 5, 15, 5, 2, 99},
    {2, 19, 7, 5, 0, 0, 0, 0, 0, 0, 0, 0, 5, 7, 19, 1},
    {5, 7, 3, 5, 0, 0, 0, 0, 0, 0, 0, 0, 5, 3, 7, 4},
    {5, 7, 3, 5, 0, 0, 2, 5, 5, 2, 0, 0, 5, 3, 7, 4},
    {5, 19, 7, 5, 0, 0, 13, 10, 11, 14, 0, 0, 5, 7, 19, 4},
    {5, 0, 0, 5, 0, 0, 13, 10, 10, 14, 0, 0, 5, 0, 0, 4},
    {5, 19, 7, 15, 13, 13, 11, 10, 10, 11, 13, 13, 16, 7, 19, 4},
    {5, 7, 3, 17, 11, 10, 10, 10, 10, 10, 10, 10, 18, 3, 7, 4},
    {5, 7, 3, 17, 10, 10, 10, 10, 10, 10, 10, 12, 18, 3, 7, 4},
    {5, 19, 7, 15, 14, 14, 11, 10, 10, 12, 14, 14, 16, 7, 19, 4},
    {5, 0, 0, 5, 0, 0, 13, 10, 10, 14, 0, 0, 5, 0, 0, 4},
    {5, 19, 7, 5, 0, 0, 13, 12, 10, 14, 0, 0, 5, 7, 19, 4},
    {5, 7, 3, 5, 0, 0, 3, 7, 7, 3, 0, 0, 5, 3, 7, 4},
    {5, 7, 3, 5, 0, 0, 0, 0, 0, 0, 0, 0, 5, 3, 7, 4},
    {2, 19, 7, 5, 0, 0, 0, 0, 0, 0, 0, 0, 5, 7, 19, 1},
    {99, 1, 4, 6, 4, 4, 4, 4, 4, 4, 4, 4, 6, 4, 1, 99},
}};

void DrawLogo(Surface& surface) {
  for (int row = 0; row < LogoSize; ++row) {
    for (int column = 0; column < LogoSize; ++column) {
      const uint8_t index = LogoGrid[row][column];
      if (index < LogoTransparent) {
        surface.SetPixel(LogoLeft + column, LogoTop + row, LogoPalette[index]);
      }
    }
  }
}

}  // namespace tamarack
