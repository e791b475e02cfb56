#include "ide/FileCase.h"

#include <algorithm>
#include <vector>

#include "rtl/Strings.h"

namespace zan {

namespace {

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find(u'/', start);
    if (slash == std::u16string_view::npos) slash = path.size();
    if (slash > start) parts.emplace_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

}  // namespace

const std::vector<TFolderEntry>* TFolderListingCache::Entries(TFileSystem& fs,
                                                              std::u16string_view folder,
                                                              TFileStatus* why) {
  auto [at, added] = FEntries.try_emplace(NormalizeSeparators(folder));
  TListing& listing = at->second;
  if (added) listing.Status = fs.List(at->first, listing.Entries);
  if (why) *why = listing.Status;
  return listing.Status ? &listing.Entries : nullptr;
}

const std::vector<TFolderEntry>* TFolderListingCache::Listed(std::u16string_view folder) const {
  const auto at = FEntries.find(NormalizeSeparators(folder));
  return at != FEntries.end() && at->second.Status ? &at->second.Entries : nullptr;
}

const TFolderEntry* TFolderListingCache::Entry(TFileSystem& fs, std::u16string_view path) {
  const size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos || slash + 1 == path.size()) return nullptr;
  const std::vector<TFolderEntry>* entries =
      Entries(fs, slash == 0 ? std::u16string_view(u"/") : path.substr(0, slash));
  if (!entries) return nullptr;
  // Listings are ordered by name (code units).
  const std::u16string_view name = path.substr(slash + 1);
  const auto at = std::lower_bound(
      entries->begin(), entries->end(), name,
      [](const TFolderEntry& entry, std::u16string_view key) { return entry.Name < key; });
  return at != entries->end() && at->Name == name ? &*at : nullptr;
}

std::u16string FindFileIgnoringCase(TFileSystem& fs, std::u16string_view path,
                                    TFolderListingCache* cache) {
  if (path.empty() || path.front() != u'/') return {};
  const size_t slash = path.rfind(u'/');
  std::u16string folder(path.substr(0, slash));
  // A folder listed already answers for its names.
  const std::vector<TFolderEntry>* listed =
      cache && !folder.empty() ? cache->Listed(folder) : nullptr;
  if (listed) {
    const TFolderEntry* exact = cache->Entry(fs, path);
    if (exact && !exact->IsLink) return std::u16string(path);
    // A link leads somewhere or nowhere: the file system tells.
    if (exact && fs.Exists(path)) return std::u16string(path);
  } else if (fs.Exists(path)) {
    return std::u16string(path);
  }
  std::vector<TFolderEntry> own;
  auto entriesOf = [&](const std::u16string& folder) -> const std::vector<TFolderEntry>* {
    if (cache) return cache->Entries(fs, folder);
    own.clear();
    return fs.List(folder, own) ? &own : nullptr;
  };
  // The part of `path` in the right letter case is followed by `part`.
  auto matchIn = [&](const std::u16string& current, const std::u16string& part,
                     std::u16string& next) {
    const std::vector<TFolderEntry>* entries = entriesOf(current.empty() ? u"/" : current);
    if (!entries) return false;
    for (const TFolderEntry& entry : *entries) {
      if (AnsiSameText(entry.Name, part)) {
        next = current + u'/' + entry.Name;
        return true;
      }
    }
    return false;
  };
  std::vector<std::u16string> parts = SplitPath(path);
  if (parts.empty()) return u"/";
  // Usually only the file name differs: its folder exists as written.
  if (listed || (!folder.empty() && fs.IsFolder(folder))) {
    std::u16string found;
    return matchIn(folder, parts.back(), found) ? found : std::u16string();
  }
  std::u16string current;
  for (const std::u16string& part : parts) {
    std::u16string next = current + u'/' + part;
    if (!fs.Exists(next) && !matchIn(current, part, next)) return {};
    current = std::move(next);
  }
  return current;
}

std::u16string MakeNativePath(std::u16string_view baseFolder, std::u16string_view written) {
  std::u16string path(written);
  for (char16_t& ch : path)
    if (ch == u'\\') ch = u'/';
  if (path.empty() || path.front() != u'/') {
    std::u16string base(baseFolder);
    if (!base.empty() && base.back() != u'/') base += u'/';
    path = base + path;
  }
  std::vector<std::u16string> kept;
  for (std::u16string& part : SplitPath(path)) {
    if (part == u".") continue;
    if (part == u"..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(std::move(part));
  }
  std::u16string result;
  const bool absolute = !path.empty() && path.front() == u'/';
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0 || absolute) result += u'/';
    result += kept[i];
  }
  return result.empty() && absolute ? std::u16string(u"/") : result;
}

}  // namespace zan
