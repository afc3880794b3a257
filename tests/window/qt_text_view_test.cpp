#include "platform/qt/qt_text_view.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <string>
#include <vector>

#include "platform/qt/qt_font_backend.h"
#include "ui/help_text.h"
#include "window/qt_events.h"

namespace tamarack {
namespace {

std::string Join(const std::vector<std::string>& lines, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += lines[i];
  return text;
}

// The real text control, shown over the view area of a window-sized parent.
class QtTextViewTest : public ::testing::Test {
 protected:
  QtTextViewTest() {
    parent.setFixedSize(616, 300);
    edit()->setGeometry(104, 44, 408, 236);
    parent.show();
    EXPECT_TRUE(testing::ProcessEventsUntil([this] { return edit()->viewport()->width() > 0; }));
  }

  QPlainTextEdit* edit() { return view.Widget(); }
  std::string Plain() { return edit()->toPlainText().toStdString(); }

  // The number of lines that the control itself lays each paragraph out in.
  std::vector<int> ControlLineCounts() {
    std::vector<int> counts;
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(edit()->document()->documentLayout());
    for (QTextBlock b = edit()->document()->begin(); b.isValid(); b = b.next()) {
      layout->ensureBlockLayout(b);
      counts.push_back(b.layout()->lineCount());
    }
    return counts;
  }

