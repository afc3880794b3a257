#include "repair/backup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "repair/file_blocks.h"
#include "support/forwarding_file_system.h"
#include "support/program_fixture.h"
#include "support/real_files.h"
#include "ui/block_grid.h"

namespace tamarack::testing {
namespace {

const std::string SelectedPath = "/videos/film.avi";
const std::string BackupPath = "/videos/BACKUP.film.avi";
// Where the copy is written until it is complete.
const std::string TemporaryPath = FakeFileSystem::TemporaryPathOf(BackupPath);
const std::string OverwriteText =
    "A Backup file for the Selected file already exists.\r\n"
    "Overwrite \"/videos/BACKUP.film.avi\"?";
const std::string CreatedText = "The Backup file \"/videos/BACKUP.film.avi\" has been created.";
const std::string WriteFailedText = "The Backup file cannot be written to (no space?).";
const std::string NoSpaceText = "Insufficient space to create Backup file.";
const std::string StopText = "Current operation paused.\r\nStop current operation?";

std::vector<uint8_t> PatternBytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

class BackupTest : public ProgramTest {
 protected:
  void Prepare(std::vector<uint8_t> selected, const std::string& path = SelectedPath) {
    AddFile(path, std::move(selected));
    SelectFile(path);
    files.Counts.clear();
  }
  void Run() { program->RunCommand(CreateBackupButton); }
  Color CellColor(int index) const {
    const CellOrigin o = CellPosition(static_cast<uint16_t>(index));
    return program->Bitmap.GetPixel(o.X, o.Y);
  }
  // The copy ended early or was refused: no backup, nothing open, map wiped.
  void ExpectNoBackup() {
    EXPECT_FALSE(files.Exists(BackupPath));
    EXPECT_FALSE(files.Exists(TemporaryPath));
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
    EXPECT_EQ(CellColor(1), White);
    EXPECT_EQ(files.OpenFiles, 0);
  }
  // The completion message, during which the blue map is still on screen.
  void ExpectCreated(int paintedCells) {
    dialogs.Expect(MessageKind::Information, CreatedText, PromptResult::Ok, [this, paintedCells] {
      for (int i = 1; i <= paintedCells; ++i) ASSERT_EQ(CellColor(i), Blue) << "cell " << i;
      if (paintedCells < CellCount) {
        EXPECT_EQ(CellColor(paintedCells + 1), White);
      }
    });
  }
  void ExpectCompleted() {
    EXPECT_EQ(files.Files[BackupPath], files.Files[SelectedPath]);
    EXPECT_FALSE(files.Exists(TemporaryPath));
    EXPECT_TRUE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
    EXPECT_EQ(CellColor(1), White);  // the blue map is wiped after the message
    EXPECT_EQ(files.OpenFiles, 0);
  }
};

// One blue cell a byte for the smallest file; a size of whole blocks reads
// no empty last block (524,288 bytes: cells of 263 bytes, 1,994 of them, the
// last one short).
TEST_F(BackupTest, CopiesTheFileBlockByBlockWithABlueMap) {
  const struct {
    size_t Size;
    int Cells, Reads;
  } cases[] = {{1024, 1024, 1}, {2 * FileBlockSize, 1994, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Size);
    files.Files.erase(SelectedPath);
    files.Files.erase(BackupPath);
    program->Selected.ClearFile();
    Prepare(PatternBytes(c.Size));
    ExpectCreated(c.Cells);
    Run();
    ExpectCompleted();
    EXPECT_EQ(files.Counts[SelectedPath].Reads, c.Reads);
    EXPECT_EQ(files.Counts[SelectedPath].Writes, 0);
    EXPECT_EQ(files.Counts[TemporaryPath].Writes, c.Reads);
  }
}

// Return must not overwrite: the question's default answer is No, and No
// leaves the old backup alone; any other answer replaces it.
TEST_F(BackupTest, ExistingBackupIsReplacedUnlessTheAnswerIsNo) {
  for (PromptResult answer : {PromptResult::No, PromptResult::Yes, PromptResult::None}) {
    files.Files.erase(SelectedPath);
    program->Selected.ClearFile();
    Prepare(PatternBytes(5000));
    AddFile(BackupPath, {1, 2, 3});
    dialogs.Expect(MessageKind::Confirmation, OverwriteText, answer);
    if (answer != PromptResult::No) ExpectCreated(1667);
    Run();
    if (answer != PromptResult::No) {
      ExpectCompleted();
      continue;
    }
    EXPECT_EQ(dialogs.DefaultOf(OverwriteText), DefaultAnswer::No);
    EXPECT_EQ(files.Files[BackupPath], (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(files.Counts.count(BackupPath), 0u);
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
    EXPECT_EQ(files.OpenFiles, 0);
  }
}

// A folder without write access, and a backup name that is a link to the
// selected file that cannot be deleted (creating the backup would truncate
// the video itself): a message, and both files stay as they were.
TEST_F(BackupTest, BackupThatCannotBeWrittenIsRefused) {
  const std::vector<uint8_t> bytes = PatternBytes(4096);
  for (const bool alias : {false, true}) {
    SCOPED_TRACE(alias ? "alias" : "read-only folder");
    Prepare(bytes);
    AddFile(BackupPath, {1, 2, 3});
    files.ReadOnlyFolder = !alias;
    if (alias) {
      files.Aliases[BackupPath] = SelectedPath;
      files.ReadOnly[BackupPath] = true;
    }
    dialogs.Expect(MessageKind::Confirmation, OverwriteText, PromptResult::Yes);
    dialogs.Expect(MessageKind::Error,
                   alias ? "The Selected file and the Backup file\r\nare the same file."
                         : "The Backup file cannot be accessed because:*");
    Run();
    EXPECT_EQ(files.Files[BackupPath], (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(files.Files[SelectedPath], bytes);
    EXPECT_FALSE(program->Control.LastRunCompleted());
    EXPECT_EQ(files.OpenFiles, 0);
    program->Selected.ClearFile();
  }
}

TEST_F(BackupTest, BackupOfABackupGetsThePrefixTwice) {
  Prepare(PatternBytes(2048), BackupPath);
  dialogs.Expect(MessageKind::Information,
                 "The Backup file \"/videos/BACKUP.BACKUP.film.avi\" has been created.");
  Run();
  EXPECT_EQ(files.Files["/videos/BACKUP.BACKUP.film.avi"], files.Files[BackupPath]);
}

TEST_F(BackupTest, NotEnoughFreeSpaceCreatesNothing) {
  for (int64_t free : {int64_t{4095}, int64_t{-1}}) {
    SCOPED_TRACE(free);
    files.Free = free;
    files.Files.erase(SelectedPath);
    program->Selected.ClearFile();
    Prepare(PatternBytes(4096));
    dialogs.Expect(MessageKind::Error, NoSpaceText);
    Run();
    ExpectNoBackup();
  }
  files.Free = 4096;  // exactly enough
  ExpectCreated(1366);
  Run();
  ExpectCompleted();
}

// Free space as a disk of a fixed capacity would report it: what the files
// do not occupy.
class MeteredFileSystem : public ForwardingFileSystem {
 public:
  MeteredFileSystem(FakeFileSystem& files, int64_t capacity)
      : ForwardingFileSystem(files), files_(files), capacity_(capacity) {}
  int64_t FreeSpace(const std::string&) override {
    int64_t used = 0;
    for (const auto& [path, bytes] : files_.Files) used += static_cast<int64_t>(bytes.size());
    return capacity_ - used;
  }

 private:
  FakeFileSystem& files_;
  int64_t capacity_;
};

TEST_F(BackupTest, SpaceOfTheOldBackupDoesNotCountAsFree) {
  // Room for the file and one copy of it: the old copy stays until the new
  // one is complete, so there is no room for the new one.
  MeteredFileSystem disk(files, 2 * 4096);
  program->Runner.SetOperation(CreateBackupButton, [&] {
    OperationFindings found;
    RunOperationSteps(program->Control, disk,
                      {Operation::CreateBackup, program->Selected.SelectedFileName()}, found);
  });
  Prepare(PatternBytes(4096));
  AddFile(BackupPath, std::vector<uint8_t>(4096, 1));
  dialogs.Expect(MessageKind::Confirmation, OverwriteText, PromptResult::Yes);
  dialogs.Expect(MessageKind::Error, NoSpaceText);
  Run();
  EXPECT_EQ(files.Files[BackupPath], std::vector<uint8_t>(4096, 1));
  EXPECT_FALSE(files.Exists(TemporaryPath));
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

TEST_F(BackupTest, StopLeavesNoPartialBackup) {
  Prepare(PatternBytes(4 * FileBlockSize));
  clock.Step = 1000;  // every block is due for progress, so events run after each
  bool asked = false;
  pump.OnPump = [&](int) {
    if (!asked && files.Counts[TemporaryPath].Writes == 2) {
      asked = true;
      dialogs.Expect(MessageKind::Confirmation, StopText, PromptResult::Yes);
      program->RunCommand(PauseStopButton);
    }
  };
  Run();
  EXPECT_TRUE(asked);
  EXPECT_EQ(files.Counts[TemporaryPath].Writes, 2);
  ExpectNoBackup();
}

// Every fault ends the copy after the block at hand and leaves no file.
TEST_F(BackupTest, FaultsEndTheCopyAndLeaveNoFile) {
  struct Case {
    std::string Name;
    std::function<void()> Arrange;
    std::string Message;
    int BackupWrites;  // writes made before the copy ended, a short last one included
  };
  const std::vector<Case> cases = {
      {"failed write", [&] { files.FailOn(TemporaryPath, "write", 2); }, WriteFailedText, 2},
      {"short write", [&] { files.Capacity = FileBlockSize + 100; }, WriteFailedText, 2},
      {"failed close", [&] { files.FailOn(TemporaryPath, "close"); },
       FaultMessage(FileRole::Backup, FileFault::Write), 3},
      {"failed sync", [&] { files.FailOn(TemporaryPath, "sync"); },
       FaultMessage(FileRole::Backup, FileFault::Write), 3},
      {"failed rename", [&] { files.FailNthCall("rename", 1); },
       FaultMessage(FileRole::Backup, FileFault::Write), 3},
      {"failed read", [&] { files.FailOn(SelectedPath, "read", 2); },
       FaultMessage(FileRole::Selected, FileFault::Read), 1},
      {"selected file shortened",
       [&] {
         clock.Step = 1000;  // events run after every block
         pump.OnPump = [&](int) {
           if (files.Counts[TemporaryPath].Writes == 1) {
             files.Files[SelectedPath].resize(FileBlockSize + 1);
           }
         };
       },
       FaultMessage(FileRole::Selected, FileFault::SizeChanged), 2},
      {"selected file locked", [&] { files.Locked[SelectedPath] = true; },
       "The Selected file cannot be accessed because:*", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    files.Failures.clear();
    files.Locked.clear();
    files.Capacity = -1;
    files.FailNthCall("", 0);
    pump.OnPump = nullptr;
    files.Files.erase(SelectedPath);
    program->Selected.ClearFile();
    Prepare(PatternBytes(3 * FileBlockSize));
    c.Arrange();
    dialogs.Expect(MessageKind::Error, c.Message);
    Run();
    EXPECT_EQ(files.Counts[TemporaryPath].Writes, c.BackupWrites);
    ExpectNoBackup();
  }
}

// A failed write ends the copy at once, as a failed read does: the block
// is not counted, so no progress is shown and no events run after the
// message.
TEST_F(BackupTest, AFailedWriteEndsTheCopyAsAFailedReadDoes) {
  const auto pumpsAfterMessage = [&](const std::string& path, const std::string& operation,
                                     const std::string& message) {
    files.Failures.clear();
    files.Files.erase(SelectedPath);
    program->Selected.ClearFile();
    Prepare(PatternBytes(3 * FileBlockSize));
    clock.Step = 1000;  // events run after every block
    files.FailOn(path, operation, 2);
    int atMessage = 0;
    dialogs.Expect(MessageKind::Error, message, PromptResult::Ok, [&] { atMessage = pump.Calls; });
    Run();
    ExpectNoBackup();
    return pump.Calls - atMessage;
  };
  EXPECT_EQ(
      pumpsAfterMessage(TemporaryPath, "write", WriteFailedText),
      pumpsAfterMessage(SelectedPath, "read", FaultMessage(FileRole::Selected, FileFault::Read)));
}

class BackupRealFilesTest : public RealFilesTest {};

TEST_F(BackupRealFilesTest, CopiesAndReplacesOnDisk) {
  const std::string selectedPath = temp.File("film.avi");
  const std::string backupPath = temp.File("BACKUP.film.avi");
  const std::vector<uint8_t> bytes = PatternBytes(3 * FileBlockSize + 12345);
  WriteRealFile(selectedPath, bytes);
  WriteRealFile(backupPath, PatternBytes(5 * FileBlockSize));  // an old, longer backup
  SelectFile(selectedPath);
  dialogs.Expect(
      MessageKind::Confirmation,
      "A Backup file for the Selected file already exists.\r\nOverwrite \"" + backupPath + "\"?",
      PromptResult::Yes);
  dialogs.Expect(MessageKind::Information,
                 "The Backup file \"" + backupPath + "\" has been created.");
  program->RunCommand(CreateBackupButton);
  EXPECT_EQ(ReadRealFile(backupPath), bytes);
  EXPECT_EQ(ReadRealFile(selectedPath), bytes);
  EXPECT_TRUE(program->Control.LastRunCompleted());
}

TEST_F(BackupRealFilesTest, SelectedFileShortenedOnDiskEndsTheCopy) {
  const std::string selectedPath = temp.File("film.avi");
  const std::string backupPath = temp.File("BACKUP.film.avi");
  WriteRealFile(selectedPath, PatternBytes(3 * FileBlockSize));
  SelectFile(selectedPath);
  clock.Step = 1000;  // events run after every block
  bool shortened = false;
  int calls = 0;
  pump.OnPump = [&](int) {
    // The first call is the start of the copy, the second follows its first
    // block.
    if (!shortened && ++calls == 2) {
      shortened = true;
      std::filesystem::resize_file(selectedPath, FileBlockSize + 5);
    }
  };
  dialogs.Expect(MessageKind::Error, FaultMessage(FileRole::Selected, FileFault::SizeChanged));
  program->RunCommand(CreateBackupButton);
  EXPECT_TRUE(shortened);
  EXPECT_FALSE(std::filesystem::exists(backupPath));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1);
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

// A small file system of its own, mounted for the test and detached after.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(const std::string& mountPoint) : mountPoint_(mountPoint) {
    std::error_code ignored;
    std::filesystem::create_directory(mountPoint_, ignored);
    mounted_ = ::mount("tamarack-test", mountPoint_.c_str(), "tmpfs", 0, "size=2m") == 0;
    if (!mounted_) error_ = std::strerror(errno);
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(mountPoint_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Error() const { return error_; }

 private:
  std::string mountPoint_;
  bool mounted_ = false;
  std::string error_;
};

// Writes into a new file until the file system is full.
void FillUp(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::vector<char> chunk(4096, 'x');
  while (::write(fd, chunk.data(), chunk.size()) > 0) {
  }
  ::close(fd);
}

TEST_F(BackupRealFilesTest, FileSystemThatFillsUpEndsTheCopyAndLeavesNoFile) {
  const std::string mountPoint = temp.File("small");
  SmallFileSystem small(mountPoint);
  if (!small.Mounted()) GTEST_SKIP() << "cannot mount a small file system: " << small.Error();
  const std::string selectedPath = mountPoint + "/film.avi";
  const std::string backupPath = mountPoint + "/BACKUP.film.avi";
  const std::vector<uint8_t> bytes = PatternBytes(3 * FileBlockSize);
  WriteRealFile(selectedPath, bytes);
  SelectFile(selectedPath);
  // There is room for the copy when it starts; another program takes it
  // after the first block.
  clock.Step = 1000;
  bool filled = false;
  int calls = 0;
  pump.OnPump = [&](int) {
    if (!filled && ++calls == 2) {
      filled = true;
      FillUp(mountPoint + "/other");
    }
  };
  dialogs.Expect(MessageKind::Error, WriteFailedText);
  program->RunCommand(CreateBackupButton);
  EXPECT_TRUE(filled);
  EXPECT_FALSE(std::filesystem::exists(backupPath));
  EXPECT_EQ(ReadRealFile(selectedPath), bytes);
  EXPECT_FALSE(program->Control.LastRunCompleted());
}

}  // namespace
}  // namespace tamarack::testing
