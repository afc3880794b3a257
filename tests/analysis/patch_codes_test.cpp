#include "analysis/patch_codes.h"

#include <gtest/gtest.h>

namespace tamarack {
namespace {

TEST(PatchCodesTest, HexWordsRoundTripWithFourUpperCaseDigits) {
  EXPECT_EQ(HexWord(0), "0000");
  EXPECT_EQ(HexWord(0x12), "0012");
  EXPECT_EQ(HexWord(0xABCD), "ABCD");
  EXPECT_EQ(HexWord(65535), "FFFF");
  for (int value : {0, 1, 15, 16, 255, 256, 4095, 4096, 0x7FFF, 0x8000, 0xFFFF}) {
    EXPECT_EQ(ParseHexWord(HexWord(value)), value);
  }
  // Only the first four characters count.
  EXPECT_EQ(ParseHexWord("00122"), 0x12);
}

TEST(PatchCodesTest, ParseHexWordIgnoresWhatIsNotADigit) {
  // Lower case and other characters are no digits; they count as 0 and the
  // routine never reads past the four characters or the text.
  EXPECT_EQ(ParseHexWord("00a1"), 0x0001);
  EXPECT_EQ(ParseHexWord("G\t1F"), 0x001F);
  EXPECT_EQ(ParseHexWord("1"), 0x1000);
  EXPECT_EQ(ParseHexWord(""), 0);
}

TEST(PatchCodesTest, UnitsCountFromOneAndHold65536Positions) {
  EXPECT_EQ(UnitOfPosition(1), 1);
  EXPECT_EQ(UnitOfPosition(65536), 1);
  EXPECT_EQ(UnitOfPosition(65537), 2);
  EXPECT_EQ(UnitOfPosition(2147483647), 32768);
  EXPECT_EQ(UnitOfPosition(int64_t{1} << 32), 65536);
  EXPECT_EQ(UnitOfPosition((int64_t{1} << 32) + 1), 65537);
  EXPECT_EQ(UnitBytes(0), 0);
  EXPECT_EQ(UnitBytes(1), 65536);
  EXPECT_EQ(UnitBytes(32767), 2147418112);
  EXPECT_EQ(UnitBytes(65535), 4294901760);
  // Taken as unsigned 16-bit.
  EXPECT_EQ(UnitBytes(65536 + 2), 131072);
}

TEST(PatchCodesTest, RangeToCodesCoversEveryTouchedUnit) {
  const int64_t two = int64_t{1} << 31;
  const int64_t four = int64_t{1} << 32;
  const struct {
    Extent Range;
    const char* Codes;
  } cases[] = {
      {{0, 1}, "00000"},
      {{65535, 2}, "00001"},
      {{0, 17 * 65536}, "0000F00100"},
      {{0, 16 * 65536}, "0000F"},
      {{0, 16 * 65536 + 1}, "0000F00100"},
      // 3 units from unit 0x12; then 33 units from unit 5: two full codes and one.
      {{0x12 * 65536, 3 * 65536}, "00122"},
      {{5 * 65536 + 99, 32 * 65536}, "0005F0015F00250"},
      // The last unit of a file just below 2 GiB, and of one just below 4 GiB.
      {{2147482999, 647}, "7FFF0"},
      {{four - 11, 10}, "FFFF0"},
      // Across 2 GiB: units 32767 and 32768.
      {{two - 6, 10}, "7FFF1"},
      {{four - 20 * 65536, 20 * 65536}, "FFECFFFFC3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RangeToCodes(c.Range), c.Codes) << c.Range.Offset << "+" << c.Range.Length;
  }
}

TEST(PatchCodesTest, ParseCodeGivesWholeUnitsWhereverTheyLie) {
  EXPECT_EQ(ParseCode("0000F"), (Extent{0, 1048576}));
  EXPECT_EQ(ParseCode("00122"), (Extent{0x12 * 65536, 3 * 65536}));
  // Only the first five characters are read.
  EXPECT_EQ(ParseCode("00010, 00020"), (Extent{65536, 65536}));
  // Codes of the top units are never moved; they reach up to 4 GiB and,
  // with more than one unit from unit 65535, past it.
  EXPECT_EQ(ParseCode("7FFF0"), (Extent{32767 * int64_t{65536}, 65536}));
  EXPECT_EQ(ParseCode("7FFEF"), (Extent{32766 * int64_t{65536}, 16 * 65536}));
  EXPECT_EQ(ParseCode("FFFF0"), (Extent{65535 * int64_t{65536}, 65536}));
  EXPECT_EQ(ParseCode("FFFFF"), (Extent{65535 * int64_t{65536}, 16 * 65536}));
  EXPECT_EQ(LastUnitOfCode("7FFF0"), 32767);
  EXPECT_EQ(LastUnitOfCode("FFFF0"), 65535);
  EXPECT_EQ(LastUnitOfCode("FFFFF"), 65550);
  // Every code within the first 65536 units gives its code back.
  for (const char* code : {"00000", "7FFF0", "7FFEF", "80000", "FFFF0", "FFFE1", "FFF0F"}) {
    EXPECT_EQ(RangeToCodes(ParseCode(code)), code);
  }
}

TEST(PatchCodesTest, MergeCodesJoinsOnlyCodesThatShareAUnit) {
  EXPECT_EQ(MergeCodes("00001", "00010"), "00001");  // b lies in a's units
  EXPECT_EQ(MergeCodes("00000", "00010"), "");       // adjoining units stay apart
  EXPECT_EQ(MergeCodes("0000F", "00020"), "0000F");  // b inside a
  EXPECT_EQ(MergeCodes("00122", "00122"), "00122");
  // b starting before a: the range still runs from a's first unit.
  EXPECT_EQ(MergeCodes("00011", "00001"), "00011");
  // a's last unit is b's first: from a's first unit to b's last.
  EXPECT_EQ(MergeCodes("00011", "00022"), "00013");
  // The merged range needs more than 16 units.
  EXPECT_EQ(MergeCodes("0000F", "000F3"), "0000F00102");
  EXPECT_EQ(MergeCodes("0000F", "000FF"), "0000F0010E");
}

}  // namespace
}  // namespace tamarack
