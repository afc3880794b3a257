#pragma once

#include <string>
#include <vector>

#include "platform/text_view.h"

namespace tamarack {

// The text control in memory. It holds its text as given; the lines it
// displays are the text's lines split at CR LF, never wrapped, since a
// console has no width to wrap at.
class ConsoleTextView : public TextView {
 public:
  void SetText(const std::string& text) override { text_ = text; }
  std::vector<std::string> DisplayedLines() override;
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }
  void SetVisible(bool visible) override { visible_ = visible; }
  void SetCaret(int) override {}
  void SetFocus() override {}
  void SetRedraw(bool) override {}

  const std::string& Text() const { return text_; }
  bool ReadOnly() const { return readOnly_; }
  bool Visible() const { return visible_; }

 private:
  std::string text_;
  bool readOnly_ = true;
  bool visible_ = true;
};

}  // namespace tamarack
