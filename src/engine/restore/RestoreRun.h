// The restore run: puts back the originals named in an undo file.
//
// It checks everything before it copies anything, and trusts nothing it did
// not write. Each backup must be a plain file inside the undo file's folder,
// reached without a symbolic link, named after its original. Each original
// must lie in the tree the manifest records for the runs (PublishManifest.h;
// the folder holding the backup folder for an undo file without one) or be a
// file the manifest says a run published there, be reached without a link
// below that tree, and be a plain file or absent (in a folder that exists)
// and writable. These refusals hold even when forced. A file that holds
// neither its backup nor what the run published was edited since the
// migration (or since a restore put it back): restore refuses it unless
// forced, and so a file the manifest has no line for that differs from its
// backup. Each copy is written beside the original and renamed over it; the
// manifest keeps the files put back, marked restored. A failure names the
// file and what was and was not restored.
#pragma once

#include <string>
#include <vector>

#include "engine/RunContext.h"
#include "engine/files/UndoReader.h"
#include "engine/phases/RunScope.h"
#include "rtl/FileSystem.h"

namespace zan {

/// One original of the undo file and what restore will do with it.
struct TRestoreItem {
  TUndoEntry Entry;
  /// Why it cannot be restored ("backup missing", "original is a symbolic
  /// link", "original is outside the tree ...", ...), forced or not; empty
  /// when it can.
  std::u16string Problem;
  /// Why it is refused unless forced: it holds something else than its
  /// backup and than the migration published ("changed since the
  /// migration", ...); empty when it is not.
  std::u16string Change;
  /// It holds its backup already: nothing to copy.
  bool Unchanged = false;

  bool Changed() const { return !Change.empty(); }
};

/// What a restore of one undo file would do; `restore --dry-run` shows it.
struct TRestorePlan {
  std::vector<TRestoreItem> Items;
  bool Force = false;
  /// The tree restore writes into (RestoreTree).
  std::u16string Root;

  int Problems() const;
  int ChangedFiles() const;
  /// Whether the restore would copy anything: there are entries, none has a
  /// problem, and none changed (unless forced).
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

/// What a restore run did: the plan it made and, unless it was a dry run,
/// what carrying it out did.
struct TRestoreResult {
  TRestorePlan Plan;
  TRestoreOutcome Outcome;
};

/// The tree a restore of `undoFile` writes into: the root its manifest
/// records, else the folder that holds the backup folder (where a run puts
/// its "RBackup").
std::u16string RestoreTree(TFileSystem& fs, const std::u16string& undoFile);

/// Locks the tree a restore of `undoFile` writes into (when it is there),
/// the backup folder and the folders of the files the manifest records
/// outside the tree into `locks`; raises as TRunLocks::Lock.
void LockRestore(TFileSystem& fs, const std::u16string& undoFile, TRunLocks& locks);

/// Reads and checks `undoFile` through the context's file system, in its
/// code page; raises as ReadUndoEntries does.
TRestorePlan PlanRestore(const TRunContext& context, const std::u16string& undoFile, bool force);

/// Carries out `plan` (nothing when it cannot restore). The manifest marks
/// the files put back as restored, so that a later restore refuses them
/// when they were edited since.
TRestoreOutcome ExecuteRestore(const TRunContext& context, const std::u16string& undoFile,
                               const TRestorePlan& plan);

/// The restore run, wherever it is started (the command line, the wizard,
/// the desktop host): takes the locks a replace run takes (LockRestore;
/// raises naming the holder when another run holds the tree), plans, and
/// carries the plan out. A dry run (`context.DryRun`) only plans, taking no
/// lock and touching nothing. Only the context's file system and code page
/// are read.
TRestoreResult PerformRestoreRun(const TRunContext& context, const std::u16string& undoFile,
                                 bool force);

/// PerformRestoreRun without force: true when every original was put back.
bool RestoreFromUndoFile(const TRunContext& context, const std::u16string& undoFile);

}  // namespace zan
