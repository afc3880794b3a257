#include "repair/patch_code_entry.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

#include "analysis/analysis_report.h"
#include "analysis/patch_codes.h"

namespace tamarack {
namespace {

std::string UpperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The byte length of the well-formed UTF-8 character at pos, or 0 when the
// bytes there do not form one: a stray continuation byte, a truncated
// sequence, an overlong form, a surrogate or a value beyond U+10FFFF.
size_t Utf8CharacterLength(const std::string& text, size_t pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) return 0;
  }
  return length;
}

// One piece of the entry: up to count characters from pos, as the bytes
// they take in the text and as they are named in a message.
struct Piece {
  size_t Bytes = 0;
  std::string Shown;
};

// A piece never splits a character, so the message that names it stays
// readable. A byte that is not part of a well-formed UTF-8 character counts
// as one character of its own and is shown as U+FFFD; it can never be part
// of a valid code.
Piece NextPiece(const std::string& text, size_t pos, int count) {
  static constexpr char Replacement[] = "\xEF\xBF\xBD";
  Piece piece;
  for (int i = 0; i < count && pos + piece.Bytes < text.size(); ++i) {
    const size_t at = pos + piece.Bytes;
    const size_t length = Utf8CharacterLength(text, at);
    if (length == 0) {
      piece.Shown += Replacement;
      ++piece.Bytes;
    } else {
      piece.Shown.append(text, at, length);
      piece.Bytes += length;
    }
  }
  return piece;
}

}  // namespace

void EnterPatchCodes(OperationControl& control, std::vector<std::string> lines, PatchJob& job,
                     int64_t fileSize) {
  PatchCodeList list;
  ReadPatchCodes(control, std::move(lines), list);
  if (!control.Busy()) return;
  SortPatchCodes(list);
  BuildPatchRegions(control, list, job, fileSize);
}

void ReadPatchCodes(OperationControl& control, std::vector<std::string> lines,
                    PatchCodeList& list) {
  list.clear();
  // The Patch Codes text of an analysis, sent as it was copied, gives the
  // codes of its lines of codes; any other text is cut as it stands.
  if (auto codeLines = PatchCodesTextCodeLines(lines)) lines = std::move(*codeLines);
  std::string text;
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c != ' ' && c != ',') text += c;
    }
  }
  if (text.empty()) {
    ShowPatchCodeError(control, "No Patch Codes have been entered.");
    return;
  }
  size_t pos = 0;
  while (pos < text.size() && control.Busy() &&
         list.size() < static_cast<size_t>(MaxPatchRegions)) {
    const Piece piece = NextPiece(text, pos, CodeLength);
    const std::string bytes = text.substr(pos, piece.Bytes);
    pos += piece.Bytes;
    // Five characters whose first five bytes are hexadecimal digits are five
    // ASCII digits, so a valid piece is exactly the code's five bytes.
    if (IsValidPatchCode(bytes)) {
      assert(bytes.size() == static_cast<size_t>(CodeLength));
      list.push_back(UpperCase(bytes));
    } else {
      ShowPatchCodeError(control, "The Patch Code \"" + piece.Shown + "\" is not valid.");
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

// Five upper-case hexadecimal digits compare as text in the order of their
// value, since the digits stand before the letters.
void SortPatchCodes(PatchCodeList& list) { std::sort(list.begin(), list.end()); }

// Each code is merged with the last region when they share a unit, which
// replaces that region by the merged range (one code, or two when it grows
// beyond 16 units). The sort guarantees that a code never reaches below the
// regions already built, so merging with the last one is enough.
void BuildPatchRegions(OperationControl& control, const PatchCodeList& list, PatchJob& job,
                       int64_t fileSize) {
  job.RegionCount = 0;
  // Every unit up to the last, partial or not, can be carried.
  const int64_t lastUnit = UnitOfPosition(fileSize) - 1;
  const int64_t unitsEnd = (lastUnit + 1) * UnitSize;
  for (const std::string& code : list) {
    std::string working = code;
    // A code of the top units reaches past 4 GiB, beyond every file that
    // patches serve; its range cannot be written as codes again, so it is
    // named as it was entered.
    if (LastUnitOfCode(code) >= CodeUnits) {
      control.ShowError("The Patch Code \"" + code + "\" is not valid for this file.");
      break;
    }
    if (job.RegionCount > 0) {
      const PatchRegion& last = job.Regions[job.RegionCount - 1];
      std::string merged = MergeCodes(RangeToCodes(last), working);
      if (!merged.empty()) {
        working = std::move(merged);
        --job.RegionCount;
      }
    }
    while (!working.empty() && job.RegionCount < MaxPatchRegions && control.Busy()) {
      const Extent range = ParseCode(working);
      job.Regions[job.RegionCount++] = range;
      if (range.End() > unitsEnd) {
        control.ShowError("The Patch Code \"" + working + "\" is not valid for this file.");
      }
      working.erase(0, CodeLength);
    }
    if (job.RegionCount == MaxPatchRegions || !control.Busy()) break;
  }
  assert(!control.Busy() || HasOrderedRegions(job));
}

bool HasOrderedRegions(const PatchJob& job) {
  for (int k = 1; k < job.RegionCount; ++k) {
    const PatchRegion& previous = job.Regions[k - 1];
    if (previous.End() > job.Regions[k].Offset) return false;
  }
  return true;
}

void ShowPatchCodeError(OperationControl& control, const std::string& firstLine) {
  control.ShowError(
      firstLine +
      "\r\nEnsure only valid codes are entered into the Patch Codes text window."
      "\r\nA valid code consists of five characters (each being a digit or letters A to F)."
      "\r\nIf entering multiple codes, separate each code with a comma and/or space.");
}

}  // namespace tamarack
