#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace tamarack {
namespace {

// Starts the disk writes of what a file has been given, on a thread of its
// own, each time another 4 MiB have been written, in one stretch or in
// scattered pieces: the disk then writes while the program goes on, and the
// sync that ends a repair or an output file has little left to wait for.
// Starting them a few MiB at a time, not for each piece, keeps the calls few
// where a repair writes thousands of small pieces, and the disk's writes
// long where a copy writes in one stretch. It only starts writes; the final
// sync still waits for them and reports their faults.
class EarlyWriteback {
 public:
  EarlyWriteback() = default;
  EarlyWriteback(const EarlyWriteback&) = delete;
  EarlyWriteback& operator=(const EarlyWriteback&) = delete;
  ~EarlyWriteback() { Stop(); }

  // Notes count bytes written, wherever in the file.
  void Written(int fd, int64_t count) {
#ifdef SYNC_FILE_RANGE_WRITE
    unstarted_ += count;
    if (unstarted_ < StartEvery) return;
    unstarted_ = 0;
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread([this, fd] { Run(fd); });
      } catch (const std::system_error&) {
        return;  // the final sync writes it all
      }
    }
    {
      const std::lock_guard lock(mutex_);
      pending_ = true;
    }
    wake_.notify_one();
#else
    (void)fd;
    (void)count;
#endif
  }

  // Ends the thread; the descriptor may be closed after this.
  void Stop() {
    if (!thread_.joinable()) return;
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

 private:
  static constexpr int64_t StartEvery = int64_t{4} << 20;

  void Run(int fd) {
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait(lock, [this] { return pending_ || stopping_; });
      if (stopping_) return;
      pending_ = false;
      lock.unlock();
#ifdef SYNC_FILE_RANGE_WRITE
      ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
      lock.lock();
    }
  }

  int64_t unstarted_ = 0;  // bytes written since the disk writes were last started
  std::mutex mutex_;
  std::condition_variable wake_;
  bool pending_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// The open descriptor behind every file of this host, so that two files of
// it can find each other's descriptor for a copy inside the kernel.
class Descriptor {
 public:
  virtual ~Descriptor() = default;
  int Fd() const { return fd_; }
  // Notes count bytes written, by whatever means.
  void NoteWritten(int64_t count) { writeback_.Written(fd_, count); }

 protected:
  int fd_ = -1;
  EarlyWriteback writeback_;
};

