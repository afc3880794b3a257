#pragma once

#include <cstdint>

#include "analysis/patch_codes.h"
#include "repair/patch_code_entry.h"

namespace tamarack {

// The patch file (".tkp") is a plain byte file without magic number,
// checksum, filler or trailer; multi-byte numbers are big-endian.
//
//   offset 0          1 byte    format version, 1
//   offset 1          2 bytes   last unit number: the video's unit count - 1
//   offset 3          1 byte    region count n, 1 to 255
//   offset 4          3 n bytes the index, one entry per region in order:
//                                 2 bytes first unit (counted from 0)
//                                 1 byte  unit count - 1
//   offset 4 + 3 n              the regions' bytes in index order, back to back
//
// The first four bytes are the header. A unit is 65536 bytes; the data of an
// entry with third byte c is (c + 1) * 65536 bytes of the video from offset
// first unit * 65536. The unit count is the only link between a patch and
// its video. The 16-bit unit numbers name 65536 units, so patches serve
// videos below 4 GiB. The video's last unit may be partial: its data in the
// patch is the unit's bytes followed by zero bytes up to the whole unit.

constexpr uint8_t PatchFormatVersion = 1;
constexpr int32_t PatchHeaderSize = 4;
constexpr int32_t PatchEntrySize = 3;

struct PatchHeader {
  uint8_t Version = 0;
  // The video's unit count, one more than the stored last unit number.
  int32_t UnitCount = 0;
  int RegionCount = 0;
};

// One index entry as stored: the region's first unit and its unit count.
struct PatchIndexEntry {
  uint16_t FirstUnit = 0;
  int32_t UnitCount = 0;  // 1 to 256

  // The entry's region in the video.
  PatchRegion Region() const {
    return {int64_t{FirstUnit} * UnitSize, int64_t{UnitCount} * UnitSize};
  }
};

// The size in bytes of the header and an index of regionCount entries.
constexpr int32_t PatchIndexSize(int regionCount) {
  return PatchHeaderSize + PatchEntrySize * regionCount;
}

// Writes the header and index of a patch of the job's regions for a video of
// videoSize bytes, below 4 GiB: PatchIndexSize(job.RegionCount) bytes into
// out. The regions must be runs of 1 to 256 whole units, in ascending order
// without overlap.
void EncodePatchIndex(int64_t videoSize, const PatchJob& job, uint8_t* out);

// Reads the header from its four bytes.
PatchHeader DecodePatchHeader(const uint8_t* header);

// Reads one index entry from its three bytes.
PatchIndexEntry DecodePatchEntry(const uint8_t* entry);

// The exact size of a valid patch file with these index entries.
int64_t PatchFileSize(const PatchIndexEntry* entries, int count);

}  // namespace tamarack
