// The backups of a replace run and its undo file "RExpert.reu".
//
// Each changed original is backed up (as "Unit1.~pas") into the backup
// folder before any original is replaced; folder scope mirrors the scanned
// tree there, a project run keeps it flat. Each backup is recorded in the
// undo list ("original=backup"), which the undo file stores.
#pragma once

#include <string>

#include "engine/RunState.h"

namespace zan {

/// Makes the backup folder when the run makes backups; raises "Failed to
/// create directory." when it cannot.
void CreateBackupFolder(TRunState& state);

/// Backs up every changed file of the work list; raises naming the file when
/// a copy fails, before any original is replaced.
void BackUpChangedFiles(TRunState& state);

/// The undo file's path: "RExpert.reu" in the backup folder.
std::u16string UndoFileName(const TRunState& state);

/// Writes the undo list to the undo file (atomically); raises naming it.
void SaveUndoFile(TRunState& state);

}  // namespace zan
