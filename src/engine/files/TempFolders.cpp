#include "engine/files/TempFolders.h"

#include <memory>
#include <random>
#include <vector>

#include "engine/files/FileUtils.h"
#include "rtl/FileSystem.h"
#include "rtl/Paths.h"

namespace zan {

namespace {

constexpr std::u16string_view kTempPrefix = u"zanmig-";
constexpr size_t kRandomLength = 6;
constexpr char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyz0123456789";
/// A folder younger than this may belong to a run that has not locked it yet.
constexpr int64_t kDeadAfterSeconds = 3600;

bool IsLetterOrDigit(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') || (ch >= u'0' && ch <= u'9');
}

}  // namespace

bool IsTempFolderName(std::u16string_view name) {
  if (name.size() != kTempPrefix.size() + kRandomLength || !name.starts_with(kTempPrefix))
    return false;
  for (char16_t ch : name.substr(kTempPrefix.size()))
    if (!IsLetterOrDigit(ch)) return false;
  return true;
}

std::u16string MakeRandomPrivateFolder(TFileSystem& fs, const std::u16string& parent,
                                       std::u16string_view prefix) {
  thread_local std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::u16string name(prefix);
    for (size_t i = 0; i < kRandomLength; ++i) name += kLetters[random() % 36];
    const std::u16string folder = JoinPath(parent, name);
    const TFileStatus status = fs.MakePrivateFolder(folder);
    if (status) return folder;
    if (status.Code() != TFileErrorCode::AlreadyExists) break;
  }
  return {};
}

int RemoveDeadTempFolders(TFileSystem& fs, const std::u16string& tempRoot, int64_t now) {
  std::vector<TFolderEntry> entries;
  if (!fs.List(tempRoot, entries)) return 0;
  int removed = 0;
  for (const TFolderEntry& entry : entries) {
    if (!IsTempFolderName(entry.Name) || entry.IsLink) continue;
    const std::u16string folder = JoinPath(tempRoot, entry.Name);
    TEntryStatus status;
    if (!fs.GetEntryStatus(folder, status) || !status.IsFolder || status.IsLink ||
        !status.OwnedByUser || now - status.ModifiedTime < kDeadAfterSeconds)
      continue;
    // A living run holds the lock of its folder; the lock of a dead one is free.
    std::unique_ptr<TFolderLock> lock;
    std::u16string holder;
    if (!fs.LockFolder(folder, lock, holder)) continue;
    removed += DeleteFolderTree(folder, fs) ? 1 : 0;
  }
  return removed;
}

}  // namespace zan
