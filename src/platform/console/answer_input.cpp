#include "platform/console/answer_input.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace tamarack {
namespace {

constexpr int PollMilliseconds = 100;

// Takes the first line out of the buffer when it holds a whole one.
bool TakeLine(std::string& buffer, std::string& line) {
  const size_t end = buffer.find('\n');
  if (end == std::string::npos) return false;
  line = buffer.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  buffer.erase(0, end + 1);
  return true;
}

}  // namespace

InputLine DescriptorInput::ReadLine() {
  InputLine result;
  while (true) {
    if (interrupts_.TerminationRequested()) {
      result.Event = InputEvent::Terminated;
      return result;
    }
    if (TakeLine(pending_, result.Text)) {
      result.Event = InputEvent::Line;
      return result;
    }
    if (interrupts_.TakeInterrupt()) {
      result.Event = InputEvent::Interrupted;
      return result;
    }
    if (ended_) {
      // A last line without a line end still counts as a line.
      result.Event = pending_.empty() ? InputEvent::End : InputEvent::Line;
      result.Text = std::move(pending_);
      pending_.clear();
      return result;
    }
    pollfd wait{fd_, POLLIN, 0};
    const int ready = ::poll(&wait, 1, PollMilliseconds);
    if (ready < 0 && errno != EINTR) {
      ended_ = true;
      continue;
    }
    if (ready <= 0) continue;
    char chunk[256];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ended_ = true;
      continue;
    }
    pending_.append(chunk, static_cast<size_t>(n));
  }
}

}  // namespace tamarack
