#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "support/fakes.h"
#include "ui/buttons.h"

namespace tamarack::testing {

// The whole program on fakes and the given file system, initialised as at
// window start.
template <class FileSystemType>
class ProgramOn : public ::testing::Test {
 protected:
  ProgramOn() {
    program = std::make_unique<Program>(
        PlatformServices{fonts, memo, dialogs, pump, clock, shell, window, files});
    memo.SetText("help text");
    program->DoInit();
  }

  // Selects a file through the Select command, its Information view read
  // without messages.
  void SelectFile(const std::string& path) {
    dialogs.ExpectFile(path);
    program->RunCommand(SelectClearButton);
  }

  // Presses and releases the pointer over a button.
  void Click(int id) {
    const LayoutRect r = ButtonTable[id - 1].Rect;
    const int x = 4 * r.Left + 2;
    const int y = 4 * r.Top + 2;
    program->Pointer.DoMouseDown(x, y);
    program->Pointer.DoMouseUp(x, y);
  }

  FakeFontBackend fonts;
  FakeTextView memo;
  FakeDialogs dialogs;
  FakeEventPump pump;
  FakeClock clock;
  FakeShell shell;
  FakeWindowHost window;
  FileSystemType files;
  std::unique_ptr<Program> program;
};

// The program on the in-memory file system.
class ProgramTest : public ProgramOn<FakeFileSystem> {
 protected:
  // A file of the given bytes in the fake file system.
  void AddFile(const std::string& path, std::vector<uint8_t> bytes) {
    files.Files[path] = std::move(bytes);
  }
};

}  // namespace tamarack::testing
