// Every operation against a fault at every call it makes to the file
// system: the Nth call of each kind fails, for every N that a fault-free
// run reaches. Whatever fails, the user's files must stay sound.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

using FileMap = std::map<std::string, std::vector<uint8_t>>;

const std::string Video = "/v/film.avi";
const std::string OldBackup = "/v/BACKUP.film.avi";
const std::string Reference = "/r/film.avi";
const std::string IntactCopy = "/i/film.avi";
const std::string OldPatch = "/i/film.tkp";
const std::string Codes = "00002 00051";

const std::vector<std::string> Kinds = {"open", "create", "read",  "write",  "seek",   "size",
                                        "sync", "rename", "close", "exists", "delete", "free"};

struct Operation {
  std::string Name;
  std::string Selected;
  int Button;
  std::string FileAnswer;  // the reference or patch chosen in the file dialog
};

class IoFaultTest : public ProgramTest {
 protected:
  IoFaultTest() {
    intact = RandomBytes(7 * UnitSize + 1234, 31);
    AddFile(Video, Damaged(intact, {{70000, 100000}, {5 * UnitSize + 10, 90000}}));
    AddFile(Reference, intact);
    AddFile(IntactCopy, intact);
    AddFile(OldBackup, {1, 2, 3});
    AddFile(OldPatch, {9, 9});
    dialogs.AnyAnswer = PromptResult::Yes;
  }

  void Run(const Operation& op) {
    if (op.Button == CreatePatchButton) {
      program->RunCommand(PatchCodesButton);
      memo.SetText(Codes);
    }
    dialogs.AnyFile = op.FileAnswer;
    dialogs.Shown.clear();
    files.Calls.clear();
    program->RunCommand(op.Button);
  }

  bool ErrorShown() const {
    for (const FakeDialogs::Message& m : dialogs.Shown) {
      if (m.Kind == MessageKind::Error) return true;
    }
    return false;
  }

  // What a run with a fault may leave: the selected file changed only
  // where zero bytes took the value a fault-free run gives them; every
  // other file either as it was or as a fault-free run leaves it; no
  // temporary file; the program idle with every file closed.
  void ExpectSound(const FileMap& before, const FileMap& clean, const Operation& op) {
    for (const auto& [path, bytes] : files.Files) {
      EXPECT_EQ(path.find(".tmp"), std::string::npos) << "temporary file left: " << path;
    }
    const std::vector<uint8_t>& was = before.at(op.Selected);
    const std::vector<uint8_t>& now = files.Files.at(op.Selected);
    ASSERT_EQ(now.size(), was.size());
    const std::vector<uint8_t>& fixed = clean.at(op.Selected);
    for (size_t i = 0; i < now.size(); ++i) {
      if (now[i] != was[i]) {
        ASSERT_TRUE(was[i] == 0 && now[i] == fixed[i]) << "byte " << i << " of the selected file";
      }
    }
    for (const auto& [path, bytes] : before) {
      if (path == op.Selected) continue;
      const auto left = files.Files.find(path);
      const auto after = clean.find(path);
      const bool gone = left == files.Files.end();
      const bool asBefore = !gone && left->second == bytes;
      const bool asClean =
          gone == (after == clean.end()) && (gone || left->second == after->second);
      EXPECT_TRUE(asBefore || asClean) << path;
    }
    for (const auto& [path, bytes] : clean) {
      if (before.count(path) == 0 && files.Files.count(path) > 0) {
        EXPECT_EQ(files.Files.at(path), bytes) << "new file " << path;
      }
    }
    if (!program->Control.LastRunCompleted()) {
      EXPECT_TRUE(ErrorShown()) << "no message";
    }
    EXPECT_FALSE(program->Control.Busy());
    EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
    EXPECT_EQ(program->ButtonPanel.State(op.Button), ButtonState::Up);
    EXPECT_EQ(files.OpenFiles, 0);
  }

  // Runs the operation once without a fault, then once for every call it
  // made, that call failing. Returns the number of runs with a fault.
  int RunWithEveryFault(const Operation& op) {
    SelectFile(op.Selected);
    const FileMap before = files.Files;
    Run(op);
    EXPECT_TRUE(program->Control.LastRunCompleted()) << op.Name << " without a fault";
    const FileMap clean = files.Files;
    const std::map<std::string, int> calls = files.Calls;
    int points = 0;
    for (const std::string& kind : Kinds) {
      const auto made = calls.find(kind);
      for (int n = 1; made != calls.end() && n <= made->second; ++n) {
        SCOPED_TRACE(op.Name + ": call " + std::to_string(n) + " of " + kind + " fails");
        files.Files = before;
        files.FailNthCall(kind, n);
        Run(op);
        files.FailNthCall("", 0);
        ExpectSound(before, clean, op);
        ++points;
        if (HasFatalFailure()) return points;
      }
    }
    std::cout << "[ faults   ] " << op.Name << ": " << points << " injection points\n";
    RecordProperty("injection_points", points);
    return points;
  }

  std::vector<uint8_t> intact;
};

TEST_F(IoFaultTest, Analyze) {
  EXPECT_GE(RunWithEveryFault({"Analyze", Video, AnalyzeButton, ""}), 5);
}

TEST_F(IoFaultTest, CreateBackupOverAnOldOne) {
  EXPECT_GT(RunWithEveryFault({"Create Backup", Video, CreateBackupButton, ""}), 10);
}

TEST_F(IoFaultTest, CreatePatchOverAnOldOne) {
  EXPECT_GT(RunWithEveryFault({"Create Patch", IntactCopy, CreatePatchButton, ""}), 10);
}

TEST_F(IoFaultTest, RepairWithReferenceAndDeleteIt) {
  EXPECT_GT(RunWithEveryFault({"Repair with Reference", Video, RepairReferenceButton, Reference}),
            10);
}

TEST_F(IoFaultTest, RepairWithPatch) {
  // The patch comes from the intact copy, made by the program itself.
  SelectFile(IntactCopy);
  program->RunCommand(PatchCodesButton);
  memo.SetText(Codes);
  files.Files.erase(OldPatch);
  program->RunCommand(CreatePatchButton);
  ASSERT_TRUE(program->Control.LastRunCompleted());
  program->RunCommand(SelectClearButton);
  EXPECT_GT(RunWithEveryFault({"Repair with Patch", Video, RepairPatchButton, OldPatch}), 10);
}

}  // namespace
}  // namespace tamarack::testing
