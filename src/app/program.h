#pragma once

#include "app/operations.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/font_backend.h"
#include "platform/shell.h"
#include "platform/surface.h"
#include "platform/text_view.h"
#include "platform/window_host.h"
#include "ui/block_grid.h"
#include "ui/buttons.h"
#include "ui/file_selection.h"
#include "ui/keyboard.h"
#include "ui/pointer.h"
#include "ui/progress_bar.h"
#include "ui/views.h"
#include "ui/window_operations.h"

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
  // dialogs, the patch codes come from the Patch Codes view; what it found
  // is in LastFindings().
  OperationResult Run(Operation operation);
  // The window's close handler; false refuses the close.
  bool DoExitProgram() { return Runner.DoExitProgram(); }
  // What the next analyses prove besides the scan; nothing by default.
  void UseProof(ProofRequest proof) { proof_ = std::move(proof); }
  // The references of the next Repair with Reference, in order, in place
  // of the file dialog; the run takes them and the dialog asks again after.
  void UseReferences(std::vector<std::string> paths) { references_ = std::move(paths); }
  // What the last operation of each kind found.
  const OperationFindings& LastFindings() const { return findings_; }

  PlatformServices Platform;
  Surface Bitmap;
  Buttons ButtonPanel;
  Views ViewArea;
  ProgressBar Progress;
  BlockGrid Grid;
  // The window's observer comes before the runner that reports to it; it
  // uses the runner and the selection only once an operation runs.
  WindowOperations Runner;
  OperationControl Control;
  FileSelection Selected;
  PointerHandler Pointer;
  KeyboardControl Keys;

 private:
  // Runs the steps of the operation on the selected file, with what the
  // window holds for it.
  void RunSteps(Operation operation);

  ProofRequest proof_;
  std::vector<std::string> references_;
  OperationFindings findings_;
};

}  // namespace tamarack
