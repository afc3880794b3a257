#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/font_backend.h"
#include "platform/shell.h"
#include "platform/text_view.h"
#include "platform/window_host.h"

namespace tamarack::testing {

// Fixed metrics: every character 6 pixels wide (7 for the big font), lines
// 13 (16) pixels high. Drawing paints each glyph's box outline-free: one
// pixel at its top-left corner, so tests can see where text went.
class FakeFontBackend : public FontBackend {
 public:
  struct DrawCall {
    int X, Y;
    CaptionFont Font;
    Color Ink;
    std::string Text;
  };
  TextExtent Measure(CaptionFont font, const std::string& text) override;
  void Draw(const PixelBuffer& target, int x, int y, CaptionFont font, Color color,
            const std::string& text) override;
  std::vector<DrawCall> Calls;
};

// An in-memory text control. With a wrap width, a displayed line holds at
// most that many characters, as a control of that width would show them.
class FakeTextView : public TextView {
 public:
  void SetText(const std::string& text) override;
  std::vector<std::string> DisplayedLines() override;
  void SetReadOnly(bool readOnly) override { ReadOnly = readOnly; }
  void SetVisible(bool visible) override { Visible = visible; }
  void SetCaret(int position) override { Caret = position; }
  void SetFocus() override { ++FocusCount; }
  void SetRedraw(bool enabled) override { Redraw = enabled; }

  // The text as the user would see it, lines joined by CR LF.
  std::string Text;
  int WrapWidth = 0;
  bool ReadOnly = false;
  bool Visible = true;
  bool Redraw = true;
  int Caret = -1;
  int FocusCount = 0;
};

// Messages answered from a script. Each expected message names its kind and
// its exact text (or, with a trailing '*', its beginning) and the answer. A
// message that nobody expected fails the test.
class FakeDialogs : public Dialogs {
 public:
  struct Message {
    MessageKind Kind;
    std::string Text;
    DefaultAnswer Default;  // the answer that Return would give
  };
  struct Expected {
    MessageKind Kind;
    std::string Text;
    PromptResult Answer;
    std::function<void()> During;  // runs while the message is open
  };
  ~FakeDialogs() override;

  void Expect(MessageKind kind, std::string text, PromptResult answer = PromptResult::Ok,
              std::function<void()> during = nullptr);
  // Answers the next open-file dialog with this path (empty: cancelled).
  void ExpectFile(std::string path) { files_.push_back(std::move(path)); }
  bool AllAnswered() const { return expected_.empty() && files_.empty(); }
  // The default answer of the last message shown that begins with the
  // given text; none when no such message was shown.
  std::optional<DefaultAnswer> DefaultOf(const std::string& beginning) const;

  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer answer = DefaultAnswer::Yes) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;

  std::vector<Message> Shown;
  // The texts of the messages shown, in order.
  std::vector<std::string> ShownTexts() const {
    std::vector<std::string> texts;
    for (const Message& message : Shown) texts.push_back(message.Text);
    return texts;
  }
  std::vector<OpenFileRequest> FileRequests;
  // When set, a message that nobody expected is answered with this (OK for
  // information and errors) instead of failing the test, and an open-file
  // dialog that nobody expected with AnyFile.
  std::optional<PromptResult> AnyAnswer;
  std::string AnyFile;

 private:
  std::deque<Expected> expected_;
  std::deque<std::string> files_;
};

class FakeEventPump : public EventPump {
 public:
  void ProcessPendingEvents() override;
  int Calls = 0;
  // Runs at each pump, with the call's number from 1.
  std::function<void(int call)> OnPump;
};

class FakeClock : public Clock {
 public:
  uint32_t Milliseconds() override { return Now += Step; }
  uint32_t Now = 0;
  uint32_t Step = 0;  // added at every reading
};

class FakeShell : public Shell {
 public:
  bool OpenAddress(const std::string& address) override {
    Opened.push_back(address);
    return Opens;
  }
  std::vector<std::string> Opened;
  bool Opens = true;  // whether the desktop has a program for the address
};

