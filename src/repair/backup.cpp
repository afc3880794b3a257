#include "repair/backup.h"

#include <algorithm>

#include "core/cell_counter.h"
#include "core/operation_loop.h"
#include "core/paths.h"
#include "repair/file_blocks.h"

namespace tamarack {

Backup::Backup(OperationContext& context) : context_(context) {}

void Backup::CreateBackup() {
  OperationControl& control = context_.Control;
  // A stop confirmed while the runner showed "Initializing" opens nothing.
  if (!control.Busy()) return;
  context_.Selected.OpenSelectedFile(FileAccess::ReadOnly);
  if (!control.Busy()) return;
  BackupRecord backup;
  PrepareBackup(backup);
  if (control.Busy()) CopyToBackup(backup);
  context_.Selected.CloseSelectedFile();
}

void Backup::PrepareBackup(BackupRecord& backup) {
  OperationControl& control = context_.Control;
  FileSystem& files = context_.Files;
  backup.BackupPath = PrefixFileName(context_.Selected.SelectedFileName(), "BACKUP.");
  if (files.NameTooLong(backup.BackupPath)) {
    control.ShowFault(FileRole::Backup, FileFault::NameTooLong);
    return;
  }
  if (files.Exists(backup.BackupPath)) {
    const PromptResult answer =
        control.Ask(Question::OverwriteBackup,
                    "A Backup file for the Selected file already exists.\r\nOverwrite \"" +
                        backup.BackupPath + "\"?",
                    DefaultAnswer::No);
    if (answer == PromptResult::No) {
      control.Decline();
      return;
    }
  }
  // The old backup is replaced only once the new one is complete, so the
  // space it holds does not count as free.
  if (!HasFreeSpace(files, backup.BackupPath, context_.Selected.SelectedFileSize())) {
    control.ShowError("Insufficient space to create Backup file.");
    return;
  }
  if (files.SameFile(backup.BackupPath, context_.Selected.SelectedFileName())) {
    control.ShowError("The Selected file and the Backup file\r\nare the same file.");
    return;
  }
  backup.BackupFile = files.CreateOutput(backup.BackupPath);
  if (!backup.BackupFile) control.ShowAccessError(FileRole::Backup);
}

void Backup::CopyToBackup(BackupRecord& backup) {
  OperationControl& control = context_.Control;
  const int64_t size = context_.Selected.SelectedFileSize();

  OperationLoop loop(context_.Control, "Creating Backup", MapCells::Painted);
  CellCounter cells;
  cells.Start(size, Blue, Blue);
  // The copy reads only as far as the size the file had when it was opened;
  // a file that another program shortens meanwhile ends it with a message
  // instead of leaving it waiting for bytes that never come, and one that
  // grew is no copy of the file as it is.
  BlockSource blocks(control, context_.Selected.File(), FileRole::Selected, size, FileBlockSize);
  while (loop.Going() && !blocks.AtEnd()) {
    const BlockSource::Copy copy = blocks.CopyNextBlock(*backup.BackupFile);
    if (copy.Count == 0) break;
    if (!copy.Written) {
      control.ShowError("The Backup file cannot be written to (no space?).");
      break;
    }
    cells.Add(copy.Count, false, context_.Control.Observer());
    loop.BlockDone(blocks.Position(), size);
  }
  if (loop.Going()) blocks.SizeHeld();
  cells.Finish(context_.Control.Observer());
  // The copy takes its name only when it is complete and on the disk; a
  // stopped or failed one is discarded and an old backup stays as it was.
  if (control.Busy() && !backup.BackupFile->Commit()) {
    control.ShowFault(FileRole::Backup, FileFault::Write);
  }
  backup.BackupFile.reset();
  if (!control.Busy()) return;
  loop.Complete();
  control.NoteFileWritten(backup.BackupPath);
  control.ShowMessage(MessageKind::Information,
                      "The Backup file \"" + backup.BackupPath + "\" has been created.");
  context_.Control.Observer().Reached(Milestone::BackupCreated);
}

}  // namespace tamarack
