// Finding a file named by a Delphi project or unit on a case-sensitive file
// system: Delphi projects assume that letter case does not matter, so a name
// that does not exist as written is looked up folder by folder ignoring case.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// Folder listings kept for repeated look-ups while the folders do not change
/// (the scan of a run, then the forms that its units name): a folder is
/// listed once. Folders are keyed by their path with repeated and trailing
/// separators dropped.
class TFolderListingCache {
 public:
  /// The entries of `folder`, listed on first use; nullptr when it cannot be
  /// listed, and then `why` (when given) tells why. The entries stay where
  /// they are until Clear().
  const std::vector<TFolderEntry>* Entries(TFileSystem& fs, std::u16string_view folder,
                                           TFileStatus* why = nullptr);
  /// The entries of `folder` when it was listed already (nullptr otherwise):
  /// never asks the file system.
  const std::vector<TFolderEntry>* Listed(std::u16string_view folder) const;
  /// The entry of the file `path` in the listing of its folder (listed on
  /// first use); nullptr when the folder has no entry of exactly that name
  /// or cannot be listed.
  const TFolderEntry* Entry(TFileSystem& fs, std::u16string_view path);
  void Clear() { FEntries.clear(); }

 private:
  struct TListing {
    TFileStatus Status;
    std::vector<TFolderEntry> Entries;
  };
  std::unordered_map<std::u16string, TListing> FEntries;
};

/// `path` itself when it exists; otherwise the existing path that equals it
/// ignoring letter case, component by component (the first match in listing
/// order wins); empty when there is none. `path` must be absolute. With a
/// cache, folders are listed through it, and a name in a folder listed
/// already is looked up in the listing without asking the file system again
/// (a symbolic link there is still asked about: it may lead nowhere).
std::u16string FindFileIgnoringCase(TFileSystem& fs, std::u16string_view path,
                                    TFolderListingCache* cache = nullptr);

/// A path written in a project or unit made native: "\" becomes "/", a
/// relative path is taken relative to `baseFolder`, and "." and ".." steps are
/// resolved without asking the file system.
std::u16string MakeNativePath(std::u16string_view baseFolder, std::u16string_view written);

}  // namespace zan