class FakeWindowHost : public WindowHost {
 public:
  void SetCaption(const std::string& caption) override { Caption = caption; }
  int Left() override { return X; }
  int Top() override { return Y; }
  int Width() override { return 616; }
  int Height() override { return 300; }
  void SetLeft(int left) override { X = left; }
  void SetTop(int top) override { Y = top; }
  int ScreenWidth() override { return ScreenW; }
  int ScreenHeight() override { return ScreenH; }
  ScreenPoint PointerPosition() override { return Pointer; }
  bool StartSystemMove() override { return false; }
  void Minimize() override { ++Minimized; }
  void Close() override { ++CloseRequests; }

  std::string Caption;
  int X = 100, Y = 100;
  int ScreenW = 1024, ScreenH = 768;
  ScreenPoint Pointer{};
  int Minimized = 0;
  int CloseRequests = 0;
};

// Files in memory. Any call can be made to fail: name the path and the
// operation ("read" for Read and ReadAt, "write", "seek", "close", "size", "sync") and from which
// call on (1 = the first) it fails; or name a kind of call and the one call
// of that kind, counted over all files, that fails (FailNthCall). Output
// files are written under TemporaryPathOf(final path) until their Commit.
// The files' calls may come from two threads at once, as the host's may:
// each holds Mutex, also while it runs AfterRead and BeforeWrite.
class FakeFileSystem : public FileSystem {
 public:
  struct Stats {
    int Reads = 0, Writes = 0, Seeks = 0, Closes = 0;
  };
  struct Failure {
    std::string Operation;
    int FromCall = 1;
  };

  std::unique_ptr<ByteFile> OpenExisting(const std::string& path) override;
  // Its files refuse every write.
  std::unique_ptr<ByteFile> OpenReadOnly(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateOutput(const std::string& path) override;
  bool Exists(const std::string& path) override;
  // Paths are the files' only names, unless Aliases says that a path names
  // another path's file.
  bool SameFile(const std::string& a, const std::string& b) override;
  bool Delete(const std::string& path) override;
  int64_t FreeSpace(const std::string& path) override;

  void FailOn(const std::string& path, const std::string& operation, int fromCall = 1) {
    Failures[path].push_back({operation, fromCall});
  }
  // The kinds: "open" (of either access), "create", "read", "write", "seek", "size", "sync",
  // "rename", "close", "exists", "delete", "free".
  void FailNthCall(const std::string& kind, int call) {
    FailKind = kind;
    FailCall = call;
  }
  static std::string TemporaryPathOf(const std::string& path);
  // Counts the call of its kind; true when it is the one to fail.
  bool FailsNow(const std::string& operation);

  std::map<std::string, std::vector<uint8_t>> Files;
  std::map<std::string, Stats> Counts;
  std::map<std::string, std::vector<Failure>> Failures;
  std::map<std::string, std::string> Aliases;  // path -> the path it names
  std::map<std::string, bool> Locked;          // OpenExisting and OpenReadOnly fail
  std::map<std::string, bool> ReadOnly;        // OpenExisting and Delete fail
  bool ReadOnlyFolder = false;                 // CreateOutput fails
  int64_t Free = int64_t{1} << 40;             // FreeSpace answer; -1 fails
  int OpenFiles = 0;                           // files not yet closed
  // Largest size a file may reach through writes; -1 for no limit.
  int64_t Capacity = -1;
  // The calls made so far of each kind, over all files.
  std::map<std::string, int> Calls;
  std::string FailKind;
  int FailCall = 0;
  // Run after every read and before every write, with the file's path: a
  // test can act as another program that changes the file meanwhile.
  std::function<void(const std::string& path)> AfterRead;
  std::function<void(const std::string& path)> BeforeWrite;
  std::recursive_mutex Mutex;
};

}  // namespace tamarack::testing
