#include "repair/backup.h"

namespace tamarack {

Backup::Backup(OperationContext& context) : context_(context) {}

// Not built yet: the operation does nothing, and the runner ends it as a stop.
void Backup::CreateBackup() { context_.Control.Busy = false; }

}  // namespace tamarack
