// Backups, the undo file and the restore run of TComponentReplacer.
#include "engine/RExpertRes.h"
#include "engine/Replacer.h"
#include "engine/RestoreRun.h"
#include "engine/UndoFile.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

void TComponentReplacer::CreateBackupFolder() {
  if (!FReplaceOptions.MakeBackup) return;
  FLog->WriteLine(res::sCreatingBackupFolder);
  if (!ForceFolder(FReplaceOptions.BackupDir, &FileSystem()))
    throw EFileError(res::sFailedToCreateDirectory);
}

void TComponentReplacer::BackupFile(const std::u16string& fileName, const std::u16string& relPath) {
  TFileSystem& fs = FileSystem();
  std::u16string folder = FReplaceOptions.BackupDir;
  if (FReplaceOptions.Dest == sdDirectory) {
    // The backup folder mirrors the scanned tree.
    folder = JoinPath(folder, ExtractFilePath(relPath));
    if (!ForceFolder(folder, &fs)) throw EFileError(res::sFailedToCreateDirectory);
  }
  const std::u16string backup = JoinPath(folder, MakeBackupName(ExtractFileName(fileName)));
  // An original is never replaced without its backup: a failed copy stops the
  // run here, before any original is overwritten. The run only ever replaces
  // originals (never writes into them), so a hard link keeps the old bytes.
  if (TFileStatus status = fs.LinkOrCopyFile(fileName, backup); !status)
    throw EFileError(
        res::Fmt(res::sBackupFailed, {fileName, backup, Utf8ToUtf16(status.Message())}));
  SetUndoEntry(fileName, backup);
  if (FReport) FReport->Backups.push_back({fileName, backup});
}

void TComponentReplacer::SetUndoEntry(const std::u16string& fileName,
                                      const std::u16string& backup) {
  const std::u16string line = fileName + u"=" + backup;
  auto [at, added] = FUndoIndex.emplace(fileName, FUndoList.Count());
  if (added)
    FUndoList.Add(line);
  else
    FUndoList.SetString(at->second, line);
}

void TComponentReplacer::SaveUndoFile(const std::u16string& undoFile) {
  if (TFileStatus status = FileSystem().WriteAtomic(undoFile, EncodeUndoFile(FUndoList)); !status)
    throw EFileError(
        res::Fmt(res::sUndoFileWriteFailed, {undoFile, Utf8ToUtf16(status.Message())}));
}

bool TComponentReplacer::PerformRestore(const std::u16string& undoFile) {
  return RestoreFromUndoFile(FileSystem(), undoFile);
}

}  // namespace zan
