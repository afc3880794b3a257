#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/tamarack_form.h"
#include "platform/qt/message_box.h"
#include "platform/text_lines.h"
#include "ui/help_text.h"
#include "ui/layout.h"
#include "window/qt_events.h"
#include "window/window_pixels.h"

namespace tamarack {
namespace {

// Handles the next modal window once it is open: a message box or the file
// dialog that a command opens inside its own event loop.
void WhenModalOpens(std::function<void(QWidget*)> handle) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, poll, [poll, handle] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    handle(modal);
  });
  poll->start(10);
}

// Answers the next message box with a key, noting its text.
void AnswerNextMessage(int key, std::vector<QString>& texts) {
  WhenModalOpens([key, &texts](QWidget* modal) {
    auto* box = qobject_cast<MessageBox*>(modal);
    texts.push_back(box ? box->TextLabel()->text() : QStringLiteral("not a message box"));
    QTest::keyClick(modal, Qt::Key(key));
  });
}

// The window, shown and active, with the keyboard focus where DoInit left
// it: in the text view.
class WindowKeyboardTest : public ::testing::Test {
 protected:
  WindowKeyboardTest() {
    form.ViewMemo().SetText(HelpText());
    form.show();
    form.activateWindow();
    EXPECT_TRUE(testing::ProcessEventsUntil([this] {
      return program().ButtonPanel.State(InformationButton) == ButtonState::Down &&
             QApplication::focusWidget() == memo();
    })) << "DoInit did not run or the text view has no focus";
  }

  Program& program() { return form.Logic(); }
  QPlainTextEdit* memo() { return form.ViewMemo().Widget(); }
  BitmapWidget& bitmap() { return form.BackgroundImage(); }
  // A key pressed where the keyboard focus is. After a modal box has
  // closed, the window is first made active again, as a window manager
  // does (the offscreen platform has none).
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (!QApplication::activeModalWidget() && QApplication::activeWindow() != &form) {
      form.activateWindow();
      EXPECT_TRUE(testing::ProcessEventsUntil([this] { return form.isActiveWindow(); }));
    }
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &form, key, modifiers);
  }
  int Focused() { return program().Keys.FocusedControl(); }

  TamarackForm form;
};

TEST_F(WindowKeyboardTest, TabMovesAVisibleFocusOverTheButtonsThatCanBePressed) {
  const PixelRect area = ToPixels(ViewAreaRect);
  // At start the focus is in the text view and the window is the bitmap.
  EXPECT_FALSE(bitmap().FocusMarkRect());
  EXPECT_EQ(testing::CompareWithBitmap(form, program().Bitmap, area), "");

  std::vector<int> visited;
  for (int i = 0; i < 12; ++i) {
    Key(Qt::Key_Tab);
    if (QApplication::focusWidget() == memo()) break;
    ASSERT_EQ(QApplication::focusWidget(), &bitmap());
    visited.push_back(Focused());
  }
  // From the text view down the File column first.
  EXPECT_EQ(visited, (std::vector<int>{1, 7, 8, 9, 10, 11, 12, 13, 15, 16}));
  EXPECT_EQ(QApplication::focusWidget(), memo());
  // The text view's mark goes round it, in the frame of the view area.
  EXPECT_EQ(bitmap().FocusMarkRect(), memo()->geometry().adjusted(-3, -3, 3, 3));

  // Shift+Tab goes the other way round.
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Focused(), CloseButton);

  // The mark, a black ring round the focused button, is painted over the
  // bitmap, never into it.
  const std::optional<QRect> mark = bitmap().FocusMarkRect();
  ASSERT_TRUE(mark);
  const PixelRect close = ToPixels(ButtonTable[CloseButton - 1].Rect);
  EXPECT_TRUE(mark->contains(
      QRect(close.Left, close.Top, close.Right - close.Left, close.Bottom - close.Top)));
  const QImage shot = form.grab().toImage();
  for (int x = mark->left(); x <= mark->right(); ++x) {
    for (int y : {mark->top(), mark->top() + 1, mark->bottom() - 1, mark->bottom()}) {
      ASSERT_EQ(shot.pixelColor(program().Bitmap.ToDevice(x), program().Bitmap.ToDevice(y)),
                QColor(Qt::black))
          << x << ", " << y;
    }
  }
  const std::vector<QPoint> marked = testing::DifferingPixels(form, program().Bitmap, area);
  EXPECT_FALSE(marked.empty());
  const Surface& b = program().Bitmap;
  for (const QPoint& p : marked) {
    ASSERT_TRUE(p.x() >= b.ToDevice(mark->left()) && p.x() < b.ToDevice(mark->right() + 1) &&
                p.y() >= b.ToDevice(mark->top()) && p.y() < b.ToDevice(mark->bottom() + 1))
        << p.x() << ", " << p.y();
  }
}

