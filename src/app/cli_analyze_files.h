#pragma once

#include <string>
#include <vector>

#include "analysis/analysis_report.h"
#include "app/cli_options.h"
#include "app/cli_runner.h"

namespace tamarack {

// The files that a run of analyze over several files works on, in order: the
// FILE arguments as given, then for each folder of -r the files found in it
// and its subfolders, sorted by path: those named *.avi in any letter case,
// or every file with --all-files. Missed counts what the walks could not
// look at, each named on standard error: a folder or subfolder that cannot
// be read, an entry whose kind cannot be told, and a pipe, device or socket
// that the name would have taken in.
struct AnalyzeTargets {
  std::vector<std::string> Files;
  int Missed = 0;
};
AnalyzeTargets AnalyzeTargetsOf(const CliRequest& request, ConsoleOutput& output);

// The line of a run over several files for one file that was analysed to
// its end: its name, the share of real data, the error bytes and the number
// of patch codes. A name with a line break or another control character, or
// that starts with a double quote, is quoted, so that each file keeps its
// one line.
std::string AnalysisLine(const std::string& name, const AnalysisResult& result);

// Runs analyze on each file in turn: one line for each (or one JSON object
// with --json) and, in text, a last summary line. A file that cannot be
// analysed does not stop the others; a stop (Ctrl-C answered Yes, SIGTERM,
// SIGHUP) ends the run after that file. What the walks missed counts as not
// analysed. Returns the exit status: 3 after a stop, else 1 when a file
// could not be analysed or an entry was missed, else with --check 4 when a
// file has error bytes, else 0.
int RunAnalyzeFiles(const CliRequest& request, CliHost& host);

}  // namespace tamarack
