#include "engine/phases/PublishPhase.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/files/FileUtils.h"
#include "engine/files/TempFolders.h"
#include "engine/phases/BackupPhase.h"
#include "engine/phases/RunResults.h"
#include "engine/report/RExpertRes.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view sNotEnoughSpace =
    u"Not enough free space on the file system of \"%s\": the run needs about %s there and %s "
    u"are free. No original was changed.";
/// Kept free on every file system the run writes, besides what it writes.
constexpr uint64_t kSpaceMargin = uint64_t{4} << 20;
/// What one changed file adds to the undo file and the manifest, each
/// written anew beside the old one.
constexpr uint64_t kRecordBytesPerFile = 2048;
/// What one file of the work list adds to the log.
constexpr uint64_t kLogBytesPerFile = 512;

/// Each changed original once (a form two units name is listed twice).
std::vector<TWorkItem*> ChangedFiles(TRunState& state) {
  std::vector<TWorkItem*> items;
  std::unordered_set<std::u16string> seen;
  for (TWorkItem& item : state.Work)
    if (item.Changed && seen.insert(item.Path).second) items.push_back(&item);
  return items;
}

/// "600 KB", "5.2 MB".
std::u16string SizeText(uint64_t bytes) {
  char text[32];
  if (bytes < (uint64_t{1} << 20))
    std::snprintf(text, sizeof text, "%llu KB",
                  static_cast<unsigned long long>((bytes + 1023) / 1024));
  else
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  return Utf8ToUtf16(text);
}

/// A second name of the file `path` in one of the run's put-back folders on
/// its file system, made beside it when none is; empty when the file system
/// has no hard links (or no folder can be made there).
std::u16string KeepReachable(TRunState& state, const std::u16string& path,
                             std::unordered_set<std::u16string>& folderless) {
  TFileSystem& fs = state.Fs;
  auto linkInto = [&](const std::u16string& folder) {
    std::u16string name = JoinPath(folder, IntToStr(state.PutBackNames));
    if (!fs.LinkFile(path, name)) return std::u16string();
    ++state.PutBackNames;
    return name;
  };
  // The folder that took the last file is tried first: files come folder by
  // folder, and a file system without the temporary folder would otherwise
  // refuse each of them there once more.
  std::vector<std::u16string>& folders = state.PutBackFolders;
  for (auto folder = folders.begin(); folder != folders.end(); ++folder)
    if (std::u16string name = linkInto(*folder); !name.empty()) {
      std::rotate(folders.begin(), folder, folder + 1);
      return name;
    }
  const std::u16string parent = ExtractFileDir(path);
  if (folderless.contains(parent)) return {};
  const std::u16string folder = MakeRandomPrivateFolder(fs, parent, u".zanmig-");
  if (!folder.empty()) {
    if (std::u16string name = linkInto(folder); !name.empty()) {
      state.PutBackFolders.push_back(folder);
      return name;
    }
    (void)fs.RemoveFolder(folder);
  }
  folderless.insert(parent);
  return {};
}

/// Puts the original of `item` back: its second name renamed back (no room
/// needed), else moved or copied back, else this run's backup copied back.
bool PutBackOne(TRunState& state, const TWorkItem& item) {
  TFileSystem& fs = state.Fs;
  if (!item.PutBack.empty() &&
      (fs.Rename(item.PutBack, item.Path) || fs.MoveFile(item.PutBack, item.Path)))
    return true;
  // This run's backup holds the original as it was before the run; an
  // earlier run's holds an older one.
  const auto made = state.Undo.NewBackups.find(item.Path);
  return made != state.Undo.NewBackups.end() && fs.CopyFile(made->second, item.Path, true);
}

/// Puts back the originals of `replaced`; returns those it could not.
std::u16string PutBack(TRunState& state, const std::vector<TWorkItem*>& replaced) {
  std::u16string failed;
  for (auto it = replaced.rbegin(); it != replaced.rend(); ++it)
    if (!PutBackOne(state, **it))
      failed += (failed.empty() ? u"\"" : u", \"") + (*it)->Path + u"\"";
  return failed;
}

}  // namespace

