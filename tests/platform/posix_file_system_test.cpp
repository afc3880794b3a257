#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_view.h"
#include "support/temp_files.h"
#include "support/unwritable_file.h"

namespace tamarack {
namespace {

using testing::TempDir;
using testing::UnwritableFile;

// The view of count bytes at offset of a file opened on this host.
std::unique_ptr<FileView> ViewOf(ByteFile& file, int64_t offset, int64_t count) {
  auto* viewable = dynamic_cast<ViewableFile*>(&file);
  return viewable == nullptr ? nullptr : viewable->View(offset, count);
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return temp.File(name); }

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

  TempDir temp;
  const std::string folder = temp.Path();
  PosixFileSystem files;
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
  for (const std::string& path : {PathOf("missing.avi"), folder, PathOf("no folder/film.avi")}) {
    EXPECT_EQ(files.OpenExisting(path), nullptr) << path;
    EXPECT_EQ(files.OpenReadOnly(path), nullptr) << path;
  }
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

// A view shows the bytes where they are, from any offset. Cut short under
// the view, a look that touches the lost bytes is left there and says so,
// where touching them would otherwise end the process; looks at the bytes
// kept, in this view and in another, see them whole, and so do later looks.
TEST_F(PosixFileSystemTest, ViewsShowTheBytesAndSurviveTheFileBeingCutShort) {
  std::string bytes(3 * 65536, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>('a' + i % 23);
  const std::string path = WriteFile("film.avi", bytes);
  auto file = files.OpenReadOnly(path);
  ASSERT_NE(file, nullptr);
  auto kept = ViewOf(*file, 5, 4000);
  auto cut = ViewOf(*file, 65536 + 7, 2 * 65536 - 7);
  if (kept == nullptr) GTEST_SKIP() << "this host cannot view files";
  ASSERT_NE(cut, nullptr);
  const auto text = [](FileView& view, size_t from, size_t count) {
    std::string seen;
    const bool whole = LookThrough(view, [&] {
      seen.reserve(count);
      for (size_t i = from; i < from + count; ++i)
        seen.push_back(static_cast<char>(view.Bytes()[i]));
    });
    return whole ? seen : "lost after " + std::to_string(seen.size());
  };
  EXPECT_EQ(text(*kept, 0, 4000), bytes.substr(5, 4000));
  EXPECT_EQ(text(*cut, 0, 2 * 65536 - 7), bytes.substr(65536 + 7));

  std::filesystem::resize_file(path, 65536 + 100);
  EXPECT_EQ(text(*cut, 0, 93), bytes.substr(65536 + 7, 93));
  // The first lost page starts where the file's last page ends.
  const long page = ::sysconf(_SC_PAGESIZE);
  EXPECT_EQ(text(*cut, 0, 65536), "lost after " + std::to_string(page - 7));
  EXPECT_EQ(text(*cut, 65536, 10), "lost after 0");
  EXPECT_EQ(text(*kept, 0, 4000), bytes.substr(5, 4000));
  cut.reset();
  auto again = ViewOf(*file, 0, 65536);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(text(*again, 0, 65536), bytes.substr(0, 65536));
}

// A view of a hole in a file held in memory would fill the hole with memory;
// such files are read instead, and their holes stay holes.
TEST_F(PosixFileSystemTest, FilesHeldInMemoryAreNotViewed) {
  struct statfs fs {};
  if (::statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC) {
    GTEST_SKIP() << "no file system held in memory at /dev/shm";
  }
  std::string pattern = "/dev/shm/tamarack_posix_XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) GTEST_SKIP() << "cannot write to /dev/shm";
  const std::string shm = pattern;
  const std::string path = shm + "/film.avi";
  std::ofstream(path).put('R');
  std::filesystem::resize_file(path, 64 << 20);
  auto file = files.OpenReadOnly(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ViewOf(*file, 0, 64 << 20), nullptr);
  file.reset();
  std::filesystem::remove_all(shm);
}

// Guarding the views leaves every other bus error as fatal as before.
TEST_F(PosixFileSystemTest, BusErrorsOutsideViewsStillEndTheProcess) {
  const std::string path = WriteFile("film.avi", std::string(65536, 'x'));
  auto file = files.OpenReadOnly(path);
  ASSERT_NE(file, nullptr);
  auto view = ViewOf(*file, 0, 4096);
  if (view == nullptr) GTEST_SKIP() << "this host cannot view files";
  const int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  void* mapping = ::mmap(nullptr, 65536, PROT_READ, MAP_SHARED, fd, 0);
  ASSERT_NE(mapping, MAP_FAILED);
  std::filesystem::resize_file(path, 0);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        // The dying process runs the test afresh in a folder of its own,
        // which no destructor will remove; the mapping outlives the name.
        std::filesystem::remove_all(folder);
        const volatile char* lost = static_cast<const char*>(mapping) + 8192;
        std::printf("%d", *lost);
      },
      "");
  ::munmap(mapping, 65536);
  ::close(fd);
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

// An output takes its name, replacing the old file, only at its commit; one
// dropped or closed without a commit leaves nothing behind.
TEST_P(PosixOutputTest, OutputTakesItsNameOnlyAtCommit) {
  const std::string path = WriteFile("patch.tkp", "old contents");
  auto file = outputs.CreateOutput(path);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 0);
  EXPECT_EQ(file->Write("new", 3), 3);
  EXPECT_EQ(Contents(path), "old contents");
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(Contents(path), "new");
  EXPECT_FALSE(file->Commit());
  auto fresh = outputs.CreateOutput(PathOf("fresh.tkp"));
  ASSERT_NE(fresh, nullptr);
  ASSERT_TRUE(fresh->Commit());
  EXPECT_EQ(Contents(PathOf("fresh.tkp")), "");

