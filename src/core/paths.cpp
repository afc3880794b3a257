#include "core/paths.h"

namespace tamarack {

std::string PrefixFileName(const std::string& path, const std::string& text) {
  const auto separator = path.find_last_of('/');
  if (separator == std::string::npos) return text + path;
  return path.substr(0, separator + 1) + text + path.substr(separator + 1);
}

bool HasFreeSpace(FileSystem& files, const std::string& path, int64_t bytes) {
  const int64_t free = files.FreeSpace(path);
  return free >= 0 && free >= bytes;
}

}  // namespace tamarack