TEST_F(WindowKeyboardTest, SpaceAndReturnPressTheFocusedButton) {
  Key(Qt::Key_Tab);  // Select
  Key(Qt::Key_Tab);  // Information, the view shown
  Key(Qt::Key_Tab);  // Analysis
  Key(Qt::Key_Space);
  EXPECT_EQ(program().ViewArea.CurrentView(), View::Analysis);
  // The text view is hidden: the focus stays on the buttons.
  EXPECT_EQ(QApplication::focusWidget(), &bitmap());
  Key(Qt::Key_Tab);  // Patch Codes
  Key(Qt::Key_Tab);  // Help
  EXPECT_EQ(Focused(), HelpButton);
  Key(Qt::Key_Return);
  EXPECT_EQ(program().ViewArea.CurrentView(), View::Help);
  EXPECT_EQ(program().ButtonPanel.State(HelpButton), ButtonState::Down);
  // Showing a text view gives it the focus, as it always has, and its mark.
  EXPECT_EQ(QApplication::focusWidget(), memo());
  const PixelRect area = ToPixels(ViewAreaRect);
  EXPECT_EQ(testing::CompareWithBitmap(
                form, program().Bitmap,
                PixelRect{area.Left - 3, area.Top - 3, area.Right + 3, area.Bottom + 3}),
            "");
}

TEST_F(WindowKeyboardTest, ShortcutsRunTheirCommands) {
  QTemporaryDir folder;
  const QString film = QDir(folder.path()).filePath(QStringLiteral("film.avi"));
  {
    QFile file(film);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
  }
  Key(Qt::Key_F1);
  EXPECT_EQ(program().ViewArea.CurrentView(), View::Help);

  // Ctrl+O is Select: the file dialog opens...
  WhenModalOpens([film](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(film);
    static_cast<QDialog*>(dialog)->accept();
  });
  Key(Qt::Key_O, Qt::ControlModifier);
  EXPECT_TRUE(program().Selected.HasFile());
  EXPECT_EQ(program().ViewArea.CurrentView(), View::Information);

  // ...and while an operation runs, Escape asks to stop it, and Ctrl+Q and
  // Alt+F4 are refused as the Close button is.
  std::vector<QString> messages;
  bool stopped = false;
  program().Runner.SetOperation(AnalyzeButton, [&] {
    AnswerNextMessage(Qt::Key_Return, messages);
    Key(Qt::Key_Q, Qt::ControlModifier);
    AnswerNextMessage(Qt::Key_Return, messages);
    Key(Qt::Key_F4, Qt::AltModifier);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(program().Control.Busy());
    AnswerNextMessage(Qt::Key_Y, messages);
    Key(Qt::Key_Escape);
    stopped = !program().Control.Busy();
  });
  program().RunCommand(AnalyzeButton);
  const QString refused = QStringLiteral("The current operation must\nbe stopped to exit.");
  EXPECT_EQ(messages, (std::vector<QString>{
                          refused, refused,
                          QStringLiteral("Current operation paused.\nStop current operation?")}));
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(program().Control.LastRunCompleted());

  // Escape outside an operation does nothing; Ctrl+O is now Clear.
  Key(Qt::Key_Escape);
  Key(Qt::Key_O, Qt::ControlModifier);
  EXPECT_FALSE(program().Selected.HasFile());
  Key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(WindowKeyboardTest, EveryDrawnButtonIsAnAccessiblePushButton) {
  QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(&bitmap());
  ASSERT_NE(pane, nullptr);
  ASSERT_EQ(pane->childCount(), 17);  // the buttons, then the map
  const QStringList names =
      QStringLiteral(
          "Select|Analyze|Create Backup|Create Patch|Repair with Reference|"
          "Repair with Patch|Information|Analysis|Patch Codes|Help|Feedback|Website|"
          "Version|Pause/Stop|Minimize|Close")
          .split(QLatin1Char('|'));
  ASSERT_EQ(names.size(), 16);
  for (int i = 0; i < 16; ++i) {
    QAccessibleInterface* button = pane->child(i);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button, pane->child(i));  // the same interface every time
    EXPECT_EQ(pane->indexOfChild(button), i);
    EXPECT_EQ(button->parent(), pane);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), names[i]);
    const bool disabled = i + 1 >= AnalyzeButton && i + 1 <= RepairPatchButton;
    EXPECT_EQ(button->state().disabled, disabled || i + 1 == PauseStopButton) << i + 1;
    EXPECT_EQ(button->state().checked, i + 1 == InformationButton) << i + 1;
    EXPECT_EQ(button->state().invisible, i + 1 == PauseStopButton) << i + 1;
    const PixelRect r = ToPixels(ButtonTable[i].Rect);
    EXPECT_EQ(button->rect(), QRect(bitmap().mapToGlobal(QPoint(r.Left, r.Top)),
                                    QSize(r.Right - r.Left, r.Bottom - r.Top)));
  }
  EXPECT_EQ(pane->childAt(bitmap().mapToGlobal(QPoint(530, 150)).x(),
                          bitmap().mapToGlobal(QPoint(530, 150)).y()),
            pane->child(HelpButton - 1));

  // Pressing through the interface is a click.
  QAccessibleActionInterface* help = pane->child(HelpButton - 1)->actionInterface();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
  help->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(program().ViewArea.CurrentView(), View::Help);
  EXPECT_TRUE(pane->child(HelpButton - 1)->state().checked);
  EXPECT_TRUE(pane->child(AnalyzeButton - 1)->actionInterface()->actionNames().isEmpty());

  // The focused button is the pane's focus child.
  EXPECT_EQ(pane->focusChild(), nullptr);
  Key(Qt::Key_Tab);
  ASSERT_NE(pane->focusChild(), nullptr);
  EXPECT_EQ(pane->focusChild(), pane->child(SelectClearButton - 1));
  EXPECT_TRUE(pane->focusChild()->state().focused);
}

