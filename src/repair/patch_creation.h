#pragma once

#include "core/operation_context.h"

namespace tamarack {

// The Create Patch command: the units that the Patch Codes view names are
// copied from the selected file into a ".tkp" patch file beside it.
class PatchCreation {
 public:
  explicit PatchCreation(OperationContext& context);

  void CreatePatch();

 private:
  OperationContext& context_;
};

}  // namespace tamarack
