#include "analysis/patch_codes.h"

#include <algorithm>
#include <cassert>

namespace tamarack {

const char HexDigits[17] = "0123456789ABCDEF";

std::string HexWord(int value) {
  std::string word;
  for (int weight : {4096, 256, 16, 1}) {
    word += HexDigits[(value / weight) & 15];
    value %= weight;
  }
  return word;
}

uint16_t ParseHexWord(const std::string& text) {
  uint16_t value = 0;
  const size_t n = std::min<size_t>(text.size(), 4);
  for (size_t i = 0; i < 4; ++i) {
    int digit = 0;
    if (i < n) {
      const char* found = std::find(HexDigits, HexDigits + 16, text[i]);
      digit = found == HexDigits + 16 ? 0 : static_cast<int>(found - HexDigits);
    }
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  return value;
}

int64_t UnitOfPosition(int64_t position) { return (position - 1) / UnitSize + 1; }

int64_t UnitBytes(int value) { return int64_t{static_cast<uint16_t>(value)} * UnitSize; }

std::string RangeToCodes(const Extent& range) {
  assert(range.Offset >= 0 && range.Length > 0);
  int64_t first = range.Offset / UnitSize;
  const int64_t last = (range.End() - 1) / UnitSize;
  assert(last < CodeUnits);
  int64_t n = last - first + 1;
  std::string codes;
  while (n > 0) {
    const int64_t k = n < 16 ? n : 16;
    codes += HexWord(static_cast<int>(first));
    codes += HexDigits[k - 1];
    n -= k;
    first += k;
  }
  return codes;
}

Extent ParseCode(const std::string& code) {
  const int u = ParseHexWord(code);
  const int c = ParseHexWord(std::string("000") + (code.size() > 4 ? code[4] : '0')) + 1;
  return {UnitBytes(u), int64_t{c} * UnitSize};
}

int64_t LastUnitOfCode(const std::string& code) { return (ParseCode(code).End() - 1) / UnitSize; }

std::string MergeCodes(const std::string& a, const std::string& b) {
  if (a == b) return b;
  const Extent ra = ParseCode(a);
  const Extent rb = ParseCode(b);
  if (ra.End() <= rb.Offset) return "";
  return RangeToCodes({ra.Offset, std::max(ra.End(), rb.End()) - ra.Offset});
}

}  // namespace tamarack
