#include "core/progress_bar.h"

#include <cassert>
#include <cmath>

#include "ui/drawing.h"
#include "ui/layout.h"

namespace tamarack {
namespace {

constexpr int BarUnits = 81;
constexpr uint32_t ProgressInterval = 500;

}  // namespace

ProgressBar::ProgressBar(Surface& surface, EventPump& pump, Clock& clock)
    : surface_(surface), pump_(pump), clock_(clock) {}

void ProgressBar::ShowProgress(double done, double total) {
  assert(total > 0);
  // The share done is kept within 0 to 1, so a caller that overshoots shows
  // 100% at most and the conversions below always stay in range.
  double r = done / total;
  if (!(r > 0)) r = 0;
  if (r > 1) r = 1;
  std::string text;
  if (!operationTitle_.empty()) {
    text = operationTitle_ + " - " + std::to_string(static_cast<int>(r * 100)) + "%";
  }
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

void ProgressBar::StartProgressTimer() {
  nextProgressTime_ = clock_.Milliseconds() + ProgressInterval;
}

// The difference is taken in 32 bits and read as signed, so the comparison
// holds across the wrap of the millisecond counter.
bool ProgressBar::ProgressTimerDue() {
  const auto late = static_cast<int32_t>(clock_.Milliseconds() - nextProgressTime_);
  if (late <= 0) return false;
  StartProgressTimer();
  return true;
}

}  // namespace tamarack
