#include "engine/files/PublishManifest.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "engine/files/FileUtils.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::string_view kHeader = "zanmig manifest 1";
constexpr std::u16string_view kManifestName = u"RExpert.manifest";
constexpr std::string_view kRootKey = "root ";
constexpr std::string_view kRestoredKey = "restored ";

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

uint64_t ContentHash(std::string_view bytes) {
  // Thirty-two bytes a step in four independent lanes: the run hashes every
  // file it publishes, and the lanes keep the multiplier busy.
  constexpr uint64_t kPrime = 0x9e3779b97f4a7c15ULL;
  uint64_t lane[4] = {kPrime ^ bytes.size(), kPrime * 3, kPrime * 5, kPrime * 7};
  size_t i = 0;
  for (; i + 32 <= bytes.size(); i += 32) {
    for (int k = 0; k < 4; ++k) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i + 8 * k, 8);
      lane[k] = (lane[k] ^ word) * kPrime;
      lane[k] ^= lane[k] >> 29;
    }
  }
  uint64_t h = Mix(lane[0]) ^ Mix(lane[1] + 1) ^ Mix(lane[2] + 2) ^ Mix(lane[3] + 3);
  for (; i + 8 <= bytes.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    h = (h ^ Mix(word)) * 0x100000001b3ULL;
  }
  uint64_t tail = 0;
  if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
  return Mix(h ^ Mix(tail ^ (bytes.size() - i)));
}

std::u16string TPublishManifest::FileNameFor(std::u16string_view undoFile) {
  return JoinPath(ExtractFileDir(undoFile), kManifestName);
}

TPublishManifest TPublishManifest::Load(TFileSystem& fs, const std::u16string& fileName) {
  if (!fs.Exists(fileName)) return {};
  return Decode(fs.ReadFile(fileName));
}

TPublishManifest TPublishManifest::Decode(std::string_view bytes) {
  TPublishManifest manifest;
  size_t pos = 0;
  bool first = true;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      first = false;
      if (line != kHeader) return {};  // not a manifest this version knows
      continue;
    }
    if (line.starts_with(kRootKey)) {
      manifest.FRoot = Utf8ToUtf16(line.substr(kRootKey.size()));
      continue;
    }
    const bool restored = line.starts_with(kRestoredKey);
    if (restored) line.remove_prefix(kRestoredKey.size());
    const size_t sizeEnd = line.find(' ');
    const size_t hashEnd =
        sizeEnd == std::string_view::npos ? sizeEnd : line.find(' ', sizeEnd + 1);
    if (hashEnd == std::string_view::npos || hashEnd + 1 >= line.size()) continue;
    TEntry entry;
    entry.Restored = restored;
    const std::string size(line.substr(0, sizeEnd));
    const std::string hash(line.substr(sizeEnd + 1, hashEnd - sizeEnd - 1));
    if (std::sscanf(size.c_str(), "%" SCNu64, &entry.Size) != 1 ||
        std::sscanf(hash.c_str(), "%" SCNx64, &entry.Hash) != 1)
      continue;
    manifest.FEntries[Utf8ToUtf16(line.substr(hashEnd + 1))] = entry;
  }
  return manifest;
}

std::string TPublishManifest::Encode() const {
  std::string text(kHeader);
  text += '\n';
  if (!FRoot.empty()) {
    text += kRootKey;
    text += Utf16ToUtf8(FRoot);
    text += '\n';
  }
  for (const auto& [path, entry] : FEntries) {
    char head[64];
    std::snprintf(head, sizeof head, "%" PRIu64 " %016" PRIx64 " ", entry.Size, entry.Hash);
    if (entry.Restored) text += kRestoredKey;
    text += head;
    text += Utf16ToUtf8(path);
    text += '\n';
  }
  return text;
}

const TPublishManifest::TEntry* TPublishManifest::Find(const std::u16string& path) const {
  const auto it = FEntries.find(path);
  return it == FEntries.end() ? nullptr : &it->second;
}

void TPublishManifest::MarkRestored(const std::u16string& path, TEntry published) {
  const auto [it, added] = FEntries.emplace(path, published);
  it->second.Restored = true;
}

std::vector<std::u16string> TPublishManifest::Paths() const {
  std::vector<std::u16string> paths;
  for (const auto& [path, entry] : FEntries) paths.push_back(path);
  return paths;
}

bool TPublishManifest::Matches(const std::u16string& path, std::string_view bytes) const {
  const TEntry* entry = Find(path);
  return entry && entry->Size == bytes.size() && entry->Hash == ContentHash(bytes);
}

}  // namespace zan
