#include "app/cli_runner.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/cli_json.h"
#include "app/program.h"
#include "platform/console/console_dialogs.h"
#include "platform/console/console_event_pump.h"
#include "platform/console/console_shell.h"
#include "platform/console/console_text_view.h"
#include "platform/console/console_window_host.h"
#include "ui/help_text.h"

namespace tamarack {
namespace {

// The map of the Analysis view: the view area less the strip that holds
// the Pause/Stop button and the progress bar.
constexpr PixelRect MapArea{104, 44, 512, 252};

// Full paths, as the open-file dialog of the window gives them. Nothing is
// collapsed by its text: ".." after a symbolic link leads out of the link's
// target, so only the kernel knows which file a path names.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

// The text with CR LF line ends, as the text control holds pasted lines.
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

// The codes text that create-patch pastes into the Patch Codes view; empty
// when the file of --codes-from cannot be read (the error has been printed).
std::optional<std::string> PatchCodesInput(const CliRequest& request, CliHost& host) {
  if (!request.CodesFrom) {
    std::string text;
    for (const std::string& code : request.Codes) text += (text.empty() ? "" : " ") + code;
    return text;
  }
  std::ostringstream text;
  if (*request.CodesFrom == "-") {
    text << host.StandardInput.rdbuf();
  } else {
    std::ifstream file(*request.CodesFrom, std::ios::binary);
    if (file) text << file.rdbuf();
    if (!file) {
      host.Output.PrintErr("tamarack-cli: the patch codes cannot be read from \"" +
                           *request.CodesFrom + "\"");
      return std::nullopt;
    }
  }
  return WithControlLineEnds(text.str());
}

// The text of a text view, without the empty lines at its end.
std::string ViewText(Program& program, View view) {
  std::string text = program.ViewArea.CurrentView() == view ? program.ViewArea.DisplayedText()
                                                            : program.ViewArea.Store(view);
  while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) {
    text.erase(text.size() - 2);
  }
  return text;
}

int OperationButton(CliCommand command) {
  switch (command) {
    case CliCommand::Analyze:
      return AnalyzeButton;
    case CliCommand::Backup:
      return CreateBackupButton;
    case CliCommand::RepairReference:
      return RepairReferenceButton;
    case CliCommand::CreatePatch:
      return CreatePatchButton;
    case CliCommand::RepairPatch:
      return RepairPatchButton;
    case CliCommand::Info:
      break;
  }
  return 0;
}

ProgressDisplay DisplayFor(const CliRequest& request, const ConsoleOutput& output) {
  if (output.ErrIsTerminal()) return ProgressDisplay::StatusLine;
  return request.Progress ? ProgressDisplay::Lines : ProgressDisplay::Hidden;
}

// What analyze reports after the operation: the Patch Codes view or the
// JSON object, and the map image.
int ReportAnalysis(const CliRequest& request, CliHost& host, Program& program, int status) {
  if (request.Json) {
    host.Output.PrintOut(
        AnalysisJson(program.Selected.SelectedFileName, program.Analysis.LastResult()));
  }
  if (status != ExitCompleted) return status;
  if (!request.Json) {
    const std::string codes = ViewText(program, View::PatchCodes);
    if (!codes.empty()) host.Output.PrintOut("\r\n" + codes);
  }
  if (!request.MapPath.empty() && !host.WriteImage(program.Bitmap, MapArea, request.MapPath)) {
    host.Output.PrintErr("tamarack-cli: the map cannot be written to \"" + request.MapPath + "\"");
    return ExitFailed;
  }
  return status;
}

}  // namespace

int RunCli(const CliRequest& request, CliHost& host) {
  std::optional<std::string> codes;
  if (request.Command == CliCommand::CreatePatch) {
    codes = PatchCodesInput(request, host);
    if (!codes) return ExitFailed;
  }

  ConsoleTextView memo;
  ConsoleDialogs dialogs(host.Output, host.Input, host.Interactive);
  dialogs.SetQuestionPolicy(request.Answers, request.AnswerHint);
  dialogs.SetInformationShown(!request.Json);
  ConsoleEventPump pump(host.Output, host.Interrupts, DisplayFor(request, host.Output));
  ConsoleShell shell(host.Output);
  ConsoleWindowHost window;
  Program program(
      PlatformServices{host.Fonts, memo, dialogs, pump, host.Timer, shell, window, host.Files});
  pump.Attach([&program] { return program.Progress.LastProgressText; },
              [&program, &dialogs] {
                ConsoleDialogs::StopPrompt stopPrompt(dialogs);
                program.RunCommand(PauseStopButton);
              });

  memo.SetText(HelpText());
  program.DoInit();
  dialogs.AddFileAnswer(FullPath(request.File));
  program.RunCommand(SelectClearButton);
  if (request.Command == CliCommand::Info) {
    host.Output.PrintOut(ViewText(program, View::Information));
    return dialogs.ErrorShown() ? ExitFailed : ExitCompleted;
  }
  // The file could not be opened, or is too small or too large: the
  // operation would only say so again.
  if (dialogs.ErrorShown() || !program.Selected.HasFile()) return ExitFailed;

  if (!request.SecondFile.empty()) dialogs.AddFileAnswer(FullPath(request.SecondFile));
  if (codes) {
    program.RunCommand(PatchCodesButton);
    memo.SetText(*codes);
  }
  program.RunCommand(OperationButton(request.Command));
  host.Output.ClearStatus();

  int status = ExitCompleted;
  if (!program.Control.LastRunCompleted) status = dialogs.ErrorShown() ? ExitFailed : ExitDeclined;
  if (request.Command == CliCommand::Analyze) {
    status = ReportAnalysis(request, host, program, status);
  }
  return status;
}

}  // namespace tamarack
