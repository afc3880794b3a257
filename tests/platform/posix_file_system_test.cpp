#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "support/unwritable_file.h"

namespace tamarack {
namespace {

using testing::UnwritableFile;

class PosixFileSystemTest : public ::testing::Test {
 protected:
  PosixFileSystemTest() {
    std::string pattern = ::testing::TempDir() + "tamarack_posix_XXXXXX";
    folder = mkdtemp(pattern.data());
  }
  ~PosixFileSystemTest() override { std::filesystem::remove_all(folder); }

  std::string PathOf(const std::string& name) const { return folder + "/" + name; }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = PathOf(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    return path;
  }

  static std::string Contents(const std::string& path) {
    std::string bytes(1 << 16, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY);
    const ssize_t n = fd < 0 ? 0 : ::read(fd, bytes.data(), bytes.size());
    if (fd >= 0) ::close(fd);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
  }

  PosixFileSystem files;
  std::string folder;

 private:
};

TEST_F(PosixFileSystemTest, OpensExistingFilesForReadingAndWriting) {
  const std::string path = WriteFile("film.avi", "0123456789");
  auto file = files.OpenExisting(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 10);
  ASSERT_TRUE(file->Seek(2));
  EXPECT_EQ(file->Write("ab", 2), 2);
  ASSERT_TRUE(file->Seek(0));
  char buffer[16] = {};
  EXPECT_EQ(file->Read(buffer, 16), 10);
  EXPECT_EQ(std::string(buffer, 10), "01ab456789");
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(Contents(path), "01ab456789");
  // A closed file refuses every call.
  EXPECT_EQ(file->Read(buffer, 1), -1);
  EXPECT_EQ(file->Write("x", 1), -1);
  EXPECT_FALSE(file->Seek(0));
  EXPECT_EQ(file->Size(), -1);
  EXPECT_FALSE(file->Close());
}

// Scattered pieces, as a repair writes them, start the disk writes every few
// MiB while later pieces are still being written; every piece must land where
// it was written and nothing else may change.
TEST_F(PosixFileSystemTest, ScatteredWritesLandWhereTheyWereWritten) {
  std::string expected(16 << 20, '\0');
  for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<char>(i % 251 + 1);
  const std::string path = WriteFile("film.avi", expected);
  auto file = files.OpenExisting(path);
  ASSERT_NE(file, nullptr);
  const std::string piece(12000, 'z');
  for (int64_t at = 777; at + 12000 <= static_cast<int64_t>(expected.size()); at += 20000) {
    ASSERT_TRUE(file->Seek(at));
    ASSERT_EQ(file->Write(piece.data(), 12000), 12000);
    expected.replace(static_cast<size_t>(at), piece.size(), piece);
  }
  EXPECT_TRUE(file->Sync());
  EXPECT_TRUE(file->Close());
  std::ifstream in(path, std::ios::binary);
  const std::string arrived{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(arrived == expected) << "sizes " << arrived.size() << " and " << expected.size();
}

TEST_F(PosixFileSystemTest, MissingFilesAndFoldersDoNotOpen) {
  EXPECT_EQ(files.OpenExisting(PathOf("missing.avi")), nullptr);
  EXPECT_EQ(files.OpenExisting(folder), nullptr);
  EXPECT_EQ(files.OpenExisting(PathOf("no folder/film.avi")), nullptr);
  EXPECT_NE(::access(PathOf("missing.avi").c_str(), F_OK), 0);  // nothing was created
}

// A pipe or a device under a file's name is refused at once: opening a pipe
// would wait for a writer that never comes.
TEST_F(PosixFileSystemTest, PipesAndDevicesAreRefusedWithoutWaiting) {
  const std::string pipe = PathOf("pipe.avi");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  auto opened = std::async(std::launch::async, [&] {
    return files.OpenReadOnly(pipe) == nullptr && files.OpenExisting(pipe) == nullptr &&
           files.OpenReadOnly("/dev/zero") == nullptr && files.OpenExisting("/dev/null") == nullptr;
  });
  if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    // Frees the waiting open so that the test can end.
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    FAIL() << "opening a pipe waited for a writer";
  }
  EXPECT_TRUE(opened.get());
}

TEST_F(PosixFileSystemTest, ReadOnlyFileOpensOnlyForReading) {
  const std::string path = WriteFile("locked.avi", "data");
  const UnwritableFile locked(path);
  if (!locked.Made()) GTEST_SKIP() << UnwritableFile::WhyNot;
  EXPECT_EQ(files.OpenExisting(path), nullptr);
  auto file = files.OpenReadOnly(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 4);
  char buffer[8] = {};
  EXPECT_EQ(file->Read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "data");
  ASSERT_TRUE(file->Seek(0));
  EXPECT_EQ(file->Write("x", 1), -1);
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(Contents(path), "data");
}

TEST_F(PosixFileSystemTest, WritableFileOpensReadOnlyWithoutWriting) {
  const std::string path = WriteFile("film.avi", "0123");
  auto file = files.OpenReadOnly(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("ab", 2), -1);
  EXPECT_EQ(Contents(path), "0123");
  EXPECT_EQ(files.OpenReadOnly(PathOf("missing.avi")), nullptr);
  EXPECT_EQ(files.OpenReadOnly(folder), nullptr);
}

TEST_F(PosixFileSystemTest, ReadsComeShortOnlyAtTheEnd) {
  const std::string path = WriteFile("film.avi", "abcdefghij");
  auto file = files.OpenExisting(path);
  ASSERT_NE(file, nullptr);
  char buffer[8] = {};
  EXPECT_EQ(file->Read(buffer, 4), 4);
  EXPECT_EQ(file->Read(buffer, 4), 4);
  EXPECT_EQ(file->Read(buffer, 4), 2);
  EXPECT_EQ(std::string(buffer, 2), "ij");
  EXPECT_EQ(file->Read(buffer, 4), 0);
  ASSERT_TRUE(file->Seek(9));
  EXPECT_EQ(file->Read(buffer, 8), 1);
  EXPECT_FALSE(file->Seek(-1));
  EXPECT_EQ(file->Read(buffer, -1), -1);
  // A read at an offset comes short only at the end too, and leaves the
  // position where it was.
  ASSERT_TRUE(file->Seek(2));
  EXPECT_EQ(file->ReadAt(7, buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "hij");
  EXPECT_EQ(file->ReadAt(-1, buffer, 1), -1);
  EXPECT_EQ(file->Read(buffer, 2), 2);
  EXPECT_EQ(std::string(buffer, 2), "cd");
}

// Both ways of making an output file: unnamed where the file system allows
// it, and under a hidden temporary name.
class PosixOutputTest : public PosixFileSystemTest,
                        public ::testing::WithParamInterface<PosixFileSystem::OutputNaming> {
 protected:
  PosixOutputTest() : outputs(GetParam()) {}

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  PosixFileSystem outputs;
};

TEST_P(PosixOutputTest, OutputTakesItsNameOnlyAtCommit) {
  const std::string path = WriteFile("patch.tkp", "old contents");
  auto file = outputs.CreateOutput(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 0);
  EXPECT_EQ(file->Write("new", 3), 3);
  EXPECT_EQ(Contents(path), "old contents");
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(Contents(path), "new");
  EXPECT_EQ(Names(), std::vector<std::string>{"patch.tkp"});
  EXPECT_FALSE(file->Commit());

  auto fresh = outputs.CreateOutput(PathOf("fresh.tkp"));
  ASSERT_NE(fresh, nullptr);
  ASSERT_TRUE(fresh->Commit());
  EXPECT_EQ(Contents(PathOf("fresh.tkp")), "");
}

TEST_P(PosixOutputTest, OutputNotCommittedLeavesNothingBehind) {
  const std::string path = WriteFile("BACKUP.film.avi", "old backup");
  auto file = outputs.CreateOutput(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("partial", 7), 7);
  file.reset();
  auto closed = outputs.CreateOutput(PathOf("other.tkp"));
  ASSERT_NE(closed, nullptr);
  EXPECT_TRUE(closed->Close());
  EXPECT_FALSE(closed->Commit());
  EXPECT_EQ(Contents(path), "old backup");
  EXPECT_EQ(Names(), std::vector<std::string>{"BACKUP.film.avi"});
}

// Mebibytes written in one stretch, by writes and by a copy inside the
// kernel, have their disk writes started on the way; what arrives is still
// every byte, and an output dropped meanwhile still leaves nothing.
TEST_P(PosixOutputTest, LongOutputsArriveWholeOrNotAtAll) {
  std::string source(6 << 20, '\0');
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 7 + i / 4096);
  const std::string from = PathOf("from.avi");
  std::ofstream(from, std::ios::binary) << source;
  auto input = files.OpenReadOnly(from);
  ASSERT_NE(input, nullptr);

  const std::string path = PathOf("BACKUP.film.avi");
  auto file = outputs.CreateOutput(path);
  ASSERT_NE(file, nullptr);
  std::string expected;
  for (int block = 0; block < 40; ++block) {
    const std::string bytes(262144, static_cast<char>('a' + block % 26));
    ASSERT_EQ(file->Write(bytes.data(), 262144), 262144);
    expected += bytes;
  }
  std::vector<uint8_t> buffer(1 << 20);
  for (int block = 0; block < 6; ++block) {
    const ByteFile::CopyResult copied =
        input->CopyTo(int64_t{block} << 20, *file, buffer.data(), 1 << 20);
    ASSERT_EQ(copied.Read, 1 << 20);
    ASSERT_TRUE(copied.Written);
  }
  expected += source;
  ASSERT_TRUE(file->Commit());
  std::ifstream in(path, std::ios::binary);
  const std::string arrived{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(arrived == expected) << "sizes " << arrived.size() << " and " << expected.size();

  auto dropped = outputs.CreateOutput(PathOf("dropped.avi"));
  ASSERT_NE(dropped, nullptr);
  for (int block = 0; block < 40; ++block) {
    ASSERT_EQ(dropped->Write(expected.data() + block * 262144, 262144), 262144);
  }
  dropped.reset();
  EXPECT_FALSE(std::filesystem::exists(PathOf("dropped.avi")));
}

TEST_P(PosixOutputTest, OutputReplacesLinksNeverTheirTargets) {
  const std::string video = WriteFile("film.avi", "video");
  std::filesystem::create_symlink(video, PathOf("film.tkp"));
  std::filesystem::create_hard_link(video, PathOf("BACKUP.film.avi"));
  std::filesystem::create_symlink(PathOf("elsewhere.tkp"), PathOf("dangling.tkp"));
  for (const char* name : {"film.tkp", "BACKUP.film.avi", "dangling.tkp"}) {
    auto file = outputs.CreateOutput(PathOf(name));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Write("copy", 4), 4);
    ASSERT_TRUE(file->Commit());
    EXPECT_FALSE(std::filesystem::is_symlink(PathOf(name)));
    EXPECT_EQ(Contents(PathOf(name)), "copy");
  }
  EXPECT_EQ(Contents(video), "video");
  EXPECT_FALSE(std::filesystem::exists(PathOf("elsewhere.tkp")));
}

TEST_P(PosixOutputTest, OutputNeverReplacesAFolderOrADevice) {
  std::filesystem::create_directory(PathOf("taken"));
  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0644), 0);
  EXPECT_EQ(outputs.CreateOutput(PathOf("taken")), nullptr);
  EXPECT_EQ(outputs.CreateOutput(PathOf("pipe")), nullptr);
  EXPECT_EQ(outputs.CreateOutput("/dev/null"), nullptr);
  // One that appears while the output is being written.
  auto file = outputs.CreateOutput(PathOf("late"));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("x", 1), 1);
  ASSERT_EQ(::mkfifo(PathOf("late").c_str(), 0644), 0);
  EXPECT_FALSE(file->Commit());
  EXPECT_TRUE(std::filesystem::is_directory(PathOf("taken")));
  EXPECT_TRUE(std::filesystem::is_fifo(PathOf("pipe")));
  EXPECT_TRUE(std::filesystem::is_fifo(PathOf("late")));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"late", "pipe", "taken"}));
  EXPECT_EQ(outputs.CreateOutput(PathOf("no folder/patch.tkp")), nullptr);
  EXPECT_EQ(outputs.CreateOutput(folder + "/"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Naming, PosixOutputTest,
                         ::testing::Values(PosixFileSystem::OutputNaming::UnnamedFirst,
                                           PosixFileSystem::OutputNaming::HiddenName));

TEST_F(PosixFileSystemTest, DeleteRemovesFilesForGood) {
  const std::string path = WriteFile("BACKUP.film.avi", "x");
  EXPECT_TRUE(files.Exists(path));
  EXPECT_TRUE(files.Delete(path));
  EXPECT_FALSE(files.Exists(path));
  EXPECT_FALSE(files.Delete(path));
  EXPECT_FALSE(files.Delete(folder));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(PosixFileSystemTest, SameFileSeesThroughSpellingsAndLinks) {
  const std::string path = WriteFile("film.avi", "x");
  const std::string copy = WriteFile("copy.avi", "x");
  std::filesystem::create_hard_link(path, PathOf("hard.avi"));
  std::filesystem::create_directory_symlink(folder, PathOf("linked"));
  EXPECT_TRUE(files.SameFile(path, path));
  EXPECT_TRUE(files.SameFile(path, folder + "/./film.avi"));
  EXPECT_TRUE(files.SameFile(path, PathOf("hard.avi")));
  EXPECT_TRUE(files.SameFile(PathOf("linked/film.avi"), path));
  EXPECT_FALSE(files.SameFile(path, copy));
  EXPECT_FALSE(files.SameFile(path, PathOf("missing.avi")));
  EXPECT_FALSE(files.SameFile(PathOf("missing.avi"), PathOf("missing.avi")));
}

TEST_F(PosixFileSystemTest, SizeOfAFileBeyondTwoGibibytesIsNotCut) {
  const std::string path = PathOf("big.avi");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, (off_t{1} << 32) + 5), 0);  // sparse: no disk used
  ::close(fd);
  auto file = files.OpenExisting(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), (int64_t{1} << 32) + 5);
}

