// The publish manifest "RExpert.manifest", beside the undo file: the tree a
// backup folder belongs to and what the replace runs published there, so
// that restore can tell a file edited since the migration from one the
// migration left, and refuse what lies outside the tree. The undo file's own
// format stays as it is; an undo file without a manifest still restores
// (with --force where files differ from their backups).
//
// A text file in UTF-8: the line "zanmig manifest 1", then
//   "root <folder>"                 the tree of the runs (once, any place);
//   "<size> <hash> <path>"          a file a run published;
//   "restored <size> <hash> <path>" one that a restore has put back since;
// the size in decimal, the hash as 16 hexadecimal digits (ContentHash), the
// path last (it may hold blanks; names with line breaks never reach it).
// Lines it cannot read are ignored, so a reader that knows only the second
// kind (manifests before "root" and "restored") skips the others.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// A fast 64-bit hash of `bytes` for telling files apart (not for security).
uint64_t ContentHash(std::string_view bytes);

class TPublishManifest {
 public:
  struct TEntry {
    uint64_t Size = 0;
    uint64_t Hash = 0;
    /// A restore has put the original back since the run published it.
    bool Restored = false;
  };

  /// The manifest that belongs to `undoFile`.
  static std::u16string FileNameFor(std::u16string_view undoFile);

  /// Reads `fileName`; a file that is not there gives an empty manifest.
  /// Raises EFileError when it exists but cannot be read.
  static TPublishManifest Load(TFileSystem& fs, const std::u16string& fileName);
  static TPublishManifest Decode(std::string_view bytes);
  std::string Encode() const;

  void Set(const std::u16string& path, TEntry entry) { FEntries[path] = entry; }
  void Erase(const std::u16string& path) { FEntries.erase(path); }
  const TEntry* Find(const std::u16string& path) const;
  /// Whether the file `path` holds what was published there.
  bool Matches(const std::u16string& path, std::string_view bytes) const;
  /// Marks `path` as put back by a restore; `published` stands for what the
  /// run wrote when the manifest has no line for it.
  void MarkRestored(const std::u16string& path, TEntry published);
  bool Empty() const { return FEntries.empty() && FRoot.empty(); }
  /// The files it has a line for, in path order.
  std::vector<std::u16string> Paths() const;

  /// The tree of the runs that published into the backup folder; empty in
  /// manifests written before it was recorded.
  const std::u16string& Root() const { return FRoot; }
  void SetRoot(std::u16string root) { FRoot = std::move(root); }

 private:
  std::map<std::u16string, TEntry> FEntries;
  std::u16string FRoot;
};

}  // namespace zan
