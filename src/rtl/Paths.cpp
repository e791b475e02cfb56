#include "rtl/Paths.h"

#include <filesystem>
#include <vector>

#include "rtl/Strings.h"

namespace zan {

namespace {

bool IsDriveLetter(char16_t ch) {
  return (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z');
}

bool HasDriveLetter(std::u16string_view path) {
  return path.size() >= 2 && path[1] == DriveDelim && IsDriveLetter(path[0]);
}

/// Length of the "//server/share" prefix, or 0.
size_t ShareLength(std::u16string_view path) {
  if (path.size() < 3 || path[0] != PathDelim || path[1] != PathDelim || path[2] == PathDelim)
    return 0;
  size_t server = path.find(PathDelim, 2);
  if (server == std::u16string_view::npos || server + 1 >= path.size() ||
      path[server + 1] == PathDelim)
    return 0;
  size_t share = path.find(PathDelim, server + 1);
  return share == std::u16string_view::npos ? path.size() : share;
}

/// Zero-based index of the last separator or drive colon, or npos.
size_t LastDelimiter(std::u16string_view path) {
  size_t slash = path.rfind(PathDelim);
  if (HasDriveLetter(path) && (slash == std::u16string_view::npos || slash < 1)) return 1;
  return slash;
}

bool IsDelimiterAt(std::u16string_view path, size_t index) {
  return path[index] == PathDelim || (index == 1 && HasDriveLetter(path));
}

}  // namespace

std::u16string ExtractFileDrive(std::u16string_view fileName) {
  if (HasDriveLetter(fileName)) return std::u16string(fileName.substr(0, 2));
  return std::u16string(fileName.substr(0, ShareLength(fileName)));
}

std::u16string ExtractFilePath(std::u16string_view fileName) {
  size_t last = LastDelimiter(fileName);
  return last == std::u16string_view::npos ? std::u16string()
                                           : std::u16string(fileName.substr(0, last + 1));
}

std::u16string ExtractFileDir(std::u16string_view fileName) {
  size_t last = LastDelimiter(fileName);
  if (last == std::u16string_view::npos) return {};
  size_t length = last + 1;
  // Drop the separator unless it is the root's ("/", "C:/") or follows another.
  if (last > 0 && fileName[last] == PathDelim && !IsDelimiterAt(fileName, last - 1)) length = last;
  return std::u16string(fileName.substr(0, length));
}

std::u16string ExtractFileName(std::u16string_view fileName) {
  size_t last = LastDelimiter(fileName);
  return std::u16string(last == std::u16string_view::npos ? fileName : fileName.substr(last + 1));
}

std::u16string ExtractFileExt(std::u16string_view fileName) {
  size_t dot = fileName.rfind(ExtensionDelim);
  size_t last = LastDelimiter(fileName);
  if (dot == std::u16string_view::npos || (last != std::u16string_view::npos && dot < last))
    return {};
  return std::u16string(fileName.substr(dot));
}

std::u16string ChangeFileExt(std::u16string_view fileName, std::u16string_view extension) {
  std::u16string_view stem = fileName.substr(0, fileName.size() - ExtractFileExt(fileName).size());
  std::u16string result(stem);
  result += extension;
  return result;
}

bool IsSourceUnitFile(std::u16string_view fileName) {
  const std::u16string ext = ExtractFileExt(fileName);
  return SameText(ext, u".pas") || SameText(ext, u".dpr");
}

bool IsPascalUnitFile(std::u16string_view fileName) {
  return SameText(ExtractFileExt(fileName), u".pas");
}

bool IsFormFile(std::u16string_view fileName) {
  const std::u16string ext = ExtractFileExt(fileName);
  return SameText(ext, u".dfm") || SameText(ext, u".nfm");
}

std::u16string IncludeTrailingPathDelimiter(std::u16string_view path) {
  std::u16string result(path);
  if (result.empty() || result.back() != PathDelim) result += PathDelim;
  return result;
}

std::u16string ExcludeTrailingPathDelimiter(std::u16string_view path) {
  std::u16string result(path);
  if (!result.empty() && result.back() == PathDelim) result.pop_back();
  return result;
}

bool HasDrivePart(std::u16string_view path) {
  return HasDriveLetter(path) || (!path.empty() && path[0] == PathDelim);
}

bool IsAbsolutePath(std::u16string_view path) {
  if (HasDriveLetter(path)) return path.size() >= 3 && path[2] == PathDelim;
  return !path.empty() && path[0] == PathDelim;
}

std::u16string ExpandFileName(std::u16string_view fileName, std::u16string_view baseFolder) {
  if (fileName.empty()) return {};
  std::u16string full;
  if (IsAbsolutePath(fileName)) {
    full = fileName;
  } else if (HasDriveLetter(fileName)) {
    // "C:Unit1.pas": relative to the drive's root, the only folder we know on it.
    full = std::u16string(fileName.substr(0, 2)) + PathDelim + std::u16string(fileName.substr(2));
  } else {
    std::u16string base = baseFolder.empty() ? GetCurrentFolder() : ExpandFileName(baseFolder);
    full = IncludeTrailingPathDelimiter(base) + std::u16string(fileName);
  }
  // The root part that ".." cannot climb above.
  size_t rootLength = ShareLength(full);
  if (rootLength == 0) rootLength = HasDriveLetter(full) ? 2 : 0;
  std::u16string root = full.substr(0, rootLength);
  bool trailing = full.size() > rootLength && full.back() == PathDelim;

  std::vector<std::u16string> segments;
  size_t pos = rootLength;
  while (pos <= full.size()) {
    size_t next = full.find(PathDelim, pos);
    if (next == std::u16string::npos) next = full.size();
    std::u16string segment = full.substr(pos, next - pos);
    if (segment == u"..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != u".") {
      segments.push_back(std::move(segment));
    }
    pos = next + 1;
  }
  std::u16string result = root;
  for (const std::u16string& segment : segments) result += PathDelim + segment;
  if (segments.empty() || trailing) result += PathDelim;
  return result;
}

std::u16string ExtractRelativePath(std::u16string_view baseName, std::u16string_view destName) {
  std::u16string basePath = ExtractFilePath(baseName);
  std::u16string destPath = ExtractFilePath(destName);
  if (ExtractFileDrive(basePath) != ExtractFileDrive(destPath) ||
      HasDrivePart(basePath) != HasDrivePart(destPath))
    return std::u16string(destName);
  auto split = [](const std::u16string& path) {
    std::vector<std::u16string> parts;
    size_t pos = 0;
    while (pos < path.size()) {
      size_t next = path.find(PathDelim, pos);
      if (next == std::u16string::npos) next = path.size();
      if (next > pos) parts.push_back(path.substr(pos, next - pos));
      pos = next + 1;
    }
    return parts;
  };
  std::vector<std::u16string> base = split(basePath), dest = split(destPath);
  size_t common = 0;
  while (common < base.size() && common < dest.size() && base[common] == dest[common]) ++common;
  std::u16string result;
  for (size_t i = common; i < base.size(); ++i) result += u"../";
  for (size_t i = common; i < dest.size(); ++i) result += dest[i] + PathDelim;
  return result + ExtractFileName(destName);
}

std::u16string GetCurrentFolder() {
  std::error_code ec;
  std::filesystem::path current = std::filesystem::current_path(ec);
  return ec ? std::u16string(u"/") : Utf8ToUtf16(current.string());
}

}  // namespace zan
