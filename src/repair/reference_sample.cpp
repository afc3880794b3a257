#include "repair/reference_sample.h"

#include <algorithm>

#include "core/size_text.h"
#include "repair/file_blocks.h"

namespace tamarack {
namespace {

constexpr int64_t SpreadBlocks = 64;

}  // namespace

std::vector<int64_t> SampleBlockStarts(int64_t fileSize) {
  std::vector<int64_t> starts;
  if (fileSize <= 0) return starts;
  const int64_t block = FileBlockSize;
  if (fileSize <= (SpreadBlocks + 2) * block) {
    for (int64_t start = 0; start < fileSize; start += block) starts.push_back(start);
    return starts;
  }
  // Between the first and the last block the spread blocks stand more than
  // a block apart, as the file holds more than 66 blocks.
  const int64_t last = fileSize - block;
  starts.push_back(0);
  for (int64_t i = 1; i <= SpreadBlocks; ++i) starts.push_back(last / (SpreadBlocks + 1) * i);
  starts.push_back(last);
  return starts;
}

bool LooksForeign(const HeldBytes& sample) { return sample.Differing * 100 > sample.BothHeld; }

std::string DifferingPercent(const HeldBytes& sample) {
  if (sample.BothHeld == 0) return "0.0";
  const int64_t permille = (sample.Differing * 1000 + sample.BothHeld - 1) / sample.BothHeld;
  return FormatTenths(permille);
}

std::string ForeignReferenceQuestion(const HeldBytes& sample) {
  if (sample.BothHeld >= MinJudgedBytes) {
    return "The Reference file does not look like a copy of the Selected file.\r\n" +
           DifferingPercent(sample) +
           "% of the data that both files hold differs.\r\nRepair anyway?";
  }
  const auto count = [](int64_t n, const char* one, const char* many) {
    return FormatThousands(n) + (n == 1 ? one : many);
  };
  return "Whether the Reference file is a copy of the Selected file cannot be judged:\r\n"
         "both files hold data at the same places in only " +
         count(sample.BothHeld, " byte", " bytes") + ", " +
         count(sample.Differing, " of which differs", " of which differ") +
         ";\r\nat least 64Kb held by both are needed to compare them.\r\nRepair anyway?";
}

}  // namespace tamarack
