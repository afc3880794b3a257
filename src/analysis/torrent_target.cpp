#include "analysis/torrent_target.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <libtorrent/torrent_info.hpp>

namespace tamarack {
namespace {

namespace fs = std::filesystem;
using lt::file_index_t;

std::string FileText(int64_t size) {
  return std::to_string(size) + (size == 1 ? " byte" : " bytes");
}

// The entry of the file, or -1 with the message set.
int FindEntry(const lt::file_storage& files, int64_t fileSize, const std::string& fileName,
              const std::string& entryPath, std::string& error) {
  std::vector<int> sized;
  for (int i = 0; i < files.num_files(); ++i) {
    const file_index_t index(i);
    if (files.pad_file_at(index)) continue;
    const std::string path = files.file_path(index);
    if (!entryPath.empty()) {
      // The path may leave out the torrent's name, which heads every path of
      // a torrent of several files.
      const bool named = path == entryPath ||
                         (files.num_files() > 1 && path == fs::path(files.name()) / entryPath);
      if (!named) continue;
      if (fileSize > files.file_size(index)) {
        error = "its file \"" + path + "\" has " + FileText(files.file_size(index)) +
                ", fewer than the file's " + FileText(fileSize);
        return -1;
      }
      return i;
    }
    if (files.file_size(index) == fileSize) sized.push_back(i);
  }
  if (!entryPath.empty()) {
    error = "it has no file \"" + entryPath + "\"";
    return -1;
  }
  if (sized.empty()) {
    error = "it has no file of " + FileText(fileSize);
    return -1;
  }
  if (sized.size() == 1) return sized.front();
  const std::string name = fs::path(fileName).filename().string();
  std::vector<int> named;
  for (int i : sized) {
    if (fs::path(files.file_path(file_index_t(i))).filename() == name) named.push_back(i);
  }
  if (named.size() == 1) return named.front();
  error = "it has several files of " + FileText(fileSize) + "; name one with --torrent-path";
  return -1;
}

// The path of a neighbour relative to the folder of the entry. Both are
// paths inside the torrent, which libtorrent has cleaned of "..": the folder
// they share is left out, whatever it is named on the disk.
std::string RelativeToEntry(const std::string& entryPath, const std::string& neighbourPath) {
  return fs::path(neighbourPath).lexically_relative(fs::path(entryPath).parent_path()).string();
}

// The stretches of the torrent's bytes from begin to end, file by file.
std::vector<TorrentNeighbour> Stretches(const lt::file_storage& files, int entry, int64_t begin,
                                        int64_t end) {
  std::vector<TorrentNeighbour> stretches;
  const std::string entryPath = files.file_path(file_index_t(entry));
  for (int i = 0; i < files.num_files() && begin < end; ++i) {
    const file_index_t index(i);
    const int64_t offset = files.file_offset(index);
    const int64_t size = files.file_size(index);
    if (offset + size <= begin || offset >= end || size == 0) continue;
    TorrentNeighbour stretch;
    if (!files.pad_file_at(index)) {
      stretch.Path = RelativeToEntry(entryPath, files.file_path(index));
    }
    stretch.Size = size;
    stretch.Part = {std::max<int64_t>(begin - offset, 0),
                    std::min(end, offset + size) - std::max(begin, offset)};
    stretches.push_back(stretch);
  }
  return stretches;
}

bool TakeV1Pieces(const lt::torrent_info& info, int entry, TorrentTarget& target) {
  const lt::file_storage& files = info.files();
  const int64_t offset = files.file_offset(file_index_t(entry));
  const int64_t length = target.PieceLength;
  const int64_t first = offset / length;
  const int64_t last = (offset + target.EntrySize - 1) / length;
  if (last >= info.num_pieces()) return false;
  for (int64_t piece = first; piece <= last; ++piece) {
    const lt::sha1_hash hash = info.hash_for_piece(lt::piece_index_t(static_cast<int>(piece)));
    target.PieceHashes.emplace_back(hash.data(), hash.size());
  }
  target.Start = first * length - offset;
  target.Before = Stretches(files, entry, first * length, offset);
  target.After = Stretches(files, entry, offset + target.EntrySize,
                           std::min((last + 1) * length, files.total_size()));
  return true;
}

bool TakeV2Pieces(const lt::torrent_info& info, int entry, TorrentTarget& target,
                  std::string& error) {
  const lt::span<char const> layer = info.piece_layer(file_index_t(entry));
  const int64_t pieces = (target.EntrySize + target.PieceLength - 1) / target.PieceLength;
  if (layer.size() != pieces * 32) {
    error = "its piece hashes of \"" + target.EntryPath + "\" are missing or incomplete";
    return false;
  }
  target.MerkleRoots = true;
  for (int64_t piece = 0; piece < pieces; ++piece) {
    target.PieceHashes.emplace_back(layer.data() + piece * 32, 32);
  }
  return true;
}

// A .torrent larger than this is none: one of the most pieces that
// libtorrent takes in holds 40 MiB of hashes.
constexpr int64_t MaxTorrentBytes = int64_t{64} << 20;

}  // namespace

std::optional<std::string> ReadTorrentBytes(FileSystem& files, const std::string& path,
                                            std::vector<uint8_t>& bytes) {
  errno = 0;
  const std::unique_ptr<ByteFile> file = files.OpenReadOnly(path);
  const int64_t size = file ? file->Size() : -1;
  // An open that fails without errno is a refusal of what is no regular file
  // (a device, a pipe).
  if (size < 0) return errno != 0 ? std::strerror(errno) : "it is not a regular file";
  if (size > MaxTorrentBytes) return "it is larger than a torrent file can be";
  bytes.resize(static_cast<size_t>(size));
  for (int64_t done = 0; done < size;) {
    const auto count = static_cast<int32_t>(std::min<int64_t>(size - done, 1 << 20));
    if (file->Read(bytes.data() + done, count) != count) return "a read failed";
    done += count;
  }
  return std::nullopt;
}

TorrentLoad LoadTorrentTarget(const std::vector<uint8_t>& torrent, int64_t fileSize,
                              const std::string& fileName, const std::string& entryPath) {
  TorrentLoad load;
  try {
    lt::error_code failure;
    const lt::torrent_info info(lt::span<char const>(reinterpret_cast<const char*>(torrent.data()),
                                                     static_cast<std::ptrdiff_t>(torrent.size())),
                                failure, lt::from_span);
    if (failure) {
      load.Fault = TorrentFault::Malformed;
      load.Error = failure.message();
      return load;
    }
    const lt::file_storage& files = info.files();
    const int entry = FindEntry(files, fileSize, fileName, entryPath, load.Error);
    if (entry < 0) {
      load.Fault = TorrentFault::NoEntry;
      return load;
    }
    TorrentTarget target;
    target.EntryPath = files.file_path(file_index_t(entry));
    target.EntrySize = files.file_size(file_index_t(entry));
    target.PieceLength = info.piece_length();
    if (target.EntrySize == 0) {
      load.Fault = TorrentFault::NoEntry;
      load.Error = "its file \"" + target.EntryPath + "\" is empty";
      return load;
    }
    // A hybrid torrent whose v2 hashes are incomplete still has its v1 ones.
    if (info.v2() && (TakeV2Pieces(info, entry, target, load.Error) || !info.v1())) {
      if (!target.MerkleRoots) {
        load.Fault = TorrentFault::Malformed;
        return load;
      }
      load.Error.clear();
    } else {
      load.Error.clear();
      if (!TakeV1Pieces(info, entry, target)) {
        load.Fault = TorrentFault::Malformed;
        load.Error = "its pieces do not cover its files";
        return load;
      }
    }
    load.Target = std::move(target);
    return load;
  } catch (const std::exception& e) {
    load.Target.reset();
    load.Fault = TorrentFault::Malformed;
    load.Error = e.what();
  }
  return load;
}

}  // namespace tamarack
