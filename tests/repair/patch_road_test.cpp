// The patch road as users take it: the owner of a damaged copy analyses it
// and sends the patch codes, the owner of an intact copy makes a patch of
// them, and the first repairs with that patch.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "support/program_fixture.h"
#include "support/real_files.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Completed = "Patching complete. Analyze the Selected file for remaining errors.";

// The lines of the Patch Codes report that hold codes: each follows its
// "<n> x <k>Kb code(s):" line. These are what a user copies and sends.
std::string CodeLines(const std::string& report) {
  std::string codes;
  bool next = false;
  size_t start = 0;
  while (start <= report.size()) {
    size_t end = report.find("\r\n", start);
    if (end == std::string::npos) end = report.size();
    const std::string line = report.substr(start, end - start);
    if (next) codes += (codes.empty() ? "" : "\r\n") + line;
    next = line.size() > 11 && line.ends_with("Kb code(s):");
    start = end + 2;
  }
  return codes;
}

class PatchRoadTest : public ProgramTest {
 protected:
  void Select(const std::string& path) {
    if (program->Selected.HasFile()) program->RunCommand(SelectClearButton);
    SelectFile(path);
  }

  void Analyze(const std::string& reportStart) {
    dialogs.Expect(MessageKind::Information, reportStart + "*");
    program->RunCommand(AnalyzeButton);
    ASSERT_TRUE(dialogs.AllAnswered());
    ASSERT_TRUE(program->Control.LastRunCompleted());
  }

  // The whole road: the damaged copy's owner analyses it and copies the
  // codes, the intact copy's owner pastes them and makes the patch, and the
  // damaged copy's owner repairs with it and analyses again. Returns the
  // codes copied and the patch made.
  std::pair<std::string, std::vector<uint8_t>> TakeTheRoad(const std::vector<uint8_t>& intact,
                                                           const std::vector<uint8_t>& damaged) {
    files.Files.clear();
    AddFile("/good/movie.avi", intact);
    AddFile("/bad/movie.avi", damaged);
    Select("/bad/movie.avi");
    Analyze("Analysis complete.\r\n\r\nReal Data:");
    EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
    const std::string codes = CodeLines(program->ViewArea.DisplayedText());
    EXPECT_FALSE(codes.empty());

    Select("/good/movie.avi");
    program->RunCommand(PatchCodesButton);
    memo.SetText(codes);
    dialogs.Expect(MessageKind::Confirmation, "Based on the entered Patch codes,\r\n*",
                   PromptResult::Yes);
    dialogs.Expect(MessageKind::Information,
                   "The Patch File \"/good/movie.tkp\" has been created.");
    program->RunCommand(CreatePatchButton);
    EXPECT_TRUE(dialogs.AllAnswered());
    const std::vector<uint8_t> patch = files.Files["/good/movie.tkp"];
    files.Files["/bad/movie.tkp"] = patch;

    Select("/bad/movie.avi");
    dialogs.ExpectFile("/bad/movie.tkp");
    dialogs.Expect(MessageKind::Information, Completed);
    program->RunCommand(RepairPatchButton);
    Analyze("Analysis complete.\r\n\r\nReal Data:\t100.0%");
    EXPECT_EQ(program->ViewArea.CurrentView(), View::Analysis);
    EXPECT_EQ(files.Files.at("/bad/movie.avi"), intact);
    EXPECT_EQ(files.Files.at("/good/movie.avi"), intact);
    return {codes, patch};
  }
};

TEST_F(PatchRoadTest, ADamagedCopyIsRepairedFromTheCodesItsAnalysisListed) {
  const std::vector<uint8_t> intact = RandomBytes(40 * UnitSize + 12345, 21);
  TakeTheRoad(
      intact,
      Damaged(intact,
              {{100000, 5000}, {103000 + 20000, 1500}, {1000000, 300000}, {2000000, 2000}}));
}

