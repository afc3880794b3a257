#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "repair/zero_fill.h"

namespace tamarack {

// The blocks of FileBlockSize bytes on which a reference is compared with the
// selected file before the merge writes anything: the first block, the last,
// and 64 spread evenly between them, so that a reference that is a copy of
// another video is found wherever the two were damaged. A file of at most
// 66 blocks is read whole. Returns the offsets of the blocks' first bytes in
// ascending order; the blocks do not overlap.
std::vector<int64_t> SampleBlockStarts(int64_t fileSize);

// True when more than 1 % of the bytes that both files hold in the sample
// differ. A sample in which no byte is held by both tells nothing and
// passes.
bool LooksForeign(const HeldBytes& sample);

// Below this many bytes held by both, a share of differing bytes says
// nothing: two copies of one video may share a single byte that differs.
constexpr int64_t MinJudgedBytes = 65536;

// The share of the held bytes that differ, in percent with one decimal,
// rounded up: "37.5", "1.1".
std::string DifferingPercent(const HeldBytes& sample);

// The question asked of a reference that looks foreign: the share that
// differs, or, below MinJudgedBytes held by both, that the sample is too
// small to judge. It ends in "Repair anyway?".
std::string ForeignReferenceQuestion(const HeldBytes& sample);

}  // namespace tamarack
