#pragma once

#include <cstdint>

namespace tamarack {

// The number of zero bytes at the start of the count bytes at data: the
// offset of the first non-zero byte, or count when there is none. Works a
// word and a cache line at a time, so long zero stretches cost little more
// than the memory reads.
int32_t LeadingZeroBytes(const uint8_t* data, int32_t count);

// The number of zero bytes at the end of the count bytes at data.
int32_t TrailingZeroBytes(const uint8_t* data, int32_t count);

}  // namespace tamarack
