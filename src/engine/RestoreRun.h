// The restore run: puts back the originals named in an undo file.
//
// It checks everything before it copies anything: each backup must be a
// plain file (not a link) inside the undo file's folder, named after its
// original; each original must be a plain file or absent, never a link or a
// folder, in a folder that exists, and writable. Where the manifest beside
// the undo file (PublishManifest.h) says what a run published, a file that
// holds something else was changed since the migration: restore refuses it
// unless forced. Each copy is written beside the original and renamed over
// it. A failure names the file and what was and was not restored.
#pragma once

#include <string>
#include <vector>

#include "engine/UndoReader.h"
#include "rtl/FileSystem.h"

namespace zan {

/// One original of the undo file and what restore will do with it.
struct TRestoreItem {
  TUndoEntry Entry;
  /// Why it cannot be restored ("backup missing", "original is a symbolic
  /// link", ...); empty when it can.
  std::u16string Problem;
  /// It holds something else than the migration published.
  bool ChangedSinceMigration = false;
};

/// What a restore of one undo file would do; `restore --dry-run` shows it.
struct TRestorePlan {
  std::vector<TRestoreItem> Items;
  bool Force = false;

  int Problems() const;
  int ChangedFiles() const;
  /// Whether the restore would copy anything: there are entries, none has a
  /// problem, and none changed since the migration (unless forced).
  bool CanRestore() const;
};

/// What a restore did.
struct TRestoreOutcome {
  bool Ok = false;
  std::vector<std::u16string> Restored;
  std::u16string FailedFile;  // the copy that failed, with its reason
  std::u16string Failure;
  std::vector<std::u16string> NotRestored;
};

/// Reads and checks `undoFile` through `fs`; raises as ReadUndoEntries does.
TRestorePlan PlanRestore(TFileSystem& fs, const std::u16string& undoFile, bool force);

/// Carries out `plan` (nothing when it cannot restore). Files restored leave
/// the manifest, so that a second restore is not refused.
TRestoreOutcome ExecuteRestore(TFileSystem& fs, const std::u16string& undoFile,
                               const TRestorePlan& plan);

/// PlanRestore without force and ExecuteRestore: true when every original
/// was put back.
bool RestoreFromUndoFile(TFileSystem& fs, const std::u16string& undoFile);

}  // namespace zan
