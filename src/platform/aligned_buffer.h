#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace tamarack {

// An I/O buffer that starts on a page boundary. The kernel copies file data
// into a destination that is not so aligned up to 40 % slower, so every block
// that is read from or written to a file lives in one of these, allocated
// once per operation.
class AlignedBuffer {
 public:
  static constexpr size_t Alignment = 4096;

  explicit AlignedBuffer(size_t size) : size_(size), data_(Allocate(size)) {
    assert(reinterpret_cast<uintptr_t>(data_.get()) % Alignment == 0);
  }

  uint8_t* data() { return data_.get(); }
  const uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }
  uint8_t& operator[](size_t i) { return data_[i]; }
  const uint8_t& operator[](size_t i) const { return data_[i]; }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };

  static uint8_t* Allocate(size_t size) {
    const size_t rounded = (size + Alignment - 1) / Alignment * Alignment;
    void* p = std::aligned_alloc(Alignment, rounded == 0 ? Alignment : rounded);
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<uint8_t*>(p);
  }

  size_t size_;
  std::unique_ptr<uint8_t[], Free> data_;
};

}  // namespace tamarack
