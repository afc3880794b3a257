#pragma once

#include <cstdint>
#include <string>

namespace tamarack {

// The decimal digits with "," before every group of three digits counted
// from the last, from 1,000 on: before the last three, six, nine and so on.
// Negative numbers get no separator.
std::string FormatThousands(int64_t value);

// A count of tenths as "<whole>.<tenth>", the whole with its separators:
// 975 gives "97.5". For percentages kept in tenths of a percent.
std::string FormatTenths(int64_t tenths);

// "<M>.<t>Mb (<K>Kb)": K is the byte count in KiB rounded up, and the tenths
// of a MiB are rounded up from K.
std::string FormatSize(int64_t bytes);

}  // namespace tamarack
