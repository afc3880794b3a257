#include "core/size_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tamarack {
namespace {

TEST(SizeTextTest, ThousandsSeparatorsBeforeEveryThreeDigits) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"},
      {7, "7"},
      {999, "999"},
      {1000, "1,000"},
      {65536, "65,536"},
      {999999, "999,999"},
      {1000000, "1,000,000"},
      {123456789, "123,456,789"},
      {1000000000, "1,000,000,000"},
      {INT64_MAX, "9,223,372,036,854,775,807"},
      {-5, "-5"},
      {-1000, "-1000"},
      {-123456789, "-123456789"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatThousands(value), text) << value;
}

TEST(SizeTextTest, SizeTextRoundsKilobytesAndThenTenthsUp) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0.0Mb (0Kb)"},
      {1, "0.1Mb (1Kb)"},
      {1024, "0.1Mb (1Kb)"},
      {1025, "0.1Mb (2Kb)"},
      {104448, "0.1Mb (102Kb)"},
      {105472, "0.2Mb (103Kb)"},
      {1048576, "1.0Mb (1,024Kb)"},
      {1048577, "1.1Mb (1,025Kb)"},
      {734003200, "700.0Mb (716,800Kb)"},
      {2147482624, "2,048.0Mb (2,097,151Kb)"},
      {2147483647, "2,048.0Mb (2,097,152Kb)"},
      {int64_t{1} << 32, "4,096.0Mb (4,194,304Kb)"},
      {(int64_t{1} << 32) + 1, "4,096.1Mb (4,194,305Kb)"},
      {int64_t{5} << 40, "5,242,880.0Mb (5,368,709,120Kb)"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(FormatSize(bytes), text) << bytes;
}

}  // namespace
}  // namespace tamarack
