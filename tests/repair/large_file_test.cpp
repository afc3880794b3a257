// Backup, Repair with Reference, Analyze and the patch road on real sparse
// files of 3 and 5 GiB: data lies in a few islands around 2 GiB, 4 GiB and
// in the last unit, the rest is holes that take no space. Only the islands
// are written and compared, so the tests stay fast. They run in a tmpfs
// when the machine has one (holes read there at memory speed), else in the
// temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/analysis_report.h"
#include "support/large_files.h"
#include "support/program_fixture.h"
#include "support/real_files.h"
#include "ui/block_grid.h"

namespace tamarack::testing {
namespace {

// Bytes of data at an offset of the file: never zero, and different at
// every offset of a unit, so a byte copied from the wrong place shows.
uint8_t DataByte(int64_t offset, unsigned seed) {
  uint64_t x = static_cast<uint64_t>(offset) * 0x9E3779B97F4A7C15u + seed;
  x ^= x >> 29;
  return static_cast<uint8_t>(1 + x % 255);
}

struct Island {
  int64_t Offset = 0;
  int64_t Length = 0;
  unsigned Seed = 1;  // which data: the same seed gives the same bytes
};

std::vector<uint8_t> IslandBytes(const Island& island) {
  std::vector<uint8_t> bytes(static_cast<size_t>(island.Length));
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = DataByte(island.Offset + static_cast<int64_t>(i), island.Seed);
  }
  return bytes;
}

std::vector<uint8_t> ReadAt(const std::string& path, int64_t offset, int64_t length) {
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0) << path;
  const ssize_t n = ::pread(fd, bytes.data(), bytes.size(), offset);
  ::close(fd);
  EXPECT_EQ(n, length) << path << " at " << offset;
  return bytes;
}

// The folder for files of gigabytes: a tmpfs when there is one.
std::string LargeFileFolder() {
  struct stat st {};
  if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path().string();
}

class LargeFileTest : public ProgramOn<PosixFileSystem> {
 protected:
  LargeFileTest() : folder(LargeFileFolder()) {}

  void SetUp() override { ASSERT_TRUE(folder.Made()) << "no folder for large files"; }

  // Makes a sparse file of the size with the islands written; false when
  // the file system cannot hold a file that large (the test is skipped).
  bool MakeSparse(const std::string& path, int64_t size, const std::vector<Island>& islands) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, size) != 0) {
      if (fd >= 0) ::close(fd);
      return false;
    }
    for (const Island& island : islands) {
      const std::vector<uint8_t> bytes = IslandBytes(island);
      EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), island.Offset), island.Length);
    }
    ::close(fd);
    return true;
  }

  void Select(const std::string& path) {
    if (program->Selected.HasFile()) program->RunCommand(SelectClearButton);
    SelectFile(path);
  }

  // The colour of a map cell, counted from 1, as the bitmap shows it.
  Color CellColor(int index) {
    const CellOrigin at = CellPosition(static_cast<uint16_t>(index));
    return program->Bitmap.GetPixel(at.X, at.Y);
  }

  TempDir folder;
};

#define MAKE_SPARSE(path, size, islands)                                                    \
  if (!MakeSparse(path, size, islands)) {                                                   \
    GTEST_SKIP() << "this file system cannot hold a sparse file of " << (size) << " bytes"; \
  }

const int64_t FiveGiB = 5 * GiB;

// Data at the start, across 2 GiB, across 4 GiB and in the last unit.
const std::vector<Island> FiveGiBIslands = {{0, 65536, 1},
                                            {2 * GiB - 100000, 200000, 1},
                                            {4 * GiB - 100000, 200000, 1},
                                            {FiveGiB - 70000, 70000, 1}};

