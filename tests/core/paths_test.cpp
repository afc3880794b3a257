#include "core/paths.h"

#include <gtest/gtest.h>

#include "platform/posix/posix_file_system.h"
#include "support/fakes.h"

namespace tamarack {
namespace {

TEST(PathsTest, PrefixGoesInFrontOfTheFileName) {
  EXPECT_EQ(PrefixFileName("/videos/film.avi", "BACKUP."), "/videos/BACKUP.film.avi");
  EXPECT_EQ(PrefixFileName("film.avi", "BACKUP."), "BACKUP.film.avi");
  EXPECT_EQ(PrefixFileName("a/b.c/film", "X"), "a/b.c/Xfilm");
  EXPECT_EQ(PrefixFileName("/videos/", "X"), "/videos/X");
  // A file in the root folder keeps its folder: the prefix goes after the
  // leading separator, never in front of the whole path.
  EXPECT_EQ(PrefixFileName("/film.avi", "BACKUP."), "/BACKUP.film.avi");
  EXPECT_EQ(PrefixFileName("/videos/film.avi", "\r\n   "), "/videos/\r\n   film.avi");
  EXPECT_EQ(PrefixFileName("", "X"), "X");
}

TEST(PathsTest, FreeSpaceIsComparedInSixtyFourBits) {
  testing::FakeFileSystem files;
  files.Free = (int64_t{5} << 30) + 1;  // more than 4 GiB: beyond 32 bits
  EXPECT_TRUE(HasFreeSpace(files, "/videos/film.avi", files.Free));
  EXPECT_FALSE(HasFreeSpace(files, "/videos/film.avi", files.Free + 1));
  EXPECT_TRUE(HasFreeSpace(files, "/videos/film.avi", int64_t{1} << 32));
  files.Free = 0;
  EXPECT_TRUE(HasFreeSpace(files, "/videos/film.avi", 0));
  EXPECT_FALSE(HasFreeSpace(files, "/videos/film.avi", 1));
}

TEST(PathsTest, FailedFreeSpaceQueryCountsAsNoSpace) {
  testing::FakeFileSystem files;
  files.Free = -1;
  EXPECT_FALSE(HasFreeSpace(files, "/videos/film.avi", 0));
  PosixFileSystem real;
  EXPECT_FALSE(HasFreeSpace(real, "/no such folder here/film.avi", 0));
  EXPECT_TRUE(HasFreeSpace(real, ::testing::TempDir() + "film.avi", 0));
}

}  // namespace
}  // namespace tamarack
