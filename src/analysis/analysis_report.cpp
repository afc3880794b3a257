#include "analysis/analysis_report.h"

#include <algorithm>
#include <array>
#include <cctype>
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

// Blanks around a line are what copying and mail add to it; a tab is part of
// the line, as the program writes one between the totals.
std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line;
}

// The size text that FormatSize writes for a whole number of KiB, as its
// KiB: "0.5Mb (512Kb)" is 512.
std::optional<int64_t> ParseSizeKiB(std::string_view text) {
  const size_t open = text.rfind(" (");
  if (open == std::string_view::npos || !text.ends_with("Kb)")) return std::nullopt;
  const std::optional<int64_t> kib = ParseThousands(text.substr(open + 2, text.size() - open - 5));
  if (!kib || FormatSize(*kib * 1024) != text) return std::nullopt;
  return kib;
}

// "Total Patches Codes: <n>", a tab, "Total Size: <size text>", exactly as
// TotalLine writes it: the count of codes and their size in KiB.
struct Totals {
  int64_t Codes = 0;
  int64_t KiB = 0;
};
std::optional<Totals> ParseTotalLine(std::string_view line) {
  const size_t tab = line.find('\t');
  if (!line.starts_with(TotalLead) || tab == std::string_view::npos) return std::nullopt;
  const std::optional<int64_t> codes =
      ParseThousands(line.substr(TotalLead.size(), tab - TotalLead.size()));
  const std::string_view sizeText = line.substr(tab + 1);
  if (!codes || !sizeText.starts_with(SizeLead)) return std::nullopt;
  const std::optional<int64_t> kib = ParseSizeKiB(sizeText.substr(SizeLead.size()));
  if (!kib || TotalLine(*codes, *kib) != line) return std::nullopt;
  return Totals{*codes, *kib};
}

// "<n> x <k>Kb code(s):" of one of the sixteen code sizes, as ClassLine
// writes it: the count of codes and the units each covers.
struct CodeClass {
  int64_t Codes = 0;
  int Units = 0;
};
std::optional<CodeClass> ParseClassLine(std::string_view line) {
  const size_t times = line.find(" x ");
  if (times == std::string_view::npos) return std::nullopt;
  const std::optional<int64_t> count = ParseThousands(line.substr(0, times));
  if (!count) return std::nullopt;
  for (int units = 1; units <= SizeClasses; ++units) {
    if (ClassLine(*count, units) == line) return CodeClass{*count, units};
  }
  return std::nullopt;
}

// "<lead>\t<share>%\t\t<size text>", a line of the summary's figures; its
// share in tenths of a percent.
std::optional<int64_t> ParseFigureLine(std::string_view line, std::string_view lead) {
  if (!line.starts_with(lead)) return std::nullopt;
  line.remove_prefix(lead.size());
  const size_t percent = line.find("%\t\t");
  const size_t point = line.find('.');
  if (percent == std::string_view::npos || point == std::string_view::npos || point > percent ||
      !ParseSizeKiB(line.substr(percent + 3))) {
    return std::nullopt;
  }
  const std::optional<int64_t> whole = ParseThousands(line.substr(0, point));
  const std::string_view tenth = line.substr(point + 1, percent - point - 1);
  if (!whole || tenth.size() != 1 || tenth[0] < '0' || tenth[0] > '9') return std::nullopt;
  const int64_t tenths = *whole * 10 + (tenth[0] - '0');
  if (FormatTenths(tenths) != line.substr(0, percent)) return std::nullopt;
  return tenths;
}

// The lines of a text as a mail reply quotes them, each with "> " before it,
// or ">" on an empty line, or several for a reply to a reply. A text is
// quoted when its first line that is not empty is; each line that is loses
// its quote. The text control wraps a long quoted line, so a line of codes
// may have none.
struct QuotedLine {
  std::string_view Text;  // without its quote and the blanks around it
  std::string_view Raw;   // without its quote only
  bool Quoted = false;
};

