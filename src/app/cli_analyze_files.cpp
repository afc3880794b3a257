#include "app/cli_analyze_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/cli_json.h"
#include "app/cli_proof.h"
#include "app/console_program.h"
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

// A regular file, or a symbolic link that leads to none (it is listed, and
// its analysis says why it cannot be read). Folders are walked, not listed;
// devices, pipes and sockets are no files to analyse.
bool IsListed(const fs::directory_entry& entry) {
  std::error_code error;
  if (entry.is_regular_file(error)) return true;
  return entry.is_symlink(error) && !fs::exists(entry.path(), error);
}

// The files of the folder and its subfolders, sorted by path. Returns false,
// with error set, when the folder cannot be walked.
bool WalkFolder(const std::string& folder, bool allFiles, std::vector<std::string>& files,
                std::error_code& error) {
  std::vector<std::string> found;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (IsListed(*it) && (allFiles || IsAviName(it->path()))) found.push_back(it->path().string());
  }
  if (error) return false;
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
  return true;
}

// The error message on one line.
std::string OneLine(const std::string& text) {
  const std::vector<std::string> lines = SplitLines(text);
  std::string line;
  for (size_t i = 0; i < lines.size(); ++i) line += (i > 0 ? " " : "") + lines[i];
  return line;
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
  ConsoleProgram console(request, host, false, progressPrefix);
  Program& program = console.program;
  FileRun run;
  if (!program.Selected.SelectPath(FullPath(path))) {
    run.Error = program.Control.LastError();
    return run;
  }
  ProofRequest proof = ProofOf(request);
  if (torrent != nullptr) {
    proof.Torrent = TorrentFor(request, *torrent, FullPath(path),
                               program.Selected.SelectedFileSize(), run.Error);
    if (!proof.Torrent) return run;
  }
  program.Analysis.UseProof(proof);
  const OperationResult result = program.Run(Operation::Analyze);
  host.Output.ClearStatus();
  run.Result = result.Result;
  run.Error = result.Message;
  run.Analysis = program.Analysis.LastResult();
  if (console.dialogs.TerminationAnswered()) run.Result = Outcome::Stopped;
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

std::vector<std::string> AnalyzeTargets(const CliRequest& request, ConsoleOutput& output,
                                        bool& failed) {
  std::vector<std::string> files;
  if (!request.File.empty()) files.push_back(request.File);
  files.insert(files.end(), request.MoreFiles.begin(), request.MoreFiles.end());
  for (const std::string& folder : request.Folders) {
    std::error_code error;
    if (!WalkFolder(folder, request.AllFiles, files, error)) {
      output.PrintErr("tamarack-cli: the folder \"" + folder +
                      "\" cannot be read: " + error.message());
      failed = true;
    }
  }
  return files;
}

std::string AnalysisLine(const std::string& name, const AnalysisResult& result) {
  const size_t codes = result.Codes.size();
  return name + ": " + FormatTenths(result.RealPermille) + "% real data, " +
         FormatThousands(result.ErrorBytes) + " error bytes, " +
         FormatThousands(static_cast<int64_t>(codes)) +
         (codes == 1 ? " patch code" : " patch codes");
}

int RunAnalyzeFiles(const CliRequest& request, CliHost& host) {
  bool failed = false;
  std::vector<uint8_t> torrent;
  if (!request.TorrentPath.empty()) {
    std::string message;
    if (!ReadTorrentFile(request.TorrentPath, host.Files, torrent, message)) {
      host.Output.PrintErr(message);
      return ExitFailed;
    }
  }
  const std::vector<std::string> files = AnalyzeTargets(request, host.Output, failed);
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
      host.Output.PrintOut(files[i] + ": stopped");
    } else {
      host.Output.PrintOut(files[i] + ": not analysed: " + OneLine(run.Error));
    }
    if (!completed) {
      if (!stopped) failed = true;
      continue;
    }
    ++(run.Analysis.ErrorBytes > 0 || PiecesFail(run.Analysis) ? tally.Damaged : tally.Clean);
  }
  tally.NotAnalysed = static_cast<int>(files.size()) - tally.Clean - tally.Damaged;
  if (!request.Json) host.Output.PrintOut(SummaryLine(files.size(), tally, stopped));
  if (stopped) return ExitDeclined;
  if (failed) return ExitFailed;
  return request.Check && tally.Damaged > 0 ? ExitDamaged : ExitCompleted;
}

}  // namespace tamarack
