#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/text_lines.h"

namespace tamarack {

// Standard output and standard error of the console front end, and the
// status line: one line on a terminal's standard error that is rewritten in
// place. Whatever else is printed first clears the status line, so that
// messages never run into it.
class ConsoleOutput {
 public:
  ConsoleOutput(std::ostream& out, std::ostream& err, bool errIsTerminal);

  // Prints a program text, each of its lines ended by "\n".
  void PrintOut(const std::string& text);
  void PrintErr(const std::string& text);
  // Writes text to standard error without a line end (a question waiting
  // for its answer) and flushes it.
  void Prompt(const std::string& text);

  // Shows the text as the status line on a terminal; does nothing elsewhere.
  void ShowStatus(const std::string& text);
  void ClearStatus();
  bool StatusShown() const { return statusShown_; }
  bool ErrIsTerminal() const { return errIsTerminal_; }

  // Flushes standard output and tells whether everything printed there
  // reached it. When not, OutError is the errno of the first write that
  // failed (0 when unknown).
  bool OutWritten();
  int OutError() const { return outError_; }

 private:
  void PrintLines(std::ostream& stream, const std::string& text);
  // Flushes standard output, noting the first failure.
  void FlushOut();

  std::ostream& out_;
  std::ostream& err_;
  bool errIsTerminal_;
  bool statusShown_ = false;
  bool outFailed_ = false;
  int outError_ = 0;
};

}  // namespace tamarack
