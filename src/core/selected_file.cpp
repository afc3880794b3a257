#include "core/selected_file.h"

#include "core/paths.h"
#include "core/size_text.h"

namespace tamarack {

SelectedFile::SelectedFile(FileSystem& files, Dialogs& dialogs, OperationControl& control,
                           Buttons& buttons, Views& views, BlockGrid& grid)
    : files_(files),
      dialogs_(dialogs),
      control_(control),
      buttons_(buttons),
      views_(views),
      grid_(grid) {}

std::string SelectedFile::ChooseFile(const std::string& what, const std::string& description,
                                     const std::string& extension, RecentDocuments recent) {
  OpenFileRequest request;
  request.Title = "Select " + what + " File";
  request.DefaultExtension = extension;
  request.Filters = {{description + " files (*." + extension + ")", "*." + extension},
                     {"All files", "*.*"}};
  request.AddToRecentDocuments = recent == RecentDocuments::Add;
  request.Folder = lastFolder_;
  return dialogs_.ChooseOpenFile(request);
}

void SelectedFile::SelectFile() {
  const std::string path = ChooseFile("AVI", "AVI video", "avi", RecentDocuments::Add);
  if (!path.empty()) SelectPath(path);
}

void SelectedFile::SelectGivenFile(const std::string& path) {
  if (HasFile()) ClearFile();
  if (path.empty() || !files_.Exists(path)) {
    control_.ShowAccessError(FileRole::Selected);
    return;
  }
  SelectPath(path);
}

bool SelectedFile::SelectPath(const std::string& path) {
  selectedFileName_ = path;
  // A reference or a patch usually lies beside the file, and the next file
  // to select often does too.
  lastFolder_ = path.substr(0, path.find_last_of('/') + 1);
  buttons_.DrawButton(SelectClearButton, ButtonState::Up);
  buttons_.DrawOperationButtons(ButtonState::Up);
  views_.ShowView(View::Information);
  return ShowFileInformation();
}

void SelectedFile::ClearFile() {
  selectedFileName_.clear();
  buttons_.DrawButton(SelectClearButton, ButtonState::Up);
  views_.ShowView(View::Information);
  views_.SetViewText("<No AVI video file selected>");
  buttons_.DrawOperationButtons(ButtonState::Disabled);
  grid_.DrawGrid();
}

void SelectedFile::OpenSelectedFile(FileAccess access) {
  file_ = access == FileAccess::ReadOnly ? files_.OpenReadOnly(selectedFileName_)
                                         : files_.OpenExisting(selectedFileName_);
  if (!file_) {
    control_.ShowAccessError(FileRole::Selected);
    return;
  }
  const int64_t size = file_->Size();
  if (size < 0) {
    file_.reset();
    control_.ShowFault(FileRole::Selected, FileFault::Read);
    return;
  }
  selectedFileSize_ = size;
  if (selectedFileSize_ < MinFileSize) {
    control_.ShowError("The Selected file must be at least 1Kb in size.");
    file_.reset();
  }
}

void SelectedFile::CloseSelectedFile() {
  if (!file_) return;
  const bool closed = file_->Close();
  file_.reset();
  if (!closed && control_.Busy()) control_.ShowFault(FileRole::Selected, FileFault::Close);
}

std::string SelectedFile::ReadFourCC() {
  std::string text;
  for (int i = 1; i <= 2; ++i) {
    unsigned char code[4] = {0, 0, 0, 0};
    if (!file_->Seek(36 + 76 * i) || file_->Read(code, 4) < 0) {
      control_.ShowFault(FileRole::Selected, FileFault::Read);
      return "";
    }
    if (i == 2) text += "-";
    for (unsigned char b : code) {
      if (b == 0) {
        text += '0';
      } else if (b < 32) {
        text += '?';
      } else if (b < 128) {
        text += static_cast<char>(b);
      } else {
        // A byte stands for the character of that code: U+0080 to U+00FF.
        text += static_cast<char>(0xC0 | (b >> 6));
        text += static_cast<char>(0x80 | (b & 0x3F));
      }
    }
  }
  return text;
}

bool SelectedFile::ShowFileInformation() {
  std::string text =
      "Selected Filename:\r\n   " + PrefixFileName(selectedFileName_, "\r\n   ") + "\r\n\r\n";
  control_.HoldBusy(true);
  OpenSelectedFile(FileAccess::ReadOnly);
  bool complete = false;
  if (control_.Busy()) {
    std::string size = FormatSize(selectedFileSize_);
    std::string fourCC = ReadFourCC();
    if (control_.Busy()) {
      text += "Size:\r\n   " + size + "\r\n\r\n";
      text += "FourCC:\r\n   " + fourCC;
    }
    CloseSelectedFile();
    complete = control_.Busy();
    control_.HoldBusy(false);
  }
  information_ = text;
  views_.SetViewText(text);
  return complete;
}

}  // namespace tamarack
