#include "repair/patch_code_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "analysis/analysis_report.h"
#include "analysis/patch_codes.h"
#include "platform/text_lines.h"
#include "support/program_fixture.h"
#include "support/test_bytes.h"

namespace tamarack::testing {
namespace {

const std::string Advice =
    "\r\nEnsure only valid codes are entered into the Patch Codes text window."
    "\r\nA valid code consists of five characters (each being a digit or letters A to F)."
    "\r\nIf entering multiple codes, separate each code with a comma and/or space.";

// First and last unit of each region, counted from 0.
using UnitRuns = std::vector<std::pair<int, int>>;

class PatchCodeEntryTest : public ProgramTest {
 protected:
  // Types the text into the Patch Codes view and leaves for the Analysis
  // view, as the operation runner does before Create Patch reads the codes.
  void Type(const std::string& text) {
    program->RunCommand(PatchCodesButton);
    memo.SetText(text);
    program->RunCommand(AnalysisButton);
    program->Control.HoldBusy(true);
  }

  PatchCodeList Read(const std::string& text) {
    Type(text);
    PatchCodeList list;
    ReadPatchCodes(program->Control, program->Runner.PatchCodeLines(), list);
    return list;
  }

  // The regions that the typed text gives for a selected file of the size.
  UnitRuns Enter(const std::string& text, int32_t fileSize) {
    Type(text);
    PatchJob job;
    EnterPatchCodes(program->Control, program->Runner.PatchCodeLines(), job, fileSize);
    UnitRuns runs;
    for (int k = 0; k < job.RegionCount; ++k) {
      const PatchRegion& r = job.Regions[k];
      EXPECT_EQ(r.Offset % UnitSize, 0);
      EXPECT_EQ(r.Length % UnitSize, 0);
      runs.push_back({r.Offset / UnitSize, r.End() / UnitSize - 1});
    }
    return runs;
  }

