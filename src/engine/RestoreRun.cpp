#include "engine/RestoreRun.h"

#include <algorithm>

#include "engine/FileUtils.h"
#include "engine/PublishManifest.h"
#include "engine/UndoFile.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// Whether `path` is absolute and names no "." or ".." step.
bool IsPlainAbsolutePath(std::u16string_view path) {
  if (!IsAbsolutePath(path)) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'/', start);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view step = path.substr(start, end - start);
    if (step == u"." || step == u"..") return false;
    start = end + 1;
  }
  return true;
}

std::u16string ProblemOf(TFileSystem& fs, const std::u16string& backupFolder,
                         const TUndoEntry& entry) {
  if (!entry.BackupExists) return u"backup missing";
  if (!IsPlainAbsolutePath(entry.Backup) || !entry.Backup.starts_with(backupFolder))
    return u"backup is not in the backup folder";
  if (fs.IsLink(entry.Backup)) return u"backup is a symbolic link";
  if (!LooksLikeBackupOf(entry.Original, entry.Backup))
    return u"backup is not named after the original";
  if (!IsPlainAbsolutePath(entry.Original)) return u"original is not a plain absolute path";
  if (fs.IsLink(entry.Original)) return u"original is a symbolic link";
  const TFileAttributes original = fs.GetAttributes(entry.Original);
  if (original.IsFolder) return u"original is a folder";
  if (!original.Exists) {
    const std::u16string folder = ExtractFileDir(entry.Original);
    if (!fs.IsFolder(folder) || fs.IsLink(folder)) return u"original's folder is missing";
  } else if (!fs.CanReplace(entry.Original)) {
    return u"original cannot be written";
  }
  return {};
}

}  // namespace

int TRestorePlan::Problems() const {
  return static_cast<int>(std::count_if(Items.begin(), Items.end(),
                                        [](const TRestoreItem& i) { return !i.Problem.empty(); }));
}

int TRestorePlan::ChangedFiles() const {
  return static_cast<int>(std::count_if(
      Items.begin(), Items.end(), [](const TRestoreItem& i) { return i.ChangedSinceMigration; }));
}

bool TRestorePlan::CanRestore() const {
  return !Items.empty() && Problems() == 0 && (Force || ChangedFiles() == 0);
}

TRestorePlan PlanRestore(TFileSystem& fs, const std::u16string& undoFile, bool force) {
  TRestorePlan plan;
  plan.Force = force;
  const std::u16string backupFolder = IncludeTrailingPathDelimiter(ExtractFileDir(undoFile));
  const TPublishManifest manifest =
      TPublishManifest::Load(fs, TPublishManifest::FileNameFor(undoFile));
  for (TUndoEntry& entry : ReadUndoEntries(fs, undoFile)) {
    TRestoreItem item;
    item.Problem = ProblemOf(fs, backupFolder, entry);
    if (item.Problem.empty() && manifest.Find(entry.Original) && fs.IsFile(entry.Original)) {
      // Neither what was published nor the original (a restore cut short
      // already put it back): edited since.
      const std::string current = fs.ReadFile(entry.Original);
      item.ChangedSinceMigration =
          !manifest.Matches(entry.Original, current) && current != fs.ReadFile(entry.Backup);
    }
    item.Entry = std::move(entry);
    plan.Items.push_back(std::move(item));
  }
  return plan;
}

TRestoreOutcome ExecuteRestore(TFileSystem& fs, const std::u16string& undoFile,
                               const TRestorePlan& plan) {
  TRestoreOutcome outcome;
  if (!plan.CanRestore()) {
    for (const TRestoreItem& item : plan.Items) outcome.NotRestored.push_back(item.Entry.Original);
    return outcome;
  }
  for (const TRestoreItem& item : plan.Items) {
    if (!outcome.FailedFile.empty()) {
      outcome.NotRestored.push_back(item.Entry.Original);
      continue;
    }
    if (TFileStatus status = fs.CopyFile(item.Entry.Backup, item.Entry.Original, true); !status) {
      outcome.FailedFile = item.Entry.Original;
      outcome.Failure = Utf8ToUtf16(status.Message());
      outcome.NotRestored.push_back(item.Entry.Original);
      continue;
    }
    outcome.Restored.push_back(item.Entry.Original);
  }
  // The files put back hold their originals again: the manifest forgets them.
  const std::u16string manifestFile = TPublishManifest::FileNameFor(undoFile);
  if (!outcome.Restored.empty() && fs.Exists(manifestFile) && !fs.IsLink(manifestFile)) {
    TPublishManifest manifest = TPublishManifest::Load(fs, manifestFile);
    for (const std::u16string& file : outcome.Restored) manifest.Erase(file);
    (void)(manifest.Empty() ? fs.RemoveFile(manifestFile)
                            : fs.WriteAtomic(manifestFile, manifest.Encode()));
  }
  outcome.Ok = outcome.FailedFile.empty();
  return outcome;
}

bool RestoreFromUndoFile(TFileSystem& fs, const std::u16string& undoFile) {
  return ExecuteRestore(fs, undoFile, PlanRestore(fs, undoFile, false)).Ok;
}

}  // namespace zan
