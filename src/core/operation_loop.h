#pragma once

#include <cstdint>
#include <string>

#include "core/operation_control.h"

namespace tamarack {

// The frame that every operation's loop over a file shares: the title at
// 0 %, the map marked as no longer clean when cells will be painted; then
// the stop test and the progress after each block or region; and 100 % at
// the end.
class OperationLoop {
 public:
  OperationLoop(OperationControl& control, const std::string& title, MapCells cells);

  // True while the operation may go on: the busy flag, which a stop or an
  // error clears.
  bool Going() const { return control_.Busy(); }
  // After a block: the progress, which the front end shows at its pace.
  void BlockDone(int64_t done, int64_t total);
  // After a region of the patch operations: the progress, shown at once, so
  // that a stop comes in between two regions.
  void RegionDone(int done, int total);
  // The operation reached its end: 100 %.
  void Complete();

 private:
  OperationControl& control_;
};

}  // namespace tamarack
