#include "platform/console/descriptor_stream.h"

#include <unistd.h>

#include <cerrno>

namespace tamarack {

DescriptorBuffer::DescriptorBuffer(int fd) : fd_(fd) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

DescriptorBuffer::~DescriptorBuffer() { Drain(); }

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int DescriptorBuffer::sync() { return Drain() ? 0 : -1; }

bool DescriptorBuffer::Drain() {
  const char* from = pbase();
  const char* const end = pptr();
  while (from < end) {
    const ssize_t n = ::write(fd_, from, static_cast<size_t>(end - from));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // What could not be written is dropped: the stream has failed.
      setp(buffer_.data(), buffer_.data() + buffer_.size());
      return false;
    }
    from += n;
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return true;
}

}  // namespace tamarack
