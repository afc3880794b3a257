#pragma once

#include <cstdint>
#include <string>

namespace tamarack {

// The decimal digits with "," before the last three digits from 1,000 on and
// before the last six from 1,000,000 on. Negative numbers get no separator.
std::string FormatThousands(int64_t value);

// "<M>.<t>Mb (<K>Kb)": K is the byte count in KiB rounded up, and the tenths
// of a MiB are rounded up from K.
std::string FormatSize(int64_t bytes);

}  // namespace tamarack