TEST_F(PosixFileSystemTest, SeeksBeyondFourGibibytesAndCopiesHolesAsHoles) {
  // Data at the start, at 4 GiB + 1 MiB and at the end; holes between.
  const std::string path = PathOf("sparse.avi");
  const int64_t size = (int64_t{1} << 32) + 4 * 1048576;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  const std::string data(262144, 'x');
  for (const int64_t at : {int64_t{0}, (int64_t{1} << 32) + 1048576, size - 262144}) {
    ASSERT_EQ(::pwrite(fd, data.data(), data.size(), at), static_cast<ssize_t>(data.size()));
  }
  ::close(fd);

  auto file = files.OpenExisting(path);
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->Seek((int64_t{1} << 32) + 1048576 - 2));
  char bytes[4] = {};
  ASSERT_EQ(file->Read(bytes, 4), 4);
  EXPECT_EQ(std::string(bytes, 4), std::string("\0\0xx", 4));

  // A copy block by block from 4 GiB on: the holes stay holes.
  const std::string copyPath = PathOf("copy.avi");
  auto copy = files.CreateOutput(copyPath);
  ASSERT_NE(copy, nullptr);
  std::vector<uint8_t> buffer(262144);
  for (int block = 0; block < 16; ++block) {
    const ByteFile::CopyResult result =
        file->CopyTo((int64_t{1} << 32) + block * 262144, *copy, buffer.data(), 262144);
    EXPECT_EQ(result.Read, 262144);
    EXPECT_TRUE(result.Written);
  }
  ASSERT_TRUE(copy->Commit());
  EXPECT_EQ(std::filesystem::file_size(copyPath), 4u * 1048576);
  std::ifstream in(copyPath, std::ios::binary);
  const std::string copied{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(copied,
            std::string(1048576, '\0') + data + std::string(2 * 1048576 + 524288, '\0') + data);
  struct stat st {};
  ASSERT_EQ(::stat(copyPath.c_str(), &st), 0);
  EXPECT_LT(int64_t{st.st_blocks} * 512, 2 * 1048576);
}

TEST_F(PosixFileSystemTest, FreeSpaceOfTheFolderThatHoldsThePath) {
  const int64_t free = files.FreeSpace(PathOf("film.avi"));
  EXPECT_GT(free, 0);
  EXPECT_EQ(files.FreeSpace(PathOf("no folder/film.avi")), -1);
  EXPECT_EQ(files.FreeSpace("/no such folder here/film.avi"), -1);
  EXPECT_GE(files.FreeSpace("film.avi"), 0);  // no folder: the current one
}

}  // namespace
}  // namespace tamarack
