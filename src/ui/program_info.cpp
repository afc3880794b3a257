#include "ui/program_info.h"

#include "core/program_strings.h"
#include "ui/buttons.h"
#include "ui/user_guide.h"

namespace tamarack {

void OpenProgramLink(Dialogs& dialogs, Shell& shell, int id, const std::string& guideAddress) {
  std::string address = guideAddress;
  std::string question;
  if (id == FeedbackButton) {
    address += std::string("#") + ProblemsAnchor;
    question = "The user guide tells how to report a problem.\r\nOpen the user guide?";
  } else {
    question = "The user guide opens in the web browser.\r\nOpen the user guide?";
  }
  if (dialogs.ShowMessage(MessageKind::Confirmation, question) != PromptResult::Yes) return;
  if (!shell.OpenAddress(address)) {
    dialogs.ShowMessage(
        MessageKind::Error,
        std::string("No program could be started for this address:") + LineBreak + address);
  }
}

std::string VersionBoxText(const std::string& guideAddress) {
  std::string text = ProgramText(ProgramString::ProductName) + LineBreak;
  text += LineBreak;
  text += "Version: \t" + ProgramText(ProgramString::Version) + LineBreak;
  text += "Released:\t" + ProgramText(ProgramString::ReleaseDate) + LineBreak;
  text += "Guide:\t\t" + guideAddress;
  return text;
}

void ShowVersionBox(Dialogs& dialogs, const std::string& guideAddress) {
  dialogs.ShowMessage(MessageKind::Information, VersionBoxText(guideAddress));
}

}  // namespace tamarack
