#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/extent.h"

namespace tamarack {

// The error runs of an analysis as a mapfile of GNU ddrescue, so that the
// data-recovery tools show the damage and copy just those areas from
// another copy of the file. The runs are the scan's, in file order.
std::string ErrorMapfile(int64_t fileSize, const std::vector<Extent>& runs);

}  // namespace tamarack
