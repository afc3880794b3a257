#pragma once

#include <cstdint>
#include <string>

#include "core/extent.h"

namespace tamarack {

// A patch code is five upper-case hexadecimal characters: four for the
// first 64 KiB unit (counted from 0), one for the unit count minus 1. Longer
// ranges are written as consecutive codes of at most 16 units.
constexpr int32_t UnitSize = 65536;
constexpr int CodeLength = 5;
// Four hexadecimal digits name units 0 to 65535: codes and patch files serve
// the first 4 GiB of a file.
constexpr int64_t CodeUnits = 65536;
constexpr int64_t PatchableSize = CodeUnits * UnitSize;
extern const char HexDigits[17];

// Four hexadecimal digits of a value from 0 to 65535.
std::string HexWord(int value);
// The value of the first four characters; a character that is not one of
// HexDigits counts as 0. Never looks beyond the 16 digits or the 4 characters.
uint16_t ParseHexWord(const std::string& text);
// The unit of a 1-based position, counted from 1.
int64_t UnitOfPosition(int64_t position);
// value * 65536, the value taken as unsigned 16-bit.
int64_t UnitBytes(int value);
// The codes of every unit the range (at least one byte) touches,
// concatenated. Every unit the range touches must be one that a code can
// name, below unit 65536.
std::string RangeToCodes(const Extent& range);
// The range of a code (its first five characters), as it stands: a code of
// the top units reaches past 4 GiB.
Extent ParseCode(const std::string& code);
// The last unit a code names, counted from 0.
int64_t LastUnitOfCode(const std::string& code);
// The codes from a's first unit to the later of both last units when b's
// first unit is not after a's last unit; empty otherwise. The merged range
// must end below unit 65536.
std::string MergeCodes(const std::string& a, const std::string& b);

}  // namespace tamarack
