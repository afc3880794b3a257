#include "ui/file_selection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/selected_file.h"
#include "support/program_fixture.h"
#include "support/real_files.h"

namespace tamarack {
namespace {

using testing::RealFilesTest;

constexpr const char* FilePath = "/videos/film.avi";
constexpr const char* NameLines = "Selected Filename:\r\n   /videos/\r\n   film.avi\r\n\r\n";
constexpr const char* TooSmall = "The Selected file must be at least 1Kb in size.";
constexpr const char* AccessError =
    "The Selected file cannot be accessed because:\r\n"
    " - Another application may be using this file, or\r\n"
    " - The file may be read-only, or\r\n"
    " - The file may have been moved, renamed or deleted since being selected";

// A file of the given size with the two codec codes at offsets 112 and 188.
std::vector<uint8_t> AviBytes(size_t size, const std::string& handler, const std::string& codec) {
  std::vector<uint8_t> bytes(size, 0x11);
  for (size_t i = 0; i < 4; ++i) {
    bytes[112 + i] = static_cast<uint8_t>(handler[i]);
    bytes[188 + i] = static_cast<uint8_t>(codec[i]);
  }
  return bytes;
}

class SelectedFileTest : public testing::ProgramTest {
 protected:
  // The caption that button 1 was last drawn with.
  std::string SelectClearCaption() const {
    for (auto it = fonts.Calls.rbegin(); it != fonts.Calls.rend(); ++it) {
      if (it->Text == "Select" || it->Text == "Clear") return it->Text;
    }
    return "";
  }

  void ExpectOperationButtons(ButtonState state) {
    for (int id = AnalyzeButton; id <= RepairPatchButton; ++id) {
      EXPECT_EQ(program->ButtonPanel.State(id), state) << "button " << id;
    }
  }

