#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "app/program.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/steady_clock.h"
#include "platform/qt/bitmap_widget.h"
#include "platform/qt/qt_font_backend.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/qt_text_view.h"

namespace tamarack {

// The one window: borderless, 616 x 300, the bitmap control covering it and
// the view memo over the view area, drawn at the device pixel ratio of the
// screen it opens on. It only wires Qt's events and keys to the program's
// handlers: Ctrl+O Select/Clear, F1 Help, Escape Pause/Stop, Ctrl+Q and
// Alt+F4 Close.
class TamarackForm : public QWidget {
 public:
  TamarackForm();
  ~TamarackForm() override;

  Program& Logic() { return *program_; }
  BitmapWidget& BackgroundImage() { return *backgroundImage_; }
  QtTextView& ViewMemo() { return *viewMemo_; }
  // Runs DoInit unless it has run.
  void EnsureInitialized();
  // The file that the window selects right after DoInit, as Select would.
  // Selects the file once the window shows, and takes the torrent for it
  // when one is given.
  void SelectAtStart(std::string path, std::string torrent = "") {
    startFile_ = std::move(path);
    startTorrent_ = std::move(torrent);
  }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void AddShortcut(const QKeySequence& keys, ShortcutKey key);

  double deviceScale_;
  QtFontBackend fonts_;
  QtDialogs dialogs_;
  QtEventPump pump_;
  SteadyClock clock_;
  QtShell shell_;
  QtWindowHost window_;
  PosixFileSystem files_;
  std::unique_ptr<QtTextView> viewMemo_;
  std::unique_ptr<Program> program_;
  BitmapWidget* backgroundImage_ = nullptr;
  bool initialized_ = false;
  std::string startFile_;
  std::string startTorrent_;

  // Lets files dropped onto the window or its view memo be selected.
  void AcceptFileDrops();
  void SelectStartFile();
};

}  // namespace tamarack