// The road for damage in a file's last, partial unit of 1, 2047, 2048 and
// 65535 bytes: the code that Analyze lists for it makes a patch that carries
// the unit's bytes and zeros up to the whole unit, and the repair fills the
// file back to the intact copy without growing it.
TEST_F(PatchRoadTest, DamageInTheLastPartialUnitIsRepairedWithAPatch) {
  for (const size_t lastUnit : {size_t{1}, size_t{2047}, size_t{2048}, size_t{65535}}) {
    SCOPED_TRACE(lastUnit);
    const size_t size = 20 * UnitSize + lastUnit;
    const std::vector<uint8_t> intact = RandomBytes(size, static_cast<unsigned>(lastUnit));
    const auto [codes, patch] =
        TakeTheRoad(intact, Damaged(intact, {{300000, 2000}, {size - 3000, 3000}}));
    // Units 4 and, at the end, 19 with the partial unit 20 (and 18 when the
    // last 3000 bytes reach back into it).
    EXPECT_EQ(codes, lastUnit >= 3000 ? "00040, 00140" : "00040\r\n00131");
    ASSERT_GE(patch.size(), size_t{UnitSize});
    std::vector<uint8_t> lastUnitData(intact.end() - static_cast<ptrdiff_t>(lastUnit),
                                      intact.end());
    lastUnitData.resize(UnitSize, 0);
    EXPECT_EQ(std::vector<uint8_t>(patch.end() - UnitSize, patch.end()), lastUnitData);
  }
}

using PatchRoadOnRealFilesTest = RealFilesTest;

TEST_F(PatchRoadOnRealFilesTest, APatchMadeAndAppliedOnDiskRepairsTheCopy) {
  const std::vector<uint8_t> intact = RandomBytes(20 * UnitSize + 777, 22);
  // Units 2, 5 to 6 and 19 are damaged.
  const std::vector<uint8_t> damaged =
      Damaged(intact, {{2 * UnitSize + 10, 2000}, {6 * UnitSize - 500, 1000}, {19 * UnitSize, 5}});
  const std::string good = temp.File("good.AVI");
  const std::string bad = temp.File("bad.avi");
  WriteRealFile(good, intact);
  WriteRealFile(bad, damaged);

  SelectFile(good);
  program->RunCommand(PatchCodesButton);
  memo.SetText("00020, 00051\r\n00130");
  dialogs.Expect(MessageKind::Confirmation,
                 "Based on the entered Patch codes,\r\nthe Patch file will be 0.3Mb (257Kb) in "
                 "size.\r\nIf this is too large, enter fewer Patch codes.\r\nCreate Patch file?",
                 PromptResult::Yes);
  const std::string patch = temp.File("good.tkp");
  dialogs.Expect(MessageKind::Information, "The Patch File \"" + patch + "\" has been created.");
  program->RunCommand(CreatePatchButton);
  const std::vector<uint8_t> patchBytes = ReadRealFile(patch);
  ASSERT_EQ(patchBytes.size(), 4u + 9 + 4 * UnitSize);
  EXPECT_EQ(std::vector<uint8_t>(patchBytes.begin(), patchBytes.begin() + 13),
            (std::vector<uint8_t>{1, 0, 20, 3, 0, 2, 0, 0, 5, 1, 0, 0x13, 0}));

  program->RunCommand(SelectClearButton);
  SelectFile(bad);
  dialogs.ExpectFile(patch);
  dialogs.Expect(MessageKind::Information, Completed);
  program->RunCommand(RepairPatchButton);
  EXPECT_EQ(ReadRealFile(bad), intact);
  EXPECT_EQ(ReadRealFile(good), intact);
}

// A patch name that is a link to the selected file (a hard link, or a
// symbolic link) is refused before anything is created: the video stays as
// it was.
TEST_F(PatchRoadOnRealFilesTest, PatchNameLinkedToTheSelectedFileIsRefused) {
  const std::vector<uint8_t> intact = RandomBytes(3 * UnitSize, 23);
  const std::string video = temp.File("film.avi");
  const std::string patch = temp.File("film.tkp");
  WriteRealFile(video, intact);
  SelectFile(video);
  for (const bool symbolic : {false, true}) {
    std::filesystem::remove(patch);
    if (symbolic) {
      std::filesystem::create_symlink(video, patch);
    } else {
      std::filesystem::create_hard_link(video, patch);
    }
    program->RunCommand(PatchCodesButton);
    memo.SetText("00000");
    dialogs.Expect(MessageKind::Confirmation, "Based on the entered Patch codes,*",
                   PromptResult::Yes);
    dialogs.Expect(
        MessageKind::Confirmation,
        "A Patch file for the Selected file already exists.\r\nOverwrite \"" + patch + "\"?",
        PromptResult::Yes);
    dialogs.Expect(MessageKind::Error,
                   "The Selected file and the Patch file\r\nare the same file.");
    program->RunCommand(CreatePatchButton);
    EXPECT_EQ(ReadRealFile(video), intact) << (symbolic ? "symbolic link" : "hard link");
    EXPECT_FALSE(program->Control.LastRunCompleted());
  }
}

}  // namespace
}  // namespace tamarack::testing
