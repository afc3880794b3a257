#pragma once

#include "core/operation_context.h"

namespace tamarack {

// The Create Backup command: an exact copy of the selected file named with
// "BACKUP." in front, in the same folder.
class Backup {
 public:
  explicit Backup(OperationContext& context);

  void CreateBackup();

 private:
  OperationContext& context_;
};

}  // namespace tamarack