// Reads count bytes into the buffer, the part from done on at a time with
// readSome(to, length, done), until all are read, the file ends or a read
// fails; gives the bytes read, or -1 on error.
template <typename ReadSome>
int32_t ReadAllWith(void* buffer, int32_t count, ReadSome readSome) {
  if (count < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = readSome(out + done, static_cast<size_t>(count - done), done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t ReadAll(int fd, void* buffer, int32_t count) {
  if (fd < 0) return -1;
  return ReadAllWith(buffer, count,
                     [fd](char* to, size_t length, int32_t) { return ::read(fd, to, length); });
}

// Reads as ReadAll does, at offset, without moving the file's position.
int32_t ReadAllAt(int fd, int64_t offset, void* buffer, int32_t count) {
  if (fd < 0 || offset < 0) return -1;
  return ReadAllWith(buffer, count, [fd, offset](char* to, size_t length, int32_t done) {
    return ::pread(fd, to, length, static_cast<off_t>(offset + done));
  });
}

int32_t WriteAll(int fd, const void* buffer, int32_t count) {
  if (fd < 0 || count < 0) return -1;
  const auto* in = static_cast<const char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, in + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

// Between two files of this host the kernel copies the bytes at offset
// itself, as cp does, sparing the trip through the buffer. Returns the bytes
// it copied; whatever it leaves undone (a file system that cannot, an error
// that does not say which file failed, the end of the file) the caller
// copies the plain way, which tells a read error from a write error and the
// end of the file from both.
int32_t CopyInKernel(int from, int64_t offset, ByteFile& target, int32_t count) {
  int32_t done = 0;
#if defined(__linux__)
  auto* to = dynamic_cast<Descriptor*>(&target);
  if (to == nullptr || from < 0 || offset < 0 || to->Fd() < 0) return 0;
  while (done < count) {
    auto at = static_cast<loff_t>(offset + done);
    const ssize_t n =
        ::copy_file_range(from, &at, to->Fd(), nullptr, static_cast<size_t>(count - done), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  if (done > 0) to->NoteWritten(done);
#else
  (void)from;
  (void)offset;
  (void)target;
  (void)count;
#endif
  return done;
}

// Where the count bytes at offset of the file at from lie wholly in a hole
// of the file system (they read as zero bytes and take no space), the copy
// leaves a hole in the target as well instead of writing the zeros, as cp
// does: a sparse download of gigabytes is backed up in the space its data
// takes, and fast. The target then stands count bytes further on. Returns
// false, with the target as it was, when the bytes are not such a hole or
// the file system cannot tell.
bool SkipHole(int from, int64_t offset, ByteFile& target, int32_t count) {
#if defined(SEEK_DATA)
  auto* to = dynamic_cast<Descriptor*>(&target);
  if (to == nullptr || from < 0 || offset < 0 || to->Fd() < 0 || count <= 0) return false;
  const auto at = static_cast<off_t>(offset);
  const off_t targetAt = ::lseek(to->Fd(), 0, SEEK_CUR);
  struct stat source {};
  struct stat copy {};
  // A file cut short reads no hole where its bytes are gone. Only a target
  // that ends at its position, as a copy being written does, holds nothing
  // there that a hole would leave unreplaced.
  if (targetAt < 0 || ::fstat(from, &source) != 0 || ::fstat(to->Fd(), &copy) != 0 ||
      source.st_size < at + count || copy.st_size != targetAt) {
    return false;
  }
  const off_t data = ::lseek(from, at, SEEK_DATA);
  const bool hole = data >= at + count || (data < 0 && errno == ENXIO);
  if (!hole || ::ftruncate(to->Fd(), targetAt + count) != 0) return false;
  ::lseek(to->Fd(), targetAt + count, SEEK_SET);
  return true;
#else
  (void)from;
  (void)offset;
  (void)target;
  (void)count;
  return false;
#endif
}

// Whether a file may hold holes: fewer bytes allocated to it than its size.
// Only such a file is asked where its holes lie; for any other, each block
// would cost the file system a few questions with the same answer.
enum class Holes { None, Maybe };

Holes HolesOf(const struct stat& st) {
  return static_cast<int64_t>(st.st_blocks) * 512 < static_cast<int64_t>(st.st_size) ? Holes::Maybe
                                                                                     : Holes::None;
}

// The byte file operations over an open descriptor, shared by the files
// that are opened and the files that are created. Blocks are read with
// pread into the caller's page-aligned buffer: on the machines measured
// this beat looking at the file through views of it in memory and reading
// ahead on a second thread (bench/README.md).
template <typename Base>
class PosixFile : public Base, public Descriptor {
 public:
  explicit PosixFile(int fd, Holes holes = Holes::None) : holes_(holes) { fd_ = fd; }

  int32_t Read(void* buffer, int32_t count) override { return ReadAll(fd_, buffer, count); }
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override {
    return ReadAllAt(fd_, offset, buffer, count);
  }
  int32_t Write(const void* buffer, int32_t count) override {
    const int32_t n = WriteAll(fd_, buffer, count);
    if (n > 0) NoteWritten(n);
    return n;
  }
  bool Seek(int64_t offset) override {
    return fd_ >= 0 && offset >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == offset;
  }
  int64_t Size() override {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
  }
  bool Sync() override { return fd_ >= 0 && ::fdatasync(fd_) == 0; }

  ByteFile::CopyResult CopyTo(int64_t offset, ByteFile& target, uint8_t* buffer,
                              int32_t count) override {
    if (holes_ == Holes::Maybe && SkipHole(fd_, offset, target, count)) return {count, true};
    const int32_t done = CopyInKernel(fd_, offset, target, count);
    if (done == count) return {done, true};
    const ByteFile::CopyResult rest =
        ByteFile::CopyTo(offset + done, target, buffer + done, count - done);
    if (rest.Read < 0) return {-1, rest.Written};
    return {done + rest.Read, rest.Written};
  }

 protected:
  bool CloseDescriptor() {
    writeback_.Stop();
    if (fd_ < 0) return false;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  const Holes holes_;  // as the file was when it was opened
};

class PosixByteFile : public PosixFile<ByteFile> {
 public:
  using PosixFile::PosixFile;
  ~PosixByteFile() override { CloseDescriptor(); }
  bool Close() override { return CloseDescriptor(); }
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A hidden name in the folder of the final name that no other file has
// yet: ".<name>.<process>-<count>.tmp".
std::string TemporaryName(const std::string& finalPath) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(finalPath);
  const std::string prefix = finalPath.find('/') == std::string::npos ? "" : folder + "/";
  return prefix + "." + NameOf(finalPath) + "." + std::to_string(::getpid()) + "-" +
         std::to_string(counter++) + ".tmp";
}

// True when nothing is at the path, or a regular file or a symbolic link
// (which a rename replaces, never its target). A device, a pipe or a folder
// is never replaced by an output file.
// A refusal sets errno to say why: EISDIR for a folder, EEXIST otherwise.
bool MayTakeName(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) return true;
  errno = S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
  return false;
}

// Makes a rename in the folder durable. A failure here cannot undo the
// rename, and the data itself is already on the disk, so it is not
// reported.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A new file written without a name (O_TMPFILE) or under a hidden temporary
// name, which Commit links or renames onto its final name.
class PosixOutputFile : public PosixFile<OutputFile> {
 public:
  PosixOutputFile(int fd, std::string finalPath, std::string temporaryPath)
      : PosixFile(fd), finalPath_(std::move(finalPath)), temporaryPath_(std::move(temporaryPath)) {}
  ~PosixOutputFile() override { Discard(); }

  bool Close() override {
    const bool open = fd_ >= 0;
    Discard();
    return open;
  }

  bool Commit() override {
    if (fd_ < 0) return false;
    if (::fdatasync(fd_) != 0) return Discard();
    if (temporaryPath_.empty() && !LinkUnnamedFile()) return Discard();
    // With a name of its own the file is closed before it takes the final
    // name, so that a failed close (lost data) never replaces the old file.
    if (!named_ && !CloseDescriptor()) return Discard();
    if (!MayTakeName(finalPath_)) return Discard();
    if (::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) return Discard();
    temporaryPath_.clear();
    CloseDescriptor();
    SyncFolder(FolderOf(finalPath_));
    return true;
  }

  // Marks a file that was created under a temporary name from the start.
  void SetNamed() { named_ = true; }

 private:
  // Gives the unnamed file a hidden name in the folder, from which it is
  // renamed onto its final name: a link cannot replace an existing file.
  bool LinkUnnamedFile() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = TemporaryName(finalPath_);
      // Through /proc where it is mounted; else by the descriptor itself,
      // which needs a privilege that not every user has.
      int result = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
      if (result != 0 && errno == ENOENT) {
        result = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
      }
      if (result == 0) {
        temporaryPath_ = name;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  // Closes the file and removes its temporary name; always false, for the
  // callers that end a failed Commit with it.
  bool Discard() {
    CloseDescriptor();
    if (!temporaryPath_.empty()) ::unlink(temporaryPath_.c_str());
    temporaryPath_.clear();
    return false;
  }

  std::string finalPath_;
  std::string temporaryPath_;  // empty while an unnamed file has no name
  bool named_ = false;
};

// Null when the open fails or the path names no regular file.
std::unique_ptr<ByteFile> OpenRegularFile(const std::string& path, int flags) {
  // Without O_NONBLOCK, opening a pipe would wait for a writer that may
  // never come, and a terminal could become the controlling one; both are
  // refused just below. For a regular file the flag changes nothing, and it
  // is cleared all the same.
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return nullptr;
  // Only regular files count: a folder or a device is not a file to work on.
  struct stat st {};
  const int status = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || status < 0 ||
      ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  // Every operation reads its files from front to back: the kernel may read
  // further ahead. Only a hint, so a refusal changes nothing.
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::make_unique<PosixByteFile>(fd, HolesOf(st));
}

}  // namespace

std::unique_ptr<ByteFile> PosixFileSystem::OpenExisting(const std::string& path) {
  return OpenRegularFile(path, O_RDWR);
}

std::unique_ptr<ByteFile> PosixFileSystem::OpenReadOnly(const std::string& path) {
  return OpenRegularFile(path, O_RDONLY);
}

// The file is made where the final name will be, so that the rename stays
// within one file system. Where the file system has no unnamed files, a
// hidden name is taken that did not exist (O_EXCL), so no other file is ever
// opened or truncated.
std::unique_ptr<OutputFile> PosixFileSystem::CreateOutput(const std::string& path) {
  if (NameOf(path).empty() || !MayTakeName(path)) return nullptr;
  const std::string folder = FolderOf(path);
#if defined(O_TMPFILE)
  if (naming_ == OutputNaming::UnnamedFirst) {
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (unnamed >= 0) return std::make_unique<PosixOutputFile>(unnamed, path, "");
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return nullptr;
  }
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName(path);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      auto file = std::make_unique<PosixOutputFile>(fd, path, name);
      file->SetNamed();
      return file;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::SameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool PosixFileSystem::Delete(const std::string& path) { return ::unlink(path.c_str()) == 0; }

int64_t PosixFileSystem::FreeSpace(const std::string& path) {
  struct statvfs st {};
  if (::statvfs(FolderOf(path).c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

}  // namespace tamarack
