#pragma once

#include <QDialog>
#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <string>

#include "platform/dialogs.h"

class QDialogButtonBox;
class QLabel;

namespace tamarack {

// Breaks one line of a message into lines no wider than maxWidth pixels in
// the font. A line breaks at its last space that fits; a word longer than a
// line (a path) breaks after its last '/' that fits and, failing one,
// between any two characters, so nothing is ever cut off. The space at a
// break is dropped; no other character is.
QStringList BreakMessageLine(const QString& line, const QFontMetrics& metrics, int maxWidth);

struct MessageText {
  QString Text;
  Qt::TextFormat Format;
};

// A message as the message box shows it, every line at most maxWidth pixels
// wide in the font and otherwise kept as one line. Messages line their
// columns up with tabs, a run of tabs between two columns. Where the columns
// land would depend on the box's font and tab stops, so a message with tabs
// is shown as rich text: each line with tabs is a row of a table, each run
// of tabs ends a cell, and each other line is a paragraph of its own. Other
// messages are plain text with line breaks where their lines break.
MessageText MessageBoxText(const std::string& text, const QFontMetrics& metrics, int maxWidth);

// The modal message: the platform's icon and title for its kind ("Error",
// "Information", "Confirm"), the text as written, and OK or Yes and No.
// The box is at most three quarters of the screen wide and shows all of its
// text: a line too long for that is broken, never cut off. Return answers
// with the default button; Y and N answer at once; Escape and closing the box
// answer No (OK for the other kinds). Ctrl+C copies the text.
class MessageBox : public QDialog {
  Q_OBJECT

 public:
  MessageBox(QWidget* parent, MessageKind kind, const std::string& text, DefaultAnswer answer,
             int screenWidth);

  // The answer given so far: Ok for an error or information, Yes or No for a
  // confirmation (No until one is given).
  PromptResult Answer() const { return answer_; }
  QLabel* TextLabel() const { return label_; }
  QDialogButtonBox* Buttons() const { return buttons_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QString plainText_;
  PromptResult answer_;
  QLabel* label_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace tamarack
