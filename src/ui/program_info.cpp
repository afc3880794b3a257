#include "ui/program_info.h"

#include "ui/buttons.h"
#include "ui/program_strings.h"

namespace tamarack {

void OpenProgramLink(Dialogs& dialogs, Shell& shell, int id) {
  std::string address;
  std::string question;
  // What the user can copy when the desktop cannot open the address.
  std::string shown;
  if (id == FeedbackButton) {
    shown = ProgramText(ProgramString::EmailAddress);
    address = "mailto:" + shown + "?subject=";
    question = "Email writing requires an email program to start.\r\nStart the email program?";
  } else {
    address = ProgramText(ProgramString::WebAddress);
    shown = address;
    question = "Visiting the website requires internet access.\r\nVisit the website?";
  }
  if (dialogs.ShowMessage(MessageKind::Confirmation, question) != PromptResult::Yes) return;
  // The shell takes at most 255 characters of the address.
  if (address.size() > 255) address.resize(255);
  if (!shell.OpenAddress(address)) {
    dialogs.ShowMessage(
        MessageKind::Error,
        std::string("No program could be started for this address:") + LineBreak + shown);
  }
}

std::string VersionBoxText() {
  std::string text = ProgramText(ProgramString::ProductName) + LineBreak;
  text += LineBreak;
  text += "Version: \t" + ProgramText(ProgramString::Version) + LineBreak;
  text += "Released:\t" + ProgramText(ProgramString::ReleaseDate) + LineBreak;
  text += "Web:\t\t" + ProgramText(ProgramString::WebAddress) + LineBreak;
  text += "Email:\t\t" + ProgramText(ProgramString::EmailAddress);
  return text;
}

void ShowVersionBox(Dialogs& dialogs) {
  dialogs.ShowMessage(MessageKind::Information, VersionBoxText());
}

}  // namespace tamarack
