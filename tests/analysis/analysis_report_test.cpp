#include "analysis/analysis_report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tamarack {
namespace {

constexpr int32_t Unit = 65536;

std::vector<std::string> CodesOf(const ScanState& state) {
  return {state.Codes.begin(), state.Codes.begin() + state.CodeCount};
}

// A list of count one-unit codes, in units 0, 2, 4 and so on.
ScanState ListOfSingleUnits(int count) {
  ScanState state;
  for (int i = 0; i < count; ++i) AddRunCodes(state, {2 * i * Unit, 1025});
  return state;
}

TEST(AddRunCodesTest, RunsSharingAUnitGiveOneCodeAndAdjoiningUnitsStayApart) {
  ScanState state;
  AddRunCodes(state, {Unit, 1025});
  AddRunCodes(state, {Unit + 4999, 2000});  // the same unit
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"00010"}));
  // From the last code's unit into two more: the code grows.
  AddRunCodes(state, {2 * Unit - 101, Unit + 200});
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"00012"}));
  // The unit right after: a code of its own.
  AddRunCodes(state, {4 * Unit, 1025});
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"00012", "00040"}));
  // Growing past 16 units turns the last code into two.
  AddRunCodes(state, {4 * Unit + 2999, 16 * Unit});
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"00012", "0004F", "00140"}));
}

TEST(AddRunCodesTest, LongRunsGiveConsecutiveCodes) {
  ScanState state;
  AddRunCodes(state, {14000, 5000});
  AddRunCodes(state, {5 * Unit + 99, 40 * Unit});
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"00000", "0005F", "0015F", "00258"}));
}

TEST(AddRunCodesTest, AFullListDropsFurtherCodesSilently) {
  ScanState state = ListOfSingleUnits(254);
  ASSERT_EQ(state.CodeCount, 254);
  EXPECT_EQ(state.Codes[253], "01FA0");
  // Three codes are needed, one fits.
  AddRunCodes(state, {600 * Unit, 40 * Unit});
  EXPECT_EQ(state.CodeCount, 255);
  EXPECT_EQ(state.Codes[254], "0258F");
  AddRunCodes(state, {700 * Unit, 1025});
  AddRunCodes(state, {615 * Unit, 2 * Unit});  // would extend the last code
  EXPECT_EQ(state.CodeCount, 255);
  EXPECT_EQ(state.Codes[254], "0258F");
  EXPECT_EQ(state.Codes[253], "01FA0");
}

TEST(AddRunCodesTest, AMergeIntoANearlyFullListKeepsWhatFits) {
  ScanState state = ListOfSingleUnits(254);
  // Starts in the last code's unit 506 and runs 40 units: the merged code
  // replaces the last one, one more fits, the third is dropped.
  AddRunCodes(state, {506 * Unit + 9, 40 * Unit});
  EXPECT_EQ(state.CodeCount, 255);
  EXPECT_EQ(state.Codes[252], "01F80");
  EXPECT_EQ(state.Codes[253], "01FAF");
  EXPECT_EQ(state.Codes[254], "020AF");
}

// Codes name units below 65536: a run across 4 GiB gets codes up to unit
// 65535, one past it none, and the runs are all counted all the same.
TEST(AddRunCodesTest, CodesStopAtFourGibibytes) {
  const int64_t four = int64_t{1} << 32;
  ScanState state;
  AddRunCodes(state, {four - 3 * Unit, 5 * Unit});
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"FFFD2"}));
  AddRunCodes(state, {four, 1025});
  AddRunCodes(state, {four + 10 * Unit - 1, 40 * Unit});
  EXPECT_EQ(CodesOf(state), (std::vector<std::string>{"FFFD2"}));
  // Across 2 GiB, where codes were once moved down.
  ScanState two;
  AddRunCodes(two, {(int64_t{1} << 31) - 101, 200});
  EXPECT_EQ(CodesOf(two), (std::vector<std::string>{"7FFF1"}));
}

TEST(PatchCodesTextTest, FromFourGibibytesOnALineTellsOfTheReferenceFile) {
  const std::vector<std::string> codes = {"00010"};
  const std::string below = PatchCodesText(codes, (int64_t{1} << 32) - 1);
  EXPECT_EQ(below.find(PastCodesLine), std::string::npos);
  EXPECT_EQ(below, PatchCodesText(codes));
  EXPECT_EQ(PatchCodesText(codes, int64_t{1} << 32),
            "Patch Codes for required Patch Data\r\n"
            "(See Help page 6 for information on requesting a Patch file).\r\n\r\n"
            "Total Patches Codes: 1\tTotal Size: 0.1Mb (64Kb)\r\n"
            "Damage past 4Gb can be repaired only with a Reference file.\r\n\r\n"
            "1 x 64Kb code(s):\r\n00010\r\n\r\n");
}