  const std::string backup = WriteFile("BACKUP.film.avi", "old backup");
  auto dropped = outputs.CreateOutput(backup);
  ASSERT_NE(dropped, nullptr);
  EXPECT_EQ(dropped->Write("partial", 7), 7);
  dropped.reset();
  auto closed = outputs.CreateOutput(PathOf("other.tkp"));
  ASSERT_NE(closed, nullptr);
  EXPECT_TRUE(closed->Close());
  EXPECT_FALSE(closed->Commit());
  EXPECT_EQ(Contents(backup), "old backup");
  EXPECT_EQ(Names(), (std::vector<std::string>{"BACKUP.film.avi", "fresh.tkp", "patch.tkp"}));
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

// Every name the file system allows takes an output, whatever its length;
// one byte more is told as too long.
TEST_P(PosixOutputTest, OutputNamesOfEveryAllowedLengthWork) {
  for (const size_t length : {230u, 238u, 254u, 255u}) {
    const std::string path = PathOf(std::string(length, 'n'));
    EXPECT_FALSE(outputs.NameTooLong(path));
    auto file = outputs.CreateOutput(path);
    ASSERT_NE(file, nullptr) << length;
    EXPECT_EQ(file->Write("x", 1), 1);
    EXPECT_TRUE(file->Commit()) << length;
    EXPECT_EQ(Contents(path), "x");
  }
  const std::string tooLong = PathOf(std::string(256, 'n'));
  EXPECT_TRUE(outputs.NameTooLong(tooLong));
  EXPECT_EQ(outputs.CreateOutput(tooLong), nullptr);
  EXPECT_EQ(Names().size(), 4u);
}

// A process of its own, alive until the value ends.
class LiveProcess {
 public:
  LiveProcess() : pid_(::fork()) {
    if (pid_ == 0) {
      ::pause();
      ::_exit(0);
    }
  }
  ~LiveProcess() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_;
};

pid_t EndedProcess() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

// Making an output removes the temporaries that ended processes left in its
// folder, and nothing else: not a live process's, not one locked by a
// process the PID cannot tell (another PID namespace), not a look-alike.
TEST_P(PosixOutputTest, OutputRemovesOnlyTheTemporariesOfEndedProcesses) {
  const LiveProcess live;
  const std::string ended = std::to_string(EndedProcess());
  const std::string stale = ".tamarack-" + ended + "-0.tmp";
  const std::vector<std::string> kept = {".tamarack-" + std::to_string(live.Pid()) + "-0.tmp",
                                         ".tamarack-" + ended + "-1.tmp",  // locked below
                                         ".tamarack-" + ended + "-2.tmp~",
                                         ".tamarack-" + ended + "-.tmp",
                                         "x.tamarack-" + ended + "-3.tmp",
                                         ".film.avi." + ended + "-0.tmp"};
  WriteFile(stale, "left");
  for (const std::string& name : kept) WriteFile(name, "kept");
  std::filesystem::create_directory(PathOf(".tamarack-" + ended + "-4.tmp"));
  const int locked = ::open(PathOf(kept[1]).c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(::flock(locked, LOCK_EX), 0);

  auto file = outputs.CreateOutput(PathOf("out.tkp"));
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(file->Commit());
  ::close(locked);
  std::vector<std::string> expected = kept;
  expected.push_back(".tamarack-" + ended + "-4.tmp");
  expected.push_back("out.tkp");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(), expected);
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
  EXPECT_EQ(file->Size(), size);  // not cut to 32 bits
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
