#include "ui/file_selection.h"

#include "core/selected_file.h"

namespace tamarack {

FileSelection::FileSelection(FileSystem& files, Dialogs& dialogs, OperationControl& control,
                             Buttons& buttons, Views& views, BlockGrid& grid)
    : files_(files),
      dialogs_(dialogs),
      control_(control),
      buttons_(buttons),
      views_(views),
      grid_(grid) {}

std::string FileSelection::ChooseFile(const std::string& what, const std::string& description,
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

void FileSelection::SelectFile() {
  const std::string path = ChooseFile("AVI", "AVI video", "avi", RecentDocuments::Add);
  if (!path.empty()) SelectPath(path);
}

void FileSelection::SelectGivenFile(const std::string& path) {
  if (HasFile()) ClearFile();
  if (path.empty() || !files_.Exists(path)) {
    control_.ShowAccessError(FileRole::Selected);
    return;
  }
  SelectPath(path);
}

bool FileSelection::SelectPath(const std::string& path) {
  selectedFileName_ = path;
  // A reference or a patch usually lies beside the file, and the next file
  // to select often does too.
  lastFolder_ = path.substr(0, path.find_last_of('/') + 1);
  buttons_.DrawButton(SelectClearButton, ButtonState::Up);
  buttons_.DrawOperationButtons(ButtonState::Up);
  views_.ShowView(View::Information);
  return ShowFileInformation();
}

void FileSelection::ClearFile() {
  selectedFileName_.clear();
  buttons_.DrawButton(SelectClearButton, ButtonState::Up);
  views_.ShowView(View::Information);
  views_.SetViewText("<No AVI video file selected>");
  buttons_.DrawOperationButtons(ButtonState::Disabled);
  grid_.DrawGrid();
}

bool FileSelection::ShowFileInformation() {
  const FileInformation information = ReadFileInformation(control_, files_, selectedFileName_);
  NoteFileSize(information.Size);
  information_ = information.Text;
  views_.SetViewText(information_);
  return information.Complete;
}

}  // namespace tamarack
