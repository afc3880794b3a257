#pragma once

#include <QIcon>
#include <QImage>
#include <vector>

namespace tamarack {

// The sizes of the icon files in the desktop's hicolor theme.
const std::vector<int>& IconSizes();

// The logo as the window draws it, size x size pixels (a multiple of the
// logo's 16): each logo pixel becomes a square block, without smoothing, and
// the pixels the logo leaves to the window are transparent.
QImage LogoImage(int size);

// The logo at every icon size, for the window and the task bar.
QIcon LogoIcon();

// The logo as a scalable SVG picture: one square for each logo pixel.
QByteArray LogoSvg();

}  // namespace tamarack
