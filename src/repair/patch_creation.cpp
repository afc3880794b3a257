#include "repair/patch_creation.h"

namespace tamarack {

PatchCreation::PatchCreation(OperationContext& context) : context_(context) {}

// Not built yet: the operation does nothing, and the runner ends it as a stop.
void PatchCreation::CreatePatch() { context_.Control.Busy = false; }

}  // namespace tamarack
