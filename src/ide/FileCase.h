// Finding a file named by a Delphi project or unit on a case-sensitive file
// system: Delphi projects assume that letter case does not matter, so a name
// that does not exist as written is looked up folder by folder ignoring case.
#pragma once

#include <string>
#include <string_view>

#include "rtl/FileSystem.h"

namespace zan {

/// `path` itself when it exists; otherwise the existing path that equals it
/// ignoring letter case, component by component (the first match in listing
/// order wins); empty when there is none. `path` must be absolute.
std::u16string FindFileIgnoringCase(TFileSystem& fs, std::u16string_view path);

/// A path written in a project or unit made native: "\" becomes "/", a
/// relative path is taken relative to `baseFolder`, and "." and ".." steps are
/// resolved without asking the file system.
std::u16string MakeNativePath(std::u16string_view baseFolder, std::u16string_view written);

}  // namespace zan
