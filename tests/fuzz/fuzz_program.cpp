#include "fuzz_program.h"

#include <cstdio>
#include <cstdlib>

namespace tamarack::fuzzing {

void Violation(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: model violated: %s\n", file, line, condition);
  std::abort();
}

PromptResult RecordingDialogs::ShowMessage(MessageKind kind, const std::string& text,
                                           DefaultAnswer) {
  Shown.push_back({kind, text});
  return kind == MessageKind::Confirmation ? PromptResult::No : PromptResult::Ok;
}

std::string RecordingDialogs::ChooseOpenFile(const OpenFileRequest&) {
  if (Files.empty()) return {};
  std::string path = std::move(Files.front());
  Files.pop_front();
  return path;
}

FuzzProgram::FuzzProgram() {
  Run = std::make_unique<Program>(
      PlatformServices{Fonts, Memo, Messages, Pump, Timer, Desktop, Window, Files});
  Memo.SetText("help text");
  Run->DoInit();
}

FuzzProgram& FuzzProgram::Shared() {
  static FuzzProgram* const program = new FuzzProgram;
  return *program;
}

void FuzzProgram::ClearRecords() {
  Messages.Shown.clear();
  Fonts.Calls.clear();
  Desktop.Opened.clear();
  Files.Counts.clear();
}

// Written from the table of well-formed byte sequences, byte by byte, apart
// from the decoder that the program uses.
bool IsUtf8(const std::string& text) {
  size_t i = 0;
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const auto in = [&](size_t k, int low, int high) {
    return k < text.size() && at(k) >= low && at(k) <= high;
  };
  while (i < text.size()) {
    const int b = at(i);
    if (b <= 0x7F) {
      i += 1;
    } else if (b >= 0xC2 && b <= 0xDF && in(i + 1, 0x80, 0xBF)) {
      i += 2;
    } else if (b == 0xE0 && in(i + 1, 0xA0, 0xBF) && in(i + 2, 0x80, 0xBF)) {
      i += 3;
    } else if (((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) && in(i + 1, 0x80, 0xBF) &&
               in(i + 2, 0x80, 0xBF)) {
      i += 3;
    } else if (b == 0xED && in(i + 1, 0x80, 0x9F) && in(i + 2, 0x80, 0xBF)) {
      i += 3;
    } else if (b == 0xF0 && in(i + 1, 0x90, 0xBF) && in(i + 2, 0x80, 0xBF) &&
               in(i + 3, 0x80, 0xBF)) {
      i += 4;
    } else if (b >= 0xF1 && b <= 0xF3 && in(i + 1, 0x80, 0xBF) && in(i + 2, 0x80, 0xBF) &&
               in(i + 3, 0x80, 0xBF)) {
      i += 4;
    } else if (b == 0xF4 && in(i + 1, 0x80, 0x8F) && in(i + 2, 0x80, 0xBF) &&
               in(i + 3, 0x80, 0xBF)) {
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

size_t Utf8Characters(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace tamarack::fuzzing
