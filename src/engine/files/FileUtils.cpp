#include "engine/files/FileUtils.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

bool EndsWithDelimiter(std::u16string_view path) {
  return !path.empty() && path.back() == PathDelim;
}

}  // namespace

// ----- file utilities

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string result(folder);
  if (!folder.empty() && !EndsWithDelimiter(folder)) result += PathDelim;
  if (name.size() > 1 && name[0] == PathDelim) name.remove_prefix(1);
  result += name;
  return result;
}

std::u16string MakeBackupName(std::u16string_view fileName) {
  std::u16string extension = ExtractFileExt(fileName);
  std::u16string backupExtension = u".~";
  if (extension.size() > 1) backupExtension += extension.substr(1);
  return ChangeFileExt(fileName, backupExtension);
}

bool ForceFolder(std::u16string_view path, TFileSystem& fs) {
  // A relative path would create folders under the current folder.
  if (!HasDrivePart(path)) return false;
  // The common case, a folder made before, costs one query.
  if (fs.IsFolder(path)) return true;
  auto create = [&](std::u16string_view folder) {
    TFileStatus status = fs.MakeFolder(folder);
    return status.Ok() || status.Code() == TFileErrorCode::AlreadyExists;
  };
  bool driveRoot = path.size() >= 2 && path[1] == DriveDelim;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != PathDelim) continue;
    // The root ("/" on Linux, "C:/" on Windows) is never created.
    bool root = i == 0 || (i == 2 && driveRoot);
    if (!root && !create(path.substr(0, i))) return false;
    if (i + 1 == path.size()) return true;
  }
  if (path.size() == 2 && driveRoot) return true;  // "C:" names the drive root too
  return create(path);
}

TFolderMaker::TResult TFolderMaker::Force(TFileSystem& fs, std::u16string_view root,
                                          std::u16string_view folder, bool refuseLinks,
                                          std::u16string* step) {
  const std::u16string base = NormalizeSeparators(root);
  const std::u16string target = NormalizeSeparators(folder);
  if (base.empty() || base == u"/" || !target.starts_with(base) ||
      (target.size() > base.size() && target[base.size()] != PathDelim))
    return ForceFolder(folder, fs) ? TResult::Ready : TResult::Failed;
  // The steps below `root` not met before, deepest first.
  std::vector<std::u16string_view> missing;
  std::u16string_view at = target;
  while (at.size() > base.size() && !FKnown.contains(std::u16string(at))) {
    missing.push_back(at);
    at = at.substr(0, at.rfind(PathDelim));
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const std::u16string path(*it);
    const TFileStatus status = fs.MakeFolder(path);
    if (!status) {
      if (status.Code() != TFileErrorCode::AlreadyExists) return TResult::Failed;
      if (refuseLinks && fs.IsLink(path)) {
        if (step) *step = path;
        return TResult::Link;
      }
    }
    FKnown.insert(path);
  }
  return TResult::Ready;
}

bool TFolderMaker::RemoveTree(TFileSystem& fs, std::u16string_view root) {
  const std::u16string base = NormalizeSeparators(root);
  std::vector<std::u16string> below;
  for (const std::u16string& folder : FKnown)
    if (folder.size() > base.size() && folder.starts_with(base) && folder[base.size()] == PathDelim)
      below.push_back(folder);
  // A folder's path is longer than its parent's: the longest go first.
  std::sort(below.begin(), below.end(),
            [](const std::u16string& a, const std::u16string& b) { return a.size() > b.size(); });
  for (const std::u16string& folder : below) {
    if (!fs.RemoveFolder(folder)) return false;
    FKnown.erase(folder);
  }
  return fs.RemoveFolder(base).Ok();
}

std::u16string CreateTempFolder(std::u16string_view prefix, unsigned firstNumber, TFileSystem& fs) {
  std::u16string folder;
  if (!fs.GetTempFolder(folder)) return {};
  // The system names temporary files from the first three ANSI characters of
  // the prefix and the low 16 bits of the number, never 0.
  std::u16string stem = AnsiToUnicode(UnicodeToAnsi(prefix)).substr(0, 3);
  unsigned number = firstNumber;
  for (unsigned attempt = 0; attempt < 0x10000; ++attempt, ++number) {
    unsigned unique = number & 0xFFFF;
    if (unique == 0) continue;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", unique);
    std::u16string candidate = JoinPath(folder, stem + U16(hex));
    if (fs.Exists(candidate)) continue;
    TFileStatus status = fs.MakeFolder(candidate);
    if (status) return candidate;
    if (status.Code() != TFileErrorCode::AlreadyExists) return {};  // created meanwhile: go on
  }
  return {};
}

namespace {

bool TransferFolderTree(std::u16string_view source, std::u16string_view dest, TFileSystem& files,
                        bool move) {
  std::vector<TFolderEntry> entries;
  if (!files.List(source, entries)) return false;
  bool ok = true;
  for (const TFolderEntry& entry : entries) {
    std::u16string from = JoinPath(source, entry.Name);
    std::u16string to = JoinPath(dest, entry.Name);
    if (entry.IsFolder) {
      TFileStatus made = files.MakeFolder(to);
      if (!made && made.Code() != TFileErrorCode::AlreadyExists) {
        ok = false;
        continue;
      }
      if (!TransferFolderTree(from, to, files, move)) ok = false;
    } else if (!(move ? files.MoveFile(from, to) : files.CopyFile(from, to, true))) {
      ok = false;  // go on with the rest; the caller learns of it from the result
    }
  }
  return ok;
}

}  // namespace

bool CopyFolderTree(std::u16string_view source, std::u16string_view dest, TFileSystem& fs) {
  if (!HasDrivePart(source) || !HasDrivePart(dest)) return false;
  return TransferFolderTree(source, dest, fs, false);
}

bool MoveFolderTree(std::u16string_view source, std::u16string_view dest, TFileSystem& fs) {
  if (!HasDrivePart(source) || !HasDrivePart(dest)) return false;
  return TransferFolderTree(source, dest, fs, true);
}

bool DeleteFolderTree(std::u16string_view folder, TFileSystem& fs) {
  if (!HasDrivePart(folder)) return false;
  std::vector<TFolderEntry> entries;
  if (fs.List(folder, entries)) {
    for (const TFolderEntry& entry : entries) {
      std::u16string path = JoinPath(folder, entry.Name);
      if (entry.IsFolder && !entry.IsLink)
        DeleteFolderTree(path, fs);
      else
        (void)fs.RemoveFile(path);
    }
  }
  return fs.RemoveFolder(folder).Ok();
}

}  // namespace zan
