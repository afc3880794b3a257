#include "repair/reference_repair.h"

namespace tamarack {

ReferenceRepair::ReferenceRepair(OperationContext& context) : context_(context) {}

// Not built yet: the operation does nothing, and the runner ends it as a stop.
void ReferenceRepair::RepairWithReference() { context_.Control.Busy = false; }

}  // namespace tamarack
