#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/block_feed.h"

namespace tamarack {

// The digests that a file's whole bytes can be checked against.
enum class DigestKind { Md5, Sha1, Sha256, Ed2k, Crc32 };

constexpr std::array<DigestKind, 5> AllDigestKinds = {
    DigestKind::Md5, DigestKind::Sha1, DigestKind::Sha256, DigestKind::Ed2k, DigestKind::Crc32};

// The name the texts use: "MD5", "SHA-1", "SHA-256", "ed2k", "CRC32".
const char* DigestName(DigestKind kind);
// The key of the command line and of JSON: "md5", "sha1", "sha256", "ed2k", "crc32".
const char* DigestKey(DigestKind kind);

// The kinds a list names: keys separated by commas, or "all". Nothing when
// the list names an unknown kind or none.
std::optional<std::vector<DigestKind>> ParseDigestList(const std::string& list);

// One digest of the file in lower-case hex.
struct DigestValue {
  DigestKind Kind = DigestKind::Md5;
  std::string Hex;

  friend bool operator==(const DigestValue&, const DigestValue&) = default;
};

// Computes the digests of the bytes fed, in file order, with librhash. The
// ed2k digest is rhash's: MD4 over chunks of 9,728,000 bytes, then MD4 over
// the chunks' digests when there is more than one.
class Digests : public BlockFeed {
 public:
  explicit Digests(std::vector<DigestKind> kinds);
  ~Digests() override;
  Digests(const Digests&) = delete;
  Digests& operator=(const Digests&) = delete;

  void Feed(const HeldBlock& block) override;
  void Finish() override;
  // After Finish: one value for each kind asked for, in the order of
  // AllDigestKinds.
  const std::vector<DigestValue>& Values() const { return values_; }

 private:
  std::vector<DigestKind> kinds_;
  void* context_ = nullptr;
  std::vector<DigestValue> values_;
};

}  // namespace tamarack
