// Paths on the command line name what the kernel resolves them to: ".."
// after a symbolic link leads out of the link's target, not back to where
// the link stands.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_process.h"

namespace tamarack::testing {
namespace {

TEST(CliPathsTest, DotDotAfterALinkNamesTheFileTheKernelReaches) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "real/deep");
  std::filesystem::create_directory_symlink(folder.Path() / "real/deep", folder.Path() / "link");
  const std::vector<uint8_t> intact = NonZeroBytes(600000, 21);
  std::vector<uint8_t> damaged = intact;
  std::fill_n(damaged.begin() + 100000, 300000, 0);
  // link/.. is real/: the files there are meant. The decoys beside the
  // link have the same names and must not be touched.
  WriteBytes(folder / "real/film.avi", damaged);
  WriteBytes(folder / "real/ref.avi", intact);
  WriteBytes(folder / "film.avi", damaged);
  WriteBytes(folder / "ref.avi", intact);
  const std::string film = folder / "link/../film.avi";
  const std::string reference = folder / "link/../ref.avi";

  const CliResult info = RunCli({"info", film});
  EXPECT_EQ(info.Status, 0) << info.Err;
  const CliResult backup = RunCli({"backup", film});
  ASSERT_EQ(backup.Status, 0) << backup.Err;
  EXPECT_EQ(ReadBytes(folder / "real/BACKUP.film.avi"), damaged);
  EXPECT_FALSE(std::filesystem::exists(folder / "BACKUP.film.avi"));

  const CliResult repair = RunCli({"repair-reference", "--delete-reference", film, reference});
  ASSERT_EQ(repair.Status, 0) << repair.Err;
  EXPECT_EQ(ReadBytes(folder / "real/film.avi"), intact);
  EXPECT_FALSE(std::filesystem::exists(folder / "real/ref.avi"));
  EXPECT_EQ(ReadBytes(folder / "film.avi"), damaged);
  EXPECT_EQ(ReadBytes(folder / "ref.avi"), intact);
}

}  // namespace
}  // namespace tamarack::testing