  QWidget parent;
  QtTextView view{&parent, WindowFont(1.0)};
};

TEST_F(QtTextViewTest, IsAlwaysScrollableWithTheWindowFont) {
  EXPECT_EQ(edit()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(edit()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(edit()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(edit()->font().pixelSize(), 11);
  EXPECT_EQ(edit()->frameShape(), QFrame::NoFrame);
  // Eighteen whole lines of the window font, 13 pixels each as the control
  // lays them out, fit the 236-pixel view area, so that a page of the help
  // text shows at once.
  std::string lines;
  for (int i = 1; i <= 20; ++i) lines += "line " + std::to_string(i) + "\r\n";
  view.SetText(lines);
  view.SetCaret(0);
  auto lineRect = [this](int line) {
    QTextCursor at(edit()->document()->findBlockByNumber(line - 1));
    return edit()->cursorRect(at);
  };
  EXPECT_EQ(lineRect(2).top() - lineRect(1).top(), 13);
  EXPECT_GE(lineRect(1).top(), 0);
  EXPECT_LE(lineRect(18).bottom(), edit()->viewport()->height() - 1);
}

TEST_F(QtTextViewTest, TheRuleLineFitsOnOneLineInTheIntendedFaceAndInItsReplacement) {
  // Where fonts-wine is installed, scale 1 uses the face the layout was made
  // for; every other scale uses the outline replacement.
  if (QFile::exists(QStringLiteral("/usr/share/wine/fonts/ms_sans_serif.ttf"))) {
    EXPECT_EQ(QFontInfo(WindowFont(1.0)).family(), QStringLiteral("MS Sans Serif"));
  }
  EXPECT_NE(QFontInfo(WindowFont(2.0)).family(), QStringLiteral("MS Sans Serif"));
  const std::string rule = " " + std::string(128, '-');
  for (const double scale : {1.0, 1.5, 2.0}) {
    QtTextView face(&parent, WindowFont(scale));
    face.Widget()->setGeometry(104, 44, 408, 236);
    face.Widget()->show();
    face.SetText(rule);
    EXPECT_EQ(face.DisplayedLines(), std::vector<std::string>{rule})
        << QFontInfo(WindowFont(scale)).family().toStdString() << " at scale " << scale;
  }
}

TEST_F(QtTextViewTest, ALineWiderThanTheControlComesBackAsTheLinesItShows) {
  std::string words;
  for (int i = 0; i < 30; ++i) words += "patch" + std::to_string(i) + " ";
  const std::string codes(300, 'F');  // pasted codes with no space to wrap at
  view.SetText(words + "\r\n" + codes + "\r\nshort");

  const std::vector<std::string> lines = view.DisplayedLines();
  const std::vector<int> counts = ControlLineCounts();
  ASSERT_EQ(counts.size(), 3u);
  EXPECT_GE(counts[0], 2);
  EXPECT_GE(counts[1], 2);
  EXPECT_EQ(counts[2], 1);
  ASSERT_EQ(lines.size(), static_cast<size_t>(counts[0] + counts[1] + counts[2]));
  EXPECT_EQ(Join(lines, counts[0]), words);
  EXPECT_EQ(Join(std::vector<std::string>(lines.begin() + counts[0], lines.end()), counts[1]),
            codes);
  EXPECT_EQ(lines.back(), "short");
  const QFontMetricsF metrics(edit()->font());
  const qreal width = edit()->viewport()->width() - 2 * edit()->document()->documentMargin();
  for (const std::string& line : lines) {
    EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(line).trimmed()), width) << line;
  }
}

// Read-only text cannot be edited but can be copied; editable text takes
// what is typed, and typed lines are read back.
TEST_F(QtTextViewTest, ReadOnlyTextCanBeCopiedAndEditableTextTyped) {
  view.SetText("help line\r\nsecond");
  view.SetReadOnly(true);
  view.SetCaret(0);
  testing::TypeText(edit(), QStringLiteral("xyz"));
  testing::PressKey(edit(), Qt::Key_Delete);
  EXPECT_EQ(Plain(), "help line\nsecond");
  testing::PressKey(edit(), Qt::Key_A, Qt::ControlModifier);
  testing::PressKey(edit(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "help line\nsecond");

  view.SetReadOnly(false);
  view.SetCaret(0);
  testing::TypeText(edit(), QStringLiteral("x"));
  EXPECT_EQ(Plain(), "xhelp line\nsecond");

  view.SetText("");
  testing::TypeText(edit(), QStringLiteral("12340"));
  testing::PressKey(edit(), Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  testing::TypeText(edit(), QStringLiteral("abcd1"));
  EXPECT_EQ(view.DisplayedLines(), (std::vector<std::string>{"12340", "abcd1"}));
}

TEST_F(QtTextViewTest, TypingAndPastingStopAtTheCharacterLimit) {
  constexpr int Limit = QtTextView::MaxCharacters;
  view.SetReadOnly(false);
  view.SetText(std::string(Limit - 4, 'A'));
  view.SetCaret(Limit - 4);
  testing::TypeText(edit(), QStringLiteral("bcdefg"));
  EXPECT_EQ(Plain(), std::string(Limit - 4, 'A') + "bcde");

  // Full: a paste adds nothing and loses nothing.
  QGuiApplication::clipboard()->setText(QStringLiteral("0123456789"));
  view.SetCaret(0);
  edit()->paste();
  EXPECT_EQ(Plain(), std::string(Limit - 4, 'A') + "bcde");

  // A paste into the middle keeps the part that fits, at the caret.
  view.SetText(std::string(Limit - 4, 'A') + "Z");
  view.SetCaret(10);
  edit()->paste();
  EXPECT_EQ(Plain(), std::string(10, 'A') + "012" + std::string(Limit - 14, 'A') + "Z");
  EXPECT_EQ(edit()->textCursor().position(), 13);

  // Pasting over a selection counts what the selection frees.
  QTextCursor selection = edit()->textCursor();
  selection.setPosition(0);
  selection.setPosition(10, QTextCursor::KeepAnchor);
  edit()->setTextCursor(selection);
  QGuiApplication::clipboard()->setText(QString(15, QLatin1Char('q')));
  edit()->paste();
  EXPECT_EQ(Plain(), std::string(10, 'q') + "012" + std::string(Limit - 14, 'A') + "Z");
}

TEST_F(QtTextViewTest, HelpTextShowsEveryLineUnwrappedAndLinesUpItsColumns) {
  view.SetText(HelpText());
  const std::vector<int> counts = ControlLineCounts();
  ASSERT_EQ(counts.size(), 187u);
  int block = 0;
  for (QTextBlock b = edit()->document()->begin(); b.isValid(); b = b.next(), ++block) {
    EXPECT_EQ(counts[block], 1) << "line " << block + 1 << " wraps: " << b.text().toStdString();
  }
  EXPECT_EQ(view.DisplayedLines().size(), 187u);

  // Where a character of a line lands across the control.
  auto xOf = [this](int lineNumber, const QString& what, int from = 0) {
    const QTextBlock b = edit()->document()->findBlockByNumber(lineNumber - 1);
    const int index = b.text().indexOf(what, from);
    EXPECT_GE(index, 0) << what.toStdString() << " not in line " << lineNumber;
    return b.layout()->lineAt(0).cursorToX(index);
  };
  // Every page label starts at the same place and ends inside the control.
  const qreal labelX = xOf(19, QStringLiteral("(Page"));
  // The lines lie between the document margins.
  const qreal margin = edit()->document()->documentMargin();
  const qreal right = edit()->viewport()->width() - margin;
  for (int page = 0; page < 10; ++page) {
    const int line = 19 + 17 * page;
    EXPECT_EQ(xOf(line, QStringLiteral("(Page")), labelX) << "line " << line;
    const QString label = QStringLiteral("(Page %1)").arg(page + 1);
    EXPECT_LE(labelX + QFontMetricsF(edit()->font()).horizontalAdvance(label), right);
  }
  // The contents: page numbers 1 to 6 in one column, 7 to 10 in another.
  const qreal left = xOf(7, QStringLiteral("1"));
  for (auto [line, number] : {std::pair{8, "2"}, {11, "3"}, {12, "4"}, {15, "5"}, {16, "6"}}) {
    EXPECT_EQ(xOf(line, QString::fromLatin1(number)), left) << "line " << line;
  }
  const qreal numbers = xOf(7, QStringLiteral(" 7"));
  EXPECT_GT(numbers, left);
  EXPECT_EQ(xOf(8, QStringLiteral(" 8")), numbers);
  EXPECT_EQ(xOf(9, QStringLiteral(" 9")), numbers);
  for (int line : {12, 13, 14}) EXPECT_EQ(xOf(line, QStringLiteral("10")), numbers) << line;
  // The group headings of the right column.
  const qreal groups = xOf(6, QStringLiteral("VIEW"));
  EXPECT_EQ(xOf(11, QStringLiteral("PROGRAM")), groups);
  EXPECT_EQ(xOf(7, QStringLiteral(" Information")), groups);
}

}  // namespace
}  // namespace tamarack
