#include "core/size_text.h"

namespace tamarack {

std::string FormatThousands(int64_t value) {
  const std::string digits = std::to_string(value);
  if (value < 1000) return digits;
  const size_t n = digits.size();
  if (value < 1000000) return digits.substr(0, n - 3) + "," + digits.substr(n - 3);
  return digits.substr(0, n - 6) + "," + digits.substr(n - 6, 3) + "," + digits.substr(n - 3);
}

std::string FormatSize(int64_t bytes) {
  const int64_t k = (bytes + 1023) / 1024;
  const int64_t t = (k * 10 + 1023) / 1024;
  return FormatThousands(t / 10) + "." + std::to_string(t % 10) + "Mb (" + FormatThousands(k) +
         "Kb)";
}

}  // namespace tamarack
