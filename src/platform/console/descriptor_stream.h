#pragma once

#include <array>
#include <streambuf>

namespace tamarack {

// The buffer of an output stream over a file descriptor (standard output,
// standard error). Every byte given reaches the descriptor or the stream
// fails: a write that a signal interrupts, or that takes only part of the
// bytes, goes on where it stopped. After a failed write errno tells why.
class DescriptorBuffer : public std::streambuf {
 public:
  explicit DescriptorBuffer(int fd);
  ~DescriptorBuffer() override;
  DescriptorBuffer(const DescriptorBuffer&) = delete;
  DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  // Writes what the buffer holds; false when a write failed.
  bool Drain();

  int fd_;
  std::array<char, 8192> buffer_{};
};

}  // namespace tamarack
