#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/digests.h"

namespace tamarack {

// A digest published for a file, as a release page gives it: a hex digest
// (32 digits MD5, 40 SHA-1, 64 SHA-256) or an ed2k link, which names the
// file's size as well.
struct PublishedDigest {
  DigestKind Kind = DigestKind::Md5;
  std::string Hex;              // lower case
  std::optional<int64_t> Size;  // the size an ed2k link names
};

// The forms a published digest may take, for the message about one that
// takes none of them.
extern const char PublishedDigestForms[];

// The digest that the value gives; nothing when it is of none of the forms.
// An ed2k link reads "ed2k://|file|NAME|SIZE|HASH|/", where more fields may
// follow the hash before the closing "/".
std::optional<PublishedDigest> ParsePublishedDigest(const std::string& value);

// True when the file of that size, with those digests, is the one published.
// The digests must hold one of the published kind.
bool MatchesPublished(const PublishedDigest& published, int64_t fileSize,
                      const std::vector<DigestValue>& digests);

}  // namespace tamarack
