#include "repair/backup.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "core/paths.h"
#include "repair/file_blocks.h"

namespace tamarack {

Backup::Backup(OperationContext& context) : context_(context) {}

void Backup::CreateBackup() {
  OperationControl& control = context_.Control;
  // A stop confirmed while the runner showed "Initializing" opens nothing.
  if (!control.Busy) return;
  context_.Selected.OpenSelectedFile();
  if (!control.Busy) return;
  BackupRecord backup;
  PrepareBackup(backup);
  if (control.Busy) CopyToBackup(backup);
  context_.Selected.CloseSelectedFile();
}

void Backup::PrepareBackup(BackupRecord& backup) {
  OperationControl& control = context_.Control;
  FileSystem& files = context_.Files;
  backup.BackupPath = PrefixFileName(context_.Selected.SelectedFileName, "BACKUP.");
  if (files.Exists(backup.BackupPath)) {
    const PromptResult answer =
        control.ShowPrompt(MessageKind::Confirmation,
                           "A Backup file for the Selected file already exists.\r\nOverwrite \"" +
                               backup.BackupPath + "\"?",
                           DefaultAnswer::No);
    if (answer == PromptResult::No) {
      control.Busy = false;
      return;
    }
    // A deletion that fails is reported by the creation below. Deleting
    // first lets the old backup's space count as free.
    files.Delete(backup.BackupPath);
  }
  if (!HasFreeSpace(files, backup.BackupPath, context_.Selected.SelectedFileSize)) {
    control.ShowError("Insufficient space to create Backup file.");
    return;
  }
  // A backup name that still reaches the selected file itself through a link
  // (its deletion failed) would truncate the video when the copy is created.
  if (files.SameFile(backup.BackupPath, context_.Selected.SelectedFileName)) {
    control.ShowError("The Selected file and the Backup file\r\nare the same file.");
    return;
  }
  backup.BackupFile = files.Create(backup.BackupPath);
  if (!backup.BackupFile) control.ShowAccessError(FileRole::Backup);
}

void Backup::CopyToBackup(BackupRecord& backup) {
  OperationControl& control = context_.Control;
  ProgressBar& progress = context_.Progress;
  ByteFile& selectedFile = *context_.Selected.File;
  const int32_t size = context_.Selected.SelectedFileSize;

  progress.OperationTitle = "Creating Backup";
  progress.ShowProgress(0, 1);
  context_.Grid.GridClean = false;
  BackupCopyState state;
  progress.StartProgressTimer();
  const int32_t cellSize = MapCellSize(size);
  int32_t pending = 0;
  int32_t copied = 0;

  std::vector<uint8_t> block(FileBlockSize);
  // The copy reads only as far as the size the file had when it was opened;
  // a file that another program shortens meanwhile ends it with a message
  // instead of leaving it waiting for bytes that never come.
  while (control.Busy && copied < size) {
    const int32_t count = std::min(FileBlockSize, size - copied);
    const ByteFile::CopyResult copy = selectedFile.CopyTo(*backup.BackupFile, block.data(), count);
    if (copy.Read != count) {
      control.ShowFault(FileRole::Selected,
                        copy.Read < 0 ? FileFault::Read : FileFault::SizeChanged);
      break;
    }
    if (!copy.Written) control.ShowError("The Backup file cannot be written to (no space?).");
    copied += count;
    pending += count;
    for (; pending >= cellSize; pending -= cellSize) PaintBackupCell(state);
    if (progress.ProgressTimerDue()) progress.ShowProgress(copied, size);
  }
  // A close that fails may have lost written data, so the copy then counts
  // as failed and is removed like any other incomplete one.
  const bool closed = backup.BackupFile->Close();
  backup.BackupFile.reset();
  if (!closed && control.Busy) control.ShowFault(FileRole::Backup, FileFault::Close);
  if (pending > 0) PaintBackupCell(state);
  if (!control.Busy) {
    context_.Files.Delete(backup.BackupPath);
    return;
  }
  progress.ShowProgress(1, 1);
  control.ShowPrompt(MessageKind::Information,
                     "The Backup file \"" + backup.BackupPath + "\" has been created.");
  context_.Grid.DrawGrid();
  context_.ViewArea.ShowView(View::Information);
}

void Backup::PaintBackupCell(BackupCopyState& state) {
  assert(state.CellNumber < CellCount);
  ++state.CellNumber;
  context_.Grid.PaintCell(state.CellNumber, Blue);
}

}  // namespace tamarack
