#include "platform/console/console_output.h"

#include <cerrno>

namespace tamarack {
namespace {

// Back to the start of the line, then erase to its end.
constexpr const char* EraseLine = "\r\x1b[K";

}  // namespace

ConsoleOutput::ConsoleOutput(std::ostream& out, std::ostream& err, bool errIsTerminal)
    : out_(out), err_(err), errIsTerminal_(errIsTerminal) {}

void ConsoleOutput::PrintOut(const std::string& text) {
  ClearStatus();
  if (outFailed_) return;
  errno = 0;
  PrintLines(out_, text);
  FlushOut();
}

void ConsoleOutput::PrintErr(const std::string& text) {
  ClearStatus();
  // Standard output may be a file that the user reads along with the
  // errors: what was printed before comes first.
  FlushOut();
  PrintLines(err_, text);
  err_.flush();
}

void ConsoleOutput::Prompt(const std::string& text) {
  ClearStatus();
  FlushOut();
  err_ << text;
  err_.flush();
}

void ConsoleOutput::ShowStatus(const std::string& text) {
  if (!errIsTerminal_) return;
  FlushOut();
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
}

bool ConsoleOutput::OutWritten() {
  FlushOut();
  return !outFailed_;
}

// A stream that failed once stays failed and writes nothing more, so the
// errno of the write that failed is still the one seen here.
void ConsoleOutput::FlushOut() {
  if (outFailed_) return;
  if (out_) out_.flush();
  if (out_) return;
  outFailed_ = true;
  outError_ = errno;
}

}  // namespace tamarack
