// The operations driven as an engine, without a front end: each returns how
// it ended and what it wrote, and Analyze what it found.
#include <gtest/gtest.h>

#include "analysis/analysis_report.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Video = "/v/film.avi";
const std::string Backup = "/v/BACKUP.film.avi";

class EngineTest : public ProgramTest {
 protected:
  EngineTest() {
    // A hole of two units, then one of a single unit further on.
    intact = RandomBytes(40 * UnitSize, 51);
    AddFile(Video, Damaged(intact, {{UnitSize, 2 * UnitSize}, {30 * UnitSize, UnitSize}}));
    SelectFile(Video);
  }
  std::vector<uint8_t> intact;
};

TEST_F(EngineTest, AnalyzeReturnsCodesInFileOrderRunsAndCells) {
  dialogs.Expect(MessageKind::Information, "Analysis complete.*");
  const OperationResult result = program->Run(Operation::Analyze);
  EXPECT_EQ(result.Result, Outcome::Completed);
  const AnalysisResult& found = program->LastFindings().Analysis;
  EXPECT_TRUE(found.Completed);
  EXPECT_EQ(found.ErrorBytes, 3 * UnitSize);
  EXPECT_EQ(found.Codes, (std::vector<std::string>{"00011", "001E0"}));
  // The view lists them by size: the single unit first.
  EXPECT_EQ(ListedCodes(found.Codes), (std::vector<std::string>{"001E0", "00011"}));
  EXPECT_EQ(found.Runs, (std::vector<Extent>{{UnitSize, 2 * UnitSize}, {30 * UnitSize, UnitSize}}));
  // Cells of 1,311 bytes: 2,000 of them cover the file.
  ASSERT_EQ(found.Cells.size(), 2000u);
  EXPECT_EQ(found.Cells[0], Green);
  EXPECT_EQ(found.Cells[60], Red);
  EXPECT_EQ(found.Cells[1000], Green);
  EXPECT_EQ(found.Cells[1520], Red);
  EXPECT_EQ(found.Cells[1999], Green);
  // The window shows the text made from the same codes.
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_EQ(memo.Text.rfind(PatchCodesText(found.Codes), 0), 0u);
}

TEST_F(EngineTest, EachWayAnOperationEndsIsReturned) {
  dialogs.Expect(MessageKind::Information, "The Backup file \"" + Backup + "\" has been created.");
  OperationResult result = program->Run(Operation::CreateBackup);
  EXPECT_EQ(result.Result, Outcome::Completed);
  EXPECT_EQ(result.FilesWritten, std::vector<std::string>{Backup});
  EXPECT_EQ(result.Message, "");

  dialogs.Expect(MessageKind::Confirmation, "A Backup file for the Selected file already exists.*",
                 PromptResult::No);
  result = program->Run(Operation::CreateBackup);
  EXPECT_EQ(result.Result, Outcome::Declined);
  EXPECT_TRUE(result.FilesWritten.empty());

  dialogs.Expect(MessageKind::Confirmation, "A Backup file for the Selected file already exists.*",
                 PromptResult::Yes);
  clock.Step = 1000;
  pump.OnPump = [this](int) {
    if (program->Progress.OperationTitle() != "Creating Backup") return;
    pump.OnPump = nullptr;
    dialogs.Expect(MessageKind::Confirmation, "Current operation paused.*", PromptResult::Yes);
    program->RunCommand(PauseStopButton);
  };
  result = program->Run(Operation::CreateBackup);
  EXPECT_EQ(result.Result, Outcome::Stopped);

  files.Locked[Video] = true;
  const std::string access = "The Selected file cannot be accessed because:\r\n*";
  dialogs.Expect(MessageKind::Error, access);
  result = program->Run(Operation::Analyze);
  EXPECT_EQ(result.Result, Outcome::Failed);
  EXPECT_EQ(result.Message.rfind("The Selected file cannot be accessed because:", 0), 0u);
  EXPECT_FALSE(program->LastFindings().Analysis.Completed);
}

}  // namespace
}  // namespace tamarack::testing