TEST_F(LargeFileTest, BackupCopiesEveryIslandAndKeepsTheHoles) {
  const std::string video = folder.File("big.avi");
  MAKE_SPARSE(video, FiveGiB, FiveGiBIslands);
  Select(video);
  const std::string backup = folder.File("BACKUP.big.avi");
  dialogs.Expect(MessageKind::Information, "The Backup file \"" + backup + "\" has been created.");
  program->RunCommand(CreateBackupButton);
  ASSERT_TRUE(dialogs.AllAnswered());
  ASSERT_TRUE(program->Control.LastRunCompleted());

  EXPECT_EQ(std::filesystem::file_size(backup), static_cast<uintmax_t>(FiveGiB));
  for (const Island& island : FiveGiBIslands) {
    EXPECT_EQ(ReadAt(backup, island.Offset, island.Length), IslandBytes(island)) << island.Offset;
  }
  // Holes read as zeros on both sides of each mark, and take no space.
  for (const int64_t offset : {int64_t{100000}, 3 * GiB, 4 * GiB + 200000, FiveGiB - 80000}) {
    EXPECT_EQ(ReadAt(backup, offset, 4096), std::vector<uint8_t>(4096, 0)) << offset;
  }
  struct stat st {};
  ASSERT_EQ(::stat(backup.c_str(), &st), 0);
  EXPECT_LT(int64_t{st.st_blocks} * 512, 64 * 1024 * 1024);
}

TEST_F(LargeFileTest, ReferenceFillsTheHolesAcrossTheMarksAndPaintsTheirCells) {
  const std::string video = folder.File("big.avi");
  const std::string reference = folder.File("second.avi");
  // The selected file misses most of each island; the reference holds them
  // whole, and where both hold data that differs, the selected file's stays.
  const std::vector<Island> selected = {{0, 65536, 1},
                                        {GiB, 4096, 7},
                                        {2 * GiB - 100000, 50000, 1},
                                        {4 * GiB - 100000, 50000, 1},
                                        {FiveGiB - 40000, 40000, 1}};
  const std::vector<Island> second = {{GiB, 4096, 1},
                                      {2 * GiB - 100000, 200000, 1},
                                      {4 * GiB - 100000, 200000, 1},
                                      {FiveGiB - 70000, 70000, 1}};
  MAKE_SPARSE(video, FiveGiB, selected);
  MAKE_SPARSE(reference, FiveGiB, second);
  Select(video);
  dialogs.ExpectFile(reference);
  // The differing island is most of the little data both files hold: the
  // sample check asks, and the merge counts those bytes.
  dialogs.Expect(MessageKind::Confirmation,
                 "The Reference file does not look like a copy of the Selected file.*",
                 PromptResult::Yes);
  dialogs.Expect(MessageKind::Information,
                 "Referencing complete. Analyze the Selected file for remaining errors.");
  dialogs.Expect(MessageKind::Information,
                 "The Reference file holds other data than the Selected file in 4,0*");
  dialogs.Expect(MessageKind::Confirmation, "This Reference file is no longer needed*",
                 PromptResult::No);
  program->RunCommand(RepairReferenceButton);
  ASSERT_TRUE(dialogs.AllAnswered());
  ASSERT_TRUE(program->Control.LastRunCompleted());

  EXPECT_EQ(std::filesystem::file_size(video), static_cast<uintmax_t>(FiveGiB));
  EXPECT_EQ(ReadAt(video, GiB, 4096), IslandBytes({GiB, 4096, 7}));
  for (const Island& island : second) {
    if (island.Offset == GiB) continue;
    EXPECT_EQ(ReadAt(video, island.Offset, island.Length), IslandBytes(island)) << island.Offset;
  }
  EXPECT_EQ(ReadAt(video, 0, 65536), IslandBytes({0, 65536, 1}));
  EXPECT_EQ(ReadAt(video, 3 * GiB, 4096), std::vector<uint8_t>(4096, 0));

  // Green exactly where a byte was filled: the cells of the filled parts.
  const int64_t cellSize = (FiveGiB + 2000) / 2001;
  std::vector<bool> filled(2001, false);
  const auto fill = [&](int64_t from, int64_t to) {
    for (int64_t c = from / cellSize; c <= (to - 1) / cellSize; ++c) filled[c] = true;
  };
  fill(2 * GiB - 50000, 2 * GiB + 100000);
  fill(4 * GiB - 50000, 4 * GiB + 100000);
  fill(FiveGiB - 70000, FiveGiB - 40000);
  for (int i = 1; i <= 2001; ++i) {
    EXPECT_EQ(CellColor(i), filled[i - 1] ? Green : Silver) << "cell " << i;
  }
}

// Islands of data at the start, around 2 GiB and 4 GiB and in the last
// unit, as far as the file reaches; those that meet are one island.
std::vector<Island> IslandsOfFile(int64_t size) {
  return RangesOfFile<Island>(size, {{0, 65536, 1},
                                     {2 * GiB - 100000, 200000, 1},
                                     {4 * GiB - 100000, 200000, 1},
                                     {size - 70000, 70000, 1}});
}

