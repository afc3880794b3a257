#pragma once

#include "platform/dialogs.h"
#include "platform/shell.h"

namespace tamarack {

// Feedback (11) and Website (12): asks, and on Yes hands the installed user
// guide's address to the desktop, for Feedback at its section on reporting
// a problem. When the desktop cannot open it, a message shows the address
// for the user to copy.
void OpenProgramLink(Dialogs& dialogs, Shell& shell, int id, const std::string& guideAddress);

// The version box text: product name, version, release date and the user
// guide's address.
std::string VersionBoxText(const std::string& guideAddress);
void ShowVersionBox(Dialogs& dialogs, const std::string& guideAddress);

}  // namespace tamarack
