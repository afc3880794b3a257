#pragma once

#include <cstdint>
#include <memory>

namespace tamarack {

// Bytes of a file shown in place in memory, where the host keeps them, so
// that looking at them copies nothing and brings to the processor only the
// bytes looked at. Should some of them stop being there to read while the
// view lives (the file was cut short under it, or the disk failed), they
// read as zeros and Intact turns false: what was read through the view then
// cannot be trusted.
class FileView {
 public:
  virtual ~FileView() = default;
  virtual const uint8_t* Bytes() const = 0;
  virtual bool Intact() const = 0;
};

// A file that the host can show in memory as well as read.
class ViewableFile {
 public:
  virtual ~ViewableFile() = default;
  // Shows count bytes at offset, within the file's size, for reading in
  // place; null where the host cannot, and they are then read instead.
  virtual std::unique_ptr<FileView> View(int64_t offset, int64_t count) = 0;
};

}  // namespace tamarack
