#include "ui/views.h"

#include "platform/text_lines.h"
#include "ui/help_text.h"

namespace tamarack {
namespace {

int ButtonOf(View v) { return 6 + static_cast<int>(v); }

// The text view's name for assistive technology: the view it shows.
std::string ViewName(View v) {
  switch (v) {
    case View::Information:
      return "Information view";
    case View::PatchCodes:
      return "Patch Codes view";
    default:
      return "Help view";
  }
}

}  // namespace

Views::Views(TextView& memo, Buttons& buttons) : memo_(memo), buttons_(buttons) {}

void Views::SetViewText(const std::string& text) {
  memo_.SetRedraw(false);
  memo_.SetText(text.empty() ? std::string() : text + "\r\n");
  memo_.SetCaret(0);
  memo_.SetRedraw(true);
  memo_.SetFocus();
}

std::string Views::DisplayedText() {
  std::vector<std::string> lines = memo_.DisplayedLines();
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return JoinLines(lines);
}

std::string& Views::Store(View v) {
  switch (v) {
    case View::Information:
      return stores_[0];
    case View::PatchCodes:
      return stores_[1];
    default:
      return stores_[2];
  }
}

void Views::ClearStores() {
  for (auto& store : stores_) store.clear();
}

void Views::ShowView(View v) {
  const View c = current_;
  if (v == c) return;
  buttons_.DrawButton(ButtonOf(c), ButtonState::Up);
  memo_.SetVisible(v != View::Analysis);
  if (c != View::Analysis) Store(c) = DisplayedText();
  if (v != View::Analysis) {
    SetViewText(Store(v));
    memo_.SetAccessibleName(ViewName(v));
    memo_.SetPageStarts(v == View::Help ? HelpPageStarts(memo_.DisplayedLines())
                                        : std::vector<int>());
  }
  current_ = v;
  memo_.SetReadOnly(v != View::PatchCodes);
  buttons_.DrawButton(ButtonOf(v), ButtonState::Down);
  buttons_.SetPressedButton(0);
}

}  // namespace tamarack
