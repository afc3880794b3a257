// Analyze on files of 2 GiB and more: the numbers, the map and the codes
// against the rule worked out from the file's known zero runs, and the
// patch operations' refusal of files of 4 GiB and more.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/analysis_report.h"
#include "core/size_text.h"
#include "repair/patch_creation.h"
#include "support/large_files.h"
#include "support/program_fixture.h"

namespace tamarack::testing {
namespace {

const std::string Video = "/v/big.avi";

// Holes near 2 GiB, 3 GiB and 4 GiB, wholly past 4 GiB and in the last
// unit, besides a run one byte too short for an error and one just long
// enough.
std::vector<Extent> Holes(int64_t size) {
  return RangesOfFile<Extent>(size, {{100000, 1024},
                                     {200000, 1025},
                                     {2 * GiB - 3000, 6000},
                                     {3 * GiB - 70000, 140000},
                                     {4 * GiB - 70000, 140000},
                                     {4 * GiB + 10000000, 2000000},
                                     {size - 40000, 20000},
                                     {size - 1500, 1500}});
}

std::string CellLetters(const AnalysisResult& result) {
  std::string letters;
  for (const Color& color : result.Cells) letters += color == Red ? 'R' : 'G';
  return letters;
}

class LargeFileAnalyzeTest : public ProgramOn<LayoutFileSystem> {
 protected:
  void Select(int64_t size, std::vector<Extent> runs) {
    if (program->Selected.HasFile()) program->RunCommand(SelectClearButton);
    files.Set(Video, size, std::move(runs));
    SelectFile(Video);
  }
};

TEST_F(LargeFileAnalyzeTest, NumbersCellsAndCodesFollowTheRuleAtEverySize) {
  for (const int64_t size : {2 * GiB - 1, 2 * GiB, 3 * GiB, 4 * GiB - 1, 4 * GiB, 5 * GiB}) {
    SCOPED_TRACE(size);
    const std::vector<Extent> runs = Holes(size);
    const ExpectedAnalysis expected = ExpectAnalysis(size, runs);
    Select(size, runs);
    dialogs.Expect(MessageKind::Information, "Analysis complete.*");
    program->RunCommand(AnalyzeButton);
    ASSERT_TRUE(dialogs.AllAnswered());
    const AnalysisResult& result = program->LastFindings().Analysis;
    ASSERT_TRUE(result.Completed);
    EXPECT_EQ(result.FileSize, size);
    EXPECT_EQ(result.ErrorBytes, expected.ErrorBytes);
    EXPECT_EQ(CellLetters(result), expected.Cells);
    EXPECT_EQ(result.Cells.size(), 2001u);
    EXPECT_EQ(result.Codes, expected.Codes);
    EXPECT_EQ(result.Runs, expected.Runs);
    const int64_t fake = (expected.ErrorBytes + 1023) / 1024 * 1024;
    EXPECT_EQ(result.FakeBytes, fake);
    EXPECT_EQ(result.RealBytes, size - fake);
    EXPECT_EQ(result.RealPermille, (size - fake) * 1000 / size);

    // The Patch Codes view lists the codes below 4 GiB; from 4 GiB on it
    // says that the rest needs a Reference file.
    ASSERT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
    const std::string text = program->ViewArea.DisplayedText();
    EXPECT_EQ(text, PatchCodesText(expected.Codes, size));
    EXPECT_EQ(text.find(PastCodesLine) != std::string::npos, size >= 4 * GiB);
  }
}

TEST_F(LargeFileAnalyzeTest, CodesNearTwoAndFourGibibytesNameTheirOwnUnits) {
  // The hole across 2 GiB lies in units 32767 and 32768; the one across
  // 4 GiB gets codes only for its units below 4 GiB, up to unit 65535.
  const int64_t size = 5 * GiB;
  const std::vector<Extent> runs = {{2 * GiB - 3000, 6000}, {4 * GiB - 70000, 140000}};
  Select(size, runs);
  dialogs.Expect(MessageKind::Information, "Analysis complete.*");
  program->RunCommand(AnalyzeButton);
  const AnalysisResult& result = program->LastFindings().Analysis;
  EXPECT_EQ(result.Codes, (std::vector<std::string>{"7FFF1", "FFFE1"}));
  EXPECT_EQ(result.ErrorBytes, 6000 + 140000);
  EXPECT_EQ(program->ViewArea.DisplayedText(),
            "Patch Codes for required Patch Data\r\n"
            "(See Help page 6 for information on requesting a Patch file).\r\n\r\n"
            "Total Patches Codes: 2\tTotal Size: 0.3Mb (256Kb)\r\n" +
                std::string(PastCodesLine) +
                "\r\n\r\n"
                "2 x 128Kb code(s):\r\n"
                "7FFF1, FFFE1\r\n\r\n");
}

TEST_F(LargeFileAnalyzeTest, DamageOnlyPastFourGibibytesStillShowsThePatchCodesView) {
  Select(5 * GiB, {{4 * GiB + 100, 5000}});
  dialogs.Expect(MessageKind::Information, "Analysis complete.\r\n\r\nReal Data:\t99.9%\t\t" +
                                               FormatSize(5 * GiB - 5120) +
                                               "\r\nFake Data:\t0.1%\t\t0.1Mb (5Kb)\r\n\r\n*");
  program->RunCommand(AnalyzeButton);
  EXPECT_TRUE(program->LastFindings().Analysis.Codes.empty());
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_EQ(program->ViewArea.DisplayedText(), PatchCodesText({}, 5 * GiB));
}

TEST_F(LargeFileAnalyzeTest, PatchOperationsRefuseFilesOfFourGibibytesOrMore) {
  for (const int64_t size : {4 * GiB, 5 * GiB}) {
    Select(size, {});
    program->RunCommand(PatchCodesButton);
    memo.SetText("00000");
    dialogs.Expect(MessageKind::Error, PatchSizeLimitMessage);
    program->RunCommand(CreatePatchButton);
    EXPECT_FALSE(program->Control.LastRunCompleted());
    dialogs.ExpectFile("/v/big.tkp");
    dialogs.Expect(MessageKind::Error, PatchSizeLimitMessage);
    program->RunCommand(RepairPatchButton);
    EXPECT_TRUE(dialogs.AllAnswered());
  }
  // Just below 4 GiB the top unit, partial there, is a code like any other:
  // entry accepts it and the size question follows.
  Select(4 * GiB - 1, {});
  program->RunCommand(PatchCodesButton);
  memo.SetText("FFFF0");
  dialogs.Expect(MessageKind::Confirmation,
                 "Based on the entered Patch codes,\r\nthe Patch file will be 0.1Mb (65Kb) in "
                 "size.\r\n*",
                 PromptResult::No);
  program->RunCommand(CreatePatchButton);
  EXPECT_TRUE(dialogs.AllAnswered());
}

}  // namespace
}  // namespace tamarack::testing
