#include "engine/phases/BackupPhase.h"

#include <unordered_set>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/files/FileUtils.h"
#include "engine/files/PublishManifest.h"
#include "engine/files/UndoFile.h"
#include "engine/files/UndoReader.h"
#include "engine/phases/RunResults.h"
#include "engine/phases/RunScope.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "rtl/Paths.h"
#include "rtl/ScopeExit.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// Refuses to write `path` when it is a symbolic link.
void RefuseLink(TRunState& state, const std::u16string& path) {
  if (state.Fs.IsLink(path)) throw EFileError(res::Fmt(res::sWritesThroughLink, {path}));
}

void AddUndoEntry(TRunResults& results, const std::u16string& fileName,
                  const std::u16string& backup) {
  if (results.UndoIndex.emplace(fileName, results.UndoList.Count()).second)
    results.UndoList.Add(fileName + u"=" + backup);
}

std::u16string BackUpFile(TRunState& state, const TWorkItem& item) {
  TFileSystem& fs = state.Fs;
  std::u16string folder = state.Options.BackupDir;
  if (state.FolderScope()) {
    // The backup folder mirrors the scanned tree.
    folder = JoinPath(folder, ExtractFilePath(item.RelPath));
    // Each folder is made (or found, and refused when it is a link) once.
    std::u16string link;
    switch (state.MadeFolders.Force(fs, state.Options.BackupDir, folder, true, &link)) {
      case TFolderMaker::TResult::Failed:
        throw EFileError(res::sFailedToCreateDirectory);
      case TFolderMaker::TResult::Link:
        throw EFileError(res::Fmt(res::sWritesThroughLink, {link}));
      case TFolderMaker::TResult::Ready:
        break;
    }
  }
  const std::u16string backup = JoinPath(folder, MakeBackupName(ExtractFileName(item.Path)));
  RefuseLink(state, backup);
  // An original is never replaced without its backup: a failed copy stops the
  // run here, before any original is overwritten. The run only ever replaces
  // originals (never writes into them), so a hard link keeps the old bytes.
  if (TFileStatus status = fs.LinkOrCopyFile(item.Path, backup); !status)
    throw EFileError(
        res::Fmt(res::sBackupFailed, {item.Path, backup, Utf8ToUtf16(status.Message())}));
  if (state.Context.Report) state.Context.Report->Backups.push_back({item.Path, backup});
  return backup;
}

/// Raises naming both trees when the backup folder holds another tree's
/// backups: the tree its manifest records (`recorded`), or for a manifest
/// from before trees were recorded, the folder of an original of the undo
/// file outside this run's tree (in project scope, units may lie beside the
/// project's folder: the folders of `units` are this run's too).
void RefuseAnotherTreesBackups(const TRunState& state, const std::u16string& recorded,
                               const std::vector<std::u16string>& originals,
                               const std::vector<TWorkItem>& units) {
  const std::u16string root = RunRootFolder(state);
  std::u16string other = recorded;
  if (other == root) return;
  if (other.empty()) {
    std::unordered_set<std::u16string> folders;
    for (const TWorkItem& item : units) folders.insert(ExtractFileDir(item.Path));
    for (const std::u16string& original : originals) {
      if (original.empty() || FolderHolds(root, original)) continue;
      const std::u16string folder = ExtractFileDir(original);
      if (!state.FolderScope() && folders.contains(folder)) continue;
      if (other.empty() || folder < other) other = folder;
    }
    if (other.empty()) return;
  }
  throw EFileError(res::Fmt(res::sBackupFolderOfAnotherTree,
                            {ExcludeTrailingPathDelimiter(state.Options.BackupDir), other, root}));
}

}  // namespace

void CheckBackupFolderOwner(const TRunState& state, const std::vector<TWorkItem>& units) {
  if (!state.Options.MakeBackup) return;
  TFileSystem& fs = state.Fs;
  const std::u16string undoFile = UndoFileName(state);
  const std::u16string manifestFile = TPublishManifest::FileNameFor(undoFile);
  // What cannot be read here is read again, and reported, by LoadUndoRecord.
  auto read = [&fs](const std::u16string& path, std::string& bytes) {
    return fs.IsFile(path) && !fs.IsLink(path) && fs.Read(path, bytes).Ok();
  };
  std::string bytes;
  std::u16string recorded;
  if (read(manifestFile, bytes)) recorded = TPublishManifest::Decode(bytes).Root();
  std::vector<std::u16string> originals;
  if (recorded.empty() && read(undoFile, bytes))
    for (TUndoLine& line : SplitUndoFile(fs, bytes, undoFile, state.Context.CodePage))
      originals.push_back(std::move(line.Original));
  RefuseAnotherTreesBackups(state, recorded, originals, units);
}

void CreateBackupFolder(TRunState& state) {
  if (!state.Options.MakeBackup) return;
  state.Log.WriteLine(res::sCreatingBackupFolder);
  const bool made = !state.Fs.Exists(state.Options.BackupDir);
  if (!ForceFolder(state.Options.BackupDir, state.Fs))
    throw EFileError(res::sFailedToCreateDirectory);
  RefuseLink(state, ExcludeTrailingPathDelimiter(state.Options.BackupDir));
  // A folder the run made holds only the run's own files: git is told to
  // ignore all of it, so that backups never show up as untracked work. A
  // folder the user made is left as it is. Without the file git merely
  // lists the folder, so a failure to write it does not stop the run.
  if (made) (void)state.Fs.Write(JoinPath(state.Options.BackupDir, u".gitignore"), "*\n");
}

