#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "platform/qt/qt_services.h"

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

TEST(MessageBoxTextTest, ColumnsSeparatedByRunsOfTabsLineUp) {
  const MessageText shown = MessageBoxText(
      "Tamarack\r\n\r\nVersion: \t1.00\r\nReleased:\t08-Dec-2026\r\n"
      "Web:\t\thttps://tamarack.example.org/\r\nEmail:\t\thelp@tamarack.test");
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
  const MessageText shown =
      MessageBoxText("Real Data:\t99.9%\t\t<9.9Mb> & more\r\n\r\nAdvice  with  spaces");
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
      " - Another application may be using this file");
  EXPECT_EQ(plainText.Format, Qt::PlainText);
  EXPECT_EQ(plainText.Text.toStdString(),
            "The Selected file cannot be accessed because:\n"
            " - Another application may be using this file");
}

}  // namespace
}  // namespace tamarack
