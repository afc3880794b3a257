#include "analysis/analysis_report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "analysis/patch_codes.h"
#include "core/size_text.h"
#include "platform/text_lines.h"

namespace tamarack {
namespace {

constexpr int SizeClasses = 16;
// Real data below this share, in tenths of a percent, marks a fake file.
constexpr int FakePermille = 50;

std::string Percent(int permille) { return FormatTenths(permille) + "%"; }

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

constexpr const char* HeadingLine = "Patch Codes for required Patch Data";
constexpr const char* HelpLine = "(See Help page 6 for information on requesting a Patch file).";
constexpr std::string_view TotalLead = "Total Patches Codes: ";
constexpr std::string_view SizeLead = "Total Size: ";

std::string TotalLine(int64_t codeCount, int64_t totalKiB) {
  return std::string(TotalLead) + FormatThousands(codeCount) + "\t" + std::string(SizeLead) +
         FormatSize(totalKiB * 1024);
}

std::string ClassLine(int64_t codeCount, int units) {
  return FormatThousands(codeCount) + " x " + FormatThousands(64 * units) + "Kb code(s):";
}

// A count as FormatThousands writes it, and only as it writes it: digits with
// a comma before each group of three. Counts beyond any the program writes
// are refused.
std::optional<int64_t> ParseThousands(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c != ',') digits += c;
  }
  if (digits.empty() || digits.size() > 12) return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (FormatThousands(value) != text) return std::nullopt;
  return value;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  return line;
}

// "Total Patches Codes: <n>", blanks, "Total Size: <size text>", exactly as
// TotalLine writes it once the blanks are a tab again.
bool IsTotalLine(std::string_view line) {
  const size_t size = line.find(SizeLead);
  if (!line.starts_with(TotalLead) || size == std::string_view::npos) return false;
  const std::string_view count = line.substr(TotalLead.size(), size - TotalLead.size());
  const size_t blanks = count.find_first_of(" \t");
  if (blanks == std::string_view::npos || !Trimmed(count.substr(blanks)).empty()) return false;
  const std::string_view sizeText = line.substr(size + SizeLead.size());
  const size_t open = sizeText.rfind(" (");
  if (open == std::string_view::npos || !sizeText.ends_with("Kb)")) return false;
  const std::optional<int64_t> codes = ParseThousands(count.substr(0, blanks));
  const std::optional<int64_t> kib =
      ParseThousands(sizeText.substr(open + 2, sizeText.size() - open - 5));
  if (!codes || !kib || *codes < 1) return false;
  return std::string(line.substr(0, TotalLead.size() + blanks)) + "\t" +
             std::string(line.substr(size)) ==
         TotalLine(*codes, *kib);
}

// "<n> x <k>Kb code(s):" of one of the sixteen code sizes, as ClassLine
// writes it.
bool IsClassLine(std::string_view line) {
  const size_t times = line.find(" x ");
  if (times == std::string_view::npos) return false;
  const std::optional<int64_t> count = ParseThousands(line.substr(0, times));
  if (!count || *count < 1) return false;
  for (int units = 1; units <= SizeClasses; ++units) {
    if (ClassLine(*count, units) == line) return true;
  }
  return false;
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
  // A torrent's verdict on the pieces closes the summary.
  const std::string pieces = result.Torrent ? "\r\n\r\n" + TorrentPiecesLine(*result.Torrent) : "";
  control.ShowPrompt(MessageKind::Information, report.Text + pieces);
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
    classLines.push_back(ClassLine(static_cast<int64_t>(codes.size()), k));
    classLines.push_back(joined);
    classLines.push_back("");
  }
  std::vector<std::string> lines = {
      HeadingLine,
      HelpLine,
      "",
      TotalLine(static_cast<int64_t>(scanCodes.size()), totalKiB),
  };
  if (fileSize >= PatchableSize) lines.push_back(PastCodesLine);
  lines.push_back("");
  lines.insert(lines.end(), classLines.begin(), classLines.end());
  // Every class's lines end with a line break, its empty last line too.
  return JoinLines(lines) + "\r\n";
}

// The text is read as PatchCodesText writes it: the heading lines, the total
// line, then each class line with its codes under it. Empty lines may stand
// between any two of these parts; inside the lines of codes an empty line
// ends them, so that nothing after the last codes is taken for codes.
std::optional<std::vector<std::string>> PatchCodesTextCodeLines(
    const std::vector<std::string>& lines) {
  size_t at = 0;
  const auto skipEmpty = [&] {
    while (at < lines.size() && Trimmed(lines[at]).empty()) ++at;
  };
  const auto take = [&](const auto& matches) {
    if (at == lines.size() || !matches(Trimmed(lines[at]))) return false;
    ++at;
    return true;
  };
  skipEmpty();
  if (!take([](std::string_view line) { return line == HeadingLine; }) ||
      !take([](std::string_view line) { return line == HelpLine; })) {
    return std::nullopt;
  }
  skipEmpty();
  if (!take(IsTotalLine)) return std::nullopt;
  take([](std::string_view line) { return line == PastCodesLine; });
  skipEmpty();
  std::vector<std::string> codeLines;
  while (at < lines.size()) {
    if (!take(IsClassLine)) return std::nullopt;
    skipEmpty();
    const size_t first = at;
    while (at < lines.size() && !Trimmed(lines[at]).empty() && !IsClassLine(Trimmed(lines[at]))) {
      codeLines.push_back(lines[at++]);
    }
    if (at == first) return std::nullopt;
    skipEmpty();
  }
  if (codeLines.empty()) return std::nullopt;
  return codeLines;
}

void ShowPatchCodes(const std::vector<std::string>& codes, int64_t fileSize, Views& views) {
  views.ShowView(View::PatchCodes);
  views.SetViewText(PatchCodesText(codes, fileSize));
}

}  // namespace tamarack