  FileSelection& Selected() { return program->Selected; }
  // The selected file as an operation opens it.
  SelectedFile& Operated() {
    if (!operated || operated->SelectedFileName() != Selected().SelectedFileName()) {
      operated.emplace(program->Control, files, Selected().SelectedFileName());
    }
    return *operated;
  }
  std::optional<SelectedFile> operated;
};

TEST_F(SelectedFileTest, FileDialogGetsTitleFiltersExtensionAndOptions) {
  dialogs.ExpectFile("/patches/film.tkp");
  EXPECT_EQ(Selected().ChooseFile("Patch", "Tamarack patch", "tkp"), "/patches/film.tkp");
  dialogs.ExpectFile("");
  EXPECT_EQ(Selected().ChooseFile("Reference", "AVI video", "avi"), "");
  ASSERT_EQ(dialogs.FileRequests.size(), 2u);

  const OpenFileRequest& patch = dialogs.FileRequests[0];
  EXPECT_EQ(patch.Title, "Select Patch File");
  EXPECT_EQ(patch.DefaultExtension, "tkp");
  ASSERT_EQ(patch.Filters.size(), 2u);
  EXPECT_EQ(patch.Filters[0].Label, "Tamarack patch files (*.tkp)");
  EXPECT_EQ(patch.Filters[0].Pattern, "*.tkp");
  EXPECT_EQ(patch.Filters[1].Label, "All files");
  EXPECT_EQ(patch.Filters[1].Pattern, "*.*");
  EXPECT_TRUE(patch.FileMustExist);
  EXPECT_TRUE(patch.HideReadOnly);
  EXPECT_TRUE(patch.Resizable);
  EXPECT_FALSE(patch.AddToRecentDocuments);
  EXPECT_EQ(dialogs.FileRequests[1].Title, "Select Reference File");
  EXPECT_EQ(dialogs.FileRequests[1].Filters[0].Label, "AVI video files (*.avi)");

  // Only the selected AVI file goes to the recent documents.
  dialogs.ExpectFile("");
  program->RunCommand(SelectClearButton);
  const OpenFileRequest& select = dialogs.FileRequests[2];
  EXPECT_EQ(select.Title, "Select AVI File");
  EXPECT_EQ(select.Filters[0].Pattern, "*.avi");
  EXPECT_TRUE(select.AddToRecentDocuments);
  EXPECT_TRUE(select.FileMustExist);
}

TEST_F(SelectedFileTest, FileDialogsOpenInTheFolderOfTheFileSelectedLast) {
  dialogs.ExpectFile("");
  Selected().ChooseFile("Patch", "Tamarack patch", "tkp");
  AddFile("/videos/new/film.avi", std::vector<uint8_t>(4096, 1));
  program->SelectGivenFile("/videos/new/film.avi");
  dialogs.ExpectFile("");
  Selected().ChooseFile("Reference", "AVI video", "avi");
  program->RunCommand(SelectClearButton);  // Clear
  dialogs.ExpectFile("");
  program->RunCommand(SelectClearButton);  // Select
  ASSERT_EQ(dialogs.FileRequests.size(), 3u);
  EXPECT_EQ(dialogs.FileRequests[0].Folder, "");  // the dialog's own choice
  EXPECT_EQ(dialogs.FileRequests[1].Folder, "/videos/new/");
  EXPECT_EQ(dialogs.FileRequests[2].Folder, "/videos/new/");
}

TEST_F(SelectedFileTest, CancelledSelectChangesNothing) {
  program->ViewArea.ShowView(View::Help);
  const std::string text = memo.Text;
  dialogs.ExpectFile("");
  program->RunCommand(SelectClearButton);
  EXPECT_EQ(Selected().SelectedFileName(), "");
  EXPECT_EQ(memo.Text, text);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Help);
  EXPECT_EQ(SelectClearCaption(), "Select");
  ExpectOperationButtons(ButtonState::Disabled);
  EXPECT_TRUE(dialogs.Shown.empty());
}

// A file named at start or dropped onto the window goes through Select's
// own steps, without the dialog: the window ends as Select leaves it.
TEST_F(SelectedFileTest, SelectAndAGivenFileShowNameSizeAndCodecCodes) {
  AddFile(FilePath, AviBytes(1048577, "divx", "DX50"));
  for (const bool given : {false, true}) {
    SCOPED_TRACE(given ? "given" : "selected");
    program->ViewArea.ShowView(View::Help);
    if (given) {
      ASSERT_TRUE(program->SelectGivenFile(FilePath));
    } else {
      SelectFile(FilePath);
    }
    EXPECT_EQ(Selected().SelectedFileName(), FilePath);
    EXPECT_EQ(SelectClearCaption(), "Clear");
    EXPECT_EQ(program->ButtonPanel.State(SelectClearButton), ButtonState::Up);
    ExpectOperationButtons(ButtonState::Up);
    EXPECT_EQ(program->ButtonPanel.State(PauseStopButton), ButtonState::Disabled);
    EXPECT_EQ(program->ButtonPanel.State(InformationButton), ButtonState::Down);
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
    EXPECT_EQ(memo.Text, std::string(NameLines) +
                             "Size:\r\n   1.1Mb (1,025Kb)\r\n\r\n"
                             "FourCC:\r\n   divx-DX50\r\n");
    EXPECT_FALSE(program->Control.Busy());
    EXPECT_EQ(files.OpenFiles, 0);
    EXPECT_TRUE(dialogs.Shown.empty());
    EXPECT_EQ(dialogs.FileRequests.size(), 1u);  // no dialog for the given file
    program->RunCommand(SelectClearButton);      // Clear
  }
}

TEST_F(SelectedFileTest, CodecBytesShowAsCharacters) {
  // Zero shows as "0", control codes as "?", other bytes as the character of
  // their code (200 is U+00C8, 255 is U+00FF).
  AddFile(FilePath, AviBytes(4096, std::string("\x00\x09\x41\xC8", 4), "\x1F\x20\x7F\xFF"));
  SelectFile(FilePath);
  const std::string expected = "0?A\xC3\x88-? \x7F\xC3\xBF";
  const std::string text = memo.Text;
  EXPECT_EQ(text.substr(text.size() - expected.size() - 2), expected + "\r\n");
}

TEST_F(SelectedFileTest, FileMustHoldAtLeastOneKilobyte) {
  AddFile(FilePath, AviBytes(1023, "abcd", "wxyz"));
  dialogs.Expect(MessageKind::Error, TooSmall);
  SelectFile(FilePath);
  EXPECT_EQ(memo.Text, std::string(NameLines) + "\r\n");
  // The file stays selected and the operations stay offered.
  EXPECT_EQ(Selected().SelectedFileName(), FilePath);
  ExpectOperationButtons(ButtonState::Up);
  EXPECT_FALSE(program->Control.Busy());
  EXPECT_EQ(files.OpenFiles, 0);

  files.Files[FilePath].push_back(1);  // now 1,024 bytes
  program->Control.HoldBusy(true);
  Operated().OpenSelectedFile(FileAccess::ReadWrite);
  EXPECT_TRUE(program->Control.Busy());
  EXPECT_EQ(Operated().SelectedFileSize(), 1024);
  EXPECT_EQ(files.OpenFiles, 1);
  Operated().CloseSelectedFile();
  EXPECT_EQ(files.OpenFiles, 0);
  Selected().ShowFileInformation();
  EXPECT_EQ(memo.Text, std::string(NameLines) +
                           "Size:\r\n   0.1Mb (1Kb)\r\n\r\n"
                           "FourCC:\r\n   abcd-wxyz\r\n");
}

TEST_F(SelectedFileTest, UnopenableFileIsNamedSelectedEachTime) {
  for (const char* situation : {"missing", "locked"}) {
    const std::string path = std::string("/videos/") + situation + ".avi";
    if (std::string(situation) != "missing") AddFile(path, std::vector<uint8_t>(4096, 1));
    files.Locked[path] = std::string(situation) == "locked";
    dialogs.Expect(MessageKind::Error, AccessError);
    SelectFile(path);
    EXPECT_EQ(Selected().SelectedFileName(), path) << situation;
    ExpectOperationButtons(ButtonState::Up);
    EXPECT_FALSE(program->Control.Busy());
    EXPECT_EQ(memo.Text.find("Size:"), std::string::npos);

    // An operation that opens the file repeats the message.
    for (const FileAccess access : {FileAccess::ReadOnly, FileAccess::ReadWrite}) {
      program->Control.HoldBusy(true);
      dialogs.Expect(MessageKind::Error, AccessError);
      Operated().OpenSelectedFile(access);
      EXPECT_FALSE(program->Control.Busy());
      EXPECT_FALSE(Operated().IsOpen());
    }

    program->RunCommand(SelectClearButton);  // Clear, for the next case
  }
}

TEST_F(SelectedFileTest, ReadOnlyFileIsDescribedButNotOpenedForWriting) {
  AddFile(FilePath, AviBytes(4096, "divx", "DX50"));
  files.ReadOnly[FilePath] = true;
  SelectFile(FilePath);
  EXPECT_EQ(memo.Text, std::string(NameLines) +
                           "Size:\r\n   0.1Mb (4Kb)\r\n\r\n"
                           "FourCC:\r\n   divx-DX50\r\n");

  program->Control.HoldBusy(true);
  Operated().OpenSelectedFile(FileAccess::ReadOnly);
  ASSERT_TRUE(Operated().IsOpen());
  EXPECT_EQ(Operated().File().Write("x", 1), -1);
  Operated().CloseSelectedFile();
  EXPECT_TRUE(program->Control.Busy());

  dialogs.Expect(MessageKind::Error, AccessError);
  Operated().OpenSelectedFile(FileAccess::ReadWrite);
  EXPECT_FALSE(program->Control.Busy());
  EXPECT_FALSE(Operated().IsOpen());
  EXPECT_EQ(files.Files[FilePath], AviBytes(4096, "divx", "DX50"));
}

TEST_F(SelectedFileTest, FailedCodecReadLeavesOnlyTheName) {
  AddFile(FilePath, AviBytes(4096, "divx", "DX50"));
  files.FailOn(FilePath, "seek");
  dialogs.Expect(MessageKind::Error, "The Selected file could not be read.");
  SelectFile(FilePath);
  EXPECT_EQ(memo.Text, std::string(NameLines) + "\r\n");
  EXPECT_FALSE(program->Control.Busy());
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(SelectedFileTest, GivenFileGetsSelectsChecksAndMessages) {
  // Too small or unopenable: the message of Select, and the file stays
  // selected with its operations offered, as after Select.
  AddFile("/videos/small.avi", AviBytes(1023, "abcd", "wxyz"));
  dialogs.Expect(MessageKind::Error, TooSmall);
  program->SelectGivenFile("/videos/small.avi");
  EXPECT_EQ(Selected().SelectedFileName(), "/videos/small.avi");
  EXPECT_EQ(memo.Text, "Selected Filename:\r\n   /videos/\r\n   small.avi\r\n\r\n\r\n");
  ExpectOperationButtons(ButtonState::Up);

  // A file given while another is selected replaces it, as Clear and Select.
  AddFile("/videos/locked.avi", std::vector<uint8_t>(4096, 1));
  files.Locked["/videos/locked.avi"] = true;
  program->Grid.SetGridClean(false);
  dialogs.Expect(MessageKind::Error, AccessError);
  program->SelectGivenFile("/videos/locked.avi");
  EXPECT_EQ(Selected().SelectedFileName(), "/videos/locked.avi");
  EXPECT_TRUE(program->Grid.GridClean());
  EXPECT_FALSE(program->Control.Busy());

  // A path that names nothing, which the dialog would not return: the
  // access message, and the window is left with no file selected.
  for (const char* path : {"/videos/missing.avi", ""}) {
    dialogs.Expect(MessageKind::Error, AccessError);
    program->SelectGivenFile(path);
    EXPECT_EQ(Selected().SelectedFileName(), "") << path;
    EXPECT_EQ(SelectClearCaption(), "Select");
    ExpectOperationButtons(ButtonState::Disabled);
    EXPECT_EQ(memo.Text, "<No AVI video file selected>\r\n");
  }
  EXPECT_EQ(files.OpenFiles, 0);
}

TEST_F(SelectedFileTest, GivenFileIsRefusedWhileAnOperationRuns) {
  AddFile(FilePath, AviBytes(4096, "divx", "DX50"));
  AddFile("/videos/other.avi", AviBytes(4096, "xvid", "XVID"));
  SelectFile(FilePath);
  const std::string text = memo.Text;
  program->Control.HoldBusy(true);
  EXPECT_FALSE(program->SelectGivenFile("/videos/other.avi"));
  EXPECT_EQ(Selected().SelectedFileName(), FilePath);
  EXPECT_EQ(memo.Text, text);
  program->Control.HoldBusy(false);
  EXPECT_TRUE(program->SelectGivenFile("/videos/other.avi"));
  EXPECT_EQ(Selected().SelectedFileName(), "/videos/other.avi");
}

TEST_F(SelectedFileTest, ClearForgetsTheFileAndCleansTheMap) {
  AddFile(FilePath, AviBytes(4096, "divx", "DX50"));
  SelectFile(FilePath);
  program->Grid.SetGridClean(false);
  program->Grid.PaintCell(1, Red);
  program->ViewArea.ShowView(View::Help);
  program->RunCommand(SelectClearButton);
  EXPECT_EQ(Selected().SelectedFileName(), "");
  EXPECT_EQ(SelectClearCaption(), "Select");
  EXPECT_EQ(program->ButtonPanel.State(SelectClearButton), ButtonState::Up);
  ExpectOperationButtons(ButtonState::Disabled);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::Information);
  EXPECT_EQ(memo.Text, "<No AVI video file selected>\r\n");
  EXPECT_TRUE(program->Grid.GridClean());
  EXPECT_EQ(program->Bitmap.GetPixel(109, 62), White);
}

// Sizes are 64-bit: files just below, at and beyond 2 GiB and 4 GiB are
// selected as any other, with their size text.
TEST_F(RealFilesTest, FilesOfAboutTwoGibibytesAndMoreAreShown) {
  const struct {
    off_t Size;
    const char* Text;
  } cases[] = {{(off_t{1} << 31) - 1, "2,048.0Mb (2,097,152Kb)"},
               {off_t{1} << 31, "2,048.0Mb (2,097,152Kb)"},
               {off_t{5} << 30, "5,120.0Mb (5,242,880Kb)"}};
  const std::string path = temp.File("big.avi");
  testing::WriteRealFile(path, {});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Size);
    std::filesystem::resize_file(path, static_cast<uintmax_t>(c.Size));  // sparse
    SelectFile(path);
    EXPECT_EQ(memo.Text, "Selected Filename:\r\n   " + temp.Path() +
                             "/\r\n   big.avi\r\n\r\nSize:\r\n   " + c.Text +
                             "\r\n\r\nFourCC:\r\n   0000-0000\r\n");
    EXPECT_EQ(program->Selected.SelectedFileSize(), c.Size);
    program->RunCommand(SelectClearButton);
  }
}

}  // namespace
}  // namespace tamarack