void CheckFreeSpace(TRunState& state, const std::u16string& logFolder) {
  const std::vector<TWorkItem*> items = ChangedFiles(state);
  if (items.empty()) return;
  TFileSystem& fs = state.Fs;
  struct TVolume {
    std::u16string Where;  // the first folder met on it
    uint64_t Free = 0;
    uint64_t Needed = 0;
    bool Written = false;
  };
  std::map<uint64_t, TVolume> volumes;
  // The volume of each folder asked about (nothing: the file system cannot
  // tell), so that a folder of many changed files is asked about once.
  std::unordered_map<std::u16string, std::optional<uint64_t>> folderVolumes;
  // The volume of `folder`, or nullptr when the file system cannot tell.
  auto volumeOf = [&](const std::u16string& folder, uint64_t* id = nullptr) -> TVolume* {
    auto [known, added] = folderVolumes.try_emplace(folder);
    if (added) {
      TFreeSpace space;
      if (!fs.FreeSpace(folder, space)) return nullptr;
      known->second = space.Volume;
      volumes.try_emplace(space.Volume, TVolume{folder, space.Bytes});
    }
    if (!known->second) return nullptr;
    if (id) *id = *known->second;
    return &volumes.at(*known->second);
  };
  uint64_t tempId = 0;
  const bool tempKnown = volumeOf(state.TempFolder, &tempId) != nullptr;
  uint64_t backupId = 0;
  TVolume* backupVolume = nullptr;
  for (const TWorkItem* item : items) {
    uint64_t id = 0;
    TVolume* volume = volumeOf(ExtractFileDir(item->Path), &id);
    // Looked up after the first original, so that a message names the tree.
    if (state.Options.MakeBackup && !backupVolume)
      backupVolume = volumeOf(state.Options.BackupDir, &backupId);
    if (!volume) continue;
    volume->Written = true;
    // From another file system a changed file is copied beside its original.
    if (!tempKnown || id != tempId) volume->Needed += item->Size;
    // A backup on another file system is a copy, not a link.
    if (backupVolume && backupId != id && !state.Undo.FirstBackups.contains(item->Path))
      backupVolume->Needed += fs.GetAttributes(item->Path).Size;
  }
  if (backupVolume) {
    backupVolume->Written = true;
    backupVolume->Needed +=
        2 * (state.Undo.PreviousUndo.size() + state.Undo.PreviousManifest.size()) +
        items.size() * kRecordBytesPerFile;
  }
  if (!logFolder.empty())
    if (TVolume* logVolume = volumeOf(logFolder)) {
      logVolume->Written = true;
      logVolume->Needed += state.Work.size() * kLogBytesPerFile;
    }
  for (const auto& [id, volume] : volumes) {
    if (!volume.Written) continue;
    const uint64_t needed = volume.Needed + volume.Needed / 10 + kSpaceMargin;
    if (volume.Free < needed)
      throw EFileError(
          res::Fmt(sNotEnoughSpace, {volume.Where, SizeText(needed), SizeText(volume.Free)}));
  }
}

void KeepOriginalsReachable(TRunState& state) {
  const std::vector<TWorkItem*> items = ChangedFiles(state);
  TFileSystem& fs = state.Fs;
  std::unordered_set<std::u16string> folderless;
  // The temporary folder first: where it shares the originals' file system,
  // nothing is made beside them.
  const std::u16string inTemp = JoinPath(state.TempFolder, u".originals");
  const bool tempReady = ForceFolder(inTemp, fs);
  if (tempReady) state.PutBackFolders.push_back(inTemp);
  for (TWorkItem* item : items) {
    item->PutBack = KeepReachable(state, item->Path, folderless);
    if (!item->PutBack.empty() || state.Undo.NewBackups.contains(item->Path)) continue;
    // No second name, and no backup of this run holds the original as it is
    // now: the run keeps a copy itself until it is done.
    if (!tempReady) throw EFileError(res::sFailedToCreateDirectory);
    item->PutBack = JoinPath(inTemp, IntToStr(state.PutBackNames++));
    fs.LinkOrCopyFile(item->Path, item->PutBack).Check();
  }
  TUndoRecord& record = state.Undo;
  if (record.UndoExisted)
    record.UndoPutBack = KeepReachable(state, UndoFileName(state), folderless);
  if (record.ManifestExisted)
    record.ManifestPutBack = KeepReachable(state, record.ManifestFile, folderless);
}

void PublishChangedFiles(TRunState& state) {
  const std::vector<TWorkItem*> items = ChangedFiles(state);
  if (state.Results.ChangedFilesCount > 0) state.Log.WriteLine(res::sReplacingOriginals);
  TFileSystem& fs = state.Fs;
  for (const TWorkItem* item : items)
    if (!fs.CanReplace(item->Path))
      throw EFileError(res::Fmt(res::sCannotReplaceOriginal, {item->Path}));
  std::vector<TWorkItem*> replaced;
  for (TWorkItem* item : items) {
    if (TFileStatus status = fs.MoveFile(item->TempPath, item->Path); !status) {
      const std::u16string reason = Utf8ToUtf16(status.Message());
      const std::u16string failed = PutBack(state, replaced);
      if (failed.empty()) {
        RestoreUndoRecord(state);
        throw EFileError(res::Fmt(res::sPublishRolledBack, {item->Path, reason}));
      }
      // The undo file stays: it is what restores the originals not put back.
      throw EPublishIncomplete(
          res::Fmt(res::sPublishNotRolledBack, {item->Path, reason, failed, UndoFileName(state)}));
    }
    replaced.push_back(item);
  }
}

void RemovePutBackFolders(TRunState& state) {
  for (const std::u16string& folder : state.PutBackFolders) DeleteFolderTree(folder, state.Fs);
  state.PutBackFolders.clear();
}

}  // namespace zan
