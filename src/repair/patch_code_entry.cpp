#include "repair/patch_code_entry.h"

#include <cstring>
#include <utility>

#include "analysis/patch_codes.h"

namespace tamarack {
namespace {

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The byte length of the first count characters of the UTF-8 text from pos
// (fewer when the text ends first). A piece cut from the entry thus never
// splits a character, and the message that names it stays readable.
size_t CharactersLength(const std::string& text, size_t pos, int count) {
  size_t end = pos;
  for (int i = 0; i < count && end < text.size(); ++i) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return end - pos;
}

// The value of a code's five hexadecimal digits: first unit * 16 + units - 1.
int32_t CodeKey(const std::string& code) {
  int32_t key = 0;
  for (int i = 0; i < CodeLength; ++i) {
    const char* digit = std::strchr(HexDigits, code[i]);
    key = key * 16 + static_cast<int32_t>(digit - HexDigits);
  }
  return key;
}

}  // namespace

void EnterPatchCodes(OperationContext& context, PatchJob& job) {
  PatchCodeList list;
  ReadPatchCodes(context, list);
  if (!context.Control.Busy) return;
  SortPatchCodes(list);
  BuildPatchRegions(context, list, job);
}

void ReadPatchCodes(OperationContext& context, PatchCodeList& list) {
  list.clear();
  context.ViewArea.ShowView(View::PatchCodes);
  std::string text;
  for (const std::string& line : context.ViewArea.DisplayedLines()) {
    for (char c : line) {
      if (c != ' ' && c != ',') text += c;
    }
  }
  if (text.empty()) {
    ShowPatchCodeError(context, "No Patch Codes have been entered.");
    return;
  }
  size_t pos = 0;
  while (pos < text.size() && context.Control.Busy &&
         list.size() < static_cast<size_t>(MaxPatchRegions)) {
    const size_t length = CharactersLength(text, pos, CodeLength);
    const std::string piece = text.substr(pos, length);
    pos += length;
    if (IsValidPatchCode(piece)) {
      list.push_back(UpperCase(piece));
    } else {
      ShowPatchCodeError(context, "The Patch Code \"" + piece + "\" is not valid.");
    }
  }
}

bool IsValidPatchCode(const std::string& text) {
  if (text.size() < static_cast<size_t>(CodeLength)) return false;
  const std::string upper = UpperCase(text.substr(0, CodeLength));
  for (char c : upper) {
    if (c == '\0' || std::strchr(HexDigits, c) == nullptr) return false;
  }
  return true;
}

void SortPatchCodes(PatchCodeList& list) {
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    for (size_t j = i + 1; j < list.size(); ++j) {
      if (CodeKey(list[i]) > CodeKey(list[j])) std::swap(list[i], list[j]);
    }
  }
}

// Each code is merged with the last region when they share a unit, which
// replaces that region by the merged range (one code, or two when it grows
// beyond 16 units). The sort guarantees that a code never reaches below the
// regions already built, so merging with the last one is enough.
void BuildPatchRegions(OperationContext& context, const PatchCodeList& list, PatchJob& job) {
  job.RegionCount = 0;
  for (const std::string& code : list) {
    std::string working = code;
    if (job.RegionCount > 0) {
      const PatchRegion& last = job.Regions[job.RegionCount - 1];
      std::string merged = MergeCodes(RangeToCodes(last.Start, last.Length), working);
      if (!merged.empty()) {
        working = std::move(merged);
        --job.RegionCount;
      }
    }
    while (!working.empty() && job.RegionCount < MaxPatchRegions && context.Control.Busy) {
      const ByteRange range = ParseCode(working);
      job.Regions[job.RegionCount++] = {range.Start, range.Length};
      if (range.Start + (range.Length - 1) > context.Selected.SelectedFileSize) {
        context.Control.ShowError("The Patch Code \"" + working + "\" is not valid for this file.");
      }
      working.erase(0, CodeLength);
    }
    if (job.RegionCount == MaxPatchRegions || !context.Control.Busy) return;
  }
}

void ShowPatchCodeError(OperationContext& context, const std::string& firstLine) {
  context.Control.ShowError(
      firstLine +
      "\r\nEnsure only valid codes are entered into the Patch Codes text window."
      "\r\nA valid code consists of five characters (each being a digit or letters A to F)."
      "\r\nIf entering multiple codes, separate each code with a comma and/or space.");
}

}  // namespace tamarack
