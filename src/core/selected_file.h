#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>

#include "core/block_grid.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"
#include "platform/dialogs.h"
#include "ui/buttons.h"
#include "ui/views.h"

namespace tamarack {

// Smaller files are refused. Sizes and positions are signed 64-bit, so there
// is no upper limit beyond the file system's.
constexpr int64_t MinFileSize = 1024;

enum class RecentDocuments { Skip, Add };

// How an operation opens the selected file: the operations that only read it
// open it read-only, so that a file without write permission or on a
// read-only mount can still be described, analysed and copied; the repairs
// need to write.
enum class FileAccess { ReadOnly, ReadWrite };

// The one AVI file that every operation works on, the open-file dialog, and
// the Information view that describes the file.
class SelectedFile {
 public:
  SelectedFile(FileSystem& files, Dialogs& dialogs, OperationControl& control, Buttons& buttons,
               Views& views, BlockGrid& grid);

  // Runs the open-file dialog titled "Select <what> File" with a filter for
  // the extension first; returns the chosen path, or empty when cancelled.
  std::string ChooseFile(const std::string& what, const std::string& description,
                         const std::string& extension,
                         RecentDocuments recent = RecentDocuments::Skip);

  void SelectFile();
  // Selects the file at the path as a choice in the open-file dialog does:
  // the Information view describes it and the operation buttons come up.
  // Returns false when the file cannot be used (the message has been shown);
  // it stays selected by name, as after the dialog.
  bool SelectPath(const std::string& path);
  // The text of the Information view for the selected file.
  const std::string& Information() const { return information_; }
  // Selects a path that did not come from the dialog (named at start or
  // dropped onto the window) through SelectPath. A path that names nothing,
  // which the dialog cannot return, gives the access message and selects
  // nothing; a file already selected is cleared first.
  void SelectGivenFile(const std::string& path);
  void ClearFile();
  bool HasFile() const { return !selectedFileName_.empty(); }
  // The path of the selected file, empty when none is.
  const std::string& SelectedFileName() const { return selectedFileName_; }
  // The size taken when the file was opened last.
  int64_t SelectedFileSize() const { return selectedFileSize_; }

  // Opens the selected file with the access given and takes its size.
  // Success is told by the busy flag, which the caller sets or holds before
  // the call: after a failure the message has been shown, the flag is clear
  // and the file is not open.
  void OpenSelectedFile(FileAccess access);
  // Closes the file when it is open. A failed close ends a running
  // operation with a message.
  void CloseSelectedFile();
  bool IsOpen() const { return file_ != nullptr; }
  // The open file; only while IsOpen().
  ByteFile& File() {
    assert(file_ != nullptr);
    return *file_;
  }

  // The codec codes at offsets 112 and 188 of the open file, "xxxx-yyyy".
  std::string ReadFourCC();
  // Reads the file's size and codec codes into the Information view; false
  // when that failed (the message has been shown).
  bool ShowFileInformation();

 private:
  std::string selectedFileName_;
  // The folder of the file selected last, where the file dialogs open.
  std::string lastFolder_;
  int64_t selectedFileSize_ = 0;
  std::unique_ptr<ByteFile> file_;
  FileSystem& files_;
  Dialogs& dialogs_;
  OperationControl& control_;
  Buttons& buttons_;
  Views& views_;
  BlockGrid& grid_;
  std::string information_;
};

}  // namespace tamarack
