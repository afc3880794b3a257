#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <vector>

#include "platform/surface.h"

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

// A part drawn on the bitmap, a leaf of it: its window and parent are the
// bitmap's, and its place a rectangle of the bitmap.
class DrawnPartAccessible : public QAccessibleInterface {
 public:
  explicit DrawnPartAccessible(BitmapWidget* bitmap) : bitmap_(bitmap) {}

  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  void setText(QAccessible::Text, const QString&) override {}

 protected:
  // The rectangle r of the bitmap on the screen.
  QRect OnScreen(const PixelRect& r) const;

  QPointer<BitmapWidget> bitmap_;
};

// One drawn button.
class DrawnButtonAccessible : public DrawnPartAccessible, public QAccessibleActionInterface {
 public:
  DrawnButtonAccessible(BitmapWidget* bitmap, int id) : DrawnPartAccessible(bitmap), id_(id) {}

  bool isValid() const override;
  QString text(QAccessible::Text t) const override;
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Button; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  int id_;
};

// The map of the file: an image with a name and a description.
class MapAccessible : public DrawnPartAccessible {
 public:
  using DrawnPartAccessible::DrawnPartAccessible;

  bool isValid() const override;
  QString text(QAccessible::Text t) const override;
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::Graphic; }
  QAccessible::State state() const override;
};

// Lets Qt make a BitmapAccessible for every BitmapWidget. Installing it
// again changes nothing.
void InstallBitmapAccessibleFactory();

}  // namespace tamarack
