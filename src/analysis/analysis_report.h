#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/digests.h"
#include "analysis/patch_codes.h"
#include "analysis/scan_state.h"
#include "analysis/torrent_pieces.h"
#include "core/extent.h"
#include "core/operation_control.h"
#include "platform/color.h"

namespace tamarack {

// Adds the codes of an error run to the scan code list. A run that shares a
// unit with the last code extends that code; codes that no longer fit into
// the list's 255 entries are dropped without a message. Codes name only the
// units below 4 GiB, so a run gets codes for its part below 4 GiB.
void AddRunCodes(ScanState& state, const Extent& run);

// The figures and text of the summary shown at the end of a completed scan.
struct AnalysisReport {
  int64_t FakeBytes = 0;    // the error bytes rounded up to whole KiB
  int64_t RealBytes = 0;    // the file size less FakeBytes
  int RealPermille = 0;     // real data in tenths of a percent, 0 to 1000
  bool JudgedFake = false;  // real data below 5.0%: nothing worth patching
  std::string Text;
};

AnalysisReport MakeAnalysisReport(int64_t errorBytes, int64_t fileSize);

// What an analysis found: the numbers of the summary, the code list, the
// error runs and the map. After a stop or a fault Completed is false; the
// error bytes, runs and cells then describe the bytes read until then, and
// the summary's figures and the codes stay empty, as no summary and no Patch
// Codes view were shown.
struct AnalysisResult {
  bool Completed = false;  // the scan reached the end of the file and it closed
  int64_t FileSize = 0;
  int64_t ErrorBytes = 0;
  int64_t FakeBytes = 0;  // F of the summary
  int64_t RealBytes = 0;  // R of the summary
  int RealPermille = 0;   // v of the summary, 0 to 1000
  bool JudgedFake = false;
  // The scan's code list in file order; empty when the file was judged fake.
  std::vector<std::string> Codes;
  // Every error run in file order, also those beyond the code list's 255
  // codes: the offset of its first zero byte and its whole length.
  std::vector<Extent> Runs;
  // The colour of each painted cell, from cell 1 on.
  std::vector<Color> Cells;
  // The digests asked for, of a completed scan, in the order of AllDigestKinds.
  std::vector<DigestValue> Digests;
  // The pieces of the torrent given, of a completed scan.
  std::optional<TorrentPieces> Torrent;
};

// Shows the summary as an information message and fills in its figures. A
// file judged fake loses its codes, so that no Patch Codes view follows.
void ShowAnalysisReport(AnalysisResult& result, OperationControl& control);

// True when the file has damage that no patch code can name: an error run
// that reaches past 4 GiB.
bool HasDamagePastCodes(const AnalysisResult& result);

// The codes as the Patch Codes view lists them: by the number of units they
// cover, smallest first, and in file order within each size.
std::vector<std::string> ListedCodes(const std::vector<std::string>& codes);

// The line that the Patch Codes view of a file of 4 GiB or more adds.
extern const char PastCodesLine[];

// The text of the Patch Codes view for the scan's code list. For a file of
// 4 GiB or more a line after the totals says that the damage past 4 GiB can
// be repaired only with a Reference file.
std::string PatchCodesText(const std::vector<std::string>& codes, int64_t fileSize = 0);

// When the lines are a Patch Codes text as PatchCodesText writes it, returns
// the lines that hold its codes, in order; otherwise nothing. The text is
// recognised by its own lines: the two heading lines, the "Total Patches
// Codes" line and each "<n> x <k>Kb code(s):" line with the lines of codes
// under it, empty lines between them. Its counts and sizes must agree: each
// size's line counts the codes under it, each code there is of that size, and
// the total line counts them all and their size. Also recognised: the summary
// of a damaged file before it, as tamarack-cli analyze prints the two, and
// either quoted in a mail reply ("> " before each line). Blanks around a line,
// further empty lines and lines wrapped onto several are allowed for. The
// lines of codes are taken as they stand, so a code spoiled on its way is
// still reported.
std::optional<std::vector<std::string>> PatchCodesTextCodeLines(
    const std::vector<std::string>& lines);

}  // namespace tamarack
