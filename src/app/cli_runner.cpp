#include "app/cli_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

#include "analysis/error_mapfile.h"
#include "app/cli_analyze_files.h"
#include "app/cli_codes.h"
#include "app/cli_json.h"
#include "app/cli_map_picture.h"
#include "app/cli_proof.h"
#include "app/console_observer.h"
#include "app/operations.h"
#include "core/selected_file.h"
#include "platform/console/png_image.h"
#include "platform/posix/retry_interrupted.h"
#include "platform/text_lines.h"
#include "platform/text_view.h"

namespace tamarack {

// Full paths, as the open-file dialog of the window gives them. Nothing is
// collapsed by its text: ".." after a symbolic link leads out of the link's
// target, so only the kernel knows which file a path names.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

namespace {

// The text with CR LF line ends, as the window's text control holds pasted
// lines.
std::string WithControlLineEnds(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      lines += "\r\n";
    } else {
      lines += text[i];
    }
  }
  return lines;
}

std::string CodesSourceName(const std::string& path) {
  return path == "-" ? std::string("standard input") : "\"" + path + "\"";
}

// The codes text of create-patch, as it would stand in the Patch Codes
// view, or the exit status when it cannot be had (the reason has been
// printed).
std::variant<std::string, int> PatchCodesInput(const CliRequest& request, CliHost& host) {
  if (!request.CodesFrom) {
    std::string text;
    for (const std::string& code : request.Codes) text += (text.empty() ? "" : " ") + code;
    return text;
  }
  const std::string& path = *request.CodesFrom;
  const std::string name = CodesSourceName(path);
  CodesRead read;
  if (path == "-") {
    read = ReadCodesText(DescriptorReader(host.StandardInput), host.Interrupts);
  } else {
    // Without O_NONBLOCK a pipe with no writer yet would hold the open, where
    // no signal is seen; the reads below wait for its data instead, watching
    // for a stop.
    const int fd =
        RetryInterrupted([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); });
    if (fd < 0) {
      read = {CodesReadEnd::Failed, {}, errno};
    } else {
      read = ReadCodesText(DescriptorReader(fd), host.Interrupts);
      ::close(fd);
    }
  }
  switch (read.End) {
    case CodesReadEnd::Complete:
      return WithControlLineEnds(read.Text);
    case CodesReadEnd::TooLong:
      host.Output.PrintErr("tamarack-cli: the patch codes of " + name + " are longer than the " +
                           std::to_string(TextViewMaxCharacters) +
                           " characters that the Patch Codes view holds");
      return ExitFailed;
    case CodesReadEnd::Failed:
      host.Output.PrintErr("tamarack-cli: the patch codes cannot be read from " + name + ": " +
                           std::strerror(read.Error));
      return ExitFailed;
    case CodesReadEnd::Stopped:
      host.Output.PrintErr("tamarack-cli: stopped while reading the patch codes");
      return ExitDeclined;
  }
  return ExitFailed;
}

// The text without the empty lines at its end.
std::string WithoutTrailingLines(std::string text) {
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
    text.erase(text.size() - 2);
  }
  return text;
}

Operation OperationOf(CliCommand command) {
  switch (command) {
    case CliCommand::Backup:
      return Operation::CreateBackup;
    case CliCommand::RepairReference:
      return Operation::RepairWithReference;
    case CliCommand::CreatePatch:
      return Operation::CreatePatch;
    case CliCommand::RepairPatch:
      return Operation::RepairWithPatch;
    case CliCommand::Info:
    case CliCommand::Analyze:
      break;
  }
  return Operation::Analyze;
}

}  // namespace

int ExitStatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Completed:
      return ExitCompleted;
    case Outcome::Failed:
      return ExitFailed;
    case Outcome::Declined:
    case Outcome::Stopped:
      break;
  }
  return ExitDeclined;
}

