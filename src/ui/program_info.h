#pragma once

#include "platform/dialogs.h"
#include "platform/shell.h"

namespace tamarack {

// Feedback (11) and Website (12): asks, and on Yes hands the program's
// mailto: or web address to the desktop. When the desktop cannot open it, a
// message shows the e-mail or web address for the user to copy.
void OpenProgramLink(Dialogs& dialogs, Shell& shell, int id);

// The version box text: product name, version, release date, addresses.
std::string VersionBoxText();
void ShowVersionBox(Dialogs& dialogs);

}  // namespace tamarack
