#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/patch_codes.h"
#include "core/extent.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"

namespace tamarack {

// A patch holds at most this many regions, and code entry takes at most this
// many codes.
constexpr int MaxPatchRegions = 255;

// One region of the selected file, a range of its bytes. A region made from
// a code is a run of 1 to 16 whole 64 KiB units; its last unit may be the
// file's last, partial one.
using PatchRegion = Extent;

// The working record of one Create Patch or Repair with Patch operation,
// owned by the command for its whole run and lent to its steps.
struct PatchJob {
  std::array<PatchRegion, MaxPatchRegions> Regions{};
  // The entries of Regions in use, from the first: 0 to 255.
  int RegionCount = 0;
  std::string PatchFileName;
  // The patch file that Repair with Patch reads.
  std::unique_ptr<ByteFile> PatchFile;
  // The patch file that Create Patch writes; it takes its name when done.
  std::unique_ptr<OutputFile> NewPatchFile;
};

// True when the regions in use are in ascending order and no two share a
// byte, as a patch file requires.
bool HasOrderedRegions(const PatchJob& job);

// Codes of five upper-case hexadecimal characters, at most 255 of them.
using PatchCodeList = std::vector<std::string>;

// The first step of Create Patch: reads the codes of the lines as the user
// entered them (the Patch Codes view's displayed lines), sorts and merges
// them into job.Regions and checks them against the size of the selected
// file. The busy flag tells the outcome: still set, the regions are filled;
// clear, an error has been shown.
void EnterPatchCodes(OperationControl& control, std::vector<std::string> lines, PatchJob& job,
                     int64_t fileSize);

// Cuts the lines, spaces and commas removed and joined without separators,
// into pieces of five characters. Valid pieces are stored upper-cased; the
// first invalid one, or a text without any piece, is reported and clears the
// busy flag. Text after the 255th code is ignored.
void ReadPatchCodes(OperationControl& control, std::vector<std::string> lines, PatchCodeList& list);

// True when the first five characters of the text are hexadecimal digits,
// letters of either case; a shorter text is invalid.
bool IsValidPatchCode(const std::string& text);

// Orders upper-case codes by the range each names: by first unit, and for
// the same first unit the shorter code first, which is the order of their
// value.
void SortPatchCodes(PatchCodeList& list);

// Turns the sorted codes into regions, joining codes that share a unit, and
// refuses a region with a unit beyond the selected file's last unit. The
// last unit may be partial: a region may end in it.
void BuildPatchRegions(OperationControl& control, const PatchCodeList& list, PatchJob& job,
                       int64_t fileSize);

// The error message of a bad code entry: the first line, then the advice on
// what a valid entry looks like.
void ShowPatchCodeError(OperationControl& control, const std::string& firstLine);

}  // namespace tamarack