std::u16string UndoFileName(const TRunState& state) {
  return JoinPath(state.Options.BackupDir, res::sUndoFileName);
}

void LoadUndoRecord(TRunState& state) {
  if (!state.Options.MakeBackup) return;
  TUndoRecord& record = state.Undo;
  const std::u16string undoFile = UndoFileName(state);
  record.ManifestFile = TPublishManifest::FileNameFor(undoFile);
  RefuseLink(state, undoFile);
  RefuseLink(state, record.ManifestFile);
  TFileSystem& fs = state.Fs;
  if (fs.Exists(undoFile)) {
    record.PreviousUndo = ReadUndoFileBytes(fs, undoFile);
    record.UndoExisted = true;
    for (TUndoLine& line :
         SplitUndoFile(fs, record.PreviousUndo, undoFile, state.Context.CodePage)) {
      // Every line is kept as it stands; the first line of an original names
      // the backup restore takes.
      if (state.Results.UndoIndex.emplace(line.Original, state.Results.UndoList.Count()).second)
        record.FirstBackups[line.Original] = std::move(line.Backup);
      state.Results.UndoList.Add(line.Text);
    }
  }
  record.LinesBefore = state.Results.UndoList.Count();
  if (fs.Exists(record.ManifestFile)) {
    record.PreviousManifest = fs.ReadFile(record.ManifestFile);
    record.ManifestExisted = true;
  }
  std::vector<std::u16string> originals;
  for (const auto& [original, backup] : record.FirstBackups) originals.push_back(original);
  RefuseAnotherTreesBackups(state, TPublishManifest::Decode(record.PreviousManifest).Root(),
                            originals, state.Work);
}

void BackUpChangedFiles(TRunState& state) {
  if (!state.Options.MakeBackup) return;
  std::unordered_set<std::u16string> done;
  // A run stopped here (an error, an interrupt) leaves no backup of its own
  // behind: none is in an undo file yet.
  bool completed = false;
  TScopeExit dropNew([&] {
    if (completed) return;
    for (const auto& [original, backup] : state.Undo.NewBackups) (void)state.Fs.RemoveFile(backup);
  });
  for (TWorkItem& item : state.Work) {
    if (!item.Changed) continue;
    state.CheckCancelled();
    if (const auto first = state.Undo.FirstBackups.find(item.Path);
        first != state.Undo.FirstBackups.end()) {
      // Backed up by an earlier run: that backup holds the original.
      item.Backup = first->second;
      continue;
    }
    if (!done.insert(item.Path).second) {
      item.Backup = state.Undo.NewBackups[item.Path];
      continue;
    }
    item.Backup = BackUpFile(state, item);
    state.Undo.NewBackups[item.Path] = item.Backup;
    AddUndoEntry(state.Results, item.Path, item.Backup);
  }
  completed = true;
}

void SaveUndoRecord(TRunState& state) {
  if (!state.Options.MakeBackup) return;
  TUndoRecord& record = state.Undo;
  const std::u16string undoFile = UndoFileName(state);
  TFileSystem& fs = state.Fs;
  // A run that adds nothing leaves an existing undo file as it is.
  if (!record.UndoExisted || state.Results.UndoList.Count() > record.LinesBefore) {
    if (TFileStatus status = fs.WriteAtomic(
            undoFile, EncodeUndoFile(state.Results.UndoList, state.Context.CodePage));
        !status)
      throw EFileError(
          res::Fmt(res::sUndoFileWriteFailed, {undoFile, Utf8ToUtf16(status.Message())}));
    record.UndoWritten = true;
  }
  if (state.Results.ChangedFilesCount == 0) return;
  TPublishManifest manifest = TPublishManifest::Decode(record.PreviousManifest);
  manifest.SetRoot(RunRootFolder(state));
  for (const TWorkItem& item : state.Work)
    if (item.Changed) manifest.Set(item.Path, {item.Size, item.Hash});
  if (TFileStatus status = fs.WriteAtomic(record.ManifestFile, manifest.Encode()); !status)
    throw EFileError(
        res::Fmt(res::sUndoFileWriteFailed, {record.ManifestFile, Utf8ToUtf16(status.Message())}));
  record.ManifestWritten = true;
}

bool RestoreUndoRecord(TRunState& state) {
  TUndoRecord& record = state.Undo;
  TFileSystem& fs = state.Fs;
  bool ok = true;
  // A second name of the file as it was is renamed back: that needs no room.
  auto putBack = [&](bool written, bool existed, const std::u16string& path,
                     const std::u16string& secondName, const std::string& bytes) {
    if (!written) return;
    if (!existed)
      ok &= fs.RemoveFile(path).Ok();
    else
      ok &= (!secondName.empty() && fs.Rename(secondName, path)) || fs.WriteAtomic(path, bytes);
  };
  putBack(record.UndoWritten, record.UndoExisted, UndoFileName(state), record.UndoPutBack,
          record.PreviousUndo);
  putBack(record.ManifestWritten, record.ManifestExisted, record.ManifestFile,
          record.ManifestPutBack, record.PreviousManifest);
  return ok;
}

}  // namespace zan
