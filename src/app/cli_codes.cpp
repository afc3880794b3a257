#include "app/cli_codes.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text_view.h"

namespace tamarack {
namespace {

constexpr int PollMilliseconds = 100;

// No character of UTF-8 takes more than four bytes.
constexpr size_t MaxBytes = 4 * static_cast<size_t>(TextViewMaxCharacters);

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

ReadFunction DescriptorReader(int fd) {
  return [fd](char* buffer, size_t size) -> ssize_t {
    pollfd wait{fd, POLLIN, 0};
    const int ready = ::poll(&wait, 1, PollMilliseconds);
    if (ready == 0) errno = EAGAIN;
    if (ready <= 0) return -1;
    return ::read(fd, buffer, size);
  };
}

// The characters are counted as the text control counts them: a character
// of several UTF-8 bytes is one, and so is a line end of CR LF. The text
// control holds at most TextViewMaxCharacters of them.
CodesRead ReadCodesText(const ReadFunction& read, InterruptSource& interrupts) {
  CodesRead result;
  size_t characters = 0;
  char chunk[4096];
  while (true) {
    if (interrupts.TerminationRequested() || interrupts.TakeInterrupt()) {
      return {CodesReadEnd::Stopped, {}, 0};
    }
    const ssize_t n = read(chunk, sizeof chunk);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n < 0) return {CodesReadEnd::Failed, {}, errno};
    if (n == 0) return result;
    for (ssize_t i = 0; i < n; ++i) {
      const char c = chunk[i];
      const bool lineEndTail = c == '\n' && !result.Text.empty() && result.Text.back() == '\r';
      if (!IsContinuationByte(c) && !lineEndTail) ++characters;
      result.Text += c;
    }
    if (characters > static_cast<size_t>(TextViewMaxCharacters) || result.Text.size() > MaxBytes) {
      return {CodesReadEnd::TooLong, {}, 0};
    }
  }
}

}  // namespace tamarack
