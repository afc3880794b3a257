// The Qt layer's own behaviour around the program: the event pump keeps
// handling a held button, and the pointer position is the one of the event
// being handled.
#include "platform/qt/qt_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

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

}  // namespace
}  // namespace tamarack
