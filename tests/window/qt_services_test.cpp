// The Qt layer's own behaviour around the program: the file dialog opens
// where the last file was chosen, the event pump keeps handling a held
// button, and the pointer position is the one of the event being handled.
#include "platform/qt/qt_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace tamarack {
namespace {

// Runs the handler on the next modal dialog once it shows.
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

QString MakeFile(const QTemporaryDir& folder, const QString& name) {
  const QString path = QDir(folder.path()).filePath(name);
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write("x");
  return path;
}

TEST(QtDialogsTest, FileDialogOpensInTheFolderOfTheFileChosenLast) {
  QTemporaryDir first;
  QTemporaryDir second;
  const QString film = MakeFile(first, QStringLiteral("film.avi"));
  const QString other = MakeFile(second, QStringLiteral("other.avi"));
  QWidget parent;
  QtDialogs dialogs(&parent);
  OpenFileRequest request;
  request.Title = "Select AVI File";
  request.Filters = {{"AVI video files (*.avi)", "*.avi"}};

  QString openedIn;
  auto choose = [&openedIn](const QString& path) {
    WhenModalOpens([&openedIn, path](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      openedIn = dialog->directory().absolutePath();
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
  };
  choose(film);
  EXPECT_EQ(dialogs.ChooseOpenFile(request), film.toStdString());
  choose(other);
  EXPECT_EQ(dialogs.ChooseOpenFile(request), other.toStdString());
  EXPECT_EQ(openedIn, QDir(first.path()).absolutePath());
  choose(film);
  dialogs.ChooseOpenFile(request);
  EXPECT_EQ(openedIn, QDir(second.path()).absolutePath());
}

TEST(QtEventPumpTest, AHeldButtonIsHandledUntilItsRelease) {
  QWidget window;
  window.resize(100, 100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QWindow* handle = window.windowHandle();
  QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  ASSERT_EQ(QGuiApplication::mouseButtons(), Qt::LeftButton);
  // The release comes while the pump runs: it goes on handling events until
  // then, so the click is complete when the pump returns.
  QTimer::singleShot(30, handle, [handle] {
    QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  });
  QtEventPump pump;
  pump.ProcessPendingEvents();
  EXPECT_EQ(QGuiApplication::mouseButtons(), Qt::NoButton);
}

TEST(QtWindowHostTest, PointerIsWhereTheEventBeingHandledHadIt) {
  QWidget window;
  QtWindowHost host(&window);
  std::optional<QPoint> atEvent = QPoint(321, 123);
  host.SetEventPosition([&atEvent] { return atEvent; });
  EXPECT_EQ(host.PointerPosition().X, 321);
  EXPECT_EQ(host.PointerPosition().Y, 123);
  // Outside an event: where the pointer is now.
  atEvent.reset();
  const QPoint now = QCursor::pos();
  EXPECT_EQ(host.PointerPosition().X, now.x());
  EXPECT_EQ(host.PointerPosition().Y, now.y());
}

}  // namespace
}  // namespace tamarack
