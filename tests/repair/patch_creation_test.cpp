#include "repair/patch_creation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

// Where the patch is written until it is complete.
const std::string Temporary = FakeFileSystem::TemporaryPathOf("/v/a.tkp");

std::string SizeQuestion(const std::string& size) {
  return "Based on the entered Patch codes,\r\nthe Patch file will be " + size +
         " in size.\r\nIf this is too large, enter fewer Patch codes.\r\nCreate Patch file?";
}

std::string Created(const std::string& path) {
  return "The Patch File \"" + path + "\" has been created.";
}

std::string OverwriteQuestion(const std::string& path) {
  return "A Patch file for the Selected file already exists.\r\nOverwrite \"" + path + "\"?";
}

class PatchCreationTest : public ProgramTest {
 protected:
  // Selects a file of the bytes and types the codes into the Patch Codes view.
  void Prepare(const std::string& path, std::vector<uint8_t> bytes, const std::string& codes) {
    AddFile(path, std::move(bytes));
    SelectFile(path);
    program->RunCommand(PatchCodesButton);
    memo.SetText(codes);
  }

  // The progress text at every event pump of the next command.
  void RecordPumps() {
    pump.OnPump = [this](int) { pumpTexts.push_back(program->Progress.LastProgressText()); };
  }

  void ExpectSizeQuestion(const std::string& size, PromptResult answer = PromptResult::Yes) {
    dialogs.Expect(MessageKind::Confirmation, SizeQuestion(size), answer);
  }

  std::vector<std::string> pumpTexts;
};

