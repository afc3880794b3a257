#pragma once

#include <string>

namespace tamarack {

struct ScreenPoint {
  int X = 0;
  int Y = 0;
};

class WindowHost {
 public:
  virtual ~WindowHost() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual int Left() = 0;
  virtual int Top() = 0;
  virtual int Width() = 0;
  virtual int Height() = 0;
  virtual void SetLeft(int left) = 0;
  virtual void SetTop(int top) = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual ScreenPoint PointerPosition() = 0;
  // Where the window system moves windows itself (Wayland), starts such a
  // move and returns true; elsewhere returns false and the program moves
  // the window.
  virtual bool StartSystemMove() = 0;
  virtual void Minimize() = 0;
  // Asks the window to close; the close handler may refuse.
  virtual void Close() = 0;
};

}  // namespace tamarack
