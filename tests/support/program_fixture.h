#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/program.h"
#include "support/fakes.h"

namespace tamarack::testing {

// The whole program on fakes, initialised as at window start.
class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest();

  // Selects a file through the Select command, its Information view read
  // without messages.
  void SelectFile(const std::string& path);
  // A file of the given bytes in the fake file system.
  void AddFile(const std::string& path, std::vector<uint8_t> bytes) {
    files.Files[path] = std::move(bytes);
  }
  // Presses and releases the pointer over a button.
  void Click(int id);

  FakeFontBackend fonts;
  FakeTextView memo;
  FakeDialogs dialogs;
  FakeEventPump pump;
  FakeClock clock;
  FakeShell shell;
  FakeWindowHost window;
  FakeFileSystem files;
  std::unique_ptr<Program> program;
};

}  // namespace tamarack::testing
