#pragma once

#include <string>

#include "app/cli_options.h"
#include "core/operation_control.h"
#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"

namespace tamarack {

// What the console's main supplies to a run.
struct CliHost {
  FileSystem& Files;
  Clock& Timer;
  ConsoleOutput& Output;
  AnswerInput& Input;
  InterruptSource& Interrupts;
  bool Interactive;   // standard input and standard error are a terminal
  int StandardInput;  // the descriptor of the patch codes of --codes-from -
};

// Runs one command: the file's information is read as selecting it in the
// window does, then the command's operation runs with its inputs given,
// its questions answered by the request's options. Returns the exit
// status, as FinishOutput gives it.
int RunCli(const CliRequest& request, CliHost& host);

// The full path of a file named on the command line.
std::string FullPath(const std::string& path);

// The exit status of an operation that ended so.
int ExitStatusOf(Outcome outcome);

// Flushes standard output and returns the exit status of the run: one that
// went to its end fails when anything printed there was lost, and standard
// error says so.
int FinishOutput(int status, ConsoleOutput& output);

}  // namespace tamarack