std::vector<QuotedLine> Unquoted(const std::vector<std::string>& lines, bool& quotedText) {
  quotedText = false;
  for (const std::string& line : lines) {
    const std::string_view text = Trimmed(line);
    if (text.empty()) continue;
    quotedText = text.front() == '>';
    break;
  }
  std::vector<QuotedLine> unquoted;
  for (const std::string& line : lines) {
    QuotedLine quoted{{}, line};
    while (quotedText && Trimmed(quoted.Raw).starts_with('>')) {
      quoted.Quoted = true;
      quoted.Raw = Trimmed(quoted.Raw).substr(1);
      if (quoted.Raw.starts_with(' ')) quoted.Raw.remove_prefix(1);
    }
    quoted.Text = Trimmed(quoted.Raw);
    unquoted.push_back(quoted);
  }
  return unquoted;
}

// The lines of the summary that the analysis of a damaged file shows, and
// that tamarack-cli analyze prints before the Patch Codes text; the two
// lines of figures are left empty, as they differ from file to file.
std::vector<std::string> SummaryLinesOfDamage() {
  std::vector<std::string> lines = SplitLines(MakeAnalysisReport(1024, 1 << 20).Text);
  lines[2].clear();
  lines[3].clear();
  return lines;
}

// Reads the lines of a Patch Codes text one after the other. Every line but
// an empty one or a line of codes carries the quote when the text is quoted.
class PatchCodesTextReader {
 public:
  explicit PatchCodesTextReader(const std::vector<std::string>& lines)
      : lines_(Unquoted(lines, quoted_)) {}

  bool AtEnd() {
    SkipEmpty();
    return at_ == lines_.size();
  }
  void SkipEmpty() {
    while (at_ < lines_.size() && lines_[at_].Text.empty()) ++at_;
  }
  // The next line that is not empty, when it is quoted as the text is;
  // nothing at the end.
  std::optional<std::string_view> Peek() {
    if (AtEnd() || lines_[at_].Quoted != quoted_) return std::nullopt;
    return lines_[at_].Text;
  }
  template <class Parse>
  auto Take(const Parse& parse) -> decltype(parse(std::string_view())) {
    const std::optional<std::string_view> line = Peek();
    if (!line) return std::nullopt;
    auto parsed = parse(*line);
    if (parsed) ++at_;
    return parsed;
  }
  // The line, also when the control wrapped it onto several: the lines
  // after the first continue it as long as it is shorter than the line
  // expected. A quoted line's continuations have no quote.
  bool TakeLine(std::string_view expected) {
    if (!Peek()) return false;
    std::string joined(lines_[at_].Raw);
    size_t next = at_ + 1;
    while (Trimmed(joined).size() < expected.size() && next < lines_.size() &&
           !lines_[next].Quoted && !lines_[next].Text.empty()) {
      joined += lines_[next++].Raw;
    }
    if (Trimmed(joined) != expected) return false;
    at_ = next;
    return true;
  }
  // The lines of codes of a class: up to an empty line, a line of another
  // class or the end; quoted or not, as the control may have wrapped them.
  std::vector<std::string> TakeCodeLines() {
    SkipEmpty();
    std::vector<std::string> codeLines;
    while (at_ < lines_.size() && !lines_[at_].Text.empty() && !ParseClassLine(lines_[at_].Text)) {
      codeLines.emplace_back(lines_[at_++].Text);
    }
    return codeLines;
  }

 private:
  bool quoted_ = false;
  std::vector<QuotedLine> lines_;
  size_t at_ = 0;
};

// The summary before the Patch Codes text, as tamarack-cli analyze prints
// it: its shares of real and fake data add up to the whole.
bool TakeSummary(PatchCodesTextReader& reader) {
  const std::vector<std::string> expected = SummaryLinesOfDamage();
  if (!reader.TakeLine(expected[0])) return false;
  const auto real =
      reader.Take([](std::string_view line) { return ParseFigureLine(line, "Real Data:\t"); });
  const auto fake =
      reader.Take([](std::string_view line) { return ParseFigureLine(line, "Fake Data:\t"); });
  if (!real || !fake || *real + *fake != 1000) return false;
  for (size_t k = 4; k < expected.size(); ++k) {
    if (!expected[k].empty() && !reader.TakeLine(expected[k])) return false;
  }
  return true;
}

