#include "app/cli_analyze_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/cli_json.h"
#include "app/cli_proof.h"
#include "app/console_observer.h"
#include "app/operations.h"
#include "core/selected_file.h"
#include "core/size_text.h"
#include "platform/text_lines.h"

namespace tamarack {
namespace {

namespace fs = std::filesystem;

bool IsAviName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".avi";
}

// What a folder walk makes of one entry of a folder.
enum class EntryKind { Folder, File, Skipped, NotAFile, Unknown };

// Folders are walked; a symbolic link to a folder is not followed (a link
// to a folder above would never end). A regular file, or a symbolic link
// that leads to one or to nothing (its analysis says why it cannot be
// read), is a file. A pipe, a device or a socket is no file to analyse.
EntryKind KindOf(const fs::path& path, std::error_code& error) {
  const fs::file_status own = fs::symlink_status(path, error);
  if (error) return EntryKind::Unknown;
  if (fs::is_directory(own)) return EntryKind::Folder;
  if (fs::is_regular_file(own)) return EntryKind::File;
  if (!fs::is_symlink(own)) return EntryKind::NotAFile;
  std::error_code ignored;
  const fs::file_status target = fs::status(path, ignored);
  if (fs::is_directory(target)) return EntryKind::Skipped;
  return fs::is_regular_file(target) || !fs::exists(target) || ignored ? EntryKind::File
                                                                       : EntryKind::NotAFile;
}

// What a walk found: the files to analyse, and the entries that could not
// be looked at, each named on standard error.
struct Walk {
  bool AllFiles = false;
  std::vector<std::string> Files;
  int Missed = 0;
};

std::string ShownName(const std::string& name);

// The name in double quotes, on one line however it is made.
std::string QuotedName(const fs::path& path) {
  const std::string shown = ShownName(path.string());
  return shown == path.string() ? "\"" + shown + "\"" : shown;
}

void Miss(Walk& walk, ConsoleOutput& output, const std::string& message) {
  output.PrintErr("tamarack-cli: " + message);
  ++walk.Missed;
}

// Adds the files of the folder and its subfolders. A subfolder that cannot
// be read does not end the walk.
void WalkFolder(const fs::path& folder, Walk& walk, ConsoleOutput& output) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const fs::path& path = it->path();
    std::error_code kindError;
    const EntryKind kind = KindOf(path, kindError);
    const bool named = walk.AllFiles || IsAviName(path);
    if (kind == EntryKind::Folder) {
      WalkFolder(path, walk, output);
    } else if (kind == EntryKind::File && named) {
      walk.Files.push_back(path.string());
    } else if (kind == EntryKind::NotAFile && named) {
      Miss(walk, output, QuotedName(path) + " is not analysed: it is not a regular file");
    } else if (kind == EntryKind::Unknown) {
      Miss(walk, output, QuotedName(path) + " cannot be looked at: " + kindError.message());
    }
  }
  if (error) {
    Miss(walk, output, "the folder " + QuotedName(folder) + " cannot be read: " + error.message());
  }
}

// The error message on one line.
std::string OneLine(const std::string& text) {
  const std::vector<std::string> lines = SplitLines(text);
  std::string line;
  for (size_t i = 0; i < lines.size(); ++i) line += (i > 0 ? " " : "") + lines[i];
  return line;
}

// A name that would not stand on one line as it is, or that starts with the
// quote, is shown in double quotes with the escapes of C: \" \\ \n \t \r and
// \xHH for the other control characters. Any other name is shown as it is.
std::string ShownName(const std::string& name) {
  const auto isControl = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  };
  if (std::none_of(name.begin(), name.end(), isControl) && !name.starts_with('"')) return name;
  static constexpr char Hex[] = "0123456789abcdef";
  std::string shown = "\"";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      shown += {'\\', c};
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (isControl(c)) {
      shown += {'\\', 'x', Hex[byte >> 4], Hex[byte & 15]};
    } else {
      shown += c;
    }
  }
  return shown + "\"";
}

// How the analysis of one file ended.
struct FileRun {
  Outcome Result = Outcome::Failed;
  std::string Error;  // the message of a file that could not be analysed
  AnalysisResult Analysis;
};

// Analyses one file; checks it against the pieces of the torrent's entry of
// its size when there is a torrent.
FileRun AnalyzeFile(const CliRequest& request, CliHost& host, const std::string& path,
                    const std::string& progressPrefix, const std::vector<uint8_t>* torrent) {
  ConsoleQuestions questions(host.Output, host.Input, host.Interactive);
  questions.SetInformationShown(false);
  ConsoleObserver observer(request, host.Output, questions, host.Interrupts, host.Timer,
                           progressPrefix);
  OperationControl control(observer);
  observer.Attach(control);
  FileRun run;
  OperationRequest operation;
  operation.File = FullPath(path);
  const FileInformation information = ReadFileInformation(control, host.Files, operation.File);
  if (!information.Complete) {
    run.Error = control.LastError();
    return run;
  }
  operation.Proof = ProofOf(request);
  if (torrent != nullptr) {
    operation.Proof.Torrent =
        TorrentFor(request, *torrent, operation.File, information.Size, run.Error);
    if (!operation.Proof.Torrent) return run;
  }
  OperationOutcome outcome = RunOperation(control, host.Files, operation);
  host.Output.ClearStatus();
  run.Result = outcome.Result.Result;
  run.Error = outcome.Result.Message;
  run.Analysis = std::move(outcome.Found.Analysis);
  if (questions.TerminationAnswered()) run.Result = Outcome::Stopped;
  return run;
}

