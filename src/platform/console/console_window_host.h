#pragma once

#include <string>

#include "platform/window_host.h"

namespace tamarack {

// The console has no window: the window's requests do nothing, and it
// reports the size of the window's client area on a screen of the same size.
class ConsoleWindowHost : public WindowHost {
 public:
  void SetCaption(const std::string&) override {}
  int Left() override { return 0; }
  int Top() override { return 0; }
  int Width() override { return 616; }
  int Height() override { return 300; }
  void SetLeft(int) override {}
  void SetTop(int) override {}
  int ScreenWidth() override { return 616; }
  int ScreenHeight() override { return 300; }
  ScreenPoint PointerPosition() override { return {}; }
  bool StartSystemMove() override { return false; }
  void Minimize() override {}
  void Close() override {}
};

}  // namespace tamarack
