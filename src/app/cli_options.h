#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/digests.h"
#include "analysis/published_digest.h"
#include "platform/console/console_questions.h"

namespace tamarack {

// The exit statuses of tamarack-cli.
enum CliExitStatus : int {
  ExitCompleted = 0,  // the operation ran to its end
  ExitFailed = 1,     // it ended with an error message
  ExitUsage = 2,      // unknown command or option, missing argument
  ExitDeclined = 3,   // a question was answered No, or the operation was stopped
  // analyze --check: an analysed file has error bytes or a failed piece;
  // analyze --verify: the file does not match the published digest
  ExitDamaged = 4,
  // repair-reference: the repair ran to its end, but a reference file whose
  // deletion was asked for could not be deleted.
  ExitReferenceKept = 5,
};

enum class CliCommand { Info, Analyze, Backup, RepairReference, CreatePatch, RepairPatch };

// One run of tamarack-cli as its command line asks for it.
struct CliRequest {
  CliCommand Command = CliCommand::Info;
  std::string File;
  std::string SecondFile;               // PATCH of repair-patch
  std::vector<std::string> References;  // REFERENCE ... of repair-reference, in order
  // analyze: the files after the first, and the folders to walk (-r).
  std::vector<std::string> MoreFiles;
  std::vector<std::string> Folders;
  bool AllFiles = false;  // -r takes every file, not only *.avi
  bool Check = false;     // exit status 4 when an analysed file has error bytes
  std::vector<std::string> Codes;
  std::optional<std::string> CodesFrom;  // a path, or "-" for standard input
  AnswerPolicy Answers = AnswerPolicy::Ask;
  // The answer to "Repair anyway?" about a reference that does not look
  // like a copy of the file.
  AnswerPolicy RepairAnyway = AnswerPolicy::Ask;
  std::string AnswerHint;  // the options that answer the command's questions
  bool Json = false;
  std::string MapPath;
  std::string MapfilePath;  // analyze's error runs as a data-recovery mapfile
  bool Progress = false;
  // analyze: the digests to print (--hash), the published digest to check
  // the file against (--verify).
  std::vector<DigestKind> Digests;
  std::optional<PublishedDigest> Verify;
  // analyze: the .torrent to check the pieces of (--torrent), and the entry
  // in it that is the file (--torrent-path; by the file's size without).
  std::string TorrentPath;
  std::string TorrentEntry;
};

// Whether analyze runs over several files: one line (or JSON object) each.
inline bool IsMultiFileRun(const CliRequest& request) {
  return !request.MoreFiles.empty() || !request.Folders.empty();
}

struct CliParse {
  std::optional<CliRequest> Request;  // empty when the run ends here
  int ExitStatus = ExitCompleted;     // of a run that ends here
};

// Parses the command line. --help and --version are answered on out, usage
// errors on err; both end the run.
CliParse ParseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace tamarack
