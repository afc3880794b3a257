#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tamarack::testing {

// A fresh folder under the given folder (the system's temporary folder by
// default), removed with all it holds when the value goes.
class TempDir {
 public:
  TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}
  explicit TempDir(const std::string& base) {
    std::string pattern = (std::filesystem::path(base) / "tamarack-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool Made() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  // A path in the folder; never one elsewhere when the folder was not made.
  std::string File(const std::string& name) const {
    if (path_.empty()) throw std::runtime_error("no temporary folder for " + name);
    return path_ + "/" + name;
  }
  std::string operator/(const std::string& name) const { return File(name); }

 private:
  std::string path_;
};

inline void WriteRealFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

inline std::vector<uint8_t> ReadRealFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tamarack::testing