namespace {

// The reason that errno gives for a failure, where the platform set one.
std::string ReasonOf(int error) {
  return error != 0 ? std::strerror(error) : std::string("reason unknown");
}

// A file that analyze writes besides its report: the map or the mapfile.
// It is created before the analysis runs, so that a path that cannot take
// it is told at once, and takes its name only once written whole.
struct AnalysisOutput {
  std::string What;  // "map" or "mapfile"
  std::string Path;
  std::unique_ptr<OutputFile> File;
};

void PrintWriteFailure(const AnalysisOutput& output, const std::string& reason, CliHost& host) {
  host.Output.PrintErr("tamarack-cli: the " + output.What + " cannot be written to \"" +
                       output.Path + "\": " + reason);
}

// Creates the outputs that analyze was asked for. An output that would
// replace the analysed file, or the other output, is refused, as backup
// and create-patch refuse theirs; one that would replace an existing file
// is written only after the overwrite question. Returns the exit status
// that ends the run here (the reason has been printed), or nothing.
std::optional<int> PrepareAnalysisOutputs(const CliRequest& request, CliHost& host,
                                          OperationObserver& observer, const std::string& file,
                                          std::vector<AnalysisOutput>& outputs) {
  const std::pair<const char*, const std::string&> asked[] = {{"map", request.MapPath},
                                                              {"mapfile", request.MapfilePath}};
  for (const auto& [what, path] : asked) {
    if (path.empty()) continue;
    AnalysisOutput output{what, path, nullptr};
    if (host.Files.SameFile(path, file)) {
      host.Output.PrintErr("tamarack-cli: the analysed file and the " + output.What + " \"" + path +
                           "\" are the same file.");
      return ExitFailed;
    }
    for (const AnalysisOutput& other : outputs) {
      if (FullPath(other.Path) == FullPath(path) || host.Files.SameFile(other.Path, path)) {
        host.Output.PrintErr("tamarack-cli: the " + other.What + " and the " + output.What +
                             " are the same file.");
        return ExitFailed;
      }
    }
    errno = 0;
    output.File = host.Files.CreateOutput(path);
    if (!output.File) {
      PrintWriteFailure(output, ReasonOf(errno), host);
      return ExitFailed;
    }
    if (host.Files.Exists(path) &&
        observer.Ask(Question::OverwriteOutput,
                     "The " + output.What + " file already exists.\r\nOverwrite \"" + path + "\"?",
                     DefaultAnswer::No) != PromptResult::Yes) {
      return ExitDeclined;
    }
    outputs.push_back(std::move(output));
  }
  return std::nullopt;
}

// Writes the bytes to the output and gives it its name; a failure is
// printed, naming what was to be written.
bool WriteOutput(AnalysisOutput& output, const std::vector<uint8_t>& bytes, std::string reason,
                 CliHost& host) {
  if (!bytes.empty()) {
    errno = 0;
    const auto size = static_cast<int32_t>(bytes.size());
    if (output.File->Write(bytes.data(), size) == size && output.File->Commit()) return true;
    reason = ReasonOf(errno);
  }
  output.File.reset();
  PrintWriteFailure(output, reason, host);
  return false;
}

// Writes the map picture or the error runs as a ddrescue mapfile.
bool WriteAnalysisOutput(const AnalysisResult& result, AnalysisOutput& output, CliHost& host) {
  if (output.What == "map") {
    const PngImage image = EncodePng(MapPicture(result.Cells));
    return WriteOutput(output, image.Bytes, image.Error, host);
  }
  const std::string text = ErrorMapfile(result.FileSize, result.Runs);
  return WriteOutput(output, std::vector<uint8_t>(text.begin(), text.end()), "", host);
}

// What analyze reports after the operation: the patch codes as the Patch
// Codes view lists them, or the JSON object; and the map and the mapfile.
int ReportAnalysis(const CliRequest& request, CliHost& host, const std::string& file,
                   const AnalysisResult& analysis, const OperationResult& result,
                   std::vector<AnalysisOutput>& outputs) {
  const int status = ExitStatusOf(result.Result);
  if (request.Json) host.Output.PrintOut(AnalysisJson(file, analysis, result.Message, &request));
  if (status != ExitCompleted) return status;
  if (!request.Json &&
      (!analysis.Codes.empty() || (!analysis.JudgedFake && HasDamagePastCodes(analysis)))) {
    host.Output.PrintOut("\r\n" +
                         WithoutTrailingLines(PatchCodesText(analysis.Codes, analysis.FileSize)));
  }
  if (!request.Json) {
    for (const std::string& line : ProofLines(request, analysis, PiecesLine::InSummary)) {
      host.Output.PrintOut(line);
    }
  }
  for (AnalysisOutput& output : outputs) {
    if (!WriteAnalysisOutput(analysis, output, host)) return ExitFailed;
  }
  if (request.Check && (analysis.ErrorBytes > 0 || PiecesFail(analysis))) return ExitDamaged;
  if (ProofFails(request, analysis)) return ExitDamaged;
  return status;
}

// After a completed merge, the bytes that each reference holds otherwise
// than the file, which kept its own there: one line, or one for each
// reference that names it.
void ReportDifferingBytes(const std::vector<ReferenceCount>& counts, CliHost& host) {
  for (const ReferenceCount& count : counts) {
    const std::string which = counts.size() > 1 ? " in \"" + count.Path + "\"" : "";
    host.Output.PrintOut("Differing bytes" + which + ": " + std::to_string(count.DifferingBytes));
  }
}

// The request of the command's operation, its inputs given as the command
// line names them.
OperationRequest OperationRequestOf(const CliRequest& request, const std::string& file,
                                    const std::string& codes) {
  OperationRequest operation;
  operation.Kind = OperationOf(request.Command);
  operation.File = file;
  for (const std::string& path : request.References) {
    operation.References.push_back(FullPath(path));
  }
  if (!request.SecondFile.empty()) operation.PatchPath = FullPath(request.SecondFile);
  // The lines as the Patch Codes view holds the text, a line break after it.
  if (request.Command == CliCommand::CreatePatch) {
    operation.CodeLines = SplitLines(codes.empty() ? codes : codes + "\r\n");
  }
  return operation;
}

// The torrent of --torrent for the file, or null with the reason printed.
std::shared_ptr<const TorrentTarget> RequestTorrent(const CliRequest& request, CliHost& host,
                                                    const std::string& file, int64_t size,
                                                    std::string& message) {
  std::vector<uint8_t> torrent;
  std::shared_ptr<const TorrentTarget> target;
  if (ReadTorrentFile(request.TorrentPath, host.Files, torrent, message)) {
    target = TorrentFor(request, torrent, file, size, message);
    if (!target) message = "tamarack-cli: " + message;
  }
  if (!target) host.Output.PrintErr(message);
  return target;
}

// After a completed piece repair, the bytes of each piece that still fails;
// exit status 4 when one does.
int ReportPieces(const PieceRepairResult& pieces, int status, CliHost& host) {
  if (pieces.End != PieceRepairEnd::Completed || status != ExitCompleted) return status;
  for (const Extent& range : pieces.Failing) {
    host.Output.PrintOut("Failing bytes: offset " + std::to_string(range.Offset) + ", length " +
                         std::to_string(range.Length));
  }
  return pieces.StillFailing > 0 ? ExitDamaged : status;
}

// Runs the command; the exit status before standard output is looked at.
int RunCommand(const CliRequest& request, CliHost& host) {
  std::string codes;
  if (request.Command == CliCommand::CreatePatch) {
    std::variant<std::string, int> input = PatchCodesInput(request, host);
    if (const int* status = std::get_if<int>(&input)) return *status;
    codes = std::move(std::get<std::string>(input));
  }

  ConsoleQuestions questions(host.Output, host.Input, host.Interactive);
  questions.SetInformationShown(!request.Json);
  ConsoleObserver observer(request, host.Output, questions, host.Interrupts, host.Timer, "");
  OperationControl control(observer);
  observer.Attach(control);
  const std::string file = FullPath(request.File);
  const FileInformation information = ReadFileInformation(control, host.Files, file);
  if (request.Command == CliCommand::Info) {
    host.Output.PrintOut(WithoutTrailingLines(information.Text));
    return information.Complete ? ExitCompleted : ExitFailed;
  }
  // The file could not be opened, or is too small: the operation would
  // only say so again.
  if (!information.Complete) {
    if (request.Json) {
      host.Output.PrintOut(AnalysisJson(file, AnalysisResult(), control.LastError()));
    }
    return ExitFailed;
  }

  OperationRequest operation = OperationRequestOf(request, file, codes);
  if (request.Command == CliCommand::RepairReference && !request.TorrentPath.empty()) {
    std::string message;
    operation.Proof.Torrent = RequestTorrent(request, host, file, information.Size, message);
    if (!operation.Proof.Torrent) return ExitFailed;
  }
  std::vector<AnalysisOutput> outputs;
  if (request.Command == CliCommand::Analyze) {
    operation.Proof = ProofOf(request);
    if (!request.TorrentPath.empty()) {
      std::string message;
      operation.Proof.Torrent = RequestTorrent(request, host, file, information.Size, message);
      if (!operation.Proof.Torrent) {
        if (request.Json) host.Output.PrintOut(AnalysisJson(file, AnalysisResult(), message));
        return ExitFailed;
      }
    }
    const std::optional<int> end = PrepareAnalysisOutputs(request, host, observer, file, outputs);
    if (end) return *end;
  }
  const auto [result, found] = RunOperation(control, host.Files, operation);
  host.Output.ClearStatus();

  int status = ExitStatusOf(result.Result);
  // A request to end the program that answered a question after the
  // operation's work (the deletion of the reference) still ends it stopped.
  if (status == ExitCompleted && questions.TerminationAnswered()) status = ExitDeclined;
  if (request.Command == CliCommand::Analyze) {
    status = ReportAnalysis(request, host, file, found.Analysis, result, outputs);
  }
  if (request.Command == CliCommand::RepairReference) {
    ReportDifferingBytes(found.Counts, host);
    if (found.Pieces) status = ReportPieces(*found.Pieces, status, host);
    if (status == ExitCompleted && !found.Undeleted.empty()) status = ExitReferenceKept;
  }
  return status;
}

}  // namespace

int FinishOutput(int status, ConsoleOutput& output) {
  if (output.OutWritten()) return status;
  output.PrintErr("tamarack-cli: standard output cannot be written: " +
                  ReasonOf(output.OutError()));
  // A run that was stopped or failed says so already.
  return status == ExitCompleted ? ExitFailed : status;
}

int RunCli(const CliRequest& request, CliHost& host) {
  if (request.Command == CliCommand::Analyze && IsMultiFileRun(request)) {
    return FinishOutput(RunAnalyzeFiles(request, host), host.Output);
  }
  return FinishOutput(RunCommand(request, host), host.Output);
}

}  // namespace tamarack
