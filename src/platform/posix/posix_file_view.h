#pragma once

#include <cstdint>
#include <memory>

#include "platform/file_view.h"

namespace tamarack {

// Maps count bytes at offset of the open descriptor for reading (mmap), or
// gives null when it cannot. A page of the view that can no longer be read
// would stop the process with a bus error on being touched; inside the
// view's Look, the process's handler of that signal jumps out of the look
// instead (siglongjmp), which then reports the loss. Bus errors elsewhere
// are left to the handler that was there before.
std::unique_ptr<FileView> MapFileView(int fd, int64_t offset, int64_t count);

}  // namespace tamarack
