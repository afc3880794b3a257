#include "ui/progress_bar.h"

#include <cassert>
#include <cmath>

#include "core/progress_text.h"
#include "ui/drawing.h"
#include "ui/layout.h"

namespace tamarack {
namespace {

constexpr int BarUnits = 81;

}  // namespace

ProgressBar::ProgressBar(Surface& surface, EventPump& pump, Clock& clock)
    : surface_(surface), pump_(pump), pacer_(clock) {}

void ProgressBar::ShowProgress(double done, double total) {
  const double r = ProgressShare(done, total);
  const std::string text = ProgressText(operationTitle_, done, total);
  if (text != lastProgressText_) {
    // Nearest integer with halves to even, the default rounding mode.
    const int n = static_cast<int>(std::nearbyint(r * BarUnits));
    const uint8_t left = ProgressRect.Left;
    const uint8_t top = ProgressRect.Top;
    const uint8_t height = ProgressRect.Height;
    if (n < BarUnits) {
      FillGradient(
          surface_,
          {static_cast<uint8_t>(left + n), top, static_cast<uint8_t>(BarUnits - n), height},
          LightenGradient(GreyGradient));
    }
    if (n > 0) {
      FillGradient(surface_, {left, top, static_cast<uint8_t>(n), height},
                   LightenGradient(BackgroundGradient));
      if (n < BarUnits) surface_.DrawLine(184 + 4 * n, 256, 184 + 4 * n, 276, Black);
    }
    if (!text.empty()) DrawCaption(surface_, ProgressRect, text, "Neg");
    lastProgressText_ = text;
  }
  if (done < total) pump_.ProcessPendingEvents();
}

void ProgressBar::ResetProgress() {
  operationTitle_.clear();
  ShowProgress(0, 1);
}

}  // namespace tamarack
