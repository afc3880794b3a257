#pragma once

#include <QPlainTextEdit>

#include "platform/text_view.h"

namespace tamarack {

// The view memo: a borderless QPlainTextEdit in the window font that wraps
// at its width, always shows its vertical scroll bar and takes at most
// MaxCharacters characters. Tab and Shift+Tab move the keyboard focus on
// rather than typing a tab.
class QtTextView : public TextView {
 public:
  static constexpr int MaxCharacters = TextViewMaxCharacters;

  QtTextView(QWidget* parent, const QFont& font);

  void SetText(const std::string& text) override;
  std::vector<std::string> DisplayedLines() override;
  void SetReadOnly(bool readOnly) override;
  void SetVisible(bool visible) override;
  void SetCaret(int position) override;
  void SetFocus() override;
  void SetRedraw(bool enabled) override;
  void SetAccessibleName(const std::string& name) override;
  void SetPageStarts(std::vector<int> lines) override;

  QPlainTextEdit* Widget() { return edit_; }

 private:
  class PageKeys;
  void LimitLength();
  // Brings the next (direction 1) or the previous (-1) page start to the
  // top; false when the text has no pages.
  bool TurnPage(int direction);

  QPlainTextEdit* edit_;
  QString lastAccepted_;
  std::vector<int> pageStarts_;
};

}  // namespace tamarack
