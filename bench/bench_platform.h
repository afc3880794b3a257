#pragma once

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/steady_clock.h"

namespace tamarack::bench {

// Platform services that do nothing visible: every message is answered Ok
// (or Yes), and no text is drawn. Files are the real ones.
class QuietFonts : public FontBackend {
 public:
  TextExtent Measure(CaptionFont, const std::string& text) override {
    return {6 * static_cast<int>(text.size()), 13};
  }
  void Draw(uint8_t*, int, int, int, int, CaptionFont, Color, const std::string&) override {}
};

class QuietTextView : public TextView {
 public:
  void SetText(const std::string& text) override { Text = text; }
  std::vector<std::string> DisplayedLines() override { return {Text}; }
  void SetReadOnly(bool) override {}
  void SetVisible(bool) override {}
  void SetCaret(int) override {}
  void SetFocus() override {}
  void SetRedraw(bool) override {}
  std::string Text;
};

class QuietDialogs : public Dialogs {
 public:
  PromptResult ShowMessage(MessageKind kind, const std::string& text) override {
    Messages.push_back(text);
    return kind == MessageKind::Confirmation ? PromptResult::Yes : PromptResult::Ok;
  }
  std::string ChooseOpenFile(const OpenFileRequest&) override { return {}; }
  std::vector<std::string> Messages;
};

class QuietPump : public EventPump {
 public:
  void ProcessPendingEvents() override {}
};

class QuietShell : public Shell {
 public:
  void OpenAddress(const std::string&) override {}
};

class QuietWindow : public WindowHost {
 public:
  void SetCaption(const std::string&) override {}
  int Left() override { return 0; }
  int Top() override { return 0; }
  int Width() override { return 616; }
  int Height() override { return 300; }
  void SetLeft(int) override {}
  void SetTop(int) override {}
  int ScreenWidth() override { return 1920; }
  int ScreenHeight() override { return 1080; }
  ScreenPoint PointerPosition() override { return {}; }
  bool StartSystemMove() override { return false; }
  void Minimize() override {}
  void Close() override {}
};

// The whole program on the quiet services and the real file system, as the
// console front end runs it.
struct QuietProgram {
  QuietProgram() { Whole.DoInit(); }

  // Selects a file without the open-file dialog.
  void Select(const std::string& path) { Whole.Selected.SelectedFileName = path; }

  QuietFonts Fonts;
  QuietTextView Memo;
  QuietDialogs Messages;
  QuietPump Pump;
  SteadyClock Timer;
  QuietShell Desktop;
  QuietWindow Window;
  PosixFileSystem Files;
  Program Whole{PlatformServices{Fonts, Memo, Messages, Pump, Timer, Desktop, Window, Files}};
};

}  // namespace tamarack::bench
