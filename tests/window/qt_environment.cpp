#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "platform/qt/qt_font_backend.h"

namespace tamarack {
namespace {

// The Qt tests need one QApplication for the whole run. GoogleTest's own
// main runs the program, so the application comes from a global test
// environment, registered before main by this file's static initialiser.
// Without a display the tests run on the offscreen platform.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application_ = std::make_unique<QApplication>(argc_, argv_);
    RegisterWindowFonts();
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[13] = "window_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

::testing::Environment* const Registered = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
}  // namespace tamarack
