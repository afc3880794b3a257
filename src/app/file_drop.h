#pragma once

#include <QObject>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

class QMimeData;

namespace tamarack {

// Files dropped onto the window: the first dropped item, when it is a local
// file, is handed to Select. Drags of anything else (text onto the view
// memo) go on as before.
class FileDrop : public QObject {
 public:
  // Takes file drops on each target widget and, while canSelect says yes,
  // hands the path to select once the drop is over.
  FileDrop(std::initializer_list<QWidget*> targets, std::function<bool()> canSelect,
           std::function<void(const std::string&)> select);

  // The local path of the first item of a drag; none when the drag carries
  // no items or its first item is not a local file.
  static std::optional<std::string> FirstFile(const QMimeData* data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<bool()> canSelect_;
  std::function<void(const std::string&)> select_;
};

}  // namespace tamarack
