#include "app/cli_analyze_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/cli_json.h"
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

FileRun AnalyzeFile(const CliRequest& request, CliHost& host, const std::string& path,
                    const std::string& progressPrefix) {
  ConsoleProgram console(request, host, false, progressPrefix);
  Program& program = console.program;
  FileRun run;
  if (!program.Selected.SelectPath(FullPath(path))) {
    run.Error = program.Control.LastError();
    return run;
  }
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
  return ShownName(name) + ": " + FormatTenths(result.RealPermille) + "% real data, " +
         FormatThousands(result.ErrorBytes) + " error bytes, " +
         FormatThousands(static_cast<int64_t>(codes)) +
         (codes == 1 ? " patch code" : " patch codes");
}

int RunAnalyzeFiles(const CliRequest& request, CliHost& host) {
  bool failed = false;
  const std::vector<std::string> files = AnalyzeTargets(request, host.Output, failed);
  Tally tally;
  bool stopped = false;
  for (size_t i = 0; i < files.size() && !stopped; ++i) {
    const std::string prefix =
        "[" + std::to_string(i + 1) + "/" + std::to_string(files.size()) + "] ";
    const FileRun run = AnalyzeFile(request, host, files[i], prefix);
    stopped = run.Result == Outcome::Stopped || run.Result == Outcome::Declined ||
              host.Interrupts.TerminationRequested();
    const bool completed = run.Result == Outcome::Completed && run.Analysis.Completed;
    if (request.Json) {
      host.Output.PrintOut(AnalysisJson(FullPath(files[i]), run.Analysis,
                                        completed || stopped ? std::string() : run.Error));
    } else if (completed) {
      host.Output.PrintOut(AnalysisLine(files[i], run.Analysis));
    } else if (stopped) {
      host.Output.PrintOut(ShownName(files[i]) + ": stopped");
    } else {
      host.Output.PrintOut(ShownName(files[i]) + ": not analysed: " + OneLine(run.Error));
    }
    if (!completed) {
      if (!stopped) failed = true;
      continue;
    }
    ++(run.Analysis.ErrorBytes > 0 ? tally.Damaged : tally.Clean);
  }
  tally.NotAnalysed = static_cast<int>(files.size()) - tally.Clean - tally.Damaged;
  if (!request.Json) host.Output.PrintOut(SummaryLine(files.size(), tally, stopped));
  if (stopped) return ExitDeclined;
  if (failed) return ExitFailed;
  return request.Check && tally.Damaged > 0 ? ExitDamaged : ExitCompleted;
}

}  // namespace tamarack
