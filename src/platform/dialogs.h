#pragma once

#include <string>
#include <vector>

namespace tamarack {

enum class MessageKind { Error, Information, Confirmation };

// The button that closed a modal message. Confirmations give Yes or No (or
// None when closed otherwise); the other kinds give Ok.
enum class PromptResult { Ok, Yes, No, None };

// The answer of a confirmation that Return (or an empty answer) gives. No is
// for the questions whose Yes cannot be undone: deleting or overwriting a
// file.
enum class DefaultAnswer { Yes, No };

struct FileFilter {
  std::string Label;    // "AVI video files (*.avi)"
  std::string Pattern;  // "*.avi"
};

struct OpenFileRequest {
  std::string Title;
  // The folder the dialog opens in; when empty, the folder of the file
  // chosen in it last.
  std::string Folder;
  std::vector<FileFilter> Filters;
  std::string DefaultExtension;
  bool FileMustExist = true;
  bool HideReadOnly = true;
  bool Resizable = true;
  bool AddToRecentDocuments = false;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Shows a modal message and returns when the user has closed it. The
  // default answer matters only for a confirmation.
  virtual PromptResult ShowMessage(MessageKind kind, const std::string& text,
                                   DefaultAnswer answer = DefaultAnswer::Yes) = 0;
  // Runs the modal open-file dialog; returns the chosen path, or empty.
  virtual std::string ChooseOpenFile(const OpenFileRequest& request) = 0;
};

}  // namespace tamarack
