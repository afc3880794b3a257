// A ddrescue mapfile is text of three parts: comment lines starting with
// "#"; the status line "current_pos current_status current_pass"; then one
// line "pos size status" for each block of the file, contiguous and in
// order from offset 0 to the file's end. Positions and sizes are bytes,
// written here as ddrescue writes them (0x and at least eight upper-case
// hexadecimal digits). A block's status "+" is data that was read, "-" a
// bad area; the status line's "+" says that the rescue is finished.
#include "analysis/error_mapfile.h"

#include <cstdio>

#include "core/program_strings.h"

namespace tamarack {
namespace {

std::string Hex(int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
  return text;
}

std::string BlockLine(int64_t position, int64_t size, char status) {
  return Hex(position) + "  " + Hex(size) + "  " + status + "\n";
}

}  // namespace

std::string ErrorMapfile(int64_t fileSize, const std::vector<Extent>& runs) {
  std::string text = "# Mapfile. Created by " + ProgramText(ProgramString::ProductName) + " " +
                     ProgramText(ProgramString::Version) +
                     " from an analysis: + data, - missing data (zero bytes)\n"
                     "# current_pos  current_status  current_pass\n" +
                     Hex(0) + "     +               1\n" + "#      pos        size  status\n";
  // Zero runs never adjoin (they would be one run), so each bad block
  // stands between data blocks, or at an end of the file.
  int64_t position = 0;  // the end of the blocks written
  for (const Extent& run : runs) {
    if (run.Offset > position) text += BlockLine(position, run.Offset - position, '+');
    text += BlockLine(run.Offset, run.Length, '-');
    position = run.End();
  }
  if (fileSize > position) text += BlockLine(position, fileSize - position, '+');
  return text;
}

}  // namespace tamarack
