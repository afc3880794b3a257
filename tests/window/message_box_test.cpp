#include "platform/qt/message_box.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <memory>
#include <string>

#include "analysis/analysis_report.h"
#include "window/qt_events.h"

namespace tamarack {
namespace {

// Where a text starts in the laid-out message.
QPointF PlaceOf(QTextDocument& document, const QString& what) {
  const QTextCursor found = document.find(what);
  EXPECT_FALSE(found.isNull()) << what.toStdString();
  if (found.isNull()) return {-1, -1};
  const QTextBlock block = found.block();
  const QRectF box = document.documentLayout()->blockBoundingRect(block);
  const int index = found.selectionStart() - block.position();
  return {box.x() + block.layout()->lineAt(0).cursorToX(index), box.y()};
}

qreal XOf(QTextDocument& document, const QString& what) { return PlaceOf(document, what).x(); }

// Wide enough for any of these messages on one line a line.
const QFontMetrics AnyFont{QFont()};
constexpr int Unlimited = 100000;

TEST(MessageBoxTextTest, ColumnsSeparatedByRunsOfTabsLineUp) {
  const MessageText shown = MessageBoxText(
      "Tamarack\r\n\r\nVersion: \t1.00\r\nReleased:\t08-Dec-2026\r\n"
      "Web:\t\thttps://tamarack.example.org/\r\nEmail:\t\thelp@tamarack.test",
      AnyFont, Unlimited);
  ASSERT_EQ(shown.Format, Qt::RichText);
  QTextDocument document;
  document.setHtml(shown.Text);
  const qreal values = XOf(document, QStringLiteral("1.00"));
  EXPECT_GT(values, XOf(document, QStringLiteral("Released:")));
  EXPECT_EQ(XOf(document, QStringLiteral("08-Dec-2026")), values);
  EXPECT_EQ(XOf(document, QStringLiteral("https://")), values);
  EXPECT_EQ(XOf(document, QStringLiteral("help@")), values);
  EXPECT_EQ(XOf(document, QStringLiteral("Tamarack")), XOf(document, QStringLiteral("Web:")));
}

TEST(MessageBoxTextTest, KeepsTheTextAndItsLinesAsWritten) {
  const MessageText shown = MessageBoxText(
      "Real Data:\t99.9%\t\t<9.9Mb> & more\r\n\r\nAdvice  with  spaces", AnyFont, Unlimited);
  QTextDocument document;
  document.setHtml(shown.Text);
  const QString plain = document.toPlainText();
  EXPECT_TRUE(plain.contains(QStringLiteral("<9.9Mb> & more"))) << plain.toStdString();
  EXPECT_TRUE(plain.contains(QStringLiteral("Advice  with  spaces"))) << plain.toStdString();
  EXPECT_GT(XOf(document, QStringLiteral("<9.9Mb>")), XOf(document, QStringLiteral("99.9%")));
  // The empty line between the row and the advice is kept.
  const qreal lineHeight = QFontMetricsF(document.defaultFont()).lineSpacing();
  EXPECT_GE(PlaceOf(document, QStringLiteral("Advice")).y() -
                PlaceOf(document, QStringLiteral("Real Data:")).y(),
            1.8 * lineHeight);

  const MessageText plainText = MessageBoxText(
      "The Selected file cannot be accessed because:\r\n"
      " - Another application may be using this file",
      AnyFont, Unlimited);
  EXPECT_EQ(plainText.Format, Qt::PlainText);
  EXPECT_EQ(plainText.Text.toStdString(),
            "The Selected file cannot be accessed because:\n"
            " - Another application may be using this file");
}

// The text with every space and line break taken out: what a break may not
// lose.
QString Letters(QString text) {
  text.remove(QLatin1Char(' '));
  text.remove(QLatin1Char('\n'));
  text.remove(QLatin1Char('\r'));
  return text;
}

// A download's path of exactly the given length in characters, ending in
// ".avi"; with utf8, its folders and name are Cyrillic, Greek and Japanese
// with accents and a character beyond the 16-bit range.
QString DownloadPath(int length, bool utf8) {
  const QString part =
      utf8 ? QStringLiteral("Загрузки/Ταινίες.2019/映画の名前.1080p/Ünïcödé.𝄞.x264-GRÜP/")
           : QStringLiteral("Downloads/Some.Movie.Name.2019.1080p.BluRay.x264-GROUP/");
  QString path = QStringLiteral("/home/me/");
  while (path.size() < length) path += part;
  // Cut at a character's end, never inside the pair of a wide character.
  qsizetype cut = length - 4;
  if (path[cut - 1].isHighSurrogate()) --cut;
  return path.left(cut) + QStringLiteral(".avi");
}

TEST(MessageBoxTextTest, LinesBreakAtSpacesThenAfterSeparatorsThenAnywhere) {
  const QFontMetrics metrics{QFont()};
  // Wider than any folder of the path, narrower than the path.
  const int width = metrics.horizontalAdvance(
      QStringLiteral("The Backup file Downloads/Some.Movie.Name.2019.1080p.BluRay.x264-GROUP/"));
  const QString path = DownloadPath(200, false);
  const QString sentence =
      QStringLiteral("The Backup file \"") + path + QStringLiteral("\" has been created.");
  const QStringList lines = BreakMessageLine(sentence, metrics, width);
  ASSERT_GE(lines.size(), 4);
  // A long word starts on a line of its own, then breaks after a '/'.
  EXPECT_EQ(lines[0], QStringLiteral("The Backup file"));
  for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
    if (lines[i].contains(QStringLiteral(".avi"))) break;
    EXPECT_TRUE(lines[i].endsWith(QLatin1Char('/'))) << lines[i].toStdString();
  }
  for (const QString& line : lines) {
    EXPECT_LE(metrics.horizontalAdvance(line), width) << line.toStdString();
  }
  EXPECT_EQ(Letters(lines.join(QString())), Letters(sentence));

