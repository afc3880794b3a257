#include "analysis/analysis_report.h"

#include <algorithm>
#include <array>

#include "analysis/patch_codes.h"
#include "core/size_text.h"
#include "platform/text_lines.h"

namespace tamarack {
namespace {

constexpr int SizeClasses = 16;
// Real data below this share, in tenths of a percent, marks a fake file.
constexpr int FakePermille = 50;

std::string Percent(int permille) {
  return FormatThousands(permille / 10) + "." + std::to_string(permille % 10) + "%";
}

// The codes of each size class, class k (from 0) holding the codes of k + 1
// units, each class in list order.
std::array<std::vector<std::string>, SizeClasses> CodeClasses(
    const std::vector<std::string>& codes) {
  std::array<std::vector<std::string>, SizeClasses> classes;
  for (const std::string& code : codes) {
    const int units = ParseHexWord(std::string("000") + code[CodeLength - 1]) + 1;
    classes[units - 1].push_back(code);
  }
  return classes;
}

}  // namespace

const char PastCodesLine[] = "Damage past 4Gb can be repaired only with a Reference file.";

void AddRunCodes(ScanState& state, int64_t runStart, int64_t runLength) {
  if (state.CodeCount == MaxScanCodes || runStart > PatchableSize) return;
  std::string codes = RangeToCodes(runStart, std::min(runLength, PatchableSize - runStart + 1));
  if (state.CodeCount > 0) {
    const std::string merged =
        MergeCodes(state.Codes[state.CodeCount - 1], codes.substr(0, CodeLength));
    if (!merged.empty()) {
      --state.CodeCount;
      codes = merged + codes.substr(CodeLength);
    }
  }
  for (size_t at = 0; at < codes.size() && state.CodeCount < MaxScanCodes; at += CodeLength) {
    state.Codes[state.CodeCount] = codes.substr(at, CodeLength);
    ++state.CodeCount;
  }
}

AnalysisReport MakeAnalysisReport(int64_t errorBytes, int64_t fileSize) {
  AnalysisReport report;
  report.FakeBytes = (errorBytes + 1023) / 1024 * 1024;
  report.RealBytes = fileSize - report.FakeBytes;
  // The product leaves 64 bits for files beyond 9 PB.
  auto v = static_cast<int64_t>(static_cast<__int128>(report.RealBytes) * 1000 / fileSize);
  if (v == 0 && report.RealBytes > 0) v = 1;
  report.RealPermille = static_cast<int>(v);

  std::vector<std::string> lines = {
      "Analysis complete.",
      "",
      "Real Data:\t" + Percent(report.RealPermille) + "\t\t" + FormatSize(report.RealBytes),
      "Fake Data:\t" + Percent(1000 - report.RealPermille) + "\t\t" + FormatSize(report.FakeBytes),
      "",
  };
  if (errorBytes == 0) {
    lines.insert(lines.end(),
                 {"If the AVI has problems playing then:",
                  "- the file is not fully supported by your player, or",
                  "- the file requires an exact codec, or",
                  "- the file has a permanent error created during the encoding process",
                  "(See the \"Links\" page on the Website for recommended solutions.)"});
  } else if (report.RealPermille < FakePermille) {
    report.JudgedFake = true;
    lines.push_back("This file is fake and cannot be repaired.");
  } else {
    lines.insert(lines.end(),
                 {"Some or all errors may be repairable using a Reference or Patch file.",
                  "If you have already repaired using a Reference file,",
                  "another one may repair these remaining errors.",
                  "(See Help for instructions on repairing.)"});
  }
  report.Text = JoinLines(lines);
  return report;
}

void ShowAnalysisReport(AnalysisResult& result, OperationControl& control) {
  const AnalysisReport report = MakeAnalysisReport(result.ErrorBytes, result.FileSize);
  result.FakeBytes = report.FakeBytes;
  result.RealBytes = report.RealBytes;
  result.RealPermille = report.RealPermille;
  result.JudgedFake = report.JudgedFake;
  if (report.JudgedFake) result.Codes.clear();
  control.ShowPrompt(MessageKind::Information, report.Text);
}

std::vector<std::string> ListedCodes(const std::vector<std::string>& codes) {
  std::vector<std::string> listed;
  for (const auto& sized : CodeClasses(codes))
    listed.insert(listed.end(), sized.begin(), sized.end());
  return listed;
}

bool HasDamagePastCodes(const AnalysisResult& result) {
  return std::any_of(result.Runs.begin(), result.Runs.end(), [](const ByteRange& run) {
    return run.Start + run.Length - 1 > PatchableSize;
  });
}

std::string PatchCodesText(const std::vector<std::string>& scanCodes, int64_t fileSize) {
  const auto classes = CodeClasses(scanCodes);
  int64_t totalKiB = 0;
  std::vector<std::string> classLines;
  for (int k = 1; k <= SizeClasses; ++k) {
    const std::vector<std::string>& codes = classes[k - 1];
    if (codes.empty()) continue;
    totalKiB += int64_t{64} * k * static_cast<int64_t>(codes.size());
    std::string joined;
    for (size_t i = 0; i < codes.size(); ++i) joined += (i > 0 ? ", " : "") + codes[i];
    classLines.push_back(FormatThousands(static_cast<int64_t>(codes.size())) + " x " +
                         FormatThousands(64 * k) + "Kb code(s):");
    classLines.push_back(joined);
    classLines.push_back("");
  }
  std::vector<std::string> lines = {
      "Patch Codes for required Patch Data",
      "(See Help page 6 for information on requesting a Patch file).",
      "",
      "Total Patches Codes: " + FormatThousands(static_cast<int64_t>(scanCodes.size())) +
          "\tTotal Size: " + FormatSize(totalKiB * 1024),
  };
  if (fileSize >= PatchableSize) lines.push_back(PastCodesLine);
  lines.push_back("");
  lines.insert(lines.end(), classLines.begin(), classLines.end());
  // Every class's lines end with a line break, its empty last line too.
  return JoinLines(lines) + "\r\n";
}

void ShowPatchCodes(const std::vector<std::string>& codes, int64_t fileSize, Views& views) {
  views.ShowView(View::PatchCodes);
  views.SetViewText(PatchCodesText(codes, fileSize));
}

}  // namespace tamarack