// What a screen reader reads: the window is a frame, the text view is named
// after the view it shows, and the map says how much of the file is damaged
// while the Analysis view shows it.
TEST_F(WindowKeyboardTest, WindowTextViewAndMapAreNamedForScreenReaders) {
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->role(), QAccessible::Window);
  EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Tamarack"));

  QAccessibleInterface* memoAccessible = QAccessible::queryAccessibleInterface(memo());
  ASSERT_NE(memoAccessible, nullptr);
  EXPECT_EQ(memoAccessible->text(QAccessible::Name), QStringLiteral("Information view"));
  Key(Qt::Key_F1);
  EXPECT_EQ(memoAccessible->text(QAccessible::Name), QStringLiteral("Help view"));

  QAccessibleInterface* map = QAccessible::queryAccessibleInterface(&bitmap())->child(16);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->role(), QAccessible::Graphic);
  EXPECT_EQ(map->text(QAccessible::Name), QStringLiteral("Map of the file"));
  EXPECT_TRUE(map->state().invisible);  // under the text view
  program().RunCommand(AnalysisButton);
  EXPECT_FALSE(map->state().invisible);
  for (uint16_t cell = 1; cell <= 20; ++cell)
    program().Grid.PaintCell(cell, cell <= 10 ? Red : Green);
  EXPECT_TRUE(
      map->text(QAccessible::Description).startsWith(QStringLiteral("10 of 2001 cells red")))
      << map->text(QAccessible::Description).toStdString();
  const PixelRect r = MapRect;
  EXPECT_EQ(map->rect(), QRect(bitmap().mapToGlobal(QPoint(r.Left, r.Top)),
                               QSize(r.Right - r.Left, r.Bottom - r.Top)));
}

// PageDown brings the next page's heading to the top of the Help view and
// PageUp the previous one, however the rule lines wrapped.
TEST_F(WindowKeyboardTest, PageKeysLandOnTheHelpPageHeadings) {
  Key(Qt::Key_F1);
  const std::vector<std::string> lines = SplitLines(HelpText());
  const auto top = [this] {
    return memo()->cursorForPosition(QPoint(4, 4)).block().text().toStdString();
  };
  for (int page = 1; page <= 10; ++page) {
    Key(Qt::Key_PageDown);
    EXPECT_EQ(top(), lines[static_cast<size_t>(18 + 17 * (page - 1))]) << "page " << page;
  }
  Key(Qt::Key_PageDown);  // the last page stays
  EXPECT_EQ(top(), lines[18 + 17 * 9]);
  for (int page = 9; page >= 1; --page) {
    Key(Qt::Key_PageUp);
    EXPECT_EQ(top(), lines[static_cast<size_t>(18 + 17 * (page - 1))]) << "page " << page;
  }
  Key(Qt::Key_PageUp);
  EXPECT_EQ(memo()->verticalScrollBar()->value(), 0);
}

}  // namespace
}  // namespace tamarack
