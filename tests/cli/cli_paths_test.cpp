// Paths on the command line name what the kernel resolves them to: ".."
// after a symbolic link leads out of the link's target, not back to where
// the link stands.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

TEST(CliPathsTest, DotDotAfterALinkNamesTheFileTheKernelReaches) {
  TempDir folder;
  std::filesystem::create_directories(folder / "real/deep");
  std::filesystem::create_directory_symlink(folder / "real/deep", folder / "link");
  const std::vector<uint8_t> intact = NonZeroBytes(600000, 21);
  std::vector<uint8_t> damaged = intact;
  std::fill_n(damaged.begin() + 100000, 300000, 0);
  // link/.. is real/: the files there are meant. The decoys beside the
  // link have the same names and must not be touched.
  WriteRealFile(folder / "real/film.avi", damaged);
  WriteRealFile(folder / "real/ref.avi", intact);
  WriteRealFile(folder / "film.avi", damaged);
  WriteRealFile(folder / "ref.avi", intact);
  const std::string film = folder / "link/../film.avi";
  const std::string reference = folder / "link/../ref.avi";

  const CliResult info = RunCli({"info", film});
  EXPECT_EQ(info.Status, 0) << info.Err;
  const CliResult backup = RunCli({"backup", film});
  ASSERT_EQ(backup.Status, 0) << backup.Err;
  EXPECT_EQ(ReadRealFile(folder / "real/BACKUP.film.avi"), damaged);
  EXPECT_FALSE(std::filesystem::exists(folder / "BACKUP.film.avi"));

  const CliResult repair = RunCli({"repair-reference", "--delete-reference", film, reference});
  ASSERT_EQ(repair.Status, 0) << repair.Err;
  EXPECT_EQ(ReadRealFile(folder / "real/film.avi"), intact);
  EXPECT_FALSE(std::filesystem::exists(folder / "real/ref.avi"));
  EXPECT_EQ(ReadRealFile(folder / "film.avi"), damaged);
  EXPECT_EQ(ReadRealFile(folder / "ref.avi"), intact);
}

// Every output takes a name of any length the file system allows; a longer
// one is told as too long, never as a file in use.
TEST(CliPathsTest, EveryOutputTakesEveryAllowedName) {
  TempDir folder;
  const std::vector<uint8_t> film = NonZeroBytes(300000, 5);
  for (const size_t length : {230u, 238u, 255u, 256u}) {
    const std::string backupInput = folder / std::string(length - 7, 'b');
    const std::string patchInput = folder / std::string(length - 4, 'p');
    WriteRealFile(backupInput, film);
    WriteRealFile(patchInput, film);
    const std::pair<std::vector<std::string>, std::string> runs[] = {
        {{"backup", backupInput}, folder / ("BACKUP." + std::string(length - 7, 'b'))},
        {{"create-patch", "--yes", patchInput, "00001"}, patchInput + ".tkp"},
        {{"analyze", "--map", folder / std::string(length, 'm'), backupInput},
         folder / std::string(length, 'm')},
        {{"analyze", "--mapfile", folder / std::string(length, 'f'), backupInput},
         folder / std::string(length, 'f')}};
    for (const auto& [args, output] : runs) {
      const CliResult run = RunCli(args);
      if (length <= 255) {
        EXPECT_EQ(run.Status, 0) << args[0] << " " << length << ": " << run.Err;
        EXPECT_TRUE(std::filesystem::exists(output)) << args[0] << " " << length;
      } else {
        EXPECT_EQ(run.Status, 1) << args[0];
        EXPECT_NE(run.Err.find("too long"), std::string::npos) << run.Err;
      }
    }
  }
}

}  // namespace
}  // namespace tamarack::testing