// Counts of the summary line.
struct Tally {
  int Clean = 0;
  int Damaged = 0;
  int NotAnalysed = 0;
};

std::string SummaryLine(size_t files, const Tally& tally, bool stopped) {
  return std::string(stopped ? "Stopped. " : "") + FormatThousands(static_cast<int64_t>(files)) +
         (files == 1 ? " file: " : " files: ") + FormatThousands(tally.Clean) +
         " without errors, " + FormatThousands(tally.Damaged) + " with errors, " +
         FormatThousands(tally.NotAnalysed) + " not analysed.";
}

}  // namespace

AnalyzeTargets AnalyzeTargetsOf(const CliRequest& request, ConsoleOutput& output) {
  AnalyzeTargets targets;
  if (!request.File.empty()) targets.Files.push_back(request.File);
  targets.Files.insert(targets.Files.end(), request.MoreFiles.begin(), request.MoreFiles.end());
  for (const std::string& folder : request.Folders) {
    Walk walk;
    walk.AllFiles = request.AllFiles;
    WalkFolder(folder, walk, output);
    std::sort(walk.Files.begin(), walk.Files.end());
    targets.Files.insert(targets.Files.end(), walk.Files.begin(), walk.Files.end());
    targets.Missed += walk.Missed;
  }
  return targets;
}

std::string AnalysisLine(const std::string& name, const AnalysisResult& result) {
  const size_t codes = result.Codes.size();
  return ShownName(name) + ": " + FormatTenths(result.RealPermille) + "% real data, " +
         FormatThousands(result.ErrorBytes) + " error bytes, " +
         FormatThousands(static_cast<int64_t>(codes)) +
         (codes == 1 ? " patch code" : " patch codes");
}

int RunAnalyzeFiles(const CliRequest& request, CliHost& host) {
  std::vector<uint8_t> torrent;
  if (!request.TorrentPath.empty()) {
    std::string message;
    if (!ReadTorrentFile(request.TorrentPath, host.Files, torrent, message)) {
      host.Output.PrintErr(message);
      return ExitFailed;
    }
  }
  const AnalyzeTargets targets = AnalyzeTargetsOf(request, host.Output);
  const std::vector<std::string>& files = targets.Files;
  bool failed = targets.Missed > 0;
  Tally tally;
  bool stopped = false;
  for (size_t i = 0; i < files.size() && !stopped; ++i) {
    const std::string prefix =
        "[" + std::to_string(i + 1) + "/" + std::to_string(files.size()) + "] ";
    const FileRun run = AnalyzeFile(request, host, files[i], prefix,
                                    request.TorrentPath.empty() ? nullptr : &torrent);
    stopped = run.Result == Outcome::Stopped || run.Result == Outcome::Declined ||
              host.Interrupts.TerminationRequested();
    const bool completed = run.Result == Outcome::Completed && run.Analysis.Completed;
    if (request.Json) {
      host.Output.PrintOut(AnalysisJson(FullPath(files[i]), run.Analysis,
                                        completed || stopped ? std::string() : run.Error,
                                        &request));
    } else if (completed) {
      std::string line = AnalysisLine(files[i], run.Analysis);
      for (const std::string& proof : ProofLines(request, run.Analysis, PiecesLine::Add))
        line += "; " + proof;
      host.Output.PrintOut(line);
    } else if (stopped) {
      host.Output.PrintOut(ShownName(files[i]) + ": stopped");
    } else {
      host.Output.PrintOut(ShownName(files[i]) + ": not analysed: " + OneLine(run.Error));
    }
    if (!completed) {
      if (!stopped) failed = true;
      continue;
    }
    ++(run.Analysis.ErrorBytes > 0 || PiecesFail(run.Analysis) ? tally.Damaged : tally.Clean);
  }
  const size_t entries = files.size() + static_cast<size_t>(targets.Missed);
  tally.NotAnalysed = static_cast<int>(entries) - tally.Clean - tally.Damaged;
  if (!request.Json) host.Output.PrintOut(SummaryLine(entries, tally, stopped));
  if (stopped) return ExitDeclined;
  if (failed) return ExitFailed;
  return request.Check && tally.Damaged > 0 ? ExitDamaged : ExitCompleted;
}

}  // namespace tamarack
