#include "core/size_text.h"

namespace tamarack {

std::string FormatThousands(int64_t value) {
  const std::string digits = std::to_string(value);
  if (value < 1000) return digits;
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

std::string FormatTenths(int64_t tenths) {
  return FormatThousands(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string FormatSize(int64_t bytes) {
  const int64_t k = (bytes + 1023) / 1024;
  const int64_t t = (k * 10 + 1023) / 1024;
  return FormatTenths(t) + "Mb (" + FormatThousands(k) + "Kb)";
}

}  // namespace tamarack