  void ExpectError(const std::string& text) { dialogs.Expect(MessageKind::Error, text); }
};

TEST_F(PatchCodeEntryTest, ValidityLooksAtFiveHexDigitsOfEitherCase) {
  EXPECT_TRUE(IsValidPatchCode("12ab5"));
  EXPECT_TRUE(IsValidPatchCode("FFFFF"));
  EXPECT_TRUE(IsValidPatchCode("0000Fzz"));  // only five characters are looked at
  EXPECT_FALSE(IsValidPatchCode("0000"));
  EXPECT_FALSE(IsValidPatchCode(""));
  EXPECT_FALSE(IsValidPatchCode("0000G"));
  EXPECT_FALSE(IsValidPatchCode("g0000"));
  EXPECT_FALSE(IsValidPatchCode(std::string{'0', '0', '0', '\0', '0'}));
  EXPECT_FALSE(IsValidPatchCode("\t0010"));
}

TEST_F(PatchCodeEntryTest, CodesAreStoredUpperCased) {
  EXPECT_EQ(Read("12ab5"), PatchCodeList{"12AB5"});
  EXPECT_TRUE(program->Control.Busy());
}

TEST_F(PatchCodeEntryTest, SpacesAndCommasAreDroppedAndTheRestCutEveryFiveCharacters) {
  const PatchCodeList both{"0000F", "0010F"};
  EXPECT_EQ(Read("0000F,0010F"), both);
  EXPECT_EQ(Read("0000F 0010F"), both);
  EXPECT_EQ(Read("0000F0010F"), both);
  EXPECT_EQ(Read(" 0000F , ,0010F,, "), both);
  EXPECT_EQ(Read("00 0,1F"), PatchCodeList{"0001F"});
  EXPECT_TRUE(program->Control.Busy());
}

TEST_F(PatchCodeEntryTest, CodesRunAcrossLineBreaksAndWrapPoints) {
  EXPECT_EQ(Read("0000F\r\n0010F"), (PatchCodeList{"0000F", "0010F"}));
  EXPECT_EQ(Read("000\r\n0F"), PatchCodeList{"0000F"});
  // The control shows this one line as "000", "0F0", "010" and "F".
  memo.WrapWidth = 3;
  EXPECT_EQ(Read("0000F0010F"), (PatchCodeList{"0000F", "0010F"}));
  EXPECT_TRUE(program->Control.Busy());
}

TEST_F(PatchCodeEntryTest, TheFirstBadPieceIsNamedWithTheAdvice) {
  // A tab is no separator: it becomes part of the piece after the first code.
  ExpectError("The Patch Code \"\t0010\" is not valid." + Advice);
  Read("0000F\t0010F");
  EXPECT_FALSE(program->Control.Busy());

  ExpectError("The Patch Code \"12\" is not valid." + Advice);
  Read("0000F, 12");

  ExpectError("The Patch Code \"0000;\" is not valid." + Advice);
  Read("0000;0010F, zzzzz");

  // A piece is five characters, not five bytes, so a letter outside ASCII is
  // named whole.
  const std::string accented = std::string("\xC3\xA9") + "1234";
  ExpectError("The Patch Code \"" + accented + "\" is not valid." + Advice);
  Read("0000F" + accented);
  EXPECT_TRUE(dialogs.AllAnswered());
}

// A byte that is not part of a well-formed UTF-8 character, such as a
// Latin-1 no-break space between codes, is a character of its own, shown as
// U+FFFD; it never makes the piece around it valid.
TEST_F(PatchCodeEntryTest, BytesOutsideAsciiAreRefused_malformed) {
  const std::string replacement = "\xEF\xBF\xBD";
  std::string text;
  for (int i = 0; i < 240; ++i) text += (i > 0 ? "\xA0" : "") + HexWord(i) + "0";
  ExpectError("The Patch Code \"" + replacement + "0001\" is not valid." + Advice);
  EXPECT_EQ(Enter(text, 1000 * UnitSize), (UnitRuns{}));
  EXPECT_FALSE(program->Control.Busy());

  for (int b = 0x80; b <= 0xFF; ++b) {
    ExpectError("The Patch Code \"" + replacement + "0010\" is not valid." + Advice);
    EXPECT_EQ(Enter("0000F" + std::string(1, static_cast<char>(b)) + "0010F", 1000 * UnitSize),
              (UnitRuns{}))
        << "byte " << b;
    EXPECT_FALSE(program->Control.Busy());
  }

  // Overlong forms, surrogates, values beyond U+10FFFF, sequences cut short
  // by a digit or by the end of the text: every byte is replaced.
  const std::string& r = replacement;
  const std::pair<std::string, std::string> cases[] = {
      {std::string("\xC0\xAF") + "123", r + r + "123"},
      {std::string("\xE0\x80\xAF") + "12", r + r + r + "12"},
      {std::string("\xED\xA0\x80") + "12", r + r + r + "12"},
      {std::string("\xF4\x90\x80\x80") + "1", r + r + r + r + "1"},
      {std::string("\xE2\x82") + "123", r + r + "123"},
      {"12\xF0\x9F\x98", "12" + r + r + r},
  };
  for (const auto& [typed, shown] : cases) {
    ExpectError("The Patch Code \"" + shown + "\" is not valid." + Advice);
    EXPECT_EQ(Read("0000F" + typed), PatchCodeList{"0000F"});
  }
  // Characters that are well formed are named as typed, four bytes or not.
  const std::string wellFormed = std::string("\xF0\x9F\x98\x80\xE2\x82\xAC") + "123";
  ExpectError("The Patch Code \"" + wellFormed + "\" is not valid." + Advice);
  Read(wellFormed);
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(PatchCodeEntryTest, AnEntryWithoutCharactersIsRefused) {
  for (const std::string text : {"", " , ,,", "\r\n \r\n"}) {
    ExpectError("No Patch Codes have been entered." + Advice);
    EXPECT_TRUE(Read(text).empty());
    EXPECT_FALSE(program->Control.Busy());
  }
}

// The Patch Codes text of a real analysis: codes of four sizes, a run of 20
// units written as a code of 16 and one of 4, and a line of sixteen codes.
class PatchCodesTextEntryTest : public PatchCodeEntryTest {
 protected:
  PatchCodesTextEntryTest() {
    std::vector<std::pair<size_t, size_t>> runs = {{UnitSize + 7, 2000},
                                                   {5 * UnitSize, 3 * UnitSize},
                                                   {10 * UnitSize + 1, 20 * UnitSize - 2},
                                                   {40 * UnitSize + 9, 1500},
                                                   {45 * UnitSize - 1000, 2000}};
    for (size_t unit = 46; unit < 60; ++unit) runs.push_back({unit * UnitSize + 100, 2000});
    AddFile(Video, Damaged(RandomBytes(FileSize, 31), runs));
    SelectFile(Video);
    dialogs.Expect(MessageKind::Information, "Analysis complete.*");
    program->RunCommand(AnalyzeButton);
    report = memo.Text;
    for (const std::string& code : program->LastFindings().Analysis.Codes) codes += code + " ";
  }

  static constexpr int32_t FileSize = 60 * UnitSize + 123;
  const std::string Video = "/v/film.avi";
  std::string report;
  std::string codes;
};

// Each line with "> " before it, or ">" when empty, as a mail reply quotes it.
std::string Quoted(const std::string& text, const std::string& quote = "> ") {
  std::string quoted;
  for (const std::string& line : SplitLines(text)) {
    quoted += (line.empty() ? quote.substr(0, quote.size() - 1) : quote + line) + "\r\n";
  }
  return quoted;
}

TEST_F(PatchCodesTextEntryTest, TheWholeTextGivesTheRegionsOfItsCodes) {
  ASSERT_EQ(codes.substr(0, 36), "00010 00052 000AF 001A3 00280 002C1 ");
  ASSERT_NE(report.find("16 x 64Kb code(s):\r\n00010, 00280, 002E0, "), std::string::npos);
  UnitRuns expected = {{1, 1}, {5, 7}, {10, 25}, {26, 29}, {40, 40}, {44, 45}};
  for (int unit = 46; unit < 60; ++unit) expected.push_back({unit, unit});
  // Blanks around the lines and more empty lines, also between a size's
  // line and its codes, as copying and mail may add them.
  std::string spaced;
  for (const std::string& line : SplitLines(report)) {
    spaced += "  " + line + " \r\n" + (line.empty() || line.ends_with(":") ? "\r\n" : "");
  }
  // What tamarack-cli analyze prints: the summary, then the text.
  const std::string printed =
      MakeAnalysisReport(program->LastFindings().Analysis.ErrorBytes, FileSize).Text + "\r\n\r\n" +
      report;
  const struct {
    std::string Text;
    int WrapWidth;
  } cases[] = {
      {codes, 0},
      {report, 0},
      {spaced, 0},
      {Quoted(report), 0},
      {Quoted(Quoted(report)), 0},
      {Quoted(report, ">> "), 0},
      {printed, 0},
      {Quoted(printed), 0},
      // The line of sixteen codes, 110 characters, wraps in the middle of a
      // code; quoted, its second part has no quote.
      {report, 64},
      {Quoted(printed), 64},
  };
  for (const auto& c : cases) {
    memo.WrapWidth = c.WrapWidth;
    EXPECT_EQ(Enter(c.Text, FileSize), expected) << c.Text;
    EXPECT_TRUE(program->Control.Busy()) << c.Text;
  }
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(PatchCodesTextEntryTest, ASpoiledCodeInTheTextIsNamed) {
  const size_t at = report.find("001A3");
  ASSERT_NE(at, std::string::npos);
  report.replace(at, 5, "001G3");
  ExpectError("The Patch Code \"001G3\" is not valid." + Advice);
  Enter(report, FileSize);
  EXPECT_FALSE(program->Control.Busy());
}

// Anything but the program's own text, however like it, is cut as it
// stands: its first piece is the word Patch (or Analysis).
TEST_F(PatchCodesTextEntryTest, TextsThatMerelyResembleItAreRefused) {
  const auto replaced = [this](const std::string& from, const std::string& to) {
    std::string text = report;
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  };
  const std::string heading =
      "Patch Codes for required Patch Data\r\n"
      "(See Help page 6 for information on requesting a Patch file).\r\n\r\n";
  // As many codes as no analysis lists: a count beyond 255 agrees with them.
  std::string thousand = heading + "Total Patches Codes: 1,000\tTotal Size: 62.5Mb (64,000Kb)" +
                         "\r\n\r\n1,000 x 64Kb code(s):\r\n";
  for (int i = 0; i < 1000; ++i) thousand += (i > 0 ? ", " : "") + HexWord(i % 60) + "0";
  const std::vector<std::string> texts = {
      heading + "00010\r\n",
      heading + "Total Patches Codes: 1\tTotal Size: 0.1Mb (64Kb)\r\n\r\n00010\r\n",
      heading + "Total Patches Codes: 1\tTotal Size: 0.1Mb (64Kb)\r\n\r\n1 x 64Kb code(s):\r\n",
      replaced("Patch Codes for required Patch Data", "Patch codes for required patch data"),
      replaced("(See Help page 6 for information on requesting a Patch file).\r\n", ""),
      replaced("Total Patches Codes: 20", "Total Patches Codes: 20 or so"),
      replaced("Total Patches Codes: 20\t", "Total Patches Codes: 20"),
      replaced("Total Size: ", "Size: "),
      replaced("(2,624Kb)", "(2624Kb)"),
      replaced("1 x 192Kb", "1 x 190Kb"),
      replaced("1 x 192Kb", "1 x 1,088Kb"),
      replaced("1 x 192Kb", "0 x 192Kb"),
      replaced("1 x 192Kb code(s):", "1 x 192Kb codes:"),
      report + "Thanks, Jo\r\n",
      "Patch Codes, please:\r\n" + report,
      // Counts and sizes that disagree with the codes listed.
      replaced("Total Patches Codes: 20", "Total Patches Codes: 21"),
      replaced("2.6Mb (2,624Kb)", "2.6Mb (2,600Kb)"),
      replaced("1 x 128Kb", "2 x 128Kb"),
      replaced("16 x 64Kb", "15 x 64Kb"),
      replaced("00052", "00052, 00062"),
      replaced("00052", "00053"),
      replaced("002C1", "002C0"),
      replaced("002C1", "00052").replace(report.find("00052"), 5, "002C1"),
      // The sizes out of their order, a tab turned into spaces.
      [&] {
        std::string text = replaced("1 x 1,024Kb code(s):\r\n000AF\r\n", "");
        return text.insert(text.find("16 x 64Kb"), "1 x 1,024Kb code(s):\r\n000AF\r\n\r\n");
      }(),
      replaced("\t", "   "),
      thousand,
      // Quoted, but not each line; a summary whose shares do not add up.
      heading + Quoted(replaced(heading, "")),
      "Analysis complete.\r\n\r\nReal Data:\t90.0%\t\t1.1Mb (1,152Kb)\r\n"
      "Fake Data:\t20.0%\t\t0.3Mb (256Kb)\r\n\r\n" +
          report,
  };
  for (const std::string& text : texts) {
    const std::string piece = text.substr(0, 5) == "Analy" ? "Analy" : "Patch";
    ExpectError("The Patch Code \"" + piece + "\" is not valid." + Advice);
    EXPECT_TRUE(Enter(text, FileSize).empty()) << text;
    EXPECT_FALSE(program->Control.Busy()) << text;
  }
}

TEST_F(PatchCodeEntryTest, OnlyTheFirst255CodesAreTaken) {
  std::string text;
  for (int i = 0; i < 256; ++i) text += HexWord(i) + "0, ";
  text += "junk";
  const PatchCodeList list = Read(text);
  ASSERT_EQ(list.size(), 255u);
  EXPECT_EQ(list.front(), "00000");
  EXPECT_EQ(list.back(), "00FE0");
  EXPECT_TRUE(program->Control.Busy());
}

TEST_F(PatchCodeEntryTest, SortOrdersByFirstUnitThenLength) {
  PatchCodeList list{"0010F", "00011", "0000F", "7FFF0", "00010", "0000F"};
  SortPatchCodes(list);
  EXPECT_EQ(list, (PatchCodeList{"0000F", "0000F", "00010", "00011", "0010F", "7FFF0"}));
  PatchCodeList one{"12345"};
  SortPatchCodes(one);
  EXPECT_EQ(one, PatchCodeList{"12345"});
}

TEST_F(PatchCodeEntryTest, CodesThatShareAUnitBecomeOneRegion) {
  const int32_t big = 100 * UnitSize;
  EXPECT_EQ(Enter("0010F 0000F", big), (UnitRuns{{0, 15}, {16, 31}}));  // adjacent stay apart
  EXPECT_EQ(Enter("0000F 0000F", big), (UnitRuns{{0, 15}}));
  EXPECT_EQ(Enter("0000F 0008F", big), (UnitRuns{{0, 15}, {16, 23}}));
  EXPECT_EQ(Enter("0000F 00011", big), (UnitRuns{{0, 15}}));
  EXPECT_EQ(Enter("0000F 0008F 00090", big), (UnitRuns{{0, 15}, {16, 23}}));
  // A code reaching below the last region, the second half of a merge.
  EXPECT_EQ(Enter("0000F 0008F 0009F", big), (UnitRuns{{0, 15}, {16, 24}}));
  EXPECT_EQ(Enter("00033 00101 00500", big), (UnitRuns{{3, 6}, {16, 17}, {80, 80}}));
  EXPECT_TRUE(program->Control.Busy());
}

// Codes are never moved: the top units of a file near 2 GiB are carried
// where they are, up to its last, partial unit 32767.
TEST_F(PatchCodeEntryTest, CodesNearTheTopUnitsStayWhereTheyAre) {
  const int32_t largest = 2147483647;
  EXPECT_EQ(Enter("7FFD0 7FFE1", largest), (UnitRuns{{32765, 32765}, {32766, 32767}}));
  EXPECT_EQ(Enter("7FFF0", largest), (UnitRuns{{32767, 32767}}));
  EXPECT_EQ(Enter("7FF0F 7FFF0", largest), (UnitRuns{{32752, 32767}}));
  EXPECT_TRUE(program->Control.Busy());
  ExpectError("The Patch Code \"7FFE5\" is not valid for this file.");
  Enter("7FFD0 7FFE5", largest);
  // A code past unit 65535 reaches beyond 4 GiB and is named as entered.
  ExpectError("The Patch Code \"FFFFF\" is not valid for this file.");
  Enter("7FFF0 FFFFF", largest);
}

TEST_F(PatchCodeEntryTest, OrderedRegionsMayTouchButNeverOverlapOrTurnBack) {
  PatchJob job;
  job.RegionCount = 3;
  job.Regions[0] = {0, UnitSize};                 // unit 0
  job.Regions[1] = {UnitSize, 2 * UnitSize};      // units 1 and 2
  job.Regions[2] = {3 * UnitSize, 4 * UnitSize};  // units 3 to 6
  EXPECT_TRUE(HasOrderedRegions(job));
  job.Regions[1].Length += 1;  // one byte into unit 3
  EXPECT_FALSE(HasOrderedRegions(job));
  job.Regions[1].Length -= 1;
  job.Regions[2].Offset = 0;  // back to unit 0
  EXPECT_FALSE(HasOrderedRegions(job));
  job.RegionCount = 2;  // only the regions in use count
  EXPECT_TRUE(HasOrderedRegions(job));
}

TEST_F(PatchCodeEntryTest, ARegionMustEndWithinTheFilesLastUnit) {
  // 100000 bytes: unit 0 whole, unit 1 partial; the partial unit is carried.
  EXPECT_EQ(Enter("00000", 100000), (UnitRuns{{0, 0}}));
  EXPECT_EQ(Enter("00010", 100000), (UnitRuns{{1, 1}}));
  EXPECT_EQ(Enter("00001", 100000), (UnitRuns{{0, 1}}));
  EXPECT_EQ(Enter("00001", 2 * UnitSize), (UnitRuns{{0, 1}}));
  // Units wholly beyond the file; a region is named as the merge wrote it.
  const struct {
    const char* Typed;
    int32_t FileSize;
    const char* Named;
  } beyond[] = {
      {"00020", 100000, "00020"},
      {"00011", 100000, "00011"},
      {"00002", 100000, "00002"},
      // 00001 and 0001F merge into 17 units, written 0000F00100; its first
      // code already passes the end of a 10-unit file.
      {"00001 0001F", 10 * UnitSize, "0000F00100"},
      // 0000F and 0008F give 0000F00107; the first code fits, the second not.
      {"0000F 0008F", 20 * UnitSize, "00107"},
  };
  for (const auto& c : beyond) {
    ExpectError(std::string("The Patch Code \"") + c.Named + "\" is not valid for this file.");
    Enter(c.Typed, c.FileSize);
    EXPECT_FALSE(program->Control.Busy());
  }
  EXPECT_TRUE(dialogs.AllAnswered());
}

TEST_F(PatchCodeEntryTest, AFailedEntryLeavesTheTypedCodesInTheView) {
  AddFile("/v/a.avi", std::vector<uint8_t>(100000, 7));
  SelectFile("/v/a.avi");
  program->RunCommand(PatchCodesButton);
  memo.SetText("00000 00020");
  ExpectError("The Patch Code \"00020\" is not valid for this file.");
  program->RunCommand(CreatePatchButton);
  EXPECT_EQ(program->ViewArea.CurrentView(), View::PatchCodes);
  EXPECT_EQ(program->ViewArea.DisplayedText(), "00000 00020");
  EXPECT_FALSE(program->Control.LastRunCompleted());
  EXPECT_EQ(files.OpenFiles, 0);
  EXPECT_EQ(files.Files.size(), 1u);
}

}  // namespace
}  // namespace tamarack::testing
