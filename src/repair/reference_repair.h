#pragma once

#include "core/operation_context.h"

namespace tamarack {

// The Repair with Reference command: every zero byte of the selected file
// takes the byte of a second download at the same offset when that is not
// zero.
class ReferenceRepair {
 public:
  explicit ReferenceRepair(OperationContext& context);

  void RepairWithReference();

 private:
  OperationContext& context_;
};

}  // namespace tamarack
