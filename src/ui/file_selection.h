#pragma once

#include <cstdint>
#include <string>

#include "core/operation_control.h"
#include "platform/byte_file.h"
#include "platform/dialogs.h"
#include "ui/block_grid.h"
#include "ui/buttons.h"
#include "ui/views.h"

namespace tamarack {

enum class RecentDocuments { Skip, Add };

// The file selected in the window, the open-file dialog, and the
// Information view that describes the file.
class FileSelection {
 public:
  FileSelection(FileSystem& files, Dialogs& dialogs, OperationControl& control, Buttons& buttons,
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
  // The size taken when the file was opened last, at its selection or by
  // an operation.
  int64_t SelectedFileSize() const { return selectedFileSize_; }
  // An operation opened the file and took its size (-1: it could not).
  void NoteFileSize(int64_t size) {
    if (size >= 0) selectedFileSize_ = size;
  }

  // Reads the file's size and codec codes into the Information view; false
  // when that failed (the message has been shown).
  bool ShowFileInformation();

 private:
  std::string selectedFileName_;
  // The folder of the file selected last, where the file dialogs open.
  std::string lastFolder_;
  int64_t selectedFileSize_ = 0;
  FileSystem& files_;
  Dialogs& dialogs_;
  OperationControl& control_;
  Buttons& buttons_;
  Views& views_;
  BlockGrid& grid_;
  std::string information_;
};

}  // namespace tamarack
