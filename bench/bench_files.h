#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/aligned_buffer.h"

namespace tamarack::bench {

// The files the benchmarks time: made once in a folder that outlives the
// run ($TAMARACK_BENCH_DIR, else /tmp/tamarack-bench) and reused by later
// runs while their size is right. Each is 1 GiB unless $TAMARACK_BENCH_MIB
// gives another size in MiB.
enum class FileKind {
  Mixed,          // random bytes with zero runs of every length here and there
  UniformRandom,  // random bytes: a zero about every 256 bytes, no long runs
  AllZero,        // one zero run over the whole file
};

inline int64_t BenchFileSize() {
  const char* mib = std::getenv("TAMARACK_BENCH_MIB");
  return (mib != nullptr ? std::atoll(mib) : 1024) << 20;
}

inline std::string BenchFolder() {
  const char* dir = std::getenv("TAMARACK_BENCH_DIR");
  return dir != nullptr ? dir : "/tmp/tamarack-bench";
}

// A small, fast generator (splitmix64): the files need volume, not quality.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

 private:
  uint64_t state_;
};

struct ZeroRun {
  int64_t Offset;
  int64_t Length;
};

// About one run per MiB: half of them short (up to 1024 bytes, never an
// error), the rest from 1025 bytes to 2 MiB.
inline std::vector<ZeroRun> MixedRuns(int64_t size) {
  Random random(42);
  std::vector<ZeroRun> runs;
  int64_t at = 0;
  while (true) {
    at += static_cast<int64_t>(random.Next() % (2 << 20));
    const uint64_t r = random.Next();
    int64_t length = 1 + static_cast<int64_t>(r % 1024);
    if (r % 2 == 1) length = 1025 + static_cast<int64_t>((r >> 8) % ((2 << 20) - 1025));
    if (at + length > size) break;
    runs.push_back({at, length});
    at += length;
  }
  return runs;
}

inline void WriteBenchFile(const std::string& path, FileKind kind, int64_t size) {
  const std::string temporary = path + ".part";
  FILE* out = std::fopen(temporary.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot create " + temporary);
  const std::vector<ZeroRun> runs =
      kind == FileKind::Mixed ? MixedRuns(size) : std::vector<ZeroRun>{};
  size_t firstOpenRun = 0;  // the first run that does not end before this chunk
  Random random(7);
  constexpr int64_t ChunkBytes = 4 << 20;
  std::vector<uint64_t> chunk(ChunkBytes / 8);
  for (int64_t at = 0; at < size; at += ChunkBytes) {
    const int64_t n = std::min(ChunkBytes, size - at);
    auto* bytes = reinterpret_cast<uint8_t*>(chunk.data());
    if (kind == FileKind::AllZero) {
      std::fill(chunk.begin(), chunk.end(), 0);
    } else {
      for (auto& word : chunk) word = random.Next();
      for (size_t i = firstOpenRun; i < runs.size() && runs[i].Offset < at + n; ++i) {
        const int64_t from = std::max(runs[i].Offset, at);
        const int64_t to = std::min(runs[i].Offset + runs[i].Length, at + n);
        std::fill(bytes + (from - at), bytes + (to - at), 0);
      }
      while (firstOpenRun < runs.size() &&
             runs[firstOpenRun].Offset + runs[firstOpenRun].Length <= at + n) {
        ++firstOpenRun;
      }
    }
    if (std::fwrite(bytes, 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
      std::fclose(out);
      throw std::runtime_error("cannot write " + temporary);
    }
  }
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + temporary);
  std::filesystem::rename(temporary, path);
}

// The path of the file of this kind, made first when it is missing.
inline std::string BenchFile(FileKind kind) {
  static const char* const names[] = {"mixed.avi", "uniform-random.avi", "all-zero.avi"};
  const int64_t size = BenchFileSize();
  std::filesystem::create_directories(BenchFolder());
  const std::string path =
      BenchFolder() + "/" + std::to_string(size >> 20) + "MiB-" + names[static_cast<int>(kind)];
  std::error_code error;
  if (std::filesystem::file_size(path, error) != static_cast<uintmax_t>(size)) {
    std::fprintf(stderr, "making %s\n", path.c_str());
    WriteBenchFile(path, kind, size);
  }
  return path;
}

// Seconds for a plain read() loop over the whole file in blocks of the
// given size: the speed the scan is measured against. Its buffer is
// page-aligned like the program's, so that neither is timed with the slower
// kernel copy into a misaligned destination.
inline double ReadLoopSeconds(const std::string& path, size_t blockSize = 262144) {
  AlignedBuffer buffer(blockSize);
  const auto start = std::chrono::steady_clock::now();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  int64_t total = 0;
  while (true) {
    const ssize_t n = ::read(fd, buffer.data(), blockSize);
    if (n < 0) throw std::runtime_error("cannot read " + path);
    if (n == 0) break;
    total += n;
  }
  ::close(fd);
  const auto end = std::chrono::steady_clock::now();
  if (total != static_cast<int64_t>(std::filesystem::file_size(path))) {
    throw std::runtime_error("short read of " + path);
  }
  return std::chrono::duration<double>(end - start).count();
}

// Asks the kernel to forget the file's cached pages, so that the next read
// comes from the disk. The bench files are never dirty, so no root is needed.
inline void DropFromPageCache(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  ::fdatasync(fd);
  const int error = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
  if (error != 0) throw std::runtime_error("cannot drop " + path + " from the page cache");
}

}  // namespace tamarack::bench
