// A selected file that cannot be written: on a read-only mount, of another
// user, or without write permission. The operations that only read it work;
// the repairs say that it cannot be accessed and leave it as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "support/program_fixture.h"
#include "support/real_files.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string AccessError = "The Selected file cannot be accessed because:\r\n*";

class ReadOnlyFileTest : public RealFilesTest {
 protected:
  void SetUp() override {
    RealFilesTest::SetUp();
    path = temp.File("film.avi");
    intact = RandomBytes(8 * UnitSize + 100, 17);
    bytes = Damaged(intact, {{UnitSize + 10, 5000}});
    WriteRealFile(path, bytes);
    WriteRealFile(temp.File("second.avi"), intact);
    unwritable = std::make_unique<UnwritableFile>(path);
    if (!unwritable->Made()) GTEST_SKIP() << UnwritableFile::WhyNot;
  }

  std::string path;
  std::vector<uint8_t> intact;
  std::vector<uint8_t> bytes;
  std::unique_ptr<UnwritableFile> unwritable;
};

TEST_F(ReadOnlyFileTest, IsDescribedAnalysedAndCopied) {
  SelectFile(path);  // the Information view is read without a message
  EXPECT_NE(memo.Text.find("Size:\r\n   0.6Mb (513Kb)"), std::string::npos);

  dialogs.Expect(MessageKind::Information, "Analysis complete.*");
  OperationResult result = program->Run(Operation::Analyze);
  EXPECT_EQ(result.Result, Outcome::Completed);
  EXPECT_EQ(program->LastFindings().Analysis.ErrorBytes, 5000);
  EXPECT_EQ(program->LastFindings().Analysis.Codes, std::vector<std::string>{"00010"});

  const std::string backup = temp.File("BACKUP.film.avi");
  dialogs.Expect(MessageKind::Information, "The Backup file \"" + backup + "\" has been created.");
  result = program->Run(Operation::CreateBackup);
  EXPECT_EQ(result.Result, Outcome::Completed);
  EXPECT_EQ(ReadRealFile(backup), bytes);

  // A patch of the file's intact units, for somebody else's copy.
  program->ViewArea.Store(View::PatchCodes) = "00000";
  dialogs.Expect(MessageKind::Confirmation, "Based on the entered Patch codes,*",
                 PromptResult::Yes);
  dialogs.Expect(MessageKind::Information,
                 "The Patch File \"" + temp.File("film.tkp") + "\" has been created.");
  result = program->Run(Operation::CreatePatch);
  EXPECT_EQ(result.Result, Outcome::Completed);
  EXPECT_TRUE(std::filesystem::exists(temp.File("film.tkp")));
  EXPECT_EQ(ReadRealFile(path), bytes);
}

TEST_F(ReadOnlyFileTest, RepairsSayItCannotBeAccessed) {
  SelectFile(path);
  dialogs.ExpectFile(temp.File("second.avi"));
  dialogs.Expect(MessageKind::Error, AccessError);
  OperationResult result = program->Run(Operation::RepairWithReference);
  EXPECT_EQ(result.Result, Outcome::Failed);

  dialogs.ExpectFile(temp.File("film.tkp"));
  dialogs.Expect(MessageKind::Error, AccessError);
  result = program->Run(Operation::RepairWithPatch);
  EXPECT_EQ(result.Result, Outcome::Failed);
  EXPECT_EQ(ReadRealFile(path), bytes);
  EXPECT_TRUE(std::filesystem::exists(temp.File("second.avi")));
}

// A reference or a patch is only read, so one that cannot be written (another
// user's, on a read-only mount) repairs a writable file all the same.
class ReadOnlyInputTest : public RealFilesTest {
 protected:
  void SetUp() override {
    RealFilesTest::SetUp();
    intact = RandomBytes(8 * UnitSize + 100, 23);
    damaged = Damaged(intact, {{UnitSize + 10, 5000}});
    WriteRealFile(path, damaged);
    WriteRealFile(reference, intact);
  }
  // Makes the input unwritable, then repairs the file from it.
  void RepairFrom(const std::string& input, Operation operation, const std::string& completed) {
    const UnwritableFile unwritable(input);
    if (!unwritable.Made()) GTEST_SKIP() << UnwritableFile::WhyNot;
    SelectFile(path);
    dialogs.ExpectFile(input);
    dialogs.Expect(MessageKind::Information, completed);
    if (operation == Operation::RepairWithReference) {
      dialogs.Expect(MessageKind::Confirmation, "This Reference file is no longer needed*",
                     PromptResult::No);
    }
    EXPECT_EQ(program->Run(operation).Result, Outcome::Completed);
    EXPECT_EQ(ReadRealFile(path), intact);
    EXPECT_TRUE(dialogs.AllAnswered());
  }

  const std::string path = temp.File("film.avi");
  const std::string reference = temp.File("second.avi");
  std::vector<uint8_t> intact;
  std::vector<uint8_t> damaged;
};

TEST_F(ReadOnlyInputTest, AnUnwritableReferenceRepairs) {
  RepairFrom(reference, Operation::RepairWithReference,
             "Referencing complete. Analyze the Selected file for remaining errors.");
}

TEST_F(ReadOnlyInputTest, AnUnwritablePatchRepairs) {
  SelectFile(reference);
  program->ViewArea.Store(View::PatchCodes) = "00010";
  dialogs.Expect(MessageKind::Confirmation, "Based on the entered Patch codes,*",
                 PromptResult::Yes);
  dialogs.Expect(MessageKind::Information,
                 "The Patch File \"" + temp.File("second.tkp") + "\" has been created.");
  ASSERT_EQ(program->Run(Operation::CreatePatch).Result, Outcome::Completed);
  program->RunCommand(SelectClearButton);  // clears the selection
  RepairFrom(temp.File("second.tkp"), Operation::RepairWithPatch,
             "Patching complete. Analyze the Selected file for remaining errors.");
}

}  // namespace
}  // namespace tamarack::testing
