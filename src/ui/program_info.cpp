#include "ui/program_info.h"

#include "ui/buttons.h"
#include "ui/program_strings.h"

namespace tamarack {

void OpenProgramLink(Dialogs& dialogs, Shell& shell, int id) {
  std::string address;
  std::string question;
  if (id == FeedbackButton) {
    address = "mailto:" + ProgramText(ProgramString::EmailAddress) + "?subject=";
    question = "Email writing requires an email program to start.\r\nStart the email program?";
  } else {
    address = ProgramText(ProgramString::WebAddress);
    question = "Visiting the website requires internet access.\r\nVisit the website?";
  }
  if (dialogs.ShowMessage(MessageKind::Confirmation, question) != PromptResult::Yes) return;
  // The shell takes at most 255 characters of the address.
  if (address.size() > 255) address.resize(255);
  shell.OpenAddress(address);
}

std::string VersionBoxText() {
  return ProgramText(ProgramString::ProductName) + "\r\n\r\n" +
         "Version: \t" + ProgramText(ProgramString::Version) + "\r\n" +
         "Released:\t" + ProgramText(ProgramString::ReleaseDate) + "\r\n" +
         "Web:\t\t" + ProgramText(ProgramString::WebAddress) + "\r\n" +
         "Email:\t\t" + ProgramText(ProgramString::EmailAddress);
}

void ShowVersionBox(Dialogs& dialogs) {
  dialogs.ShowMessage(MessageKind::Information, VersionBoxText());
}

}  // namespace tamarack