// The codes of a class, its lines joined without spaces and commas, are as
// many as its line says, and each code that is one covers the class's units.
// A piece that is no code is let through, so that code entry names it.
bool CodesFitClass(const std::vector<std::string>& codeLines, const CodeClass& sized) {
  std::string joined;
  for (const std::string& line : codeLines) {
    for (char c : line) {
      if (c != ' ' && c != ',') joined += c;
    }
  }
  if (joined.size() != static_cast<size_t>(sized.Codes) * CodeLength) return false;
  for (size_t at = 0; at < joined.size(); at += CodeLength) {
    const std::string_view code = std::string_view(joined).substr(at, CodeLength);
    const bool isCode = std::all_of(code.begin(), code.end(), [](char c) {
      return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(code.back())));
    if (isCode && last != HexDigits[sized.Units - 1]) return false;
  }
  return true;
}

}  // namespace

const char PastCodesLine[] = "Damage past 4Gb can be repaired only with a Reference file.";

void AddRunCodes(ScanState& state, const Extent& run) {
  if (state.CodeCount == MaxScanCodes || run.Offset >= PatchableSize) return;
  std::string codes = RangeToCodes({run.Offset, std::min(run.End(), PatchableSize) - run.Offset});
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
                  "(See \"Links\" in the user guide (Website) for recommended solutions.)"});
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
  control.ShowMessage(MessageKind::Information, report.Text + pieces);
}

std::vector<std::string> ListedCodes(const std::vector<std::string>& codes) {
  std::vector<std::string> listed;
  for (const auto& sized : CodeClasses(codes))
    listed.insert(listed.end(), sized.begin(), sized.end());
  return listed;
}

bool HasDamagePastCodes(const AnalysisResult& result) {
  return std::any_of(result.Runs.begin(), result.Runs.end(),
                     [](const Extent& run) { return run.End() > PatchableSize; });
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
// line, then each class line, in ascending size, with its codes under it.
// Empty lines may stand between any two of these parts; inside the lines of
// codes an empty line ends them, so that nothing after the last codes is
// taken for codes. The counts and sizes must agree: the codes under each
// class line, and all of them with the total line.
std::optional<std::vector<std::string>> PatchCodesTextCodeLines(
    const std::vector<std::string>& lines) {
  PatchCodesTextReader reader(lines);
  const std::optional<std::string_view> first = reader.Peek();
  if (first && *first == SummaryLinesOfDamage()[0] && !TakeSummary(reader)) return std::nullopt;
  if (!reader.TakeLine(HeadingLine) || !reader.TakeLine(HelpLine)) return std::nullopt;
  const std::optional<Totals> totals = reader.Take(ParseTotalLine);
  if (!totals || totals->Codes < 1 || totals->Codes > MaxScanCodes) return std::nullopt;
  reader.TakeLine(PastCodesLine);
  Totals listed;
  int lastUnits = 0;
  std::vector<std::string> codeLines;
  while (!reader.AtEnd()) {
    const std::optional<CodeClass> sized = reader.Take(ParseClassLine);
    if (!sized || sized->Codes < 1 || sized->Units <= lastUnits) return std::nullopt;
    const std::vector<std::string> classCodeLines = reader.TakeCodeLines();
    if (!CodesFitClass(classCodeLines, *sized)) return std::nullopt;
    codeLines.insert(codeLines.end(), classCodeLines.begin(), classCodeLines.end());
    listed.Codes += sized->Codes;
    listed.KiB += int64_t{64} * sized->Units * sized->Codes;
    lastUnits = sized->Units;
  }
  if (listed.Codes != totals->Codes || listed.KiB != totals->KiB) return std::nullopt;
  return codeLines;
}

}  // namespace tamarack
