#include "repair/patch_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace tamarack {
namespace {

std::vector<uint8_t> Encode(int32_t videoSize, const std::vector<PatchRegion>& regions) {
  PatchJob job;
  job.RegionCount = static_cast<int>(regions.size());
  for (size_t k = 0; k < regions.size(); ++k) job.Regions[k] = regions[k];
  std::vector<uint8_t> bytes(PatchIndexSize(job.RegionCount));
  EncodePatchIndex(videoSize, job, bytes.data());
  return bytes;
}

PatchRegion Units(int first, int count) { return {first * UnitSize, count * UnitSize}; }

TEST(PatchFileTest, TheWorkedCaseHasHeader01000101AndEntry000000) {
  EXPECT_EQ(Encode(100000, {Units(0, 1)}),
            (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00}));
  const PatchIndexEntry entry{0, 1};
  EXPECT_EQ(PatchFileSize(&entry, 1), 65543);
}

TEST(PatchFileTest, TheLastUnitNumberIsTheUnitCountLessOne) {
  EXPECT_EQ(Encode(3 * UnitSize, {Units(0, 1)})[2], 2);
  EXPECT_EQ(Encode(3 * UnitSize + 1, {Units(0, 1)})[2], 3);
  EXPECT_EQ(Encode(1024, {Units(0, 1)})[2], 0);
  // The largest video, just below 2 GiB, has 32768 units.
  const std::vector<uint8_t> largest = Encode(2147483647, {Units(0, 1)});
  EXPECT_EQ(largest[1], 0x7F);
  EXPECT_EQ(largest[2], 0xFF);
  EXPECT_EQ(DecodePatchHeader(largest.data()).UnitCount, 32768);
}

TEST(PatchFileTest, EntriesAreBigEndianFirstUnitAndUnitCountLessOne) {
  const std::vector<uint8_t> bytes =
      Encode(30000 * UnitSize, {Units(0x12, 16), Units(0x1234, 1), Units(0x7000, 3)});
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x01, 0x75, 0x2F, 0x03, 0x00, 0x12, 0x0F, 0x12, 0x34, 0x00,
                                         0x70, 0x00, 0x02}));
  const PatchHeader header = DecodePatchHeader(bytes.data());
  EXPECT_EQ(header.Version, 1);
  EXPECT_EQ(header.UnitCount, 30000);
  EXPECT_EQ(header.RegionCount, 3);
  const PatchIndexEntry last = DecodePatchEntry(bytes.data() + 10);
  EXPECT_EQ(last.FirstUnit, 0x7000);
  EXPECT_EQ(last.UnitCount, 3);
  EXPECT_EQ(last.Region(), (PatchRegion{int64_t{0x7000} * UnitSize, 3 * UnitSize}));
}

TEST(PatchFileTest, ForeignEntriesDecodeWithoutOverflow) {
  const uint8_t entry[] = {0xFF, 0xFF, 0xFF};
  const PatchIndexEntry e = DecodePatchEntry(entry);
  EXPECT_EQ(e.UnitCount, 256);
  EXPECT_EQ(e.Region(), (PatchRegion{int64_t{65535} * 65536, 16777216}));
  const std::vector<PatchIndexEntry> many(255, e);
  EXPECT_EQ(PatchFileSize(many.data(), 255), 4 + 3 * 255 + int64_t{255} * 16777216);
}

}  // namespace
}  // namespace tamarack
