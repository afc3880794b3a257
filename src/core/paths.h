#pragma once

#include <cstdint>
#include <string>

#include "platform/byte_file.h"

namespace tamarack {

// Inserts the text right after the path's last directory separator, so that
// it stands in front of the file name; with no separator, in front of the
// whole path.
std::string PrefixFileName(const std::string& path, const std::string& text);

// True when the space available to the user on the file system that holds
// the path's folder is at least the byte count; false when the query fails.
bool HasFreeSpace(FileSystem& files, const std::string& path, int64_t bytes);

}  // namespace tamarack
