#pragma once

#include <string>
#include <vector>

namespace tamarack {

// The most characters the text control holds; a line end counts as one.
constexpr int TextViewMaxCharacters = 16384;

// The multi-line text control over the view area. Texts are UTF-8 with lines
// joined by CR LF.
class TextView {
 public:
  virtual ~TextView() = default;
  // Replaces the whole text; the control shows the lines it holds.
  virtual void SetText(const std::string& text) = 0;
  // The lines as the control displays them: a wrapped line counts as several.
  virtual std::vector<std::string> DisplayedLines() = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetCaret(int position) = 0;
  virtual void SetFocus() = 0;
  virtual void SetRedraw(bool enabled) = 0;
  // What the text is, for assistive technology: the name of the view shown.
  virtual void SetAccessibleName(const std::string& name) { (void)name; }
  // The displayed lines (from 0) at which the text's pages start. PageUp and
  // PageDown then bring the previous or next of them to the top; without
  // any they move by the lines the control shows.
  virtual void SetPageStarts(std::vector<int> lines) { (void)lines; }
};

}  // namespace tamarack
