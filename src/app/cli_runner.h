#pragma once

#include <functional>
#include <istream>
#include <string>

#include "app/cli_options.h"
#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/interrupts.h"
#include "platform/font_backend.h"
#include "platform/surface.h"

namespace tamarack {

// Writes a rectangle of the window bitmap to a PNG file; false on failure.
using ImageWriter =
    std::function<bool(const Surface& bitmap, const PixelRect& area, const std::string& path)>;

// What the console's main supplies to a run.
struct CliHost {
  FontBackend& Fonts;
  FileSystem& Files;
  Clock& Timer;
  ConsoleOutput& Output;
  AnswerInput& Input;
  InterruptSource& Interrupts;
  bool Interactive;             // standard input and standard error are a terminal
  std::istream& StandardInput;  // the patch codes of --codes-from -
  ImageWriter WriteImage;
};

// Runs one command on the program, driven as a user drives the window:
// Select answered with the file, then the command's button, its questions
// answered by the request's policy. Returns the exit status.
int RunCli(const CliRequest& request, CliHost& host);

}  // namespace tamarack
