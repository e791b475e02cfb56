#include "engine/restore/RestoreRun.h"

#include <algorithm>

#include "engine/files/FileUtils.h"
#include "engine/files/PublishManifest.h"
#include "engine/files/UndoFile.h"
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

/// Whether a folder between `folder` and `path` (which lies below it) is a
/// symbolic link; neither `folder` nor `path` itself is asked about.
bool LinkOnTheWay(TFileSystem& fs, const std::u16string& folder, const std::u16string& path) {
  size_t pos = IncludeTrailingPathDelimiter(folder).size();
  for (size_t slash; (slash = path.find(u'/', pos)) != std::u16string::npos; pos = slash + 1)
    if (fs.IsLink(path.substr(0, slash))) return true;
  return false;
}

/// The manifest beside `undoFile`; one that is a link is not read (restore
/// trusts nothing it did not write).
TPublishManifest LoadManifest(TFileSystem& fs, const std::u16string& undoFile) {
  const std::u16string file = TPublishManifest::FileNameFor(undoFile);
  if (fs.IsLink(file)) return {};
  return TPublishManifest::Load(fs, file);
}

std::u16string TreeOf(const TPublishManifest& manifest, const std::u16string& undoFile) {
  if (!manifest.Root().empty()) return manifest.Root();
  return ExtractFileDir(ExtractFileDir(undoFile));
}

std::u16string ProblemOf(TFileSystem& fs, const std::u16string& backupFolder,
                         const std::u16string& root, const TPublishManifest& manifest,
                         const TUndoEntry& entry) {
  if (!entry.BackupExists) return u"backup missing";
  if (!IsPlainAbsolutePath(entry.Backup) || !entry.Backup.starts_with(backupFolder))
    return u"backup is not in the backup folder";
  if (fs.IsLink(entry.Backup)) return u"backup is a symbolic link";
  if (fs.IsLink(ExcludeTrailingPathDelimiter(backupFolder)) ||
      LinkOnTheWay(fs, backupFolder, entry.Backup))
    return u"backup is reached through a symbolic link";
  if (fs.GetAttributes(entry.Backup).IsSpecial) return u"backup is not a regular file";
  if (!LooksLikeBackupOf(entry.Original, entry.Backup))
    return u"backup is not named after the original";
  const std::u16string& original = entry.Original;
  if (!IsPlainAbsolutePath(original)) return u"original is not a plain absolute path";
  // Inside the tree of the runs, or a file a run published outside it (a
  // project's unit beside the project's folder).
  const bool inTree = FolderHolds(root, original) && NormalizeSeparators(original) != root;
  if (!inTree && !manifest.Find(original)) return u"original is outside the tree \"" + root + u"\"";
  if (fs.IsLink(original)) return u"original is a symbolic link";
  if (inTree ? LinkOnTheWay(fs, root, original) : fs.IsLink(ExtractFileDir(original)))
    return u"original is reached through a symbolic link";
  const TFileAttributes attributes = fs.GetAttributes(original);
  if (attributes.IsFolder) return u"original is a folder";
  if (attributes.IsSpecial) return u"original is not a regular file";
  if (!attributes.Exists) {
    if (!fs.IsFolder(ExtractFileDir(original))) return u"original's folder is missing";
  } else if (!fs.CanReplace(original)) {
    return u"original cannot be written";
  }
  return {};
}

/// Why the file `item` names is refused unless forced (TRestoreItem::Change).
void CheckForEdits(TFileSystem& fs, const TPublishManifest& manifest, TRestoreItem& item) {
  const std::u16string& original = item.Entry.Original;
  if (!fs.IsFile(original)) return;  // gone: nothing to lose
  const std::string current = fs.ReadFile(original);
  if (current == fs.ReadFile(item.Entry.Backup)) {
    item.Unchanged = true;  // a restore cut short, or one done before, put it back
    return;
  }
  const TPublishManifest::TEntry* published = manifest.Find(original);
  if (!published)
    item.Change =
        u"differs from its backup, and the manifest does not say what the migration wrote";
  else if (published->Restored)
    item.Change = u"changed since it was restored";
  else if (!manifest.Matches(original, current))
    item.Change = u"changed since the migration";
}

}  // namespace

int TRestorePlan::Problems() const {
  return static_cast<int>(std::count_if(Items.begin(), Items.end(),
                                        [](const TRestoreItem& i) { return !i.Problem.empty(); }));
}

