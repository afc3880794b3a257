#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <vector>

namespace tamarack {

class BitmapWidget;

// The bitmap as assistive technology sees it: a client area whose children
// are the drawn buttons, one accessible push button each, with the button's
// command as its name, its enabled, checked and focused state and a press
// action, and after them the map of the file.
class BitmapAccessible : public QAccessibleWidget {
 public:
  explicit BitmapAccessible(BitmapWidget* widget);
  ~BitmapAccessible() override;

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;

 private:
  BitmapWidget* Bitmap() const;

  // The children's interfaces, made when first asked for; Qt's registry owns
  // them, this keeps their ids.
  mutable std::vector<QAccessible::Id> children_;
};

// One drawn button.
class DrawnButtonAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  DrawnButtonAccessible(BitmapWidget* bitmap, int id) : bitmap_(bitmap), id_(id) {}

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Button; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<BitmapWidget> bitmap_;
  int id_;
};

// The map of the file: an image with a name and a description.
class MapAccessible : public QAccessibleInterface {
 public:
  explicit MapAccessible(BitmapWidget* bitmap) : bitmap_(bitmap) {}

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Graphic; }
  QAccessible::State state() const override;

 private:
  QPointer<BitmapWidget> bitmap_;
};

// Lets Qt make a BitmapAccessible for every BitmapWidget. Installing it
// again changes nothing.
void InstallBitmapAccessibleFactory();

}  // namespace tamarack
