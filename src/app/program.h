#pragma once

#include "analysis/analyze.h"
#include "core/block_grid.h"
#include "core/operation_context.h"
#include "core/operation_control.h"
#include "core/progress_bar.h"
#include "core/selected_file.h"
#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/font_backend.h"
#include "platform/shell.h"
#include "platform/surface.h"
#include "platform/text_view.h"
#include "platform/window_host.h"
#include "repair/backup.h"
#include "repair/patch_creation.h"
#include "repair/patch_repair.h"
#include "repair/reference_repair.h"
#include "ui/buttons.h"
#include "ui/keyboard.h"
#include "ui/pointer.h"
#include "ui/views.h"

namespace tamarack {

// What a front end supplies: its implementations of the platform interfaces.
struct PlatformServices {
  FontBackend& Fonts;
  TextView& Memo;
  Dialogs& Messages;
  EventPump& Pump;
  Clock& Timer;
  Shell& Desktop;
  WindowHost& Window;
  FileSystem& Files;
  // Device pixels for each logical pixel of the window bitmap.
  double DeviceScale = 1.0;
  // The file: address of the installed user guide, which Website and
  // Feedback open.
  std::string UserGuideAddress = {};
};

// The five file operations.
enum class Operation { Analyze, CreateBackup, CreatePatch, RepairWithReference, RepairWithPatch };
// The button whose command runs the operation.
int OperationButton(Operation operation);

// The whole program: every subsystem, constructed in dependency order, and
// the command dispatch from button ids to what they run.
class Program {
 public:
  explicit Program(PlatformServices platform);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The window's first activation: paints the window, draws the buttons,
  // shows the Information view and clears the selection.
  void DoInit();
  // Selects a file named at start or dropped onto the window as Select
  // does with a chosen one; refused (false) while an operation runs.
  bool SelectGivenFile(const std::string& path);
  // Takes a file dropped onto the window: a .torrent while a file is
  // selected is the torrent to check it against; anything else is selected.
  // Refused (false) while an operation runs.
  bool TakeDroppedFile(const std::string& path);
  // Takes the .torrent at the path for the selected file: the next analyses
  // check its pieces too, and Repair with Reference repairs and proves the
  // file piece by piece, until the selection is cleared. A torrent that
  // cannot be read or does not describe the file gives an error message and
  // is not taken (false).
  bool UseTorrent(const std::string& path);
  // Forgets the torrent: the operations work as without one.
  void ForgetTorrent();
  // Runs the command of a button, 1 to 16.
  void RunCommand(int command);
  // Runs an operation as its button does and returns how it ended. What the
  // operation asks (a file to use, a question) goes to the platform's
  // dialogs, the patch codes come from the Patch Codes view; Analyze leaves
  // what it found in Analysis.LastResult().
  OperationResult Run(Operation operation);
  // The window's close handler; false refuses the close.
  bool DoExitProgram() { return Control.DoExitProgram(); }

  PlatformServices Platform;
  Surface Bitmap;
  Buttons ButtonPanel;
  Views ViewArea;
  ProgressBar Progress;
  BlockGrid Grid;
  OperationControl Control;
  SelectedFile Selected;
  PointerHandler Pointer;
  KeyboardControl Keys;
  OperationContext Context;
  Analyzer Analysis;
  Backup BackupCopy;
  PatchCreation PatchMaker;
  ReferenceRepair ReferenceMerge;
  PatchRepair PatchMerge;
};

}  // namespace tamarack
