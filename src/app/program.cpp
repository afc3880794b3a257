#include "app/program.h"

#include <algorithm>
#include <cctype>

#include "analysis/torrent_target.h"
#include "core/program_strings.h"
#include "ui/program_info.h"
#include "ui/window_painting.h"

namespace tamarack {

Program::Program(PlatformServices platform)
    : Platform(platform),
      Bitmap(platform.Fonts, platform.DeviceScale),
      ButtonPanel(Bitmap, [this] { return Selected.HasFile(); }),
      ViewArea(platform.Memo, ButtonPanel),
      Progress(Bitmap, platform.Pump, platform.Timer),
      Grid(Bitmap),
      Runner(platform.Messages, ButtonPanel, Progress, Grid, ViewArea, Control, Selected),
      Control(Runner),
      Selected(platform.Files, platform.Messages, Control, ButtonPanel, ViewArea, Grid),
      Pointer(ButtonPanel, platform.Window, [this](int command) { RunCommand(command); }),
      Keys(ButtonPanel, ViewArea, [this](int command) { RunCommand(command); }) {
  for (Operation operation : {Operation::Analyze, Operation::CreateBackup, Operation::CreatePatch,
                              Operation::RepairWithReference, Operation::RepairWithPatch}) {
    Runner.SetOperation(OperationButton(operation), [this, operation] { RunSteps(operation); });
  }
}

void Program::RunSteps(Operation operation) {
  OperationRequest request;
  request.Kind = operation;
  request.File = Selected.SelectedFileName();
  request.Proof = proof_;
  if (operation == Operation::RepairWithReference) {
    request.References = std::move(references_);
    references_.clear();
  }
  RunOperationSteps(Control, Platform.Files, request, findings_);
  Selected.NoteFileSize(findings_.FileSize);
}

void Program::DoInit() {
  const std::string productName = ProgramText(ProgramString::ProductName);
  Platform.Window.SetCaption(productName);
  PaintWindow(Bitmap, productName);
  ButtonPanel.DrawButton(SelectClearButton, ButtonState::Up);
  ButtonPanel.DrawButton(PauseStopButton, ButtonState::Disabled);
  for (int id : {InformationButton, AnalysisButton, PatchCodesButton, HelpButton, FeedbackButton,
                 WebsiteButton, VersionButton, MinimizeButton, CloseButton}) {
    ButtonPanel.DrawButton(id, ButtonState::Up);
  }
  ViewArea.ClearStores();
  ButtonPanel.SetPressedButton(0);
  ViewArea.SetCurrentView(View::Help);
  ViewArea.ShowView(View::Information);
  Progress.ForgetProgressText();
  Progress.ResetProgress();
  Control.HoldBusy(false);
  Pointer.SetDragging(false);
  Grid.SetGridClean(false);
  ForgetTorrent();
  Selected.ClearFile();
}

bool Program::SelectGivenFile(const std::string& path) {
  if (Control.Busy()) return false;
  ForgetTorrent();
  Selected.SelectGivenFile(path);
  return true;
}

namespace {

bool IsTorrentName(const std::string& path) {
  const std::string end = ".torrent";
  if (path.size() < end.size()) return false;
  return std::equal(
      end.begin(), end.end(), path.end() - static_cast<std::ptrdiff_t>(end.size()),
      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

bool Program::TakeDroppedFile(const std::string& path) {
  if (Control.Busy()) return false;
  if (Selected.HasFile() && IsTorrentName(path)) {
    UseTorrent(path);
    return true;
  }
  return SelectGivenFile(path);
}

bool Program::UseTorrent(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (const std::optional<std::string> failure = ReadTorrentBytes(Platform.Files, path, bytes)) {
    Platform.Messages.ShowMessage(MessageKind::Error,
                                  "The torrent file cannot be read because:\r\n" + *failure);
    return false;
  }
  TorrentLoad load =
      LoadTorrentTarget(bytes, Selected.SelectedFileSize(), Selected.SelectedFileName());
  if (!load.Target) {
    Platform.Messages.ShowMessage(
        MessageKind::Error,
        load.Fault == TorrentFault::Malformed
            ? "The torrent file cannot be read because:\r\nit is malformed (" + load.Error + ")"
            : "The torrent file does not describe the Selected file:\r\n" + load.Error);
    return false;
  }
  UseProof({{}, std::make_shared<const TorrentTarget>(std::move(*load.Target))});
  return true;
}

void Program::ForgetTorrent() { UseProof({}); }

OperationResult Program::Run(Operation operation) {
  return Runner.RunOperation(OperationButton(operation));
}

int OperationButton(Operation operation) {
  switch (operation) {
    case Operation::Analyze:
      return AnalyzeButton;
    case Operation::CreateBackup:
      return CreateBackupButton;
    case Operation::CreatePatch:
      return CreatePatchButton;
    case Operation::RepairWithReference:
      return RepairReferenceButton;
    case Operation::RepairWithPatch:
      return RepairPatchButton;
  }
  return 0;
}

void Program::RunCommand(int command) {
  switch (command) {
    case SelectClearButton:
      if (Selected.HasFile()) {
        ForgetTorrent();
        Selected.ClearFile();
      } else {
        Selected.SelectFile();
      }
      break;
    case AnalyzeButton:
    case CreateBackupButton:
    case CreatePatchButton:
    case RepairReferenceButton:
    case RepairPatchButton:
    case PauseStopButton:
      Runner.RunOperation(command);
      break;
    case InformationButton:
      ViewArea.ShowView(View::Information);
      break;
    case AnalysisButton:
      ViewArea.ShowView(View::Analysis);
      break;
    case PatchCodesButton:
      ViewArea.ShowView(View::PatchCodes);
      break;
    case HelpButton:
      ViewArea.ShowView(View::Help);
      break;
    case FeedbackButton:
    case WebsiteButton:
      OpenProgramLink(Platform.Messages, Platform.Desktop, command, Platform.UserGuideAddress);
      break;
    case VersionButton:
      ShowVersionBox(Platform.Messages, Platform.UserGuideAddress);
      break;
    case MinimizeButton:
      Platform.Window.Minimize();
      break;
    case CloseButton:
      Platform.Window.Close();
      break;
    default:
      break;
  }
}

}  // namespace tamarack
