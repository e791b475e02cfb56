// The backups of a replace run, its undo file "RExpert.reu" and its publish
// manifest (PublishManifest.h).
//
// Each changed original is backed up (as "Unit1.~pas") into the backup
// folder before any original is replaced; folder scope mirrors the scanned
// tree there, a project run keeps it flat. Each backup is recorded in the
// undo list ("original=backup"); the manifest records the run's tree. Runs
// after the first keep what the first recorded: a file that has a backup
// keeps it (it holds the original), and the undo file is only ever extended,
// so that a restore after any number of runs gives back the tree as it was
// before the first. A backup folder serves one tree. Nothing is written
// through a symbolic link.
#pragma once

#include <string>
#include <vector>

#include "engine/phases/RunState.h"

namespace zan {

/// Refuses, before the run writes anything, a backup folder that holds
/// another tree's backups (as LoadUndoRecord does once the folder is locked);
/// `units`: the run's units. Raises naming both trees.
void CheckBackupFolderOwner(const TRunState& state, const std::vector<TWorkItem>& units);

/// Makes the backup folder when the run makes backups, with a ".gitignore"
/// holding "*" when the folder is new; raises "Failed to create directory."
/// when it cannot, and refuses a folder that is a link.
void CreateBackupFolder(TRunState& state);

/// Reads the undo file and the manifest that earlier runs left, when there
/// are; raises naming the undo file when it cannot be read, and naming both
/// trees when they are another tree's (a backup folder belongs to the one
/// tree its manifest records; before manifests recorded it, to the tree
/// that holds the undo file's originals).
void LoadUndoRecord(TRunState& state);

/// Backs up every changed file of the work list that has no backup yet;
/// raises naming the file when a copy fails, before any original is replaced.
void BackUpChangedFiles(TRunState& state);

/// The undo file's path: "RExpert.reu" in the backup folder.
std::u16string UndoFileName(const TRunState& state);

/// Writes the undo file (when it gained lines, or there was none) and the
/// manifest with what this run is about to publish; raises naming the file.
void SaveUndoRecord(TRunState& state);

/// Puts the undo file and the manifest back as they were before this run
/// (after a publish that was rolled back). Never raises; false when a file
/// could not be put back.
bool RestoreUndoRecord(TRunState& state);

}  // namespace zan
