// What a replace run changed, as the host's Changes view shows it: the files
// named in the run's undo file, each with its backup and its current text
// side by side.
#pragma once

#include <string>
#include <vector>

#include "app/desktop/LineDiff.h"
#include "rtl/FileSystem.h"

namespace zan {

/// A file the run changed: the original (as it is now) and its backup.
struct TFileChange {
  std::u16string Original;
  std::u16string Backup;
};

/// The files that `undoFile` names with a backup, in its order, read as
/// restore reads them (ReadUndoEntries) in `codePage`. Throws EFileError
/// when the undo file cannot be read.
std::vector<TFileChange> ReadRunChanges(TFileSystem& fs, const std::u16string& undoFile,
                                        int codePage);

/// The backup's text beside the current text, compared line by line. A
/// binary form is shown as text; a file that cannot be read shows why.
struct TSideBySide {
  std::vector<std::u16string> Left;   // the backup
  std::vector<std::u16string> Right;  // the original as the run left it
  std::vector<TDiffRow> Rows;
  /// Rows that differ (Changed, Removed or Added).
  int ChangedRows() const;
};

TSideBySide CompareChange(TFileSystem& fs, const TFileChange& change);

}  // namespace zan
