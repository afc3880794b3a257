// The Qt layer's own behaviour around the program: the event pump keeps
// handling a held button, and the pointer position is the one of the event
// being handled; the open-file dialog opens where the last choice was made.
#include "platform/qt/qt_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <string>
#include <vector>

#include "window/qt_events.h"

namespace tamarack {
namespace {

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

TEST(QtDialogsTest, TheOpenFileDialogOpensInTheFolderOfTheLastChoice) {
  QTemporaryDir first;
  QTemporaryDir second;
  ASSERT_TRUE(first.isValid() && second.isValid());
  const QString chosen = first.filePath("film.avi");
  QFile file(chosen);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  // Each run of the dialog records the folder it opened in, then accepts
  // the next answer, or looks into the second folder and cancels.
  std::vector<std::string> openedIn;
  QStringList answers{chosen};
  QtDialogs dialogs(nullptr, [&](QFileDialog& dialog) {
    openedIn.push_back(QDir(dialog.directory()).canonicalPath().toStdString());
    if (answers.isEmpty()) {
      dialog.setDirectory(second.path());
      return int{QDialog::Rejected};
    }
    dialog.selectFile(answers.takeFirst());
    return int{QDialog::Accepted};
  });
  OpenFileRequest request;
  request.Title = "Select AVI File";
  request.Filters = {{"AVI Files", "*.avi"}};

  EXPECT_EQ(dialogs.ChooseOpenFile(request), chosen.toStdString());
  // A cancelled dialog changes nothing, wherever it was looking: both later
  // runs start in the folder of the file chosen.
  EXPECT_EQ(dialogs.ChooseOpenFile(request), "");
  EXPECT_EQ(dialogs.ChooseOpenFile(request), "");
  // A folder asked for, such as the selected file's, comes first.
  request.Folder = second.path().toStdString();
  EXPECT_EQ(dialogs.ChooseOpenFile(request), "");
  ASSERT_EQ(openedIn.size(), 4);
  const std::string firstFolder = QDir(first.path()).canonicalPath().toStdString();
  EXPECT_EQ(openedIn[1], firstFolder);
  EXPECT_EQ(openedIn[2], firstFolder);
  EXPECT_EQ(openedIn[3], QDir(second.path()).canonicalPath().toStdString());
}

// Every column of the file list and the places beside it show their texts
// whole, the file's name and date included.
TEST(QtDialogsTest, TheOpenFileDialogShowsItsColumnsWhole) {
  QTemporaryDir folder;
  QFile file(folder.filePath(QStringLiteral("a rather long name of a downloaded film.avi")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  std::vector<std::string> cut;
  bool listed = false;
  QtDialogs dialogs(nullptr, [&](QFileDialog& dialog) {
    dialog.setViewMode(QFileDialog::Detail);
    dialog.show();
    // Through the base class, where the width a column's texts want is public.
    QAbstractItemView* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    if (!view || !places) return int{QDialog::Rejected};
    listed = testing::ProcessEventsUntil([view] {
      return view->model()->rowCount(view->rootIndex()) > 0 && view->sizeHintForColumn(3) > 0;
    });
    QApplication::processEvents();
    QHeaderView* header = static_cast<QTreeView*>(view)->header();
    for (int column = 0; column < header->count(); ++column) {
      if (header->sectionSize(column) < view->sizeHintForColumn(column)) {
        cut.push_back("column " + std::to_string(column));
      }
    }
    if (places->viewport()->width() < places->sizeHintForColumn(0)) cut.push_back("places");
    return int{QDialog::Rejected};
  });
  OpenFileRequest request;
  request.Folder = folder.path().toStdString();
  dialogs.ChooseOpenFile(request);
  EXPECT_TRUE(listed);
  EXPECT_EQ(cut, std::vector<std::string>());
}

}  // namespace
}  // namespace tamarack