  // No separator to break at: the word breaks where the width ends.
  const QString name(300, QLatin1Char('N'));
  const QStringList pieces = BreakMessageLine(name, metrics, width);
  EXPECT_GE(pieces.size(), 2);
  EXPECT_EQ(pieces.join(QString()), name);
  for (const QString& piece : pieces) EXPECT_LE(metrics.horizontalAdvance(piece), width);

  // A line that fits stays as it is; a width below one character still
  // gives every character a line.
  EXPECT_EQ(BreakMessageLine(QStringLiteral("Short line."), metrics, width),
            QStringList{QStringLiteral("Short line.")});
  EXPECT_EQ(BreakMessageLine(QStringLiteral("abc"), metrics, 1),
            (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));

  // A break never splits a character: neither a pair of UTF-16 units nor a
  // letter from its accent.
  const QString accented = QStringLiteral("e\u0301\U0001D11E").repeated(60);
  for (const QString& piece : BreakMessageLine(accented, metrics, width / 3)) {
    EXPECT_FALSE(piece.front().isLowSurrogate());
    EXPECT_FALSE(piece.front() == QChar(0x0301));
    EXPECT_FALSE(piece.back().isHighSurrogate());
  }
}

std::unique_ptr<MessageBox> ShownBox(MessageKind kind, const std::string& text,
                                     DefaultAnswer answer, int screenWidth) {
  auto box = std::make_unique<MessageBox>(nullptr, kind, text, answer, screenWidth);
  box->show();
  EXPECT_TRUE(testing::ProcessEventsUntil([&] { return box->isVisible(); }));
  return box;
}

// The label is not wrapped by Qt: each of its lines is laid out as one line
// no wider than the label, and the label lies inside the box.
void ExpectEveryLineShownWhole(const MessageBox& box, const QString& context) {
  const QLabel* label = box.TextLabel();
  EXPECT_FALSE(label->wordWrap());
  EXPECT_TRUE(box.rect().contains(label->geometry())) << context.toStdString();
  const int width = label->contentsRect().width();
  for (const QString& line : label->text().split(QLatin1Char('\n'))) {
    QTextLayout layout(line, label->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int count = 0;
    for (QTextLine laid = layout.createLine(); laid.isValid(); laid = layout.createLine()) {
      laid.setLineWidth(width);
      ++count;
    }
    layout.endLayout();
    EXPECT_EQ(count, 1) << context.toStdString() << ": " << line.toStdString();
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(line), width)
        << context.toStdString() << ": " << line.toStdString();
  }
}

TEST(MessageBoxTest, LongPathsFitThreeQuartersOfTheScreenWithEveryCharacterShown) {
  for (const int screen : {1024, 1920}) {
    for (const int length : {100, 200, 400}) {
      for (const bool utf8 : {false, true}) {
        const QString path = DownloadPath(length, utf8);
        const std::string text =
            "A Backup file for the Selected file already exists.\r\nOverwrite \"" +
            path.toStdString() + "\"?";
        const QString context = QStringLiteral("%1 characters%2 on a %3-pixel screen")
                                    .arg(length)
                                    .arg(utf8 ? QStringLiteral(" of UTF-8") : QString())
                                    .arg(screen);
        const auto box = ShownBox(MessageKind::Confirmation, text, DefaultAnswer::No, screen);
        EXPECT_LE(box->width(), screen * 3 / 4) << context.toStdString();
        ExpectEveryLineShownWhole(*box, context);
        // Every character of the path is in the label, in order.
        EXPECT_EQ(Letters(box->TextLabel()->text()), Letters(QString::fromStdString(text)))
            << context.toStdString();
        EXPECT_TRUE(Letters(box->TextLabel()->text()).contains(Letters(path)));
      }
    }
  }
  // A 400-character path on a 1024-pixel screen takes several lines.
  const auto box = ShownBox(
      MessageKind::Information,
      "The Backup file \"" + DownloadPath(400, false).toStdString() + "\" has been created.",
      DefaultAnswer::Yes, 1024);
  EXPECT_GE(box->TextLabel()->text().count(QLatin1Char('\n')), 2);
}

// The lines of a shown message as the label lays them out: plain lines, or
// for rich text the line breaks that the label's document shows.
QStringList ShownLines(const QLabel& label) {
  if (label.textFormat() != Qt::RichText) return label.text().split(QLatin1Char('\n'));
  QTextDocument document;
  document.setDefaultFont(label.font());
  document.setDocumentMargin(0);
  document.setHtml(label.text());
  document.setTextWidth(label.contentsRect().width());
  document.documentLayout()->documentSize();
  QStringList lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const QStringList parts = block.text().split(QChar::LineSeparator);
    // Nothing but the message's own breaks: Qt wraps no line further.
    EXPECT_EQ(block.layout()->lineCount(), parts.size()) << block.text().toStdString();
    lines << parts;
  }
  return lines;
}

