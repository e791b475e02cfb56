// Finding a file named by a Delphi project or unit on a case-sensitive file
// system: Delphi projects assume that letter case does not matter, so a name
// that does not exist as written is looked up folder by folder ignoring case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// Folder listings kept for repeated look-ups while the folders do not change
/// (the forms that the units of one run name): a folder is listed once.
class TFolderListingCache {
 public:
  /// The entries of `folder`, listed on first use; nullptr when it cannot be listed.
  const std::vector<TFolderEntry>* Entries(TFileSystem& fs, const std::u16string& folder);
  void Clear() { FEntries.clear(); }

 private:
  std::unordered_map<std::u16string, std::optional<std::vector<TFolderEntry>>> FEntries;
};

/// `path` itself when it exists; otherwise the existing path that equals it
/// ignoring letter case, component by component (the first match in listing
/// order wins); empty when there is none. `path` must be absolute. With a
/// cache, folders are listed through it.
std::u16string FindFileIgnoringCase(TFileSystem& fs, std::u16string_view path,
                                    TFolderListingCache* cache = nullptr);

/// A path written in a project or unit made native: "\" becomes "/", a
/// relative path is taken relative to `baseFolder`, and "." and ".." steps are
/// resolved without asking the file system.
std::u16string MakeNativePath(std::u16string_view baseFolder, std::u16string_view written);

}  // namespace zan
