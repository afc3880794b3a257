// The patch file format: a 4-byte header (format version 1, the video's last
// unit number as big-endian 16 bits, the region count), a 3-byte index entry
// per region (first unit as big-endian 16 bits, unit count - 1) and the
// regions' bytes in index order. The layout in detail is in patch_file.h.
#include "repair/patch_file.h"

#include <cassert>

namespace tamarack {

void EncodePatchIndex(int64_t videoSize, const PatchJob& job, uint8_t* out) {
  assert(job.RegionCount >= 1 && job.RegionCount <= MaxPatchRegions);
  assert(HasOrderedRegions(job));
  assert(videoSize < PatchableSize);
  const int64_t lastUnit = UnitOfPosition(videoSize) - 1;
  out[0] = PatchFormatVersion;
  out[1] = static_cast<uint8_t>(lastUnit / 256);
  out[2] = static_cast<uint8_t>(lastUnit % 256);
  out[3] = static_cast<uint8_t>(job.RegionCount);
  uint8_t* entry = out + PatchHeaderSize;
  for (int k = 0; k < job.RegionCount; ++k) {
    const PatchRegion& region = job.Regions[k];
    assert(region.Length >= UnitSize && region.Length % UnitSize == 0);
    const int64_t firstUnit = region.Offset / UnitSize;
    entry[0] = static_cast<uint8_t>(firstUnit / 256);
    entry[1] = static_cast<uint8_t>(firstUnit % 256);
    entry[2] = static_cast<uint8_t>(UnitOfPosition(region.Length) - 1);
    entry += PatchEntrySize;
  }
}

PatchHeader DecodePatchHeader(const uint8_t* header) {
  return {header[0], header[1] * 256 + header[2] + 1, header[3]};
}

PatchIndexEntry DecodePatchEntry(const uint8_t* entry) {
  return {static_cast<uint16_t>(entry[0] * 256 + entry[1]), entry[2] + 1};
}

int64_t PatchFileSize(const PatchIndexEntry* entries, int count) {
  int64_t size = PatchIndexSize(count);
  for (int k = 0; k < count; ++k) size += entries[k].Region().Length;
  return size;
}

}  // namespace tamarack