// Shares are truncated tenths worked out in 64 bits (real data times 1000
// passes 32 bits for these sizes); any real data shows at least 0.1%; real
// data below 5% is fake. The advice follows from the errors.
TEST(AnalysisReportTest, ReportsTheSharesAndTheAdvice) {
  const std::string playback =
      "If the AVI has problems playing then:\r\n"
      "- the file is not fully supported by your player, or\r\n"
      "- the file requires an exact codec, or\r\n"
      "- the file has a permanent error created during the encoding process\r\n"
      "(See \"Links\" in the user guide (Website) for recommended solutions.)";
  const std::string repair =
      "Some or all errors may be repairable using a Reference or Patch file.\r\n"
      "If you have already repaired using a Reference file,\r\n"
      "another one may repair these remaining errors.\r\n"
      "(See Help for instructions on repairing.)";
  const std::string fake = "This file is fake and cannot be repaired.";
  const struct {
    int64_t ErrorBytes, Size;
    const char* Real;
    const char* Fake;
    const std::string& Advice;
  } cases[] = {
      {0, 10485760, "100.0%\t\t10.0Mb (10,240Kb)", "0.0%\t\t0.0Mb (0Kb)", playback},
      {1, 10485760, "99.9%\t\t10.0Mb (10,239Kb)", "0.1%\t\t0.1Mb (1Kb)", repair},
      {100000, 10485760, "99.0%\t\t10.0Mb (10,142Kb)", "1.0%\t\t0.1Mb (98Kb)", repair},
      {972800, 1024000, "5.0%\t\t0.1Mb (50Kb)", "95.0%\t\t1.0Mb (950Kb)", repair},
      {973824, 1024000, "4.9%\t\t0.1Mb (49Kb)", "95.1%\t\t1.0Mb (951Kb)", fake},
      {19984640, 20000000, "0.1%\t\t0.1Mb (15Kb)", "99.9%\t\t19.1Mb (19,517Kb)", fake},
      {int64_t{3} << 30, int64_t{5} << 30, "40.0%\t\t2,048.0Mb (2,097,152Kb)",
       "60.0%\t\t3,072.0Mb (3,145,728Kb)", repair},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ErrorBytes);
    const AnalysisReport report = MakeAnalysisReport(c.ErrorBytes, c.Size);
    EXPECT_EQ(report.Text, std::string("Analysis complete.\r\n\r\nReal Data:\t") + c.Real +
                               "\r\nFake Data:\t" + c.Fake + "\r\n\r\n" + c.Advice);
    EXPECT_EQ(report.JudgedFake, &c.Advice == &fake);
    EXPECT_EQ(report.RealBytes + report.FakeBytes, c.Size);
  }
  EXPECT_EQ(MakeAnalysisReport(0, 10485760).RealPermille, 1000);
  const AnalysisReport big = MakeAnalysisReport(1, 2147483647);
  EXPECT_EQ(big.FakeBytes, 1024);
  EXPECT_EQ(big.RealBytes, 2147482623);
  EXPECT_EQ(big.RealPermille, 999);
  const AnalysisReport beyond = MakeAnalysisReport(int64_t{3} << 30, int64_t{5} << 30);
  EXPECT_EQ(beyond.FakeBytes, int64_t{3} << 30);
  EXPECT_EQ(beyond.RealPermille, 400);
  // Real data times 1000 leaves 64 bits for a file this large: no overflow.
  const int64_t huge = int64_t{1} << 62;
  EXPECT_EQ(MakeAnalysisReport(1, huge).RealPermille, 999);
  EXPECT_EQ(MakeAnalysisReport(huge / 2, huge).RealPermille, 500);
}

TEST(PatchCodesTextTest, CodesAreListedBySizeClassWithTheirTotal) {
  const std::vector<std::string> codes = {"00120", "00501", "00340"};
  EXPECT_EQ(PatchCodesText(codes),
            "Patch Codes for required Patch Data\r\n"
            "(See Help page 6 for information on requesting a Patch file).\r\n"
            "\r\n"
            "Total Patches Codes: 3\tTotal Size: 0.3Mb (256Kb)\r\n"
            "\r\n"
            "2 x 64Kb code(s):\r\n"
            "00120, 00340\r\n"
            "\r\n"
            "1 x 128Kb code(s):\r\n"
            "00501\r\n"
            "\r\n");
  EXPECT_EQ(ListedCodes(codes), (std::vector<std::string>{"00120", "00340", "00501"}));
}

TEST(PatchCodesTextTest, SixteenUnitCodesAreLabelledWithThousands) {
  const std::vector<std::string> codes = {"0000F", "00100", "0020F", "00307"};
  EXPECT_EQ(PatchCodesText(codes),
            "Patch Codes for required Patch Data\r\n"
            "(See Help page 6 for information on requesting a Patch file).\r\n"
            "\r\n"
            "Total Patches Codes: 4\tTotal Size: 2.6Mb (2,624Kb)\r\n"
            "\r\n"
            "1 x 64Kb code(s):\r\n"
            "00100\r\n"
            "\r\n"
            "1 x 512Kb code(s):\r\n"
            "00307\r\n"
            "\r\n"
            "2 x 1,024Kb code(s):\r\n"
            "0000F, 0020F\r\n"
            "\r\n");
  EXPECT_EQ(ListedCodes(codes), (std::vector<std::string>{"00100", "00307", "0000F", "0020F"}));
}

}  // namespace
}  // namespace tamarack
