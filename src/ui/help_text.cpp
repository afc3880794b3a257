#include "ui/help_text.h"

#include <array>

namespace tamarack {
namespace {

// One space and 128 hyphens: the line under the heading and under each page
// heading.
constexpr const char HelpRule[] =
    " ----------------------------------------------------------------"
    "----------------------------------------------------------------";

// The help text line by line. Lines 1 to 18 are the heading, the key hint and
// the contents; ten pages follow, one every 17 lines from line 19, each a
// heading line, the rule, an empty line and at most 14 lines of text, filled
// with empty lines up to the next page. The last page has 16 lines. The pages
// keep to 13 lines of text of at most 62 characters: the rule wraps in the
// view area, so a page then fills the 18 lines that the view shows after
// PageDown, and no text line wraps. \t aligns the contents and the page
// labels on the control's tab stops.
constexpr std::array<const char*, 187> HelpLines = {
    "",
    "\tHELP\t\t\t",
    HelpRule,
    "\t(use the PageUp and PageDown keys to navigate)",
    "",
    "\tFILE\t\t\tVIEW",
    "\t Select/Clear\t1\t Information\t 7",
    "\t Analyze\t\t2\t Analysis\t\t 8",
    "\t\t\t\t Patch Codes\t 9",
    "\tCREATE\t\t",
    "\t Backup\t\t3\tPROGRAM",
    "\t Patch\t\t4\t Feedback\t10",
    "\t\t\t\t Website\t\t10",
    "\tREPAIR WITH\t\t Version\t\t10",
    "\t Reference\t5",
    "\t Patch\t\t6",
    "",
    "",
    // Line 19.
    "FILE - Select/Clear\t\t\t\t\t\t(Page 1)",
    HelpRule,
    "",
    "Click \"Select\" to choose the AVI video file to work on. It is",
    "the file that is analysed, that a patch is created for, or",
    "that is repaired.",
    "",
    "While a file is selected the button reads \"Clear\". Click",
    "\"Clear\" to deselect the file, so that another file can be",
    "selected.",
    "",
    "The details of the selected file are shown in the",
    "Information view (page 7).",
    "",
    "",
    "",
    "",
    // Line 36.
    "FILE - Analyze\t\t\t\t\t\t(Page 2)",
    HelpRule,
    "",
    "Click \"Analyze\" to check the selected AVI file for errors.",
    "",
    "While the file is checked, the Analysis view shows the",
    "progress, updated continually. At the end a summary is",
    "shown, with advice on what to do next.",
    "",
    "Errors that were found can be repaired with a Reference",
    "file (page 5) or with a Patch file (page 6).",
    "",
    "",
    "",
    "",
    "",
    "",
    // Line 53.
    "CREATE - Backup\t\t\t\t\t\t(Page 3)",
    HelpRule,
    "",
    "Making a backup before a repair is highly recommended.",
    "",
    "Click \"Backup\" to make an exact copy of the selected file in",
    "the same folder. The copy has \"BACKUP.\" added to the start",
    "of its file name.",
    "",
    "To restore the backup, delete the damaged file, then rename",
    "the backup by removing \"BACKUP.\" from the start of its name.",
    "",
    "",
    "",
    "",
    "",
    "",
    // Line 70.
    "CREATE - Patch\t\t\t\t\t\t(Page 4)",
    HelpRule,
    "",
    "A patch is a file with the data that somebody else needs to",
    "repair their copy of an AVI video file.",
    "",
    "To create a patch:",
    " 1. Click \"Select\" and select the AVI file that they need a",
    "    patch for.",
    " 2. Click \"Patch Codes\" to show the Patch Codes view.",
    " 3. Enter one, some or all of their patch codes into the",
    "    text window.",
    " 4. Click \"Patch\" in the Create group.",
    "",
    "If the total size is too large, enter only a few codes. The",
    "patch file is named like the AVI, with \".tkp\" for \".avi\".",
    "",
    // Line 87.
    "REPAIR WITH - Reference\t\t\t\t\t(Page 5)",
    HelpRule,
    "",
    "A reference file is another download of the selected AVI",
    "file. The second download of a damaged file is damaged too,",
    "but usually in other places.",
    "",
    "To repair with a reference:",
    " 1. Move or rename the selected AVI file, so that the next",
    "    download does not overwrite it.",
    " 2. Download another copy of the same AVI file.",
    " 3. Click \"Select\" and select the first copy.",
    " 4. Click \"Reference\" and select the new download.",
    "",
    "The repair then begins by itself. One reference may be",
    "enough; if errors remain, another reference may be needed.",
    "",
    // Line 104.
    "REPAIR WITH - Patch\t\t\t\t\t(Page 6)",
    HelpRule,
    "",
    "A patch is a file made by somebody else, with the data that",
    "you need. The \"Links\" section of the user guide, which",
    "\"Website\" opens, tells where to find somebody to make it.",
    "",
    "To repair with a patch:",
    " 1. Click \"Select\" and select the AVI file.",
    " 2. Click \"Analyze\" to analyse it.",
    " 3. Ask somebody for a patch, quoting the patch codes that",
    "    are shown after the analysis.",
    " 4. Click \"Patch\" in the Repair With group and select the",
    "    patch file that they send you.",
    "",
    "The repair then begins by itself.",
    "",
    // Line 121.
    "VIEW - Information\t\t\t\t\t\t(Page 7)",
    HelpRule,
    "",
    "Click \"Information\" to show the Information view. Once a",
    "file has been selected, it shows:",
    "",
    " Filename: the name of the file, with its location.",
    " Size: the size in megabytes, with kilobytes in brackets.",
    " FourCC: the codes that identify the video codec.",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    // Line 138.
    "VIEW - Analysis\t\t\t\t\t\t(Page 8)",
    HelpRule,
    "",
    "Click \"Analysis\" to show the Analysis view. It shows the",
    "progress of an analysis, a backup, a patch creation or a",
    "repair. The colours of the grids:",
    "",
    " Analyze: green for data OK, red for an error.",
    " Backup: blue for data backed up.",
    " Repair with Reference: silver for no change, green for a",
    " change made.",
    "",
    "The description and the progress are shown below the",
    "grids. To pause, click \"Pause/Stop\" left of the progress",
    "indicator; at the prompt, choose to go on or to stop.",
    "",
    "",
    // Line 155.
    "VIEW - Patch Codes\t\t\t\t\t(Page 9)",
    HelpRule,
    "",
    "Click \"Patch Codes\" to show the Patch Codes view.",
    "",
    "After an analysis it shows the patch codes of the data that",
    "is needed to repair the file (page 6).",
    "",
    "To create a patch for somebody else, type or paste their",
    "patch codes into it (page 4).",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    // Line 172.
    "PROGRAM - Feedback/Website/Version\t\t\t(Page 10)",
    HelpRule,
    "",
    "Click \"Feedback\" to open the user guide at its section on",
    "reporting a problem.",
    "",
    "Click \"Website\" to open the user guide in the web browser:",
    "this help, the keys and the \"Links\" section.",
    "",
    "Click \"Version\" to show the version number, the release",
    "date and the address of the user guide.",
    "",
    "Keys: Ctrl+O Select/Clear, F1 Help, Esc Pause/Stop, Ctrl+Q",
    "Close. Tab moves the focus over the buttons, starting with",
    "\"Select\", and the text window; Space or Enter clicks.",
    "",
};

// The first lines of the pages, from line 19 one every 17 lines.
constexpr size_t FirstPageLine = 19;
constexpr size_t PageLines = 17;

}  // namespace

std::vector<int> HelpPageStarts(const std::vector<std::string>& displayedLines) {
  std::vector<int> starts = {0};
  size_t heading = FirstPageLine - 1;
  for (size_t i = 0; i < displayedLines.size() && heading < HelpLines.size(); ++i) {
    if (displayedLines[i] != HelpLines[heading]) continue;
    starts.push_back(static_cast<int>(i));
    heading += PageLines;
  }
  return starts;
}

std::string HelpText() {
  std::string text;
  for (size_t i = 0; i < HelpLines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += HelpLines[i];
  }
  return text;
}

}  // namespace tamarack
