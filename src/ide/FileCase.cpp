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

std::u16string FindFileIgnoringCase(TFileSystem& fs, std::u16string_view path) {
  if (path.empty() || path.front() != u'/') return {};
  if (fs.Exists(path)) return std::u16string(path);
  std::u16string current;
  for (const std::u16string& part : SplitPath(path)) {
    std::u16string next = current + u'/' + part;
    if (!fs.Exists(next)) {
      std::vector<TFolderEntry> entries;
      if (!fs.List(current.empty() ? u"/" : current, entries)) return {};
      bool found = false;
      for (const TFolderEntry& entry : entries) {
        if (AnsiSameText(entry.Name, part)) {
          next = current + u'/' + entry.Name;
          found = true;
          break;
        }
      }
      if (!found) return {};
    }
    current = std::move(next);
  }
  return current.empty() ? std::u16string(u"/") : current;
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
