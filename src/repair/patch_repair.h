#pragma once

#include "core/operation_context.h"

namespace tamarack {

// The Repair with Patch command: a patch file fills the zero bytes of the
// units that it carries.
class PatchRepair {
 public:
  explicit PatchRepair(OperationContext& context);

  void RepairWithPatch();

 private:
  OperationContext& context_;
};

}  // namespace tamarack
