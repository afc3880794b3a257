#pragma once

#include <string>

#include "app/cli_options.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"
#include "platform/font_backend.h"

namespace tamarack {

// What the console's main supplies to a run.
struct CliHost {
  FontBackend& Fonts;
  FileSystem& Files;
  Clock& Timer;
  ConsoleOutput& Output;
  AnswerInput& Input;
  InterruptSource& Interrupts;
  bool Interactive;   // standard input and standard error are a terminal
  int StandardInput;  // the descriptor of the patch codes of --codes-from -
};

// Runs one command on the program, driven as a user drives the window:
// Select answered with the file, then the command's button, its questions
// answered by the request's policy. Returns the exit status, as
// FinishOutput gives it.
int RunCli(const CliRequest& request, CliHost& host);

// The full path of a file named on the command line, as the open-file
// dialog of the window gives it.
std::string FullPath(const std::string& path);

// The exit status of an operation that ended so.
int ExitStatusOf(Outcome outcome);

// Flushes standard output and returns the exit status of the run: one that
// went to its end fails when anything printed there was lost, and standard
// error says so.
int FinishOutput(int status, ConsoleOutput& output);

}  // namespace tamarack
