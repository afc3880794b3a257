#pragma once

#include <string>

#include "app/cli_options.h"
#include "app/cli_runner.h"
#include "app/program.h"
#include "platform/console/console_dialogs.h"
#include "platform/console/console_event_pump.h"
#include "platform/console/console_shell.h"
#include "platform/console/console_text_view.h"
#include "platform/console/console_window_host.h"
#include "ui/help_text.h"

namespace tamarack {

// Where the progress of a run goes: the status line on a terminal, else
// lines with --progress, else nowhere.
inline ProgressDisplay DisplayFor(const CliRequest& request, const ConsoleOutput& output) {
  if (output.ErrIsTerminal()) return ProgressDisplay::StatusLine;
  return request.Progress ? ProgressDisplay::Lines : ProgressDisplay::Hidden;
}

// The program of the window on the console's stand-ins, set up for one run
// of a command on one file.
class ConsoleProgram {
 public:
  // progressPrefix stands in front of the progress text (the file count of
  // a run over several files).
  ConsoleProgram(const CliRequest& request, CliHost& host, bool informationShown,
                 std::string progressPrefix)
      : dialogs(host.Output, host.Input, host.Interactive),
        pump(host.Output, host.Interrupts, DisplayFor(request, host.Output)),
        shell(host.Output),
        program(PlatformServices{host.Fonts, memo, dialogs, pump, host.Timer, shell, window,
                                 host.Files}) {
    dialogs.SetQuestionPolicy(request.Answers, request.AnswerHint);
    dialogs.SetInformationShown(informationShown);
    // A stop goes the program's own way, through the Pause/Stop command and
    // its question, as long as the operation has steps left: the progress
    // bar loses its title once the last step is done.
    pump.Attach(
        [this, prefix = std::move(progressPrefix)] {
          const std::string& text = program.Progress.LastProgressText();
          return text.find_first_not_of(' ') == std::string::npos ? text : prefix + text;
        },
        [this](StopRequest stop) {
          ConsoleDialogs::StopPrompt stopPrompt(dialogs, stop);
          program.RunCommand(PauseStopButton);
        },
        [this] { return program.Control.Busy() && !program.Progress.OperationTitle().empty(); });
    memo.SetText(HelpText());
    program.DoInit();
  }

  ConsoleTextView memo;
  ConsoleDialogs dialogs;
  ConsoleEventPump pump;
  ConsoleShell shell;
  ConsoleWindowHost window;
  Program program;
};

}  // namespace tamarack
