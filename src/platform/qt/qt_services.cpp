#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStringList>
#include <QThread>
#include <QTreeView>
#include <QUrl>
#include <QWindow>

#include "platform/qt/message_box.h"

namespace tamarack {

PromptResult QtDialogs::ShowMessage(MessageKind kind, const std::string& text,
                                    DefaultAnswer answer) {
  const QScreen* screen = parent_ ? parent_->screen() : QGuiApplication::primaryScreen();
  const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
  MessageBox box(parent_, kind, text, answer, screenWidth);
  box.exec();
  return box.Answer();
}

namespace {

// In Qt's own file dialog: each column of the file list as wide as its
// texts, the name's taking the room that is left, and the places beside it
// as wide as their names. A dialog of the desktop's sizes itself.
void FitColumns(QFileDialog& dialog) {
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
  auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
  auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
  if (splitter && places && splitter->count() == 2) {
    const int placesWidth = static_cast<QAbstractItemView*>(places)->sizeHintForColumn(0) +
                            2 * places->frameWidth() +
                            places->verticalScrollBar()->sizeHint().width();
    splitter->setSizes({placesWidth, dialog.width() - placesWidth});
  }
}

}  // namespace

std::string QtDialogs::ChooseOpenFile(const OpenFileRequest& request) {
  QFileDialog dialog(parent_, QString::fromStdString(request.Title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension));
  QStringList filters;
  for (const FileFilter& filter : request.Filters) {
    // "*.*" means every file; on this platform that is "*".
    const QString pattern =
        filter.Pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.Pattern);
    QString label = QString::fromStdString(filter.Label);
    if (!label.contains(QLatin1Char('('))) label += QStringLiteral(" (") + pattern + ")";
    filters << label;
  }
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  const QString folder =
      request.Folder.empty() ? lastFolder_ : QString::fromStdString(request.Folder);
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  // Wide and tall enough that the name, size, kind and date columns show
  // whole, yet inside the screen.
  const QFontMetrics metrics(dialog.font());
  QSize size(metrics.averageCharWidth() * 130, metrics.height() * 34);
  if (const QScreen* screen = parent_ ? parent_->screen() : QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  }
  dialog.resize(size);
  FitColumns(dialog);
  if (runDialog_(dialog) != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return {};
  lastFolder_ = QFileInfo(files.first()).absolutePath();
  return files.first().toStdString();
}

void QtEventPump::ProcessPendingEvents() {
  QApplication::processEvents();
  // At most a third of a second: an operation never waits long on a button
  // that is held down.
  constexpr int HeldButtonMilliseconds = 300;
  QElapsedTimer held;
  held.start();
  while (QGuiApplication::mouseButtons() != Qt::NoButton &&
         held.elapsed() < HeldButtonMilliseconds) {
    QThread::msleep(5);
    QApplication::processEvents();
  }
}

bool QtShell::OpenAddress(const std::string& address) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtWindowHost::SetCaption(const std::string& caption) {
  window_->setWindowTitle(QString::fromStdString(caption));
}

int QtWindowHost::Left() { return window_->x(); }
int QtWindowHost::Top() { return window_->y(); }
int QtWindowHost::Width() { return window_->frameGeometry().width(); }
int QtWindowHost::Height() { return window_->frameGeometry().height(); }
void QtWindowHost::SetLeft(int left) { window_->move(left, window_->y()); }
void QtWindowHost::SetTop(int top) { window_->move(window_->x(), top); }

int QtWindowHost::ScreenWidth() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int QtWindowHost::ScreenHeight() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

ScreenPoint QtWindowHost::PointerPosition() {
  const std::optional<QPoint> atEvent = eventPosition_ ? eventPosition_() : std::nullopt;
  const QPoint p = atEvent ? *atEvent : QCursor::pos();
  return {p.x(), p.y()};
}

// Wayland lets no program place its own window; the compositor moves it.
bool QtWindowHost::StartSystemMove() {
  if (QGuiApplication::platformName() != QStringLiteral("wayland")) return false;
  QWindow* handle = window_->windowHandle();
  return handle && handle->startSystemMove();
}

void QtWindowHost::Minimize() { window_->showMinimized(); }

void QtWindowHost::Close() { window_->close(); }

}  // namespace tamarack
