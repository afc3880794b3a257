#include "repair/patch_repair.h"

namespace tamarack {

PatchRepair::PatchRepair(OperationContext& context) : context_(context) {}

// Not built yet: the operation does nothing, and the runner ends it as a stop.
void PatchRepair::RepairWithPatch() { context_.Control.Busy = false; }

}  // namespace tamarack
