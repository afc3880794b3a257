#pragma once

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/steady_clock.h"
#include "platform/text_lines.h"

namespace tamarack::bench {

// Platform services that do nothing visible: every message is answered Ok
// (or Yes), and no text is drawn. Files are the real ones.
class QuietFonts : public FontBackend {
 public:
  TextExtent Measure(CaptionFont, const std::string& text) override {
    return {6 * static_cast<int>(text.size()), 13};
  }
  void Draw(const PixelBuffer&, int, int, CaptionFont, Color, const std::string&) override {}
};

class QuietDialogs : public Dialogs {
 public:
  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer = DefaultAnswer::Yes) override {
    Messages.push_back(text);
    return kind == MessageKind::Confirmation ? PromptResult::Yes : PromptResult::Ok;
  }
  std::string ChooseOpenFile(const OpenFileRequest&) override { return {}; }
  std::vector<std::string> Messages;
};

// Handles nothing, but keeps the longest time that passed between two of
// its calls (or from Restart to the first): how long a window would have
// gone without handling its events.
class QuietPump : public EventPump {
 public:
  void Restart() {
    last_ = std::chrono::steady_clock::now();
    longest_ = {};
  }
  void ProcessPendingEvents() override {
    const auto now = std::chrono::steady_clock::now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
  }
  double LongestGapSeconds() const { return std::chrono::duration<double>(longest_).count(); }

 private:
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration longest_{};
};

class QuietShell : public Shell {
 public:
  bool OpenAddress(const std::string&) override { return true; }
};

// A text control that holds its text and shows its lines unwrapped.
class QuietTextView : public TextView {
 public:
  void SetText(const std::string& text) override { text_ = text; }
  std::vector<std::string> DisplayedLines() override { return SplitLines(text_); }
  void SetReadOnly(bool) override {}
  void SetVisible(bool) override {}
  void SetCaret(int) override {}
  void SetFocus() override {}
  void SetRedraw(bool) override {}

 private:
  std::string text_;
};

// A window of the bitmap's size on a screen of the same size.
class QuietWindow : public WindowHost {
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

// The whole window program on the quiet services and the real file system;
// a benchmark may bring dialogs of its own.
template <class DialogsType>
struct QuietProgramWith {
  QuietProgramWith() { Whole.DoInit(); }

  // Selects a file without the open-file dialog.
  void Select(const std::string& path) {
    if (!Whole.Selected.SelectPath(path)) throw std::runtime_error("cannot select " + path);
  }

  QuietFonts Fonts;
  QuietTextView Memo;
  DialogsType Messages;
  QuietPump Pump;
  SteadyClock Timer;
  QuietShell Desktop;
  QuietWindow Window;
  PosixFileSystem Files;
  Program Whole{PlatformServices{Fonts, Memo, Messages, Pump, Timer, Desktop, Window, Files}};
};

using QuietProgram = QuietProgramWith<QuietDialogs>;

}  // namespace tamarack::bench
