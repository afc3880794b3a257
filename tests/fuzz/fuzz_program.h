#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/dialogs.h"
#include "support/fakes.h"

// Checks a property of the program's result against the fuzz target's model;
// a violation prints the failed condition and aborts, which the fuzzer reports
// as a crash with the input that caused it.
#define FUZZ_CHECK(condition) \
  ((condition) ? void(0) : ::tamarack::fuzzing::Violation(#condition, __FILE__, __LINE__))

namespace tamarack::fuzzing {

[[noreturn]] void Violation(const char* condition, const char* file, int line);

// Messages are recorded, never scripted: the fuzz targets compare them with
// their model afterwards. A question is answered No; the open-file dialog
// answers from a queue, empty meaning cancelled.
class RecordingDialogs : public Dialogs {
 public:
  struct Message {
    MessageKind Kind;
    std::string Text;
  };

  PromptResult ShowMessage(MessageKind kind, const std::string& text,
                           DefaultAnswer answer = DefaultAnswer::Yes) override;
  std::string ChooseOpenFile(const OpenFileRequest& request) override;

  std::vector<Message> Shown;
  std::deque<std::string> Files;
};

// The whole program on the fakes and the in-memory file system, initialised
// as at window start, with nothing selected.
struct FuzzProgram {
  FuzzProgram();

  // The one program of this process. Painting the window at start-up costs
  // far more than a run of the code under test, so the program is built
  // once; each target puts back, before every input, the state that its run
  // depends on, and leaves the program idle afterwards.
  static FuzzProgram& Shared();

  // Forgets what earlier inputs left in the fakes' records, so that memory
  // stays flat from input to input.
  void ClearRecords();

  testing::FakeFontBackend Fonts;
  testing::FakeTextView Memo;
  RecordingDialogs Messages;
  testing::FakeEventPump Pump;
  testing::FakeClock Timer;
  testing::FakeShell Desktop;
  testing::FakeWindowHost Window;
  testing::FakeFileSystem Files;
  std::unique_ptr<Program> Run;
};

// True when the text is well-formed UTF-8: no stray continuation byte, no
// truncated sequence, no overlong form, no surrogate, nothing above U+10FFFF.
bool IsUtf8(const std::string& text);

// The number of characters of a well-formed UTF-8 text.
size_t Utf8Characters(const std::string& text);

}  // namespace tamarack::fuzzing
