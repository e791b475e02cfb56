// Reading an undo file the way restore acts on it. Restore, `zanmig restore
// --dry-run` and the wizard all go through ReadUndoEntries, so that what a
// listing shows is what a restore does.
#pragma once

#include <string>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// One original named by an undo file and the backup restore copies over it.
struct TUndoEntry {
  std::u16string Original;
  /// Empty when the line holds no "=".
  std::u16string Backup;
  /// The backup is a regular file (checked when the undo file was read).
  bool BackupExists = false;
};

/// The entries of `undoFile`, read through `fs`: one per original, in the
/// order of their first lines. The first line of an original names its
/// backup; later lines naming the same original add nothing. A line is split
/// as SplitUndoLine does, so paths holding "=" are split where their backup is.
/// Raises EFileError (res::sUndoFileReadFailed) when the file cannot be read.
std::vector<TUndoEntry> ReadUndoEntries(TFileSystem& fs, const std::u16string& undoFile);

/// Whether restore would put back every entry: there is at least one and
/// every backup exists.
bool AllBackupsPresent(const std::vector<TUndoEntry>& entries);

}  // namespace zan
