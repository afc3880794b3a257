#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>

#include "core/operation_control.h"
#include "platform/byte_file.h"

namespace tamarack {

// Smaller files are refused. Sizes and positions are signed 64-bit, so there
// is no upper limit beyond the file system's.
constexpr int64_t MinFileSize = 1024;

// How an operation opens the selected file: the operations that only read it
// open it read-only, so that a file without write permission or on a
// read-only mount can still be described, analysed and copied; the repairs
// need to write.
enum class FileAccess { ReadOnly, ReadWrite };

// The one AVI file that an operation works on, named by its path.
class SelectedFile {
 public:
  SelectedFile(OperationControl& control, FileSystem& files, std::string path)
      : control_(control), files_(files), path_(std::move(path)) {}

  const std::string& SelectedFileName() const { return path_; }
  // The size taken when the file was opened last; -1 before.
  int64_t SelectedFileSize() const { return size_; }

  // Opens the file with the access given and takes its size. Success is
  // told by the busy flag, which the caller sets or holds before the call:
  // after a failure the message has been shown, the flag is clear and the
  // file is not open.
  void OpenSelectedFile(FileAccess access);
  // Closes the file when it is open. A failed close ends a running
  // operation with a message.
  void CloseSelectedFile();
  bool IsOpen() const { return file_ != nullptr; }
  // The open file; only while IsOpen().
  ByteFile& File() {
    assert(file_ != nullptr);
    return *file_;
  }

  // The codec codes at offsets 112 and 188 of the open file, "xxxx-yyyy".
  std::string ReadFourCC();

 private:
  OperationControl& control_;
  FileSystem& files_;
  std::string path_;
  int64_t size_ = -1;
  std::unique_ptr<ByteFile> file_;
};

// What the Information view says of a file.
struct FileInformation {
  std::string Text;
  // Whether the size and codec codes could be read (else the message has
  // been shown and the text holds only the name).
  bool Complete = false;
  // The size taken when the file was opened; -1 when it could not be.
  int64_t Size = -1;
};

// Reads the file's size and codec codes, outside any operation.
FileInformation ReadFileInformation(OperationControl& control, FileSystem& files,
                                    const std::string& path);

}  // namespace tamarack
