#include "analysis/torrent_target.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "support/real_files.h"

namespace tamarack::testing {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A torrent of two files made by mktorrent, with pieces of 32 KiB.
std::vector<uint8_t> RealTorrent(const TempDir& temp) {
  std::filesystem::create_directories(temp.File("set"));
  WriteRealFile(temp.File("set/a.avi"), std::vector<uint8_t>(100000, 1));
  WriteRealFile(temp.File("set/b.avi"), std::vector<uint8_t>(50000, 2));
  const std::string command = "mktorrent -l 15 -o '" + temp.File("set.torrent") + "' '" +
                              temp.File("set") + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  return ReadRealFile(temp.File("set.torrent"));
}

TEST(TorrentTargetTest, RealTorrentGivesTheEntryOfTheFilesSize) {
  TempDir temp;
  const TorrentLoad load = LoadTorrentTarget(RealTorrent(temp), 50000, "/x/b.avi");
  ASSERT_TRUE(load.Target) << load.Error;
  EXPECT_EQ(load.Target->EntryPath, "set/b.avi");
  EXPECT_EQ(load.Target->Start, 3 * 32768 - 100000);
  ASSERT_EQ(load.Target->Before.size(), 1u);
  EXPECT_EQ(load.Target->Before[0].Path, "a.avi");
  EXPECT_EQ(load.Target->Before[0].Part.Offset, 3 * 32768);
  EXPECT_EQ(load.Target->PieceHashes.size(), 2u);
}

TEST(TorrentTargetTest, EveryTruncationIsMalformed_truncated) {
  TempDir temp;
  const std::vector<uint8_t> torrent = RealTorrent(temp);
  ASSERT_GT(torrent.size(), 100u);
  for (size_t cut = 0; cut < torrent.size(); ++cut) {
    const TorrentLoad load = LoadTorrentTarget(
        std::vector<uint8_t>(torrent.begin(), torrent.begin() + cut), 50000, "b.avi");
    EXPECT_FALSE(load.Target) << cut;
    EXPECT_EQ(load.Fault, TorrentFault::Malformed) << cut;
  }
}

TEST(TorrentTargetTest, HostileBytesAreMalformed_malformed) {
  std::mt19937 rng(5);
  std::vector<uint8_t> random(4096);
  for (auto& b : random) b = static_cast<uint8_t>(rng());
  const std::vector<std::vector<uint8_t>> inputs = {
      random,
      Bytes("d4:infod6:lengthi1000000000000000e4:name1:a12:piece lengthi16384e"
            "6:pieces20:aaaaaaaaaaaaaaaaaaaaee"),
      Bytes("d4:infod6:lengthi100000e4:name1:a12:piece lengthi0e6:pieces20:aaaaaaaaaaaaaaaaaaaaee"),
      Bytes("d4:infod6:lengthi-5e4:name1:a12:piece lengthi16384e6:pieces20:aaaaaaaaaaaaaaaaaaaaee"),
      Bytes(std::string(200, 'l') + std::string(200, 'e')),
  };
  for (const std::vector<uint8_t>& input : inputs) {
    const TorrentLoad load = LoadTorrentTarget(input, 100000, "a");
    EXPECT_FALSE(load.Target);
    EXPECT_EQ(load.Fault, TorrentFault::Malformed);
  }
}

}  // namespace
}  // namespace tamarack::testing
