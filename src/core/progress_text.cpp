#include "core/progress_text.h"

#include <cassert>

namespace tamarack {

double ProgressShare(double done, double total) {
  assert(total > 0);
  const double r = done / total;
  if (!(r > 0)) return 0;
  return r > 1 ? 1 : r;
}

std::string ProgressText(const std::string& title, double done, double total) {
  if (title.empty()) return "";
  return title + " - " + std::to_string(static_cast<int>(ProgressShare(done, total) * 100)) + "%";
}

// The difference is taken in 32 bits and read as signed, so the comparison
// holds across the wrap of the millisecond counter.
bool ProgressPacer::Due() {
  const auto late = static_cast<int32_t>(clock_.Milliseconds() - next_);
  if (late <= 0) return false;
  Start();
  return true;
}

}  // namespace tamarack
