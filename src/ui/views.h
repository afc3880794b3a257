#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/text_view.h"
#include "ui/buttons.h"

namespace tamarack {

enum class View { Information = 1, Analysis = 2, PatchCodes = 3, Help = 4 };

// The four views of the view area. Information, Patch Codes and Help are
// texts in the one text control, each kept in its store while another view
// shows; Analysis hides the control so the map and progress bar show.
class Views {
 public:
  Views(TextView& memo, Buttons& buttons);

  // Puts the text into the control followed by one line break, caret at the
  // start, focus on the control.
  void SetViewText(const std::string& text);
  void ShowView(View v);

  View CurrentView() const { return current_; }
  // Sets the current view without showing it (window initialisation).
  void SetCurrentView(View v) { current_ = v; }

  // The store of a text view; Analysis has none and maps to Help's store.
  std::string& Store(View v);
  void ClearStores();

  // The control's displayed lines joined by CR LF, a last empty line left out.
  std::string DisplayedText();
  // The lines of the control as it shows them: a wrapped line counts as several.
  std::vector<std::string> DisplayedLines() { return memo_.DisplayedLines(); }

 private:
  TextView& memo_;
  Buttons& buttons_;
  View current_ = View::Help;
  std::array<std::string, 3> stores_;
};

}  // namespace tamarack