int TRestorePlan::ChangedFiles() const {
  return static_cast<int>(
      std::count_if(Items.begin(), Items.end(), [](const TRestoreItem& i) { return i.Changed(); }));
}

bool TRestorePlan::CanRestore() const {
  return !Items.empty() && Problems() == 0 && (Force || ChangedFiles() == 0);
}

std::u16string RestoreTree(TFileSystem& fs, const std::u16string& undoFile) {
  return TreeOf(LoadManifest(fs, undoFile), undoFile);
}

void LockRestore(TFileSystem& fs, const std::u16string& undoFile, TRunLocks& locks) {
  const TPublishManifest manifest = LoadManifest(fs, undoFile);
  const std::u16string tree = TreeOf(manifest, undoFile);
  if (fs.IsFolder(tree)) locks.Lock(fs, tree);
  locks.Lock(fs, ExtractFileDir(undoFile));
  // The folders of files a project run published outside its tree (units
  // of its search path) are locked too, as the run locked them.
  for (const std::u16string& path : manifest.Paths()) {
    const std::u16string folder = ExtractFileDir(path);
    if (!FolderHolds(tree, path) && fs.IsFolder(folder)) locks.Lock(fs, folder);
  }
}

TRestorePlan PlanRestore(const TRunContext& context, const std::u16string& undoFile, bool force) {
  TFileSystem& fs = *context.FileSystem;
  TRestorePlan plan;
  plan.Force = force;
  const std::u16string backupFolder = IncludeTrailingPathDelimiter(ExtractFileDir(undoFile));
  const TPublishManifest manifest = LoadManifest(fs, undoFile);
  plan.Root = NormalizeSeparators(TreeOf(manifest, undoFile));
  for (TUndoEntry& entry : ReadUndoEntries(fs, undoFile, context.CodePage)) {
    TRestoreItem item;
    item.Entry = std::move(entry);
    item.Problem = ProblemOf(fs, backupFolder, plan.Root, manifest, item.Entry);
    if (item.Problem.empty()) CheckForEdits(fs, manifest, item);
    plan.Items.push_back(std::move(item));
  }
  return plan;
}

TRestoreOutcome ExecuteRestore(const TRunContext& context, const std::u16string& undoFile,
                               const TRestorePlan& plan) {
  TFileSystem& fs = *context.FileSystem;
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
    if (item.Unchanged) {
      outcome.Restored.push_back(item.Entry.Original);
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
  // The files put back stay in the manifest, marked restored: a later
  // restore refuses them when they no longer hold their backups. A manifest
  // that cannot be written loses nothing: its lines still say what the run
  // published, which the files no longer hold.
  const std::u16string manifestFile = TPublishManifest::FileNameFor(undoFile);
  if (!outcome.Restored.empty() && fs.Exists(manifestFile) && !fs.IsLink(manifestFile)) {
    TPublishManifest manifest = TPublishManifest::Load(fs, manifestFile);
    // The files restored are the first items of the plan, in its order.
    for (size_t i = 0; i < outcome.Restored.size(); ++i) {
      const TRestoreItem& item = plan.Items[i];
      const std::u16string& file = item.Entry.Original;
      TPublishManifest::TEntry entry;
      if (const TPublishManifest::TEntry* published = manifest.Find(file)) {
        entry = *published;
      } else {
        std::string backup;
        if (fs.Read(item.Entry.Backup, backup)) entry = {backup.size(), ContentHash(backup)};
      }
      manifest.MarkRestored(file, entry);
    }
    (void)fs.WriteAtomic(manifestFile, manifest.Encode());
  }
  outcome.Ok = outcome.FailedFile.empty();
  return outcome;
}

TRestoreResult PerformRestoreRun(const TRunContext& context, const std::u16string& undoFile,
                                 bool force) {
  TRestoreResult result;
  // One run per tree: restore holds the tree it writes into and the backup
  // folder, as a replace run does, from before it reads the undo file until
  // the last copy is done.
  TRunLocks locks;
  if (!context.DryRun) LockRestore(*context.FileSystem, undoFile, locks);
  result.Plan = PlanRestore(context, undoFile, force);
  if (!context.DryRun) result.Outcome = ExecuteRestore(context, undoFile, result.Plan);
  return result;
}

bool RestoreFromUndoFile(const TRunContext& context, const std::u16string& undoFile) {
  return PerformRestoreRun(context, undoFile, false).Outcome.Ok;
}

}  // namespace zan
