// Fuzzes patch code entry. Input: four bytes, big-endian, give the size of
// the selected file (at most 2^31 - 1); the rest is the text typed into the
// Patch Codes view. The outcome is checked against a plain model of the
// entry: which codes the text holds, which units they name, and whether they
// fit the file; and a text taken for a Patch Codes text must be the program's
// own text of its codes.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "analysis/analysis_report.h"
#include "fuzz_program.h"
#include "repair/patch_code_entry.h"

namespace tamarack::fuzzing {
namespace {

constexpr int64_t Unit = 65536;
constexpr int MaxCodes = 255;

const std::string Advice =
    "\r\nEnsure only valid codes are entered into the Patch Codes text window."
    "\r\nA valid code consists of five characters (each being a digit or letters A to F)."
    "\r\nIf entering multiple codes, separate each code with a comma and/or space.";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// What the entry should make of the typed text.
struct Model {
  std::string Joined;              // lines joined, spaces and commas removed
  size_t CodesEnd = 0;             // bytes of Joined taken by the valid codes
  bool BadPiece = false;           // a piece before the 255th code is no code
  std::set<int> Units;             // the units the codes name
  std::vector<std::string> Codes;  // the valid codes, upper-cased, in order
  bool Recognised = false;         // the text is a Patch Codes text
};

Model Expect(const std::string& typed) {
  Model model;
  // The view's lines end at CR LF; each line loses its spaces and commas.
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = typed.find("\r\n", start);
    lines.push_back(typed.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  // The Patch Codes text of an analysis gives the lines that hold its codes.
  // Which texts are one is the analysis report's own rule, taken as it is
  // here; CheckRecognised then holds each text taken for one against the
  // text that the program writes for its codes.
  if (auto codeLines = PatchCodesTextCodeLines(lines)) {
    lines = std::move(*codeLines);
    model.Recognised = true;
  }
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c != ' ' && c != ',') model.Joined += c;
    }
  }
  int codes = 0;
  size_t pos = 0;
  while (pos < model.Joined.size() && codes < MaxCodes) {
    int value = 0;
    bool valid = model.Joined.size() - pos >= 5;
    for (size_t i = 0; valid && i < 5; ++i) {
      const int digit = HexValue(model.Joined[pos + i]);
      valid = digit >= 0;
      value = value * 16 + digit;
    }
    if (!valid) {
      model.BadPiece = true;
      break;
    }
    std::string code = model.Joined.substr(pos, 5);
    for (char& c : code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    model.Codes.push_back(code);
    const int count = (value & 15) + 1;
    const int first = value >> 4;
    for (int u = first; u < first + count; ++u) model.Units.insert(u);
    ++codes;
    pos += 5;
  }
  model.CodesEnd = pos;
  return model;
}

// A text without what may differ from the program's own text of the same
// codes: the summary before it, quotes, blanks, commas, line breaks and the
// letter case.
std::string Skeleton(const std::string& text) {
  std::string kept;
  for (char c : text) {
    if (c != ' ' && c != ',' && c != '>' && c != '\r' && c != '\n') {
      kept += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  const size_t heading = kept.find("PATCHCODESFORREQUIREDPATCHDATA");
  return heading == std::string::npos ? kept : kept.substr(heading);
}

// A text taken for a Patch Codes text is the one that the program writes for
// its codes: its counts and sizes agree with them.
void CheckRecognised(const std::string& typed, const Model& model) {
  const bool past = Skeleton(typed).find(Skeleton(PastCodesLine)) != std::string::npos;
  FUZZ_CHECK(Skeleton(typed) == Skeleton(PatchCodesText(model.Codes, past ? PatchableSize : 0)));
}

// The piece a refusal names: five characters of the joined text from the
// first bad piece on, when those bytes are well-formed UTF-8.
void CheckNamedPiece(const Model& model, const std::string& piece) {
  FUZZ_CHECK(!piece.empty());
  FUZZ_CHECK(Utf8Characters(piece) <= 5);
  const std::string rest = model.Joined.substr(model.CodesEnd);
  if (!IsUtf8(rest)) return;
  size_t bytes = 0;
  for (int characters = 0; characters < 5 && bytes < rest.size(); ++characters) {
    ++bytes;
    while (bytes < rest.size() && (static_cast<unsigned char>(rest[bytes]) & 0xC0) == 0x80) {
      ++bytes;
    }
  }
  FUZZ_CHECK(piece == rest.substr(0, bytes));
}

// Units up to the file's last, partial or not, can be carried.
int64_t UnitsEnd(int64_t fileSize) { return (fileSize + Unit - 1) / Unit * Unit; }

void Check(const Model& model, int64_t fileSize, const FuzzProgram& fuzz, const PatchJob& job) {
  const Program& program = *fuzz.Run;
  const std::vector<RecordingDialogs::Message>& shown = fuzz.Messages.Shown;
  for (const auto& message : shown) FUZZ_CHECK(IsUtf8(message.Text));

  if (model.Joined.empty()) {
    FUZZ_CHECK(shown.size() == 1 && shown[0].Kind == MessageKind::Error);
    FUZZ_CHECK(shown[0].Text == "No Patch Codes have been entered." + Advice);
    FUZZ_CHECK(!program.Control.Busy());
    return;
  }
  const std::string opening = "The Patch Code \"";
  if (model.BadPiece) {
    const std::string closing = "\" is not valid." + Advice;
    FUZZ_CHECK(shown.size() == 1 && shown[0].Kind == MessageKind::Error);
    const std::string& text = shown[0].Text;
    FUZZ_CHECK(StartsWith(text, opening) && EndsWith(text, closing));
    FUZZ_CHECK(text.size() >= opening.size() + closing.size());
    CheckNamedPiece(model,
                    text.substr(opening.size(), text.size() - opening.size() - closing.size()));
    FUZZ_CHECK(!program.Control.Busy());
    return;
  }
  if ((int64_t{*model.Units.rbegin()} + 1) * Unit > UnitsEnd(fileSize)) {
    const std::string closing = "\" is not valid for this file.";
    FUZZ_CHECK(shown.size() == 1 && shown[0].Kind == MessageKind::Error);
    const std::string& text = shown[0].Text;
    FUZZ_CHECK(StartsWith(text, opening) && EndsWith(text, closing));
    FUZZ_CHECK(text.size() >= opening.size() + closing.size());
    // The working text of the moment: one code, or two after a merge.
    const std::string named =
        text.substr(opening.size(), text.size() - opening.size() - closing.size());
    FUZZ_CHECK(named.size() == 5 || named.size() == 10);
    for (char c : named) FUZZ_CHECK(HexValue(c) >= 0 && !(c >= 'a' && c <= 'f'));
    FUZZ_CHECK(!program.Control.Busy());
    return;
  }

  // Accepted: ascending, disjoint regions of 1 to 16 whole units within the
  // file's units that cover exactly the units of the codes.
  FUZZ_CHECK(shown.empty());
  FUZZ_CHECK(program.Control.Busy());
  FUZZ_CHECK(job.RegionCount >= 1 && job.RegionCount <= MaxPatchRegions);
  std::set<int> covered;
  int64_t previousEnd = 0;
  for (int k = 0; k < job.RegionCount; ++k) {
    const int64_t offset = job.Regions[k].Offset;
    const int64_t length = job.Regions[k].Length;
    FUZZ_CHECK(offset >= 0 && offset % Unit == 0);
    FUZZ_CHECK(length >= Unit && length <= 16 * Unit && length % Unit == 0);
    FUZZ_CHECK(offset >= previousEnd);
    FUZZ_CHECK(offset + length <= UnitsEnd(fileSize));
    for (int64_t u = offset / Unit; u < (offset + length) / Unit; ++u) {
      covered.insert(static_cast<int>(u));
    }
    previousEnd = offset + length;
  }
  FUZZ_CHECK(covered == model.Units);
}

}  // namespace
}  // namespace tamarack::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tamarack;
  using namespace tamarack::fuzzing;
  if (size < 4) return 0;
  const uint32_t raw = uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 |
                       uint32_t{data[3]};
  // Patch codes serve files of 1 KiB up to 4 GiB.
  const int64_t fileSize = std::max<int64_t>(raw, 1024);
  const std::string typed(reinterpret_cast<const char*>(data) + 4, size - 4);
  const Model model = Expect(typed);
  if (model.Recognised && !model.BadPiece) CheckRecognised(typed, model);

  // Typed into the Patch Codes view, which the operation runner then leaves
  // for the Analysis view before Create Patch reads the codes.
  FuzzProgram& fuzz = FuzzProgram::Shared();
  Program& program = *fuzz.Run;
  fuzz.ClearRecords();
  program.RunCommand(PatchCodesButton);
  fuzz.Memo.SetText(typed);
  program.RunCommand(AnalysisButton);
  program.Control.HoldBusy(true);
  PatchJob job;
  EnterPatchCodes(program.Control, program.Runner.PatchCodeLines(), job, fileSize);
  Check(model, fileSize, fuzz, job);
  program.Control.Decline();
  fuzz.ClearRecords();
  return 0;
}