TEST_F(PatchCreationTest, TheWorkedCase) {
  const std::vector<uint8_t> video = RandomBytes(100000, 1);
  Prepare("/v/movie.AvI", video, "00000");
  ExpectSizeQuestion("0.1Mb (65Kb)");
  dialogs.Expect(MessageKind::Information, Created("/v/movie.tkp"));
  program->RunCommand(CreatePatchButton);

  const std::vector<uint8_t>& patch = files.Files.at("/v/movie.tkp");
  ASSERT_EQ(patch.size(), 65543u);
  EXPECT_EQ(std::vector<uint8_t>(patch.begin(), patch.begin() + 7),
            (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(std::equal(patch.begin() + 7, patch.end(), video.begin()));
  EXPECT_EQ(files.Files.at("/v/movie.AvI"), video);
  EXPECT_TRUE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(PatchCreationTest, PatchFileNamesReplaceOnlyAnAviExtension) {
  EXPECT_EQ(PatchFileNameFor("/v/a.avi"), "/v/a.tkp");
  EXPECT_EQ(PatchFileNameFor("/v/a.AvI"), "/v/a.tkp");
  EXPECT_EQ(PatchFileNameFor("/v/a.divx"), "/v/a.divx.tkp");
  EXPECT_EQ(PatchFileNameFor("/v/a.avi.mpg"), "/v/a.avi.mpg.tkp");
  EXPECT_EQ(PatchFileNameFor("/v/aavi"), "/v/aavi.tkp");
  EXPECT_EQ(PatchFileNameFor("avi"), "avi.tkp");
}

TEST_F(PatchCreationTest, RegionsAreCopiedInOrderInPiecesOfAQuarterMegabyte) {
  const std::vector<uint8_t> video = RandomBytes(40 * UnitSize + 5, 2);
  // Sorted: units 0-15 (four pieces), 16-17 and 32.
  Prepare("/v/a.divx", video, "00200, 0000F 00101");
  ExpectSizeQuestion("1.2Mb (1,217Kb)");
  dialogs.Expect(MessageKind::Information, Created("/v/a.divx.tkp"));
  program->RunCommand(CreatePatchButton);

  std::vector<uint8_t> expected{0x01, 0x00, 0x28, 0x03, 0x00, 0x00, 0x0F,
                                0x00, 0x10, 0x01, 0x00, 0x20, 0x00};
  expected.insert(expected.end(), video.begin(), video.begin() + 18 * UnitSize);
  expected.insert(expected.end(), video.begin() + 32 * UnitSize, video.begin() + 33 * UnitSize);
  EXPECT_EQ(files.Files.at("/v/a.divx.tkp"), expected);
  EXPECT_EQ(files.Counts[FakeFileSystem::TemporaryPathOf("/v/a.divx.tkp")].Writes, 1 + 4 + 1 + 1);
}

TEST_F(PatchCreationTest, EventsRunOnlyBetweenRegions) {
  Prepare("/v/a.avi", RandomBytes(40 * UnitSize, 3), "0000F");
  ExpectSizeQuestion("1.1Mb (1,025Kb)");
  dialogs.Expect(MessageKind::Information, Created("/v/a.tkp"));
  RecordPumps();
  program->RunCommand(CreatePatchButton);
  // One region: after "Creating Patch - 0%" nothing runs until the runner's
  // reset, and the final 100% lets no events run.
  EXPECT_EQ(pumpTexts, (std::vector<std::string>{"Initializing - 0%", "Creating Patch - 0%", ""}));

  pumpTexts.clear();
  program->RunCommand(PatchCodesButton);
  memo.SetText("00000 00020 00040");
  ExpectSizeQuestion("0.2Mb (193Kb)");
  dialogs.Expect(MessageKind::Confirmation, OverwriteQuestion("/v/a.tkp"), PromptResult::Yes);
  dialogs.Expect(MessageKind::Information, Created("/v/a.tkp"));
  program->RunCommand(CreatePatchButton);
  EXPECT_EQ(pumpTexts,
            (std::vector<std::string>{"Initializing - 0%", "Creating Patch - 0%",
                                      "Creating Patch - 33%", "Creating Patch - 66%", ""}));
  EXPECT_EQ(files.Files.at("/v/a.tkp").size(), 4u + 9 + 3 * UnitSize);
}

TEST_F(PatchCreationTest, DecliningTheSizeQuestionEndsWithoutAFile) {
  Prepare("/v/a.avi", RandomBytes(100000, 4), "00000");
  ExpectSizeQuestion("0.1Mb (65Kb)", PromptResult::No);
  program->RunCommand(CreatePatchButton);
  EXPECT_FALSE(files.Exists("/v/a.tkp"));
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(PatchCreationTest, FreeSpaceIsCheckedBeforeAnExistingFile) {
  Prepare("/v/a.avi", RandomBytes(100000, 5), "00000");
  AddFile("/v/a.tkp", {9, 9, 9});
  files.Free = 65539;  // one byte short of the estimate
  ExpectSizeQuestion("0.1Mb (65Kb)");
  dialogs.Expect(MessageKind::Error, "There is not enough free space to create the patch file!");
  program->RunCommand(CreatePatchButton);
  EXPECT_EQ(files.Files.at("/v/a.tkp"), (std::vector<uint8_t>{9, 9, 9}));
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);

  files.Free = 65540;
  ExpectSizeQuestion("0.1Mb (65Kb)");
  dialogs.Expect(MessageKind::Confirmation, OverwriteQuestion("/v/a.tkp"), PromptResult::No);
  program->RunCommand(CreatePatchButton);
  // Return overwrites nothing, but it does accept the size.
  EXPECT_EQ(dialogs.DefaultOf(OverwriteQuestion("/v/a.tkp")), DefaultAnswer::No);
  EXPECT_EQ(dialogs.DefaultOf("Based on the entered Patch codes"), DefaultAnswer::Yes);
  EXPECT_EQ(files.Files.at("/v/a.tkp"), (std::vector<uint8_t>{9, 9, 9}));
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(files.OpenFiles, 0);

  ExpectSizeQuestion("0.1Mb (65Kb)");
  dialogs.Expect(MessageKind::Confirmation, OverwriteQuestion("/v/a.tkp"), PromptResult::Yes);
  dialogs.Expect(MessageKind::Information, Created("/v/a.tkp"));
  program->RunCommand(CreatePatchButton);
  EXPECT_EQ(files.Files.at("/v/a.tkp").size(), 65543u);
}

TEST_F(PatchCreationTest, AFileThatCannotBeCreatedGivesTheAccessMessage) {
  Prepare("/v/a.avi", RandomBytes(100000, 6), "00000");
  files.ReadOnlyFolder = true;
  ExpectSizeQuestion("0.1Mb (65Kb)");
  dialogs.Expect(MessageKind::Error, "The Patch file cannot be accessed because:\r\n*");
  program->RunCommand(CreatePatchButton);
  EXPECT_FALSE(files.Exists("/v/a.tkp"));
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(PatchCreationTest, AStopWhileWritingLeavesNoPatchFile) {
  Prepare("/v/a.avi", RandomBytes(40 * UnitSize, 7), "00000 00020 00040");
  ExpectSizeQuestion("0.2Mb (193Kb)");
  pump.OnPump = [this](int) {
    if (program->Progress.LastProgressText() != "Creating Patch - 33%") return;
    dialogs.Expect(MessageKind::Confirmation,
                   "Current operation paused.\r\nStop current operation?", PromptResult::Yes);
    program->RunCommand(PauseStopButton);
  };
  program->RunCommand(CreatePatchButton);
  EXPECT_FALSE(files.Exists("/v/a.tkp"));
  // Only the first region was copied before the stop.
  EXPECT_EQ(files.Counts[Temporary].Writes, 2);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
  EXPECT_EQ(program->ButtonPanel.State(CreatePatchButton), ButtonState::Up);
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(PatchCreationTest, AStopAnsweredNoGoesOnToTheEnd) {
  Prepare("/v/a.avi", RandomBytes(40 * UnitSize, 8), "00000 00020");
  ExpectSizeQuestion("0.2Mb (129Kb)");
  dialogs.Expect(MessageKind::Confirmation, "Current operation paused.\r\nStop current operation?",
                 PromptResult::No);
  pump.OnPump = [this](int) {
    if (program->Progress.LastProgressText() == "Creating Patch - 50%") {
      program->RunCommand(PauseStopButton);
    }
  };
  dialogs.Expect(MessageKind::Information, Created("/v/a.tkp"));
  program->RunCommand(CreatePatchButton);
  EXPECT_EQ(files.Files.at("/v/a.tkp").size(), 4u + 6 + 2 * UnitSize);
  EXPECT_TRUE(program->Control.LastRunCompleted());
}

TEST_F(PatchCreationTest, AFailedDataWriteDeletesThePartialPatch) {
  Prepare("/v/a.avi", RandomBytes(40 * UnitSize, 9), "0000F 00200");
  ExpectSizeQuestion("1.1Mb (1,089Kb)");
  // The disk fills up during the second piece of data.
  files.Capacity = 7 + 300000;
  dialogs.Expect(MessageKind::Error, "The Patch File cannot be written to (no space?).");
  program->RunCommand(CreatePatchButton);
  EXPECT_FALSE(files.Exists("/v/a.tkp"));
  EXPECT_EQ(files.Counts[Temporary].Writes, 3);
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(PatchCreationTest, UnexpectedFaultsEndTheOperationAndDeleteThePatch) {
  struct Case {
    std::string Path, Operation;
    int FromCall;
    std::string Message;
  };
  // The Information view read the selected file twice at selection.
  const std::vector<Case> cases = {
      {Temporary, "write", 1, "The Patch file could not be written to."},
      {"/v/a.avi", "read", 3, "The Selected file could not be read."},
      {Temporary, "close", 1, "The Patch file could not be written to."},
      {Temporary, "sync", 1, "The Patch file could not be written to."},
  };
  Prepare("/v/a.avi", RandomBytes(100000, 10), "00000");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Message);
    files.Failures.clear();
    files.Counts.clear();
    files.FailOn(c.Path, c.Operation, c.FromCall);
    // The selection's reads and seeks count as well: start past them.
    if (c.Path == "/v/a.avi") files.Counts[c.Path] = {2, 0, 2, 1};
    program->RunCommand(PatchCodesButton);
    ExpectSizeQuestion("0.1Mb (65Kb)");
    dialogs.Expect(MessageKind::Error, c.Message);
    program->RunCommand(CreatePatchButton);
    EXPECT_FALSE(files.Exists("/v/a.tkp"));
    EXPECT_FALSE(files.Exists(Temporary));
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(files.OpenFiles, 0);
  }
}

}  // namespace
}  // namespace tamarack::testing
