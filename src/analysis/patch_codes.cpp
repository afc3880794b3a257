#include "analysis/patch_codes.h"

#include <algorithm>

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

int32_t UnitOfPosition(int32_t position) { return (position - 1) / UnitSize + 1; }

int32_t UnitBytes(int value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(value)) << 16);
}

std::string RangeToCodes(int32_t start, int32_t length) {
  uint16_t first = static_cast<uint16_t>(UnitOfPosition(start));
  const uint16_t last = static_cast<uint16_t>(UnitOfPosition(start + (length - 1)));
  int n = last - first + 1;
  std::string codes;
  while (n > 0) {
    const int k = n < 16 ? n : 16;
    codes += HexWord(first - 1);
    codes += HexWord(k - 1).back();
    n -= k;
    first = static_cast<uint16_t>(first + k);
  }
  return codes;
}

ByteRange ParseCode(const std::string& code) {
  int u = ParseHexWord(code);
  const int c = ParseHexWord(std::string("000") + (code.size() > 4 ? code[4] : '0')) + 1;
  if (u + c - 1 >= 32766) u = 32766 - c;
  return {UnitBytes(u) + 1, UnitBytes(c)};
}

std::string MergeCodes(const std::string& a, const std::string& b) {
  if (a == b) return b;
  const ByteRange ra = ParseCode(a);
  const ByteRange rb = ParseCode(b);
  const int32_t lastA = ra.Start + ra.Length - 1;
  const int32_t lastB = rb.Start + rb.Length - 1;
  if (lastA < rb.Start) return "";
  const int32_t end = std::max(lastA, lastB);
  return RangeToCodes(ra.Start, end - ra.Start + 1);
}

}  // namespace tamarack