TEST(MessageBoxTest, MessagesKeepEachLineOnOneLineWhereTheWidthAllows) {
  const std::string advice =
      "The Patch Code \"00G00\" is not valid.\r\n"
      "Ensure only valid codes are entered into the Patch Codes text window.\r\n"
      "A valid code consists of five characters (each being a digit or letters A to F).\r\n"
      "If entering multiple codes, separate each code with a comma and/or space.";
  // The summary has a table of tabbed rows and plain sentences.
  const std::string summary = MakeAnalysisReport(5000000, 100000000).Text;
  // A 1280-pixel screen at scale 2 is 640 pixels wide for the window system.
  for (const int screen : {640, 1024, 1920}) {
    for (const std::string& text : {advice, summary}) {
      const auto box = ShownBox(MessageKind::Information, text, DefaultAnswer::Yes, screen);
      const QLabel& label = *box->TextLabel();
      EXPECT_EQ(label.textFormat(), text == summary ? Qt::RichText : Qt::PlainText);
      EXPECT_LE(box->width(), screen * 3 / 4);
      if (label.textFormat() == Qt::PlainText) ExpectEveryLineShownWhole(*box, QString());
      const QStringList shown = ShownLines(label);
      // Where the widest a line may be allows, a line is shown whole.
      const int chrome = box->width() - label.contentsRect().width();
      const int room = screen * 3 / 4 - chrome - 1;
      int sentences = 0;
      int whole = 0;
      for (const QString& line : QString::fromStdString(text).split(QStringLiteral("\r\n"))) {
        if (line.contains(QLatin1Char('\t'))) continue;
        ++sentences;
        if (QFontMetrics(label.font()).horizontalAdvance(line) > room) continue;
        EXPECT_TRUE(shown.contains(line)) << screen << ": " << line.toStdString();
        ++whole;
      }
      // Wide screens have room for every line of both messages.
      if (screen >= 1024) {
        EXPECT_EQ(whole, sentences) << screen;
      }
    }
  }
}

TEST(MessageBoxTest, IrreversibleQuestionsAnswerNoOnReturnAndLettersAnswerAtOnce) {
  const std::string question = "Delete this Reference file?";
  struct Case {
    DefaultAnswer Default;
    int Key;
    PromptResult Expected;
  };
  for (const Case& c : {Case{DefaultAnswer::No, Qt::Key_Return, PromptResult::No},
                        Case{DefaultAnswer::No, Qt::Key_Enter, PromptResult::No},
                        Case{DefaultAnswer::Yes, Qt::Key_Return, PromptResult::Yes},
                        Case{DefaultAnswer::No, Qt::Key_Y, PromptResult::Yes},
                        Case{DefaultAnswer::Yes, Qt::Key_N, PromptResult::No},
                        Case{DefaultAnswer::Yes, Qt::Key_Escape, PromptResult::No}}) {
    const auto box = ShownBox(MessageKind::Confirmation, question, c.Default, 1024);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Confirm"));
    const QDialogButtonBox::StandardButton preferred =
        c.Default == DefaultAnswer::No ? QDialogButtonBox::No : QDialogButtonBox::Yes;
    EXPECT_TRUE(box->Buttons()->button(preferred)->isDefault());
    const QString letter = c.Key == Qt::Key_Y   ? QStringLiteral("y")
                           : c.Key == Qt::Key_N ? QStringLiteral("n")
                                                : QString();
    testing::PressKey(box.get(), c.Key, Qt::NoModifier, letter);
    EXPECT_FALSE(box->isVisible()) << "key " << c.Key;
    EXPECT_EQ(box->Answer(), c.Expected) << "key " << c.Key;
  }

  const auto error = ShownBox(MessageKind::Error, "Line one\r\nLine two", DefaultAnswer::Yes, 1024);
  EXPECT_EQ(error->windowTitle(), QStringLiteral("Error"));
  EXPECT_EQ(error->Buttons()->buttons().size(), 1);
  testing::PressKey(error.get(), Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Line one\nLine two"));
  testing::PressKey(error.get(), Qt::Key_Return);
  EXPECT_FALSE(error->isVisible());
  EXPECT_EQ(error->Answer(), PromptResult::Ok);
  EXPECT_EQ(ShownBox(MessageKind::Information, "Done.", DefaultAnswer::Yes, 1024)->windowTitle(),
            QStringLiteral("Information"));
}

}  // namespace
}  // namespace tamarack
