// Reading an undo file. Everything that reads one goes through here: the
// replace run (the backups of earlier runs), restore, `zanmig restore
// --dry-run`, the wizard and the desktop host's Changes view, so that what a
// listing shows is what a restore does, in the code page the caller gives.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// One line of an undo file, split into original and backup.
struct TUndoLine {
  std::u16string Text;  // the line as it stands
  std::u16string Original;
  /// Empty when the line holds no "=".
  std::u16string Backup;
};

/// The bytes of `undoFile`, read through `fs`. Raises EFileError
/// (res::sUndoFileReadFailed) when the file cannot be read.
std::string ReadUndoFileBytes(TFileSystem& fs, const std::u16string& undoFile);

/// Every line of the undo file `undoFile` whose bytes are `bytes` (without a
/// byte-order mark in the ANSI code page `codePage`), each split as
/// SplitUndoLine does, looking backups up through `fs`: paths holding "="
/// are split where their backup is.
std::vector<TUndoLine> SplitUndoFile(TFileSystem& fs, std::string_view bytes,
                                     std::u16string_view undoFile, int codePage);

/// One original named by an undo file and the backup restore copies over it.
struct TUndoEntry {
  std::u16string Original;
  /// Empty when the line holds no "=".
  std::u16string Backup;
  /// The backup is a regular file (checked when the undo file was read).
  bool BackupExists = false;
};

/// The entries of `undoFile`, read through `fs` in `codePage`: one per
/// original, in the order of their first lines. The first line of an
/// original names its backup; later lines naming the same original add
/// nothing. Raises as ReadUndoFileBytes.
std::vector<TUndoEntry> ReadUndoEntries(TFileSystem& fs, const std::u16string& undoFile,
                                        int codePage);

/// Whether restore would put back every entry: there is at least one and
/// every backup exists.
bool AllBackupsPresent(const std::vector<TUndoEntry>& entries);

}  // namespace zan
