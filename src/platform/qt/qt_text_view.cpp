#include "platform/qt/qt_text_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include "platform/qt/qt_font_backend.h"

namespace tamarack {

QtTextView::QtTextView(QWidget* parent) : edit_(new QPlainTextEdit(parent)) {
  edit_->setFrameStyle(QFrame::NoFrame);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit_->setFont(WindowFont());
  edit_->setTabStopDistance(4 * QFontMetricsF(WindowFont()).horizontalAdvance(QLatin1Char(' ')) * 2);
  QPalette palette = edit_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  edit_->setPalette(palette);
  QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] { LimitLength(); });
}

// Typing and pasting stop at the limit: a change that goes past it is
// taken back.
void QtTextView::LimitLength() {
  const QString text = edit_->toPlainText();
  if (text.size() <= MaxCharacters) {
    lastAccepted_ = text;
    return;
  }
  const int caret = edit_->textCursor().position() - (text.size() - lastAccepted_.size());
  const QSignalBlocker blocker(edit_);
  edit_->setPlainText(lastAccepted_);
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(std::clamp(caret, 0, static_cast<int>(lastAccepted_.size())));
  edit_->setTextCursor(cursor);
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
