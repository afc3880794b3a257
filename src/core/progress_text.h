#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace tamarack {

// The share of done in total (positive), kept within 0 and 1, so that a
// caller that overshoots shows 100 % at most.
double ProgressShare(double done, double total);

// "<title> - <P>%", the text of the progress; empty for an empty title.
std::string ProgressText(const std::string& title, double done, double total);

// Progress after a block is shown at most this often, in milliseconds.
constexpr uint32_t ProgressInterval = 500;

// The pace of the progress shown after each block: a deadline on a
// millisecond clock, re-armed whenever it has passed.
class ProgressPacer {
 public:
  explicit ProgressPacer(Clock& clock) : clock_(clock) {}
  void Start() { next_ = clock_.Milliseconds() + ProgressInterval; }
  // True, and re-armed, once the deadline has passed.
  bool Due();
  uint32_t Next() const { return next_; }

 private:
  Clock& clock_;
  uint32_t next_ = 0;
};

}  // namespace tamarack
