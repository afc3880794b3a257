#include "platform/qt/bitmap_accessible.h"

#include <QWidget>
#include <QWindow>

#include "platform/qt/bitmap_widget.h"

namespace tamarack {

BitmapAccessible::BitmapAccessible(BitmapWidget* widget)
    : QAccessibleWidget(widget, QAccessible::Client) {}

BitmapAccessible::~BitmapAccessible() {
  for (const QAccessible::Id id : children_) QAccessible::deleteAccessibleInterface(id);
}

BitmapWidget* BitmapAccessible::Bitmap() const { return static_cast<BitmapWidget*>(widget()); }

int BitmapAccessible::childCount() const {
  const DrawnControls* controls = Bitmap()->Controls();
  return (controls ? controls->ControlCount() : 0) + (Bitmap()->Map() ? 1 : 0);
}

QAccessibleInterface* BitmapAccessible::child(int index) const {
  if (index < 0 || index >= childCount()) return nullptr;
  if (children_.size() <= static_cast<size_t>(index)) {
    children_.resize(static_cast<size_t>(childCount()), 0);
  }
  QAccessible::Id& id = children_[static_cast<size_t>(index)];
  if (id == 0) {
    const DrawnControls* controls = Bitmap()->Controls();
    const int buttons = controls ? controls->ControlCount() : 0;
    QAccessibleInterface* made =
        index < buttons
            ? static_cast<QAccessibleInterface*>(new DrawnButtonAccessible(Bitmap(), index + 1))
            : new MapAccessible(Bitmap());
    id = QAccessible::registerAccessibleInterface(made);
  }
  return QAccessible::accessibleInterface(id);
}

int BitmapAccessible::indexOfChild(const QAccessibleInterface* child) const {
  for (size_t i = 0; i < children_.size(); ++i) {
    if (children_[i] != 0 && QAccessible::accessibleInterface(children_[i]) == child) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

QAccessibleInterface* BitmapAccessible::childAt(int x, int y) const {
  const QPoint at = Bitmap()->mapFromGlobal(QPoint(x, y));
  const DrawnControls* controls = Bitmap()->Controls();
  for (int id = 1; controls && id <= controls->ControlCount(); ++id) {
    const DrawnControl control = controls->Control(id);
    const PixelRect& r = control.Rect;
    if (control.Visible && at.x() >= r.Left && at.x() < r.Right && at.y() >= r.Top &&
        at.y() < r.Bottom) {
      return child(id - 1);
    }
  }
  const std::optional<BitmapWidget::DrawnMap>& map = Bitmap()->Map();
  if (map && map->Shown() && at.x() >= map->Rect.Left && at.x() < map->Rect.Right &&
      at.y() >= map->Rect.Top && at.y() < map->Rect.Bottom) {
    return child(childCount() - 1);
  }
  return nullptr;
}

QAccessibleInterface* BitmapAccessible::focusChild() const {
  const DrawnControls* controls = Bitmap()->Controls();
  if (!controls || !Bitmap()->hasFocus() || controls->FocusedControl() == 0) return nullptr;
  return child(controls->FocusedControl() - 1);
}

bool DrawnButtonAccessible::isValid() const {
  return bitmap_ && bitmap_->Controls() && id_ <= bitmap_->Controls()->ControlCount();
}

QWindow* DrawnButtonAccessible::window() const {
  return bitmap_ ? bitmap_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* DrawnButtonAccessible::parent() const {
  return bitmap_ ? QAccessible::queryAccessibleInterface(bitmap_.data()) : nullptr;
}

QString DrawnButtonAccessible::text(QAccessible::Text t) const {
  if (t != QAccessible::Name || !isValid()) return {};
  return QString::fromStdString(bitmap_->Controls()->Control(id_).Name);
}

QRect DrawnButtonAccessible::rect() const {
  if (!isValid()) return {};
  const PixelRect r = bitmap_->Controls()->Control(id_).Rect;
  return QRect(bitmap_->mapToGlobal(QPoint(r.Left, r.Top)),
               QSize(r.Right - r.Left, r.Bottom - r.Top));
}

QAccessible::State DrawnButtonAccessible::state() const {
  QAccessible::State state;
  if (!isValid()) {
    state.invalid = true;
    return state;
  }
  const DrawnControls& controls = *bitmap_->Controls();
  const DrawnControl control = controls.Control(id_);
  state.disabled = !control.Enabled;
  state.invisible = !control.Visible;
  state.focusable = control.Enabled && control.Visible;
  state.focused = bitmap_->hasFocus() && controls.FocusedControl() == id_;
  state.checkable = control.Checkable;
  state.checked = control.Checked;
  return state;
}

void* DrawnButtonAccessible::interface_cast(QAccessible::InterfaceType type) {
  return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                              : nullptr;
}

QStringList DrawnButtonAccessible::actionNames() const {
  if (!isValid() || !bitmap_->Controls()->Control(id_).Enabled) return {};
  return {pressAction()};
}

void DrawnButtonAccessible::doAction(const QString& actionName) {
  if (actionName == pressAction() && isValid()) bitmap_->Controls()->Press(id_);
}

bool MapAccessible::isValid() const { return bitmap_ && bitmap_->Map(); }

QWindow* MapAccessible::window() const {
  return bitmap_ ? bitmap_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* MapAccessible::parent() const {
  return bitmap_ ? QAccessible::queryAccessibleInterface(bitmap_.data()) : nullptr;
}

QString MapAccessible::text(QAccessible::Text t) const {
  if (!isValid()) return {};
  if (t == QAccessible::Name) return QStringLiteral("Map of the file");
  if (t == QAccessible::Description) return QString::fromStdString(bitmap_->Map()->Describe());
  return {};
}

QRect MapAccessible::rect() const {
  if (!isValid()) return {};
  const PixelRect r = bitmap_->Map()->Rect;
  return QRect(bitmap_->mapToGlobal(QPoint(r.Left, r.Top)),
               QSize(r.Right - r.Left, r.Bottom - r.Top));
}

QAccessible::State MapAccessible::state() const {
  QAccessible::State state;
  state.invalid = !isValid();
  state.invisible = !isValid() || !bitmap_->Map()->Shown();
  state.readOnly = true;
  return state;
}

namespace {

QAccessibleInterface* MakeBitmapAccessible(const QString&, QObject* object) {
  if (auto* bitmap = qobject_cast<BitmapWidget*>(object)) return new BitmapAccessible(bitmap);
  return nullptr;
}

}  // namespace

void InstallBitmapAccessibleFactory() {
  QAccessible::removeFactory(MakeBitmapAccessible);
  QAccessible::installFactory(MakeBitmapAccessible);
}

}  // namespace tamarack
