#include "support/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/text_lines.h"

namespace tamarack::testing {

TextExtent FakeFontBackend::Measure(CaptionFont font, const std::string& text) {
  const int w = font == CaptionFont::Big ? 7 : 6;
  return {w * static_cast<int>(text.size()), font == CaptionFont::Big ? 16 : 13};
}

void FakeFontBackend::Draw(const PixelBuffer& target, int x, int y, CaptionFont font, Color color,
                           const std::string& text) {
  Calls.push_back({x, y, font, color, text});
  const int w = font == CaptionFont::Big ? 7 : 6;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    // The glyph's top-left corner, in device pixels.
    const int px = static_cast<int>(std::lround((x + w * static_cast<int>(i)) * target.Scale));
    const int py = static_cast<int>(std::lround(y * target.Scale));
    if (px < 0 || py < 0 || px >= target.Width || py >= target.Height) continue;
    uint8_t* p = target.Pixels + (static_cast<size_t>(py) * target.Width + px) * 3;
    p[0] = color.R;
    p[1] = color.G;
    p[2] = color.B;
  }
}

void FakeTextView::SetText(const std::string& text) { Text = text; }

std::vector<std::string> FakeTextView::DisplayedLines() {
  const std::vector<std::string> paragraphs = SplitLines(Text);
  std::vector<std::string> lines;
  for (const std::string& p : paragraphs) {
    if (WrapWidth <= 0 || p.size() <= static_cast<size_t>(WrapWidth)) {
      lines.push_back(p);
      continue;
    }
    for (size_t i = 0; i < p.size(); i += WrapWidth) lines.push_back(p.substr(i, WrapWidth));
  }
  return lines;
}

FakeDialogs::~FakeDialogs() {
  for (const Expected& e : expected_) ADD_FAILURE() << "expected message never shown: " << e.Text;
  for (const std::string& f : files_) ADD_FAILURE() << "expected file dialog never run: " << f;
}

void FakeDialogs::Expect(MessageKind kind, std::string text, PromptResult answer,
                         std::function<void()> during) {
  expected_.push_back({kind, std::move(text), answer, std::move(during)});
}

PromptResult FakeDialogs::ShowMessage(MessageKind kind, const std::string& text,
                                      DefaultAnswer answer) {
  Shown.push_back({kind, text, answer});
  if (expected_.empty() && AnyAnswer) {
    return kind == MessageKind::Confirmation ? *AnyAnswer : PromptResult::Ok;
  }
  if (expected_.empty()) {
    ADD_FAILURE() << "unexpected message: " << text;
    return kind == MessageKind::Confirmation ? PromptResult::No : PromptResult::Ok;
  }
  Expected e = std::move(expected_.front());
  expected_.pop_front();
  EXPECT_EQ(static_cast<int>(e.Kind), static_cast<int>(kind)) << "kind of message: " << text;
  if (!e.Text.empty() && e.Text.back() == '*') {
    EXPECT_EQ(text.substr(0, e.Text.size() - 1), e.Text.substr(0, e.Text.size() - 1));
  } else {
    EXPECT_EQ(text, e.Text);
  }
  if (e.During) e.During();
  return e.Answer;
}

std::optional<DefaultAnswer> FakeDialogs::DefaultOf(const std::string& beginning) const {
  for (auto m = Shown.rbegin(); m != Shown.rend(); ++m) {
    if (m->Text.compare(0, beginning.size(), beginning) == 0) return m->Default;
  }
  return std::nullopt;
}

std::string FakeDialogs::ChooseOpenFile(const OpenFileRequest& request) {
  FileRequests.push_back(request);
  if (files_.empty() && AnyAnswer) return AnyFile;
  if (files_.empty()) {
    ADD_FAILURE() << "unexpected file dialog: " << request.Title;
    return {};
  }
  std::string path = std::move(files_.front());
  files_.pop_front();
  return path;
}

void FakeEventPump::ProcessPendingEvents() {
  ++Calls;
  if (OnPump) OnPump(Calls);
}

namespace {

enum class Access { ReadWrite, ReadOnly };

// A file of the map, reached through its path. Output files are written
// under their temporary path and moved to their final path by Commit. A file
// opened read-only fails every write, as the host's does.
template <typename Base>
class FakeFile : public Base {
 public:
  FakeFile(FakeFileSystem& fs, std::string path, Access access = Access::ReadWrite)
      : fs_(fs), path_(std::move(path)), access_(access) {
    ++fs_.OpenFiles;
  }
  ~FakeFile() override {
    if (open_) --fs_.OpenFiles;
  }

  int32_t Read(void* buffer, int32_t count) override {
    const std::lock_guard lock(fs_.Mutex);
    const int32_t n = ReadAt(position_, buffer, count);
    if (n > 0) position_ += n;
    return n;
  }

