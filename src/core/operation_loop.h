#pragma once

#include <cstdint>
#include <string>

#include "core/operation_context.h"

namespace tamarack {

// Whether an operation paints map cells as it goes.
enum class MapCells { Painted, None };

// The frame that every operation's loop over a file shares: the title on the
// progress bar and the bar at 0 %, the map marked as no longer clean when
// cells will be painted, the progress timer; then the stop test and the
// progress after each block or region; and 100 % at the end.
class OperationLoop {
 public:
  OperationLoop(OperationContext& context, const std::string& title, MapCells cells);

  // True while the operation may go on: the busy flag, which a stop or an
  // error clears.
  bool Going() const { return context_.Control.Busy(); }
  // After a block: shows the progress when its timer is due, at most every
  // 500 ms; the window handles its events there.
  void BlockDone(int64_t done, int64_t total);
  // After a region of the patch operations: shows the progress at once, so
  // that a stop comes in between two regions.
  void RegionDone(int done, int total);
  // The operation reached its end: the bar shows 100 %.
  void Complete();

 private:
  OperationContext& context_;
};

}  // namespace tamarack
