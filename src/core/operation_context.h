#pragma once

#include "core/block_grid.h"
#include "core/operation_control.h"
#include "core/progress_bar.h"
#include "core/selected_file.h"
#include "platform/byte_file.h"
#include "ui/views.h"

namespace tamarack {

// The subsystems that every file operation works with, lent to it by the
// program for its lifetime.
struct OperationContext {
  SelectedFile& Selected;
  OperationControl& Control;
  ProgressBar& Progress;
  BlockGrid& Grid;
  Views& ViewArea;
  FileSystem& Files;
};

}  // namespace tamarack
