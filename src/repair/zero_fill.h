#pragma once

#include <cstdint>
#include <span>

namespace tamarack {

// Fills every zero byte of the target with the source byte at the same
// offset; a zero byte facing a zero stays zero and a non-zero byte is never
// touched. Returns true when a byte of the target changed. The source must be
// at least as long as the target.
bool FillZeroBytes(std::span<uint8_t> target, std::span<const uint8_t> source);

}  // namespace tamarack
