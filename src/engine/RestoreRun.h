// The restore run: puts back the originals named in an undo file.
#pragma once

#include <string>

#include "rtl/FileSystem.h"

namespace zan {

/// Copies each backup named in `undoFile` over its original, through `fs`,
/// with the entries of ReadUndoEntries. Every backup is checked before
/// anything is copied: when the file names none or one is missing, nothing is
/// copied and the result is false. Otherwise each backup replaces its original
/// (CopyFile with overwrite) in turn; a failed copy stops there with false,
/// the originals before it staying restored. Raises as ReadUndoEntries does.
bool RestoreFromUndoFile(TFileSystem& fs, const std::u16string& undoFile);

}  // namespace zan
