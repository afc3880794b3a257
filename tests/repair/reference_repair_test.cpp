#include "repair/reference_repair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "repair/file_blocks.h"
#include "repair/reference_sample.h"
#include "support/forwarding_file_system.h"
#include "support/program_fixture.h"
#include "support/real_files.h"
#include "ui/block_grid.h"

namespace tamarack::testing {
namespace {

const std::string SelectedPath = "/videos/film.avi";
const std::string ReferencePath = "/downloads/film.avi";
const std::string SameFileText = "The Selected file and the Reference file\r\nare the same file.";
const std::string SizesText = "The Selected file and Reference file\r\nare different sizes.";
const std::string CompleteText =
    "Referencing complete. Analyze the Selected file for remaining errors.";
const std::string DeleteOfferText =
    "This Reference file is no longer needed and can be deleted.\r\n"
    "Deleting will be permanent (Recycle Bin will be bypassed).\r\n"
    "Delete this Reference file?";
const std::string StopText = "Current operation paused.\r\nStop current operation?";

// The reads of each file that the sample check makes before the merge.
int SampleReads(size_t size) {
  return static_cast<int>(SampleBlockStarts(static_cast<int64_t>(size)).size());
}

// Bytes 1 to 251 over and over: no zero anywhere.
std::vector<uint8_t> NonZeroBytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(1 + i % 251);
  return bytes;
}

class ReferenceRepairTest : public ProgramTest {
 protected:
  // Selects the file and answers the reference dialog with the path.
  void Prepare(std::vector<uint8_t> selected, std::vector<uint8_t> reference) {
    AddFile(SelectedPath, std::move(selected));
    AddFile(ReferencePath, std::move(reference));
    SelectFile(SelectedPath);
    files.Counts.clear();
  }
  void Run(const std::string& referencePath = ReferencePath) {
    dialogs.ExpectFile(referencePath);
    program->RunCommand(RepairReferenceButton);
  }
  void ExpectCompletion(PromptResult deleteAnswer) {
    dialogs.Expect(MessageKind::Information, CompleteText);
    dialogs.Expect(MessageKind::Confirmation, DeleteOfferText, deleteAnswer);
  }
  // The merge has written its first block: the moment a test steps in as
  // the user or as another program. The merge reads on two threads, so its
  // counts of reads say nothing of how far it has come.
  bool FirstBlockWritten() {
    const std::lock_guard lock(files.Mutex);
    return files.Counts[SelectedPath].Writes == 1;
  }
  Color CellColor(int index) const {
    const CellOrigin o = CellPosition(static_cast<uint16_t>(index));
    return program->Bitmap.GetPixel(o.X, o.Y);
  }
  // The operation ran to its end and left the painted map in view.
  void ExpectCompleted() {
    EXPECT_TRUE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
    EXPECT_EQ(files.OpenFiles, 0);
  }
  // The operation ended early: map wiped, Information view, nothing open.
  void ExpectAbandoned() {
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
    EXPECT_EQ(CellColor(1), White);
    EXPECT_EQ(files.OpenFiles, 0);
    EXPECT_FALSE(program->Control.Busy());
  }
};

TEST_F(ReferenceRepairTest, IdenticalFilesWriteNothingAndPaintEveryCellSilver) {
  // 600,001 bytes: cells of 300 bytes, the 2001st holding the last byte alone.
  std::vector<uint8_t> bytes = NonZeroBytes(600001);
  bytes[1000] = 0;  // a zero in both copies stays and changes nothing
  Prepare(bytes, bytes);
  ExpectCompletion(PromptResult::No);
  Run();
  ExpectCompleted();
  EXPECT_EQ(files.Counts[SelectedPath].Writes, 0);
  EXPECT_EQ(files.Counts[ReferencePath].Writes, 0);
  EXPECT_EQ(files.Files[SelectedPath], bytes);
  for (int i = 1; i <= CellCount; ++i) ASSERT_EQ(CellColor(i), Silver) << "cell " << i;
  EXPECT_TRUE(files.Exists(ReferencePath));  // "No" keeps the reference
  // Return keeps it too: the permanent deletion is never the default.
  EXPECT_EQ(dialogs.DefaultOf(DeleteOfferText), DefaultAnswer::No);
}

TEST_F(ReferenceRepairTest, AllZeroFileTakesTheWholeReference) {
  // Four blocks, the last one short: every block changes and is written.
  // 787,432 bytes make cells of 394 bytes, 1,999 of them.
  const std::vector<uint8_t> reference = NonZeroBytes(3 * FileBlockSize + 1000);
  Prepare(std::vector<uint8_t>(reference.size(), 0), reference);
  ExpectCompletion(PromptResult::Yes);
  dialogs.Expect(MessageKind::Information, "This Reference file has been deleted.");
  Run();
  ExpectCompleted();
  EXPECT_EQ(files.Files[SelectedPath], reference);
  EXPECT_EQ(files.Counts[SelectedPath].Writes, 4);
  for (int i = 1; i <= 1999; ++i) ASSERT_EQ(CellColor(i), Green) << "cell " << i;
  EXPECT_EQ(CellColor(2000), White);
  EXPECT_FALSE(files.Exists(ReferencePath));
}

TEST_F(ReferenceRepairTest, OnlyZeroBytesFacingNonZeroBytesChange) {
  // 5,000 bytes: cells of 3 bytes, 1,667 of them, the last holding 2 bytes.
  const size_t size = 5000;
  ASSERT_EQ(MapCellSize(size), 3);
  std::vector<uint8_t> selected = NonZeroBytes(size);
  std::vector<uint8_t> reference = selected;
  selected[0] = 0;  // cell 1: a zero facing a zero only
  reference[0] = 0;
  selected[3] = 0;  // cell 2: a zero facing a zero beside a zero facing a byte
  reference[3] = 0;
  selected[4] = 0;
  reference[4] = 77;
  reference[5] = 201;  // and a non-zero byte facing a different one
  reference[7] = 200;  // cell 3: a non-zero byte facing a different one only
  selected[4999] = 0;  // cell 1,667, the short last one
  reference[4999] = 9;
  Prepare(selected, reference);
  // The two bytes that both files hold differently are told after the
  // completion message.
  dialogs.Expect(MessageKind::Information, CompleteText);
  dialogs.Expect(MessageKind::Information,
                 "The Reference file holds other data than the Selected file in 2 bytes;\r\n"
                 "the Selected file kept its own data there.");
  dialogs.Expect(MessageKind::Confirmation, DeleteOfferText, PromptResult::None);
  Run();
  ExpectCompleted();
  EXPECT_EQ(program->LastFindings().Counts, (std::vector<ReferenceCount>{{ReferencePath, 2}}));
  std::vector<uint8_t> expected = selected;
  expected[4] = 77;
  expected[4999] = 9;
  EXPECT_EQ(files.Files[SelectedPath], expected);
  EXPECT_EQ(CellColor(1), Silver);
  EXPECT_EQ(CellColor(2), Green);
  EXPECT_EQ(CellColor(3), Silver);
  EXPECT_EQ(CellColor(1666), Silver);
  EXPECT_EQ(CellColor(1667), Green);
  EXPECT_EQ(CellColor(1668), White);
  EXPECT_TRUE(files.Exists(ReferencePath));  // a closed dialog is no Yes
}

TEST_F(ReferenceRepairTest, OnlyChangedBlocksAreWrittenBack) {
  std::vector<uint8_t> reference = NonZeroBytes(3 * FileBlockSize);
  std::vector<uint8_t> selected = reference;
  selected[FileBlockSize + 5] = 0;  // the middle block only
  Prepare(selected, reference);
  ExpectCompletion(PromptResult::No);
  Run();
  EXPECT_EQ(files.Counts[SelectedPath].Writes, 1);
  EXPECT_EQ(files.Files[SelectedPath], reference);
}

TEST_F(ReferenceRepairTest, RefusedChecksOpenNothingAndChangeNothing) {
  const std::vector<uint8_t> zeros(4096, 0);
  Prepare(zeros, NonZeroBytes(4096));
  AddFile("/downloads/short.avi", NonZeroBytes(4095));

  // The selected file itself, also under another spelling of its path or
  // through a link, as the file system resolves them.
  for (const char* alias :
       {"/videos/./film.avi", "/videos//film.avi", "/downloads/../videos/film.avi"}) {
    files.Aliases[alias] = SelectedPath;
  }
  for (const std::string& same :
       {SelectedPath, std::string("/videos/./film.avi"), std::string("/videos//film.avi"),
        std::string("/downloads/../videos/film.avi")}) {
    dialogs.Expect(MessageKind::Error, SameFileText);
    Run(same);
    ExpectAbandoned();
  }

  dialogs.Expect(MessageKind::Error, SizesText);
  Run("/downloads/short.avi");
  ExpectAbandoned();

  dialogs.Expect(MessageKind::Error, "The Reference file cannot be accessed because:*");
  Run("/downloads/missing.avi");
  ExpectAbandoned();

  files.Locked[ReferencePath] = true;
  dialogs.Expect(MessageKind::Error, "The Reference file cannot be accessed because:*");
  Run();
  ExpectAbandoned();

  Run("");  // the dialog cancelled: no message at all
  ExpectAbandoned();

  EXPECT_EQ(files.Files[SelectedPath], zeros);
  EXPECT_EQ(files.Counts[SelectedPath].Writes, 0);
  EXPECT_EQ(files.Counts[SelectedPath].Reads, 0);
}

TEST_F(ReferenceRepairTest, UnusableSelectedFileIsReportedBeforeTheReferenceIsOpened) {
  Prepare(NonZeroBytes(4096), NonZeroBytes(4096));
  files.Files[SelectedPath].resize(1023);
  dialogs.Expect(MessageKind::Error, "The Selected file must be at least 1Kb in size.");
  Run();
  ExpectAbandoned();
  EXPECT_EQ(files.Counts.count(ReferencePath), 0u);
}

TEST_F(ReferenceRepairTest, StopKeepsMergedBlocksAndOffersNoDeletion) {
  const std::vector<uint8_t> reference = NonZeroBytes(4 * FileBlockSize);
  Prepare(std::vector<uint8_t>(reference.size(), 0), reference);
  clock.Step = 1000;  // every block is due for progress, so events run after each
  bool asked = false;
  pump.OnPump = [&](int) {
    if (!asked && FirstBlockWritten()) {
      asked = true;
      dialogs.Expect(MessageKind::Confirmation, StopText, PromptResult::Yes);
      program->RunCommand(PauseStopButton);
    }
  };
  Run();
  EXPECT_TRUE(asked);
  ExpectAbandoned();
  const std::vector<uint8_t>& result = files.Files[SelectedPath];
  EXPECT_TRUE(std::equal(reference.begin(), reference.begin() + FileBlockSize, result.begin()));
  EXPECT_TRUE(
      std::all_of(result.begin() + FileBlockSize, result.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(files.Counts[SelectedPath].Writes, 1);
  EXPECT_TRUE(files.Exists(ReferencePath));
}

TEST_F(ReferenceRepairTest, StopAnsweredNoGoesOnToTheEnd) {
  const std::vector<uint8_t> reference = NonZeroBytes(2 * FileBlockSize);
  Prepare(std::vector<uint8_t>(reference.size(), 0), reference);
  clock.Step = 1000;
  bool asked = false;
  pump.OnPump = [&](int) {
    if (!asked && FirstBlockWritten()) {
      asked = true;
      dialogs.Expect(MessageKind::Confirmation, StopText, PromptResult::No);
      program->RunCommand(PauseStopButton);
      ExpectCompletion(PromptResult::No);
    }
  };
  Run();
  EXPECT_TRUE(asked);
  ExpectCompleted();
  EXPECT_EQ(files.Files[SelectedPath], reference);
}

TEST_F(ReferenceRepairTest, FailedDeletionStillCountsAsCompleted) {
  const std::vector<uint8_t> bytes = NonZeroBytes(2048);
  Prepare(bytes, bytes);
  dialogs.Expect(MessageKind::Information, CompleteText);
  dialogs.Expect(MessageKind::Confirmation, DeleteOfferText, PromptResult::Yes,
                 [&] { files.ReadOnly[ReferencePath] = true; });
  dialogs.Expect(MessageKind::Error, "This Reference file cannot be deleted.");
  Run();
  ExpectCompleted();
  EXPECT_EQ(CellColor(1), Silver);  // the map stays
  EXPECT_TRUE(files.Exists(ReferencePath));
}

TEST_F(ReferenceRepairTest, FaultsInTheMergeEndItWithAMessage) {
  struct Case {
    std::string Path;
    std::string Operation;
    int FromCall;
    FileRole Role;
    FileFault Fault;
  };
  const std::vector<uint8_t> reference = NonZeroBytes(2 * FileBlockSize);
  // The sample check reads each block of this small file once before; the
  // merge reads at the blocks' offsets and seeks only before each write.
  const int sample = SampleReads(reference.size());
  const std::vector<Case> cases = {
      {SelectedPath, "read", sample + 2, FileRole::Selected, FileFault::Read},
      {ReferencePath, "read", sample + 1, FileRole::Reference, FileFault::Read},
      {SelectedPath, "write", 1, FileRole::Selected, FileFault::Write},
      {SelectedPath, "seek", 1, FileRole::Selected, FileFault::Seek},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Operation + " of " + c.Path);
    files.Failures.clear();
    Prepare(std::vector<uint8_t>(reference.size(), 0), reference);
    files.FailOn(c.Path, c.Operation, c.FromCall);
    dialogs.Expect(MessageKind::Error, FaultMessage(c.Role, c.Fault));
    Run();
    ExpectAbandoned();
    // Nothing but whole merged blocks reached the file, and none beyond it.
    const std::vector<uint8_t>& result = files.Files[SelectedPath];
    ASSERT_EQ(result.size(), reference.size());
    EXPECT_TRUE(result[FileBlockSize] == 0);
    program->RunCommand(SelectClearButton);
  }
}

TEST_F(ReferenceRepairTest, FileShortenedDuringTheMergeEndsIt) {
  for (const std::string& shortened : {SelectedPath, ReferencePath}) {
    SCOPED_TRACE(shortened);
    // More blocks than the merge reads ahead of the one it writes, so that
    // some are read after the file became shorter.
    const std::vector<uint8_t> reference = NonZeroBytes(8 * FileBlockSize);
    Prepare(std::vector<uint8_t>(reference.size(), 0), reference);
    clock.Step = 1000;
    pump.OnPump = [&](int) {
      if (FirstBlockWritten()) files.Files[shortened].resize(FileBlockSize + 10);
    };
    const FileRole role = shortened == SelectedPath ? FileRole::Selected : FileRole::Reference;
    dialogs.Expect(MessageKind::Error, FaultMessage(role, FileFault::SizeChanged));
    Run();
    ExpectAbandoned();
    EXPECT_EQ(files.Files[shortened].size(), static_cast<size_t>(FileBlockSize + 10));
    pump.OnPump = nullptr;
    program->RunCommand(SelectClearButton);
  }
}

// A file system that shortens the selected file each time the reference is
// read: the merge then holds a changed block that no longer fits the file.
class ShrinkingFileSystem : public ForwardingFileSystem {
 public:
  explicit ShrinkingFileSystem(FakeFileSystem& files)
      : ForwardingFileSystem(files), files_(files) {}
  std::unique_ptr<ByteFile> OpenReadOnly(const std::string& path) override {
    std::unique_ptr<ByteFile> file = ForwardingFileSystem::OpenReadOnly(path);
    if (!file || path != ReferencePath) return file;
    return std::make_unique<ShrinkingReader>(std::move(file), files_);
  }

 private:
  class ShrinkingReader : public ByteFile {
   public:
    ShrinkingReader(std::unique_ptr<ByteFile> file, FakeFileSystem& files)
        : file_(std::move(file)), files_(files) {}
    // The sample check before the merge reads the one block of the file
    // first; the merge's read comes second.
    int32_t Read(void* buffer, int32_t count) override {
      const int32_t n = file_->Read(buffer, count);
      if (++reads_ > 1) files_.Files[SelectedPath].resize(100);
      return n;
    }
    int32_t Write(const void* buffer, int32_t count) override {
      return file_->Write(buffer, count);
    }
    bool Seek(int64_t offset) override { return file_->Seek(offset); }
    int64_t Size() override { return file_->Size(); }
    bool Close() override { return file_->Close(); }
    bool Sync() override { return file_->Sync(); }

   private:
    std::unique_ptr<ByteFile> file_;
    FakeFileSystem& files_;
    int reads_ = 0;
  };
  FakeFileSystem& files_;
};

TEST_F(ReferenceRepairTest, ChangedBlockIsNotWrittenPastAShortenedFile) {
  ShrinkingFileSystem shrinking(files);
  program->Runner.SetOperation(RepairReferenceButton, [&] {
    OperationFindings found;
    RunOperationSteps(program->Control, shrinking,
                      {Operation::RepairWithReference, program->Selected.SelectedFileName()},
                      found);
  });
  const std::vector<uint8_t> reference = NonZeroBytes(4096);
  Prepare(std::vector<uint8_t>(4096, 0), reference);
  dialogs.Expect(MessageKind::Error, FaultMessage(FileRole::Selected, FileFault::SizeChanged));
  Run();
  ExpectAbandoned();
  EXPECT_EQ(files.Files[SelectedPath], std::vector<uint8_t>(100, 0));
  EXPECT_EQ(files.Counts[SelectedPath].Writes, 0);
}

class ReferenceRepairRealFilesTest : public RealFilesTest {};

TEST_F(ReferenceRepairRealFilesTest, MergesTwoDamagedDownloadsOnDisk) {
  // Two downloads of 700,000 bytes, each with holes of its own and one hole
  // they share.
  const size_t size = 700000;
  const std::vector<uint8_t> intact = NonZeroBytes(size);
  std::vector<uint8_t> selected = intact;
  std::vector<uint8_t> reference = intact;
  std::fill(selected.begin() + 10000, selected.begin() + 300000, 0);
  std::fill(reference.begin() + 290000, reference.begin() + 310000, 0);
  std::fill(selected.begin() + 650000, selected.end(), 0);
  const std::string selectedPath = temp.File("film.avi");
  const std::string referencePath = temp.File("film (2).avi");
  WriteRealFile(selectedPath, selected);
  WriteRealFile(referencePath, reference);
  SelectFile(selectedPath);

  dialogs.ExpectFile(referencePath);
  dialogs.Expect(MessageKind::Information, CompleteText);
  dialogs.Expect(MessageKind::Confirmation, DeleteOfferText, PromptResult::Yes);
  dialogs.Expect(MessageKind::Information, "This Reference file has been deleted.");
  program->RunCommand(RepairReferenceButton);

  std::vector<uint8_t> expected = intact;
  std::fill(expected.begin() + 290000, expected.begin() + 300000, 0);
  EXPECT_EQ(ReadRealFile(selectedPath), expected);
  EXPECT_FALSE(std::filesystem::exists(referencePath));
  EXPECT_TRUE(program->Control.LastRunCompleted());
}

}  // namespace
}  // namespace tamarack::testing

namespace tamarack::testing {
namespace {

// A folder link or a hard link reaches the selected file under a path that no
// spelling rule can see through; the deletion offer would then delete the
// selected file itself. Each is refused as the same file, and the file stays.
TEST_F(ReferenceRepairRealFilesTest, SelectedFileReachedThroughLinksIsTheSameFile) {
  const std::vector<uint8_t> bytes = NonZeroBytes(4096);
  const std::string selectedPath = temp.File("film.avi");
  WriteRealFile(selectedPath, bytes);
  std::filesystem::create_directory_symlink(temp.Path(), temp.File("linked"));
  std::filesystem::create_hard_link(selectedPath, temp.File("hard.avi"));
  SelectFile(selectedPath);

  for (const std::string& same : {temp.File("linked/film.avi"), temp.File("hard.avi")}) {
    dialogs.ExpectFile(same);
    dialogs.Expect(MessageKind::Error, SameFileText);
    program->RunCommand(RepairReferenceButton);
    EXPECT_FALSE(program->Control.LastRunCompleted()) << same;
  }
  EXPECT_EQ(ReadRealFile(selectedPath), bytes);
}

}  // namespace
}  // namespace tamarack::testing
