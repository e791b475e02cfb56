#include "engine/BackupPhase.h"

#include "engine/FileUtils.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/RunReport.h"
#include "engine/RunResults.h"
#include "engine/UndoFile.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// Sets the undo list's backup for `fileName`, replacing its line when present.
void SetUndoEntry(TRunResults& results, const std::u16string& fileName,
                  const std::u16string& backup) {
  const std::u16string line = fileName + u"=" + backup;
  auto [at, added] = results.UndoIndex.emplace(fileName, results.UndoList.Count());
  if (added)
    results.UndoList.Add(line);
  else
    results.UndoList.SetString(at->second, line);
}

void BackUpFile(TRunState& state, const TWorkItem& item) {
  TFileSystem& fs = state.Fs;
  std::u16string folder = state.Options.BackupDir;
  if (state.FolderScope()) {
    // The backup folder mirrors the scanned tree.
    folder = JoinPath(folder, ExtractFilePath(item.RelPath));
    if (!ForceFolder(folder, fs)) throw EFileError(res::sFailedToCreateDirectory);
  }
  const std::u16string backup = JoinPath(folder, MakeBackupName(ExtractFileName(item.Path)));
  // An original is never replaced without its backup: a failed copy stops the
  // run here, before any original is overwritten. The run only ever replaces
  // originals (never writes into them), so a hard link keeps the old bytes.
  if (TFileStatus status = fs.LinkOrCopyFile(item.Path, backup); !status)
    throw EFileError(
        res::Fmt(res::sBackupFailed, {item.Path, backup, Utf8ToUtf16(status.Message())}));
  SetUndoEntry(state.Results, item.Path, backup);
  if (state.Context.Report) state.Context.Report->Backups.push_back({item.Path, backup});
}

}  // namespace

void CreateBackupFolder(TRunState& state) {
  if (!state.Options.MakeBackup) return;
  state.Log.WriteLine(res::sCreatingBackupFolder);
  if (!ForceFolder(state.Options.BackupDir, state.Fs))
    throw EFileError(res::sFailedToCreateDirectory);
}

void BackUpChangedFiles(TRunState& state) {
  if (!state.Options.MakeBackup) return;
  for (const TWorkItem& item : state.Work)
    if (item.Changed) BackUpFile(state, item);
}

std::u16string UndoFileName(const TRunState& state) {
  return JoinPath(state.Options.BackupDir, res::sUndoFileName);
}

void SaveUndoFile(TRunState& state) {
  const std::u16string undoFile = UndoFileName(state);
  if (TFileStatus status = state.Fs.WriteAtomic(
          undoFile, EncodeUndoFile(state.Results.UndoList, state.Context.CodePage));
      !status)
    throw EFileError(
        res::Fmt(res::sUndoFileWriteFailed, {undoFile, Utf8ToUtf16(status.Message())}));
}

}  // namespace zan
