#pragma once

#include "core/operation_control.h"
#include "core/selected_file.h"
#include "platform/byte_file.h"

namespace tamarack {

// What a file operation works with while it runs: the runner, through which
// it reports to the front end's observer, the file system and the file it
// works on.
struct OperationContext {
  OperationControl& Control;
  FileSystem& Files;
  SelectedFile& Selected;
};

}  // namespace tamarack
