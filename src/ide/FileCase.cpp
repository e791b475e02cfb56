#include "ide/FileCase.h"

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
                                                              const std::u16string& folder) {
  auto [at, added] = FEntries.try_emplace(folder);
  if (added) {
    std::vector<TFolderEntry> entries;
    if (fs.List(folder, entries)) at->second = std::move(entries);
  }
  return at->second ? &*at->second : nullptr;
}

std::u16string FindFileIgnoringCase(TFileSystem& fs, std::u16string_view path,
                                    TFolderListingCache* cache) {
  if (path.empty() || path.front() != u'/') return {};
  if (fs.Exists(path)) return std::u16string(path);
  std::vector<TFolderEntry> listed;
  auto entriesOf = [&](const std::u16string& folder) -> const std::vector<TFolderEntry>* {
    if (cache) return cache->Entries(fs, folder);
    listed.clear();
    return fs.List(folder, listed) ? &listed : nullptr;
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
  const size_t slash = path.rfind(u'/');
  std::u16string folder(path.substr(0, slash));
  if (!folder.empty() && fs.IsFolder(folder)) {
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
