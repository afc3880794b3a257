#include "platform/qt/qt_text_view.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>

namespace tamarack {

namespace {

// The average width of the letters, as a dialog measures its font. Bitmap
// faces may carry no usable average of their own.
int AverageLetterWidth(const QFont& font) {
  const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  const int width = QFontMetrics(font).horizontalAdvance(letters);
  return (width + letters.size() / 2) / static_cast<int>(letters.size());
}

}  // namespace

// PageUp and PageDown of a text with pages.
class QtTextView::PageKeys : public QObject {
 public:
  PageKeys(QtTextView& view, QObject* parent) : QObject(parent), view_(view) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->matches(QKeySequence::MoveToNextPage)) return view_.TurnPage(1);
      if (key->matches(QKeySequence::MoveToPreviousPage)) return view_.TurnPage(-1);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QtTextView& view_;
};

QtTextView::QtTextView(QWidget* parent, const QFont& font) : edit_(new QPlainTextEdit(parent)) {
  edit_->setFrameStyle(QFrame::NoFrame);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit_->setTabChangesFocus(true);
  edit_->setFont(font);
  // A one-pixel margin round the text, so that 18 whole lines of 13 pixels
  // fit the 236-pixel view area; with Qt's default of 4 only 17 would.
  edit_->document()->setDocumentMargin(1);
  // Tab stops every eight average characters of the window font, as a
  // multi-line edit control places them by default; the help text's columns
  // and page labels line up on them.
  edit_->setTabStopDistance(8 * AverageLetterWidth(font));
  QPalette palette = edit_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  edit_->setPalette(palette);
  QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] { LimitLength(); });
  edit_->installEventFilter(new PageKeys(*this, edit_));
}

// The scroll bar counts displayed lines, as the page starts do. The caret
// goes to the start of the page, so that it stays in view.
bool QtTextView::TurnPage(int direction) {
  if (pageStarts_.empty()) return false;
  QScrollBar* bar = edit_->verticalScrollBar();
  const int top = bar->value();
  // On the last page PageDown stays; before the first PageUp goes to the top.
  int target = direction > 0 ? top : 0;
  if (direction > 0) {
    for (int start : pageStarts_) {
      if (start > top) {
        target = std::min(start, bar->maximum());
        break;
      }
    }
  } else {
    for (auto it = pageStarts_.rbegin(); it != pageStarts_.rend(); ++it) {
      if (*it < top) {
        target = *it;
        break;
      }
    }
  }
  QTextCursor caret = edit_->textCursor();
  const QTextBlock block = edit_->document()->findBlockByLineNumber(target);
  caret.setPosition(block.position());
  edit_->setTextCursor(caret);
  bar->setValue(target);
  return true;
}

// A text with pages scrolls on past its end, so that the last page, which
// may be shorter than the view, can come to the top as well.
void QtTextView::SetPageStarts(std::vector<int> lines) {
  pageStarts_ = std::move(lines);
  edit_->setCenterOnScroll(!pageStarts_.empty());
}

void QtTextView::SetAccessibleName(const std::string& name) {
  edit_->setAccessibleName(QString::fromStdString(name));
}

// Typing and pasting stop at the limit: of a change that goes past it only
// the characters that fit are kept, the rest of the inserted text is taken
// off its end again.
void QtTextView::LimitLength() {
  const QString text = edit_->toPlainText();
  const qsizetype excess = text.size() - MaxCharacters;
  if (excess <= 0) {
    lastAccepted_ = text;
    return;
  }
  // The inserted range is what lies between the common beginning and the
  // common end of the text before and after the change.
  const qsizetype before = lastAccepted_.size();
  qsizetype prefix = 0;
  while (prefix < before && prefix < text.size() && lastAccepted_[prefix] == text[prefix]) {
    ++prefix;
  }
  qsizetype suffix = 0;
  while (suffix < before - prefix && suffix < text.size() - prefix &&
         lastAccepted_[before - 1 - suffix] == text[text.size() - 1 - suffix]) {
    ++suffix;
  }
  const qsizetype insertedEnd = text.size() - suffix;
  const qsizetype cut = std::min(excess, insertedEnd - prefix);
  const QSignalBlocker blocker(edit_);
  QTextCursor cursor(edit_->document());
  cursor.setPosition(static_cast<int>(insertedEnd - cut));
  cursor.setPosition(static_cast<int>(insertedEnd), QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  QTextCursor caret = edit_->textCursor();
  caret.setPosition(static_cast<int>(insertedEnd - cut));
  edit_->setTextCursor(caret);
  lastAccepted_ = edit_->toPlainText();
}

void QtTextView::SetText(const std::string& text) {
  QString plain = QString::fromStdString(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lastAccepted_ = plain;
  const QSignalBlocker blocker(edit_);
  edit_->setPlainText(plain);
}

// Lays each paragraph out the way the control does, at the width of its
// text area, so that a wrapped line counts as the lines it shows.
std::vector<std::string> QtTextView::DisplayedLines() {
  std::vector<std::string> lines;
  QTextDocument* document = edit_->document();
  const qreal margin = document->documentMargin();
  const qreal width = edit_->viewport()->width() - 2 * margin;
  QTextOption option = document->defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setTabStopDistance(edit_->tabStopDistance());
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    const QString text = block.text();
    QTextLayout layout(text, edit_->font());
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      lines.push_back(text.mid(line.textStart(), line.textLength()).toStdString());
      ++count;
    }
    layout.endLayout();
    if (count == 0) lines.emplace_back();
  }
  return lines;
}

void QtTextView::SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

void QtTextView::SetVisible(bool visible) { edit_->setVisible(visible); }

void QtTextView::SetCaret(int position) {
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(position);
  edit_->setTextCursor(cursor);
  edit_->verticalScrollBar()->setValue(0);
}

void QtTextView::SetFocus() { edit_->setFocus(Qt::OtherFocusReason); }

void QtTextView::SetRedraw(bool enabled) { edit_->setUpdatesEnabled(enabled); }

}  // namespace tamarack
