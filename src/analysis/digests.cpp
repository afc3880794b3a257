#include "analysis/digests.h"

#include <rhash.h>

#include <algorithm>
#include <cassert>
#include <mutex>

namespace tamarack {
namespace {

// What each kind is called, and librhash's id of it.
struct KindNames {
  DigestKind Kind;
  const char* Name;
  const char* Key;
  unsigned RhashId;
};

constexpr std::array<KindNames, AllDigestKinds.size()> Names = {{
    {DigestKind::Md5, "MD5", "md5", RHASH_MD5},
    {DigestKind::Sha1, "SHA-1", "sha1", RHASH_SHA1},
    {DigestKind::Sha256, "SHA-256", "sha256", RHASH_SHA256},
    {DigestKind::Ed2k, "ed2k", "ed2k", RHASH_ED2K},
    {DigestKind::Crc32, "CRC32", "crc32", RHASH_CRC32},
}};

const KindNames& NamesOf(DigestKind kind) {
  return *std::find_if(Names.begin(), Names.end(),
                       [&](const KindNames& names) { return names.Kind == kind; });
}

unsigned RhashId(DigestKind kind) { return NamesOf(kind).RhashId; }

// The kinds without repeats, in the order of AllDigestKinds.
std::vector<DigestKind> Ordered(const std::vector<DigestKind>& kinds) {
  std::vector<DigestKind> ordered;
  for (DigestKind kind : AllDigestKinds) {
    if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end()) ordered.push_back(kind);
  }
  return ordered;
}

}  // namespace

const char* DigestName(DigestKind kind) { return NamesOf(kind).Name; }

const char* DigestKey(DigestKind kind) { return NamesOf(kind).Key; }

std::optional<std::vector<DigestKind>> ParseDigestList(const std::string& list) {
  if (list == "all") return std::vector<DigestKind>(AllDigestKinds.begin(), AllDigestKinds.end());
  std::vector<DigestKind> kinds;
  size_t start = 0;
  while (true) {
    const size_t end = std::min(list.find(',', start), list.size());
    const std::string key = list.substr(start, end - start);
    const auto* found = std::find_if(AllDigestKinds.begin(), AllDigestKinds.end(),
                                     [&](DigestKind kind) { return key == DigestKey(kind); });
    if (found == AllDigestKinds.end()) return std::nullopt;
    kinds.push_back(*found);
    if (end == list.size()) break;
    start = end + 1;
  }
  return Ordered(kinds);
}

Digests::Digests(std::vector<DigestKind> kinds) : kinds_(Ordered(kinds)) {
  static std::once_flag once;
  std::call_once(once, [] { rhash_library_init(); });
  std::vector<unsigned> ids;
  for (DigestKind kind : kinds_) ids.push_back(RhashId(kind));
  if (!ids.empty()) context_ = rhash_init_multi(ids.size(), ids.data());
  // Only an unknown id or no memory fails here: neither can be handled.
  assert(ids.empty() || context_ != nullptr);
}

Digests::~Digests() {
  if (context_ != nullptr) rhash_free(static_cast<rhash>(context_));
}

void Digests::Feed(const HeldBlock& block) {
  if (context_ != nullptr) {
    rhash_update(static_cast<rhash>(context_), block.Bytes.get(), static_cast<size_t>(block.Count));
  }
}

void Digests::Finish() {
  values_.clear();
  if (context_ == nullptr) return;
  rhash_final(static_cast<rhash>(context_), nullptr);
  for (DigestKind kind : kinds_) {
    // 130 characters hold the longest hex digest librhash prints.
    char text[130] = {};
    const size_t length = rhash_print(text, static_cast<rhash>(context_), RhashId(kind), RHPR_HEX);
    values_.push_back({kind, std::string(text, length)});
  }
}

}  // namespace tamarack
