// The file utilities of the migration engine.
//
// Paths are engine paths (UTF-16, native separator "/", see rtl/Paths.h). Every
// disk access goes through the TFileSystem passed in.
// The utilities never raise for file-system failures: they report through
// their results (false, or an empty path). They refuse relative paths (a
// result of false / nothing done), so nothing is ever written relative to the
// current folder.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "engine/files/LogWriter.h"
#include "rtl/FileSystem.h"

namespace zan {

/// The folder, a "/" unless the folder is empty or ends with one, and the name;
/// a name longer than one character loses a leading "/". An empty name gives
/// the folder with its trailing "/".
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

/// Unit1.pas -> Unit1.~pas; a name without extension (or ending in a bare dot)
/// gets ".~". Works on whole paths.
std::u16string MakeBackupName(std::u16string_view fileName);

/// Creates the folder and every missing parent; true when each step was
/// created or already existed (an existing file of that name counts too).
/// Roots ("/", "C:/") are never created. False for a relative path.
bool ForceFolder(std::u16string_view path, TFileSystem& fs);

/// Makes the folders of a tree below a folder that exists (the run's
/// temporary folder, the backup folder), remembering each folder it made or
/// found: N folders cost N MakeFolder calls, and a file written into a folder
/// made before costs none. Folders are never asked about otherwise. Holds
/// paths only; Clear() forgets them (the tree was removed).
class TFolderMaker {
 public:
  enum class TResult { Ready, Failed, Link };
  /// Makes `folder`, which must be `root` or lie below it, and its missing
  /// parents below `root`; a folder of that name that exists already (or a
  /// file: the write into it fails later) is taken as made. With
  /// `refuseLinks`, such an existing step that is a symbolic link gives Link
  /// and `step` names it: nothing must be written through it. `root` itself
  /// is never made nor asked about. Outside `root`: as ForceFolder.
  TResult Force(TFileSystem& fs, std::u16string_view root, std::u16string_view folder,
                bool refuseLinks, std::u16string* step = nullptr);
  /// Removes the folders it made below `root`, deepest first, and `root`
  /// itself, without listing any: for a tree whose files are all gone. False
  /// at the first folder that cannot be removed (it still holds something).
  bool RemoveTree(TFileSystem& fs, std::u16string_view root);
  void Clear() { FKnown.clear(); }

 private:
  std::unordered_set<std::u16string> FKnown;
};

/// Creates a new empty folder in the user's temporary folder named from the
/// first three characters of `prefix` and a number in upper-case hexadecimal
/// ($DS1, $DS2, ... $DSA, ...), the first free one from `firstNumber` on.
/// Returns its path, or an empty string when none can be created; callers
/// must turn that into an error.
std::u16string CreateTempFolder(std::u16string_view prefix, unsigned firstNumber, TFileSystem& fs);

/// Copies every file and sub-folder of `source` into `dest`, recursively,
/// creating folders and overwriting files (each copy is atomic). A failed
/// copy or folder does not stop the others; the result is false when anything
/// failed, or when `source` cannot be listed.
bool CopyFolderTree(std::u16string_view source, std::u16string_view dest, TFileSystem& fs);

/// Moves every file of `source` to the same place under `dest` with MoveFile
/// (a rename where one file system holds both), creating folders and replacing
/// files; the folders of `source` stay, empty. Failures as CopyFolderTree.
bool MoveFolderTree(std::u16string_view source, std::u16string_view dest, TFileSystem& fs);

/// Deletes everything under `folder` and the folder itself; single failures
/// are skipped; the result is whether the folder itself was removed. A
/// symbolic link is removed as a link, never entered.
bool DeleteFolderTree(std::u16string_view folder, TFileSystem& fs);

}  // namespace zan
