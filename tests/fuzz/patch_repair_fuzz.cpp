// Fuzzes Repair with Patch through the whole program on the in-memory file
// system. Input: a control byte, then the patch file's bytes.
//
//   control bits 0-1  which generated video is selected (1, 2, 4 or 5 units)
//   control bit  7    the patch's data is generated: the bytes after the
//                     header and index are repeated, or cut, to the size that
//                     the index asks for, plus the signed offset of bits 2-6
//                     (-16 to 15); at most 1 MiB
//
// Without bit 7 the bytes are the patch file as they are, so the fuzzer can
// reach every check of the reader; with it, valid patches of whole 64 KiB
// units come from a few bytes. The outcome is checked against a plain model
// of the format and of the rule for each byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_program.h"
#include "ui/buttons.h"

namespace tamarack::fuzzing {
namespace {

constexpr size_t Unit = 65536;
constexpr size_t MaxGenerated = 1 << 20;
const std::string Video = "/v/movie.avi";
const std::string Patch = "/p/movie.tkp";
const std::string Completed = "Patching complete. Analyze the Selected file for remaining errors.";

// A video of the chosen size whose zero runs lie at its start and end,
// across unit and block boundaries, and in single bytes.
std::vector<uint8_t> MakeVideo(int variant) {
  static constexpr size_t Sizes[] = {2000, Unit + 1, 4 * Unit, 4 * Unit + 1000};
  std::vector<uint8_t> video(Sizes[variant]);
  uint32_t state = 12345;
  for (uint8_t& b : video) {
    state = state * 1103515245 + 12345;
    b = static_cast<uint8_t>((state >> 16) % 255 + 1);
  }
  const auto zero = [&](size_t offset, size_t length) {
    if (offset >= video.size()) return;
    length = std::min(length, video.size() - offset);
    std::fill_n(video.begin() + offset, length, 0);
  };
  zero(0, 100);
  zero(Unit - 50, 5000);
  zero(2 * Unit + 7, 1);
  zero(2 * Unit + 9, 1);
  zero(3 * Unit - 1, Unit + 300);
  zero(video.size() - 20, 20);
  return video;
}

const std::vector<uint8_t>& GeneratedVideo(int variant) {
  static const std::vector<uint8_t> videos[] = {MakeVideo(0), MakeVideo(1), MakeVideo(2),
                                                MakeVideo(3)};
  return videos[variant];
}

// The patch file the input describes.
std::vector<uint8_t> PatchBytes(uint8_t control, const uint8_t* data, size_t size) {
  std::vector<uint8_t> patch(data, data + size);
  if (!(control & 0x80) || patch.size() < 4) return patch;
  const size_t count = patch[3];
  const size_t indexEnd = 4 + 3 * count;
  if (patch.size() < indexEnd) return patch;
  size_t required = indexEnd;
  for (size_t k = 0; k < count; ++k) required += (patch[6 + 3 * k] + size_t{1}) * Unit;
  const int bits = (control >> 2) & 0x1F;
  const int offset = bits < 16 ? bits : bits - 32;
  if (offset < 0 && required < static_cast<size_t>(-offset)) return patch;
  const size_t target = required + offset;
  if (target > MaxGenerated) return patch;
  const std::vector<uint8_t> seed(patch.begin() + indexEnd, patch.end());
  patch.resize(target);
  for (size_t i = indexEnd; i < target; ++i) {
    const size_t k = i - indexEnd;
    patch[i] = seed.empty() ? static_cast<uint8_t>(k % 7 == 0 ? 0 : k * 31) : seed[k % seed.size()];
  }
  return patch;
}

// The message of a refused patch, or empty for a patch the repair applies;
// the checks run in the order of the format's reader.
std::string Refusal(const std::vector<uint8_t>& patch, size_t videoSize) {
  if (patch.size() < 4) return "The Patch file does not contain a valid header.";
  if (patch[0] == 0) {
    return "This Patch cannot be used with this version of this program.\r\n"
           "Ask the person who created the patch to upgrade to the latest version\r\n"
           "and re-create the patch.";
  }
  if (patch[0] > 1) {
    return "This Patch cannot be used with this version of this program.\r\n"
           "Upgrade to the latest version.";
  }
  const size_t units = (videoSize + Unit - 1) / Unit;
  if (patch[1] * size_t{256} + patch[2] + 1 != units) {
    return "This Patch file is for a different video file.";
  }
  const size_t count = patch[3];
  if (count == 0) return "The Patch file contains no patch data.";
  if (patch.size() < 4 + 3 * count) return "The Patch file index is corrupt.";
  size_t size = 4 + 3 * count;
  for (size_t k = 0; k < count; ++k) size += (patch[6 + 3 * k] + size_t{1}) * Unit;
  if (patch.size() != size) return "The Patch file data is corrupt.";
  for (size_t k = 0; k < count; ++k) {
    const size_t first = patch[4 + 3 * k] * size_t{256} + patch[5 + 3 * k];
    const size_t length = patch[6 + 3 * k] + size_t{1};
    if (first + length > units) {
      return "This Patch file does not fit the Selected file.";
    }
  }
  return {};
}

// A valid patch applied: region after region, each zero byte takes the
// patch byte at the same place; every other byte stays. A region may end in
// the last, partial unit: its bytes past the end of the video fill nothing.
std::vector<uint8_t> Applied(std::vector<uint8_t> video, const std::vector<uint8_t>& patch) {
  const size_t count = patch[3];
  size_t data = 4 + 3 * count;
  for (size_t k = 0; k < count; ++k) {
    const size_t offset = (patch[4 + 3 * k] * size_t{256} + patch[5 + 3 * k]) * Unit;
    const size_t length = (patch[6 + 3 * k] + size_t{1}) * Unit;
    for (size_t i = 0; i < length && offset + i < video.size(); ++i) {
      if (video[offset + i] == 0) video[offset + i] = patch[data + i];
    }
    data += length;
  }
  return video;
}

}  // namespace
}  // namespace tamarack::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tamarack;
  using namespace tamarack::fuzzing;
  if (size < 1) return 0;
  const uint8_t control = data[0];
  const std::vector<uint8_t>& before = GeneratedVideo(control & 3);
  const std::vector<uint8_t> patch = PatchBytes(control, data + 1, size - 1);
  const std::string refusal = Refusal(patch, before.size());

  FuzzProgram& fuzz = FuzzProgram::Shared();
  Program& program = *fuzz.Run;
  if (program.Selected.HasFile()) program.RunCommand(SelectClearButton);
  fuzz.Files.Files = {{Video, before}, {Patch, patch}};
  fuzz.ClearRecords();
  fuzz.Messages.Files = {Video, Patch};
  program.RunCommand(SelectClearButton);
  FUZZ_CHECK(fuzz.Messages.Shown.empty());
  program.RunCommand(RepairPatchButton);

  const std::vector<uint8_t>& after = fuzz.Files.Files.at(Video);
  const std::vector<RecordingDialogs::Message>& shown = fuzz.Messages.Shown;
  // Whatever the patch holds: the video keeps its size and only its zero
  // bytes change; the patch file is only read; every file is closed.
  FUZZ_CHECK(after.size() == before.size());
  for (size_t i = 0; i < before.size(); ++i) FUZZ_CHECK(after[i] == before[i] || before[i] == 0);
  FUZZ_CHECK(fuzz.Files.Files.at(Patch) == patch);
  FUZZ_CHECK(fuzz.Files.Files.size() == 2);
  FUZZ_CHECK(fuzz.Files.OpenFiles == 0);
  FUZZ_CHECK(!program.Control.Busy());
  FUZZ_CHECK(shown.size() == 1);
  if (refusal.empty()) {
    FUZZ_CHECK(shown[0].Kind == MessageKind::Information && shown[0].Text == Completed);
    FUZZ_CHECK(program.Control.LastRunCompleted());
    FUZZ_CHECK(after == Applied(before, patch));
  } else {
    FUZZ_CHECK(shown[0].Kind == MessageKind::Error && shown[0].Text == refusal);
    FUZZ_CHECK(!program.Control.LastRunCompleted());
    FUZZ_CHECK(after == before);
  }
  fuzz.ClearRecords();
  return 0;
}
