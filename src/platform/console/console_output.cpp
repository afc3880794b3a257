#include "platform/console/console_output.h"

namespace tamarack {
namespace {

// Back to the start of the line, then erase to its end.
constexpr const char* EraseLine = "\r\x1b[K";

}  // namespace

ConsoleOutput::ConsoleOutput(std::ostream& out, std::ostream& err, bool errIsTerminal)
    : out_(out), err_(err), errIsTerminal_(errIsTerminal) {}

void ConsoleOutput::PrintOut(const std::string& text) {
  ClearStatus();
  PrintLines(out_, text);
}

void ConsoleOutput::PrintErr(const std::string& text) {
  ClearStatus();
  // Standard output may be a file that the user reads along with the
  // errors: what was printed before comes first.
  out_.flush();
  PrintLines(err_, text);
}

void ConsoleOutput::Prompt(const std::string& text) {
  ClearStatus();
  out_.flush();
  err_ << text;
  err_.flush();
}

void ConsoleOutput::ShowStatus(const std::string& text) {
  if (!errIsTerminal_) return;
  out_.flush();
  err_ << EraseLine << text;
  err_.flush();
  statusShown_ = true;
}

void ConsoleOutput::ClearStatus() {
  if (!statusShown_) return;
  err_ << EraseLine;
  err_.flush();
  statusShown_ = false;
}

void ConsoleOutput::PrintLines(std::ostream& stream, const std::string& text) {
  for (const std::string& line : SplitLines(text)) stream << line << '\n';
  stream.flush();
}

}  // namespace tamarack
