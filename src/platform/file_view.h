#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

namespace tamarack {

// Bytes of a file shown in place in memory, where the host keeps them, so
// that looking at them copies nothing and brings to the processor only the
// bytes looked at. Some of them may stop being there to read while the view
// lives (the file was cut short under it, or the disk failed): they are read
// only inside Look, which then tells so.
class FileView {
 public:
  virtual ~FileView() = default;
  virtual const uint8_t* Bytes() const = 0;
  // Runs look(context) on this thread. True when every byte of the view it
  // read was there. False when one could not be read: look is then left at
  // that read, and what it found cannot be trusted. So look reads the view
  // only where leaving it half way leaves nothing undone: not while it holds
  // a lock or is inside a call that allocates or frees.
  virtual bool Look(void (*look)(void* context), void* context) = 0;
};

// Runs the callable f as the view's Look runs its look.
template <typename F>
bool LookThrough(FileView& view, F&& f) {
  return view.Look([](void* context) { (*static_cast<std::remove_reference_t<F>*>(context))(); },
                   &f);
}

// A file that the host can show in memory as well as read.
class ViewableFile {
 public:
  virtual ~ViewableFile() = default;
  // Shows count bytes at offset, within the file's size, for reading in
  // place; null where the host cannot, and they are then read instead.
  virtual std::unique_ptr<FileView> View(int64_t offset, int64_t count) = 0;
};

}  // namespace tamarack
