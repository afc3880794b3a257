#pragma once

#include <QFileDialog>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/shell.h"
#include "platform/window_host.h"

namespace tamarack {

// Modal messages (MessageBox) sized for the screen the window is on, and
// Qt's open-file dialog, which opens in the folder of the file chosen last
// (kept only while the program runs).
class QtDialogs : public Dialogs {
 public:
  // Shows a prepared open-file dialog and returns its result code.
  using FileDialogRunner = std::function<int(QFileDialog&)>;

  explicit QtDialogs(
      QWidget* parent,
      FileDialogRunner runDialog = [](QFileDialog& dialog) { return dialog.exec(); })
      : parent_(parent), runDialog_(std::move(runDialog)) {}
  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer answer = DefaultAnswer::Yes) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;

 private:
  QWidget* parent_;
  FileDialogRunner runDialog_;
  QString lastFolder_;
};

// Handles the waiting events. While a mouse button is held in the window (a
// click or a drag under way) it goes on handling events for a moment, so
// that the release of a click, or the next steps of a drag, are not left
// for the next round of a running operation.
class QtEventPump : public EventPump {
 public:
  void ProcessPendingEvents() override;
};

class QtShell : public Shell {
 public:
  bool OpenAddress(const std::string& address) override;
};

// The borderless top-level window.
class QtWindowHost : public WindowHost {
 public:
  explicit QtWindowHost(QWidget* window) : window_(window) {}
  // Where the pointer was at the mouse event being handled, if one is: a
  // move started or continued late (inside a running operation) then still
  // keeps the pointer's grip on the window.
  void SetEventPosition(std::function<std::optional<QPoint>()> eventPosition) {
    eventPosition_ = std::move(eventPosition);
  }
  void SetCaption(const std::string& caption) override;
  int Left() override;
  int Top() override;
  int Width() override;
  int Height() override;
  void SetLeft(int left) override;
  void SetTop(int top) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  ScreenPoint PointerPosition() override;
  bool StartSystemMove() override;
  void Minimize() override;
  void Close() override;

 private:
  QWidget* window_;
  std::function<std::optional<QPoint>()> eventPosition_;
};

}  // namespace tamarack
