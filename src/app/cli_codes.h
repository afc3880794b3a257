#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

#include "platform/console/interrupts.h"

namespace tamarack {

// How reading the patch codes of --codes-from ended.
enum class CodesReadEnd {
  Complete,  // the whole text was read
  TooLong,   // the text is longer than the Patch Codes view holds
  Failed,    // a read failed; Error says why
  Stopped,   // an interrupt or a request to end the program came first
};

struct CodesRead {
  CodesReadEnd End = CodesReadEnd::Complete;
  std::string Text;  // the whole text, when Complete
  int Error = 0;     // the errno of the failed read
};

// Reads up to size bytes, as read(2) does: the count read, 0 at the end of
// the input, -1 with errno set on an error. EAGAIN or EINTR mean that no
// byte came yet and the call is to be made again.
using ReadFunction = std::function<ssize_t(char* buffer, size_t size)>;

// A ReadFunction over a descriptor that waits only a moment for bytes, so
// that a caller waiting for a slow pipe or a terminal sees interrupts.
ReadFunction DescriptorReader(int fd);

// Reads the whole input, but never more than the Patch Codes view holds
// (TextViewMaxCharacters characters, counted as the view counts them): an
// endless or huge input is refused once it is past the limit, before it can
// fill the memory. A read error part-way ends the read as Failed, never with
// the part read so far. Between reads an interrupt or a request to end the
// program stops it.
CodesRead ReadCodesText(const ReadFunction& read, InterruptSource& interrupts);

}  // namespace tamarack
