#include "ui/views.h"

#include "platform/text_lines.h"

namespace tamarack {
namespace {

int ButtonOf(View v) { return 6 + static_cast<int>(v); }

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
  if (v != View::Analysis) SetViewText(Store(v));
  current_ = v;
  memo_.SetReadOnly(v != View::PatchCodes);
  buttons_.DrawButton(ButtonOf(v), ButtonState::Down);
  buttons_.SetPressedButton(0);
}

}  // namespace tamarack
