// The argument of `zanmig restore`: an undo file, or a folder holding one.
#pragma once

#include <string>

#include "rtl/FileSystem.h"

namespace zan::cli {

/// The undo file that `path` names: `path` itself unless it is a folder; in
/// a folder, "RBackup/RExpert.reu" (the folder of a run), else "RExpert.reu"
/// (the backup folder itself). Throws EFileError naming the places looked at
/// when the folder holds neither, or when nothing is at `path`.
std::u16string ResolveUndoFile(TFileSystem& fs, const std::u16string& path);

}  // namespace zan::cli
