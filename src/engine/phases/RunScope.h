// The first phase of a replace run: which units the run takes.
//
// Folder scope takes the ".pas"/".dpr" files of a folder (and of its
// sub-folders when asked); project scope takes the selected units of the
// open project, each given by its bare file name and resolved against the
// project's modules, and the units they and the program reach through
// `uses` (ProjectClosure.h). Everything that can be wrong with the scope is found
// before anything is written. Symbolic links are never followed: a link to
// a folder is not searched (so every real folder is visited once, and a loop
// cannot trap the scan), a link to a file is not converted; both are warnings,
// as are pipes, devices and sockets and names that are not valid UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/phases/ProjectClosure.h"
#include "engine/phases/RunState.h"

namespace zan {

class TRunScope {
 public:
  /// Checks the scope of `state`'s options; raises (naming the folder, unit or
  /// project) when it cannot be run. `selectedUnits`: bare names (project
  /// scope; blank entries are ignored).
  static TRunScope Check(const TRunState& state, const std::vector<std::u16string>& selectedUnits);

  /// The project file (project scope), or empty.
  const std::u16string& ProjectFileName() const { return FProjectFileName; }
  /// The folder the log goes into: the scanned folder or the project's.
  std::u16string BaseFolder(const TRunState& state) const;
  /// The units of the scope, in order: the folder's as listed (sub-folders
  /// where they come), or the selection's. What it leaves out (links, names
  /// the undo file cannot hold) goes to `warnings`. Raises, naming the
  /// folder or project, when the scope holds no unit at all.
  std::vector<TWorkItem> ListUnits(const TRunState& state,
                                   std::vector<std::u16string>& warnings) const;
  /// The folders the run locks: BaseFolder, then the folders of the units
  /// of a project run that lie outside it (its search path, `in` paths).
  std::vector<std::u16string> LockedFolders(const TRunState& state) const;

 private:
  /// The project's closure (ProjectClosure.h) from the `listed` units;
  /// `wholeProject`: every unit of the project is listed, so the program is
  /// taken too.
  void TakeClosure(const TRunState& state, const std::vector<std::u16string>& listed,
                   bool wholeProject);

  std::u16string FProjectFileName;
  std::vector<TProjectClosure::TUnit> FProjectUnits;  // project scope
  std::vector<std::u16string> FClosureWarnings;
};

/// The folder a run works on, its tree: the scanned folder, or the folder of
/// the project file (no trailing separator). A run locks it and everything
/// below, whether it scans sub-folders or not, and the manifest records it.
std::u16string RunRootFolder(const TRunState& state);

/// Whether `path` is the folder `folder` or lies below it (by name; both
/// absolute, a trailing separator ignored).
bool FolderHolds(std::u16string_view folder, std::u16string_view path);

/// The folder locks of one run, replace or restore. Each lock covers its
/// folder and everything below it (TFileSystem::LockFolder), so one run per
/// tree and per sub-tree: a folder inside one the run holds already is not
/// locked again, and a folder above ones it holds takes their place. The
/// locks are released when the object dies (or with their process).
class TRunLocks {
 public:
  /// Raises EFileError (sRunLocked, naming the holder and the folder) when
  /// another run holds `folder`, a folder above it or one below it.
  void Lock(TFileSystem& fs, const std::u16string& folder);

 private:
  struct THeld {
    std::u16string Folder;
    std::unique_ptr<TFolderLock> Lock;
  };
  std::vector<THeld> FHeld;
};

/// Why the run must leave the file `path` as it is (a symbolic link, a pipe
/// or device, a name the undo file cannot hold), as a warning; empty when it
/// may take it.
std::u16string WhyFileIsLeft(TFileSystem& fs, const std::u16string& path);
/// The same for a file whose kind the folder listing told already.
std::u16string WhyFileIsLeft(const std::u16string& path, bool isLink, bool isSpecial);

/// The path of `fileName` relative to the scanned folder `root`, or its bare
/// name when it lies elsewhere.
std::u16string RelativeToFolder(const std::u16string& root, const std::u16string& fileName);

}  // namespace zan