TEST_F(LargeFileTest, AnalyzeOfSparseFilesFollowsTheRuleAtEverySize) {
  const std::string video = folder.File("big.avi");
  for (const int64_t size : {2 * GiB - 1, 2 * GiB, 3 * GiB, 4 * GiB - 1, 4 * GiB, FiveGiB}) {
    SCOPED_TRACE(size);
    const std::vector<Island> islands = IslandsOfFile(size);
    MAKE_SPARSE(video, size, islands);
    // The holes between the islands are its zero runs.
    std::vector<Extent> runs;
    int64_t end = 0;
    for (const Island& island : islands) {
      if (island.Offset > end) runs.push_back({end, island.Offset - end});
      end = island.Offset + island.Length;
    }
    const ExpectedAnalysis expected = ExpectAnalysis(size, runs);
    Select(video);
    dialogs.Expect(MessageKind::Information, "Analysis complete.*");
    program->RunCommand(AnalyzeButton);
    const AnalysisResult& result = program->LastFindings().Analysis;
    ASSERT_TRUE(result.Completed);
    EXPECT_EQ(result.FileSize, size);
    EXPECT_EQ(result.ErrorBytes, expected.ErrorBytes);
    EXPECT_EQ(result.Runs, expected.Runs);
    // Holes nearly everywhere: the file is judged fake and keeps no codes.
    EXPECT_TRUE(result.JudgedFake);
    EXPECT_TRUE(result.Codes.empty());
    std::string cells;
    for (const Color& color : result.Cells) cells += color == Red ? 'R' : 'G';
    EXPECT_EQ(cells, expected.Cells);
  }
}

// The road of a patch on a 3 GiB file: codes past 2 GiB, which no file
// could have before, and the last unit.
TEST_F(LargeFileTest, PatchRoadOnAThreeGibibyteFile) {
  const int64_t size = 3 * GiB;
  const std::vector<Island> intactIslands = {
      {0, 65536, 3}, {2 * GiB - 300000, 600000, 3}, {size - 200000, 200000, 3}};
  // The damaged copy lacks units 32767 and 32768 around 2 GiB and a piece of
  // unit 49150, near the end.
  const std::vector<Island> damagedIslands = {{0, 65536, 3},
                                              {2 * GiB - 300000, 290000, 3},
                                              {2 * GiB + 10000, 290000, 3},
                                              {size - 200000, 97600, 3},
                                              {size - 92160, 92160, 3}};
  const std::string good = folder.File("good.avi");
  const std::string bad = folder.File("bad.avi");
  MAKE_SPARSE(good, size, intactIslands);
  MAKE_SPARSE(bad, size, damagedIslands);

  Select(good);
  program->RunCommand(PatchCodesButton);
  memo.SetText("7FFF1, BFFE0");
  dialogs.Expect(MessageKind::Confirmation, "Based on the entered Patch codes,*",
                 PromptResult::Yes);
  const std::string patch = folder.File("good.tkp");
  dialogs.Expect(MessageKind::Information, "The Patch File \"" + patch + "\" has been created.");
  program->RunCommand(CreatePatchButton);
  ASSERT_TRUE(dialogs.AllAnswered());
  ASSERT_EQ(std::filesystem::file_size(patch), 4u + 6 + 3 * 65536);
  // Last unit number 49151, two regions: units 32767 to 32768 and 49150.
  EXPECT_EQ(ReadAt(patch, 0, 10),
            (std::vector<uint8_t>{1, 0xBF, 0xFF, 2, 0x7F, 0xFF, 1, 0xBF, 0xFE, 0}));

  Select(bad);
  dialogs.ExpectFile(patch);
  dialogs.Expect(MessageKind::Information,
                 "Patching complete. Analyze the Selected file for remaining errors.");
  program->RunCommand(RepairPatchButton);
  ASSERT_TRUE(dialogs.AllAnswered());
  for (const Island& island : intactIslands) {
    EXPECT_EQ(ReadAt(bad, island.Offset, island.Length), IslandBytes(island)) << island.Offset;
  }
  EXPECT_EQ(std::filesystem::file_size(bad), static_cast<uintmax_t>(size));
}

}  // namespace
}  // namespace tamarack::testing