  // Reads at the offset without moving the position, as the host's pread
  // does; it counts as a read.
  int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override {
    const std::lock_guard lock(fs_.Mutex);
    if (!open_ || Fails("read", ++stats().Reads) || offset < 0 || count < 0) return -1;
    std::vector<uint8_t>& data = fs_.Files[path_];
    const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(data.size()) - offset);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, available));
    if (n > 0) std::memcpy(buffer, data.data() + offset, n);
    if (fs_.AfterRead) fs_.AfterRead(path_);
    return n;
  }

  int32_t Write(const void* buffer, int32_t count) override {
    const std::lock_guard lock(fs_.Mutex);
    if (fs_.BeforeWrite) fs_.BeforeWrite(path_);
    if (!open_ || Fails("write", ++stats().Writes) || access_ == Access::ReadOnly) return -1;
    std::vector<uint8_t>& data = fs_.Files[path_];
    int32_t n = count;
    if (fs_.Capacity >= 0)
      n = static_cast<int32_t>(std::clamp<int64_t>(fs_.Capacity - position_, 0, count));
    if (position_ + n > static_cast<int64_t>(data.size())) data.resize(position_ + n);
    if (n > 0) std::memcpy(data.data() + position_, buffer, n);
    position_ += n;
    return n;
  }

  bool Seek(int64_t offset) override {
    const std::lock_guard lock(fs_.Mutex);
    if (!open_ || Fails("seek", ++stats().Seeks) || offset < 0) return false;
    position_ = offset;
    return true;
  }

  int64_t Size() override {
    const std::lock_guard lock(fs_.Mutex);
    if (!open_ || Fails("size", 1)) return -1;
    return static_cast<int64_t>(fs_.Files[path_].size());
  }

  bool Sync() override {
    const std::lock_guard lock(fs_.Mutex);
    return open_ && !Fails("sync", 1);
  }

  bool Close() override {
    const std::lock_guard lock(fs_.Mutex);
    if (!open_) return false;
    open_ = false;
    --fs_.OpenFiles;
    return !Fails("close", ++stats().Closes);
  }

 protected:
  FakeFileSystem::Stats& stats() { return fs_.Counts[path_]; }
  // The per-path failures from their call on, and the one call of its kind
  // counted over all files.
  bool Fails(const char* operation, int call) {
    if (fs_.FailsNow(operation)) return true;
    auto it = fs_.Failures.find(path_);
    if (it == fs_.Failures.end()) return false;
    for (const auto& f : it->second) {
      if (f.Operation == operation && call >= f.FromCall) return true;
    }
    return false;
  }

  FakeFileSystem& fs_;
  std::string path_;
  Access access_;
  int64_t position_ = 0;
  bool open_ = true;
};

using FakeByteFile = FakeFile<ByteFile>;

class FakeOutputFile : public FakeFile<OutputFile> {
 public:
  FakeOutputFile(FakeFileSystem& fs, std::string temporaryPath, std::string finalPath)
      : FakeFile(fs, std::move(temporaryPath)), finalPath_(std::move(finalPath)) {}
  ~FakeOutputFile() override { Discard(); }

  bool Close() override {
    const bool open = open_;
    Discard();
    return open;
  }

  bool Commit() override {
    if (!open_) return false;
    if (Fails("sync", 1) || !FakeFile::Close() || fs_.FailsNow("rename")) return Discard();
    fs_.Files[finalPath_] = std::move(fs_.Files[path_]);
    fs_.Files.erase(path_);
    fs_.Aliases.erase(finalPath_);
    committed_ = true;
    return true;
  }

 private:
  bool Discard() {
    if (open_) {
      open_ = false;
      --fs_.OpenFiles;
    }
    if (!committed_) fs_.Files.erase(path_);
    committed_ = true;
    return false;
  }

  std::string finalPath_;
  bool committed_ = false;
};

}  // namespace

bool FakeFileSystem::FailsNow(const std::string& operation) {
  const int call = ++Calls[operation];
  return FailKind == operation && FailCall == call;
}

std::string FakeFileSystem::TemporaryPathOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  return folder + "." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp";
}

std::unique_ptr<ByteFile> FakeFileSystem::OpenExisting(const std::string& path) {
  if (FailsNow("open")) return nullptr;
  if (!Files.count(path) || Locked[path] || ReadOnly[path]) return nullptr;
  return std::make_unique<FakeByteFile>(*this, path);
}

std::unique_ptr<ByteFile> FakeFileSystem::OpenReadOnly(const std::string& path) {
  if (FailsNow("open")) return nullptr;
  if (!Files.count(path) || Locked[path]) return nullptr;
  return std::make_unique<FakeByteFile>(*this, path, Access::ReadOnly);
}

std::unique_ptr<OutputFile> FakeFileSystem::CreateOutput(const std::string& path) {
  if (FailsNow("create")) return nullptr;
  if (ReadOnlyFolder) return nullptr;
  const std::string temporary = TemporaryPathOf(path);
  Files[temporary].clear();
  return std::make_unique<FakeOutputFile>(*this, temporary, path);
}

bool FakeFileSystem::Exists(const std::string& path) {
  if (FailsNow("exists")) return false;
  return Files.count(path) > 0;
}

bool FakeFileSystem::SameFile(const std::string& a, const std::string& b) {
  const auto resolve = [this](const std::string& path) {
    const auto alias = Aliases.find(path);
    return alias == Aliases.end() ? path : alias->second;
  };
  return Files.count(resolve(a)) > 0 && resolve(a) == resolve(b);
}

bool FakeFileSystem::Delete(const std::string& path) {
  if (FailsNow("delete")) return false;
  if (!Files.count(path) || ReadOnly[path]) return false;
  Files.erase(path);
  return true;
}

int64_t FakeFileSystem::FreeSpace(const std::string&) {
  if (FailsNow("free")) return -1;
  return Free;
}

}  // namespace tamarack::testing
