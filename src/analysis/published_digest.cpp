#include "analysis/published_digest.h"

#include <algorithm>
#include <cassert>
#include <cctype>

namespace tamarack {
namespace {

bool IsHex(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isxdigit(c) != 0; });
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The fields between the bars of an ed2k link, after "ed2k://".
std::vector<std::string> BarFields(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t bar = text.find('|', start);
    fields.push_back(text.substr(start, bar - start));
    if (bar == std::string::npos) return fields;
    start = bar + 1;
  }
}

// A size of decimal digits that fits in 63 bits.
std::optional<int64_t> SizeOf(const std::string& digits) {
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  int64_t size = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    size = size * 10 + (c - '0');
  }
  return size;
}

std::optional<PublishedDigest> ParseEd2kLink(const std::string& value) {
  const std::string scheme = "ed2k://";
  if (Lower(value.substr(0, scheme.size())) != scheme) return std::nullopt;
  // "", "file", NAME, SIZE, HASH, then optional fields, and "/" last.
  const std::vector<std::string> fields = BarFields(value.substr(scheme.size()));
  if (fields.size() < 6 || !fields[0].empty() || fields[1] != "file" || fields[2].empty() ||
      fields.back() != "/") {
    return std::nullopt;
  }
  const std::optional<int64_t> size = SizeOf(fields[3]);
  if (!size || fields[4].size() != 32 || !IsHex(fields[4])) return std::nullopt;
  return PublishedDigest{DigestKind::Ed2k, Lower(fields[4]), size};
}

}  // namespace

const char PublishedDigestForms[] =
    "a hex digest of 32 digits (MD5), 40 (SHA-1) or 64 (SHA-256), or an ed2k link "
    "ed2k://|file|NAME|SIZE|HASH|/";

std::optional<PublishedDigest> ParsePublishedDigest(const std::string& value) {
  if (!IsHex(value)) return ParseEd2kLink(value);
  switch (value.size()) {
    case 32:
      return PublishedDigest{DigestKind::Md5, Lower(value), std::nullopt};
    case 40:
      return PublishedDigest{DigestKind::Sha1, Lower(value), std::nullopt};
    case 64:
      return PublishedDigest{DigestKind::Sha256, Lower(value), std::nullopt};
    default:
      return std::nullopt;
  }
}

bool MatchesPublished(const PublishedDigest& published, int64_t fileSize,
                      const std::vector<DigestValue>& digests) {
  if (published.Size && *published.Size != fileSize) return false;
  const auto found = std::find_if(digests.begin(), digests.end(), [&](const DigestValue& value) {
    return value.Kind == published.Kind;
  });
  assert(found != digests.end());
  return found != digests.end() && found->Hex == published.Hex;
}

}  // namespace tamarack
