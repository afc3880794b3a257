#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/operation_context.h"
#include "platform/byte_file.h"

namespace tamarack {

// The copy being made, held for the duration of the command.
struct BackupRecord {
  std::string BackupPath;
  std::unique_ptr<OutputFile> BackupFile;
};

// The Create Backup command: an exact copy of the selected file named with
// "BACKUP." in front, in the same folder.
class Backup {
 public:
  explicit Backup(OperationContext& context);

  void CreateBackup();

  // Names the backup file, settles an existing one with the user, checks the
  // free space and creates the file. On failure or refusal the busy flag is
  // clear and no backup file is open.
  void PrepareBackup(BackupRecord& backup);
  // Copies the selected file into the backup block by block, painting the
  // map blue. A copy that does not reach its end leaves no file behind.
  void CopyToBackup(BackupRecord& backup);

 private:
  OperationContext& context_;
};

}  // namespace tamarack
