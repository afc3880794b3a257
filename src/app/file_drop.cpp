#include "app/file_drop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace tamarack {

FileDrop::FileDrop(std::initializer_list<QWidget*> targets, std::function<bool()> canSelect,
                   std::function<void(const std::string&)> select)
    : QObject(*targets.begin()), canSelect_(std::move(canSelect)), select_(std::move(select)) {
  for (QWidget* target : targets) {
    target->setAcceptDrops(true);
    target->installEventFilter(this);
  }
}

std::optional<std::string> FileDrop::FirstFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return std::nullopt;
  return QFile::encodeName(urls.front().toLocalFile()).toStdString();
}

bool FileDrop::eventFilter(QObject*, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!FirstFile(drag->mimeData())) return false;
      if (canSelect_()) {
        drag->acceptProposedAction();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::optional<std::string> path = FirstFile(drop->mimeData());
      if (!path) return false;
      if (!canSelect_()) {
        drop->ignore();
        return true;
      }
      drop->acceptProposedAction();
      // The source of the drag waits for the drop to end: messages about the
      // file come after that.
      QMetaObject::invokeMethod(
          this, [this, file = *path] { select_(file); }, Qt::QueuedConnection);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tamarack
