#include "core/selected_file.h"

#include "core/paths.h"
#include "core/size_text.h"

namespace tamarack {

void SelectedFile::OpenSelectedFile(FileAccess access) {
  file_ = access == FileAccess::ReadOnly ? files_.OpenReadOnly(path_) : files_.OpenExisting(path_);
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
  size_ = size;
  if (size_ < MinFileSize) {
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

FileInformation ReadFileInformation(OperationControl& control, FileSystem& files,
                                    const std::string& path) {
  FileInformation information;
  information.Text = "Selected Filename:\r\n   " + PrefixFileName(path, "\r\n   ") + "\r\n\r\n";
  SelectedFile file(control, files, path);
  control.HoldBusy(true);
  file.OpenSelectedFile(FileAccess::ReadOnly);
  information.Size = file.SelectedFileSize();
  if (control.Busy()) {
    std::string size = FormatSize(information.Size);
    std::string fourCC = file.ReadFourCC();
    if (control.Busy()) {
      information.Text += "Size:\r\n   " + size + "\r\n\r\n";
      information.Text += "FourCC:\r\n   " + fourCC;
    }
    file.CloseSelectedFile();
    information.Complete = control.Busy();
    control.HoldBusy(false);
  }
  return information;
}

}  // namespace tamarack
