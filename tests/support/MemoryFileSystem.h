// The in-memory file system of the tests and benchmarks: whole replace and
// restore runs on a tree in memory, with the files a run wrote on record.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// An in-memory tree for tests. Paths are kept normalised (repeated and
/// trailing separators dropped); "/" always exists, and a first segment like
/// "C:" or "//server" is just a folder name the test creates. Case-sensitive.
/// Records every file written (Write, WriteAtomic, OpenForWriting, CopyFile
/// destination) so tests can assert which files a run touched.
class TMemoryFileSystem : public TFileSystem {
 public:
  TMemoryFileSystem();
  ~TMemoryFileSystem() override;

  // ----- set-up and inspection
  /// Creates the file with its missing parent folders (not recorded as written).
  void AddFile(std::u16string_view path, std::string_view contents);
  void AddFolder(std::u16string_view path);  // with missing parents
  /// The file's contents; throws EFileError when there is no such file.
  std::string Contents(std::u16string_view path) const;
  /// Reads of this file fail with AccessDenied (a file the user cannot read).
  void SetUnreadable(std::u16string_view path, bool unreadable = true);
  /// What GetEntryStatus tells of the entry: when it was last modified
  /// (seconds since 1970; a node is made with the time of its making) and
  /// whether another user owns it.
  void SetModifiedTime(std::u16string_view path, int64_t time);
  void SetForeignOwner(std::u16string_view path, bool foreign = true);
  /// The folder GetTempFolder reports ("/tmp" by default, created); empty: none.
  void SetTempFolder(std::u16string_view folder);
  /// Files written since construction or ClearWritten, in path order.
  std::vector<std::u16string> WrittenFiles() const;
  void ClearWritten() { FWritten.clear(); }
  /// Every file and folder (folders with a trailing "/"), in path order, "/" itself left out.
  std::vector<std::u16string> AllPaths() const;
  /// Every file under `folder` with its contents, keyed by path relative to it.
  std::map<std::u16string, std::string> FilesUnder(std::u16string_view folder) const;

  // ----- TFileSystem
  TFileAttributes GetAttributes(std::u16string_view path) override;
  TFileStatus Read(std::u16string_view path, std::string& contents) override;
  TFileStatus Write(std::u16string_view path, std::string_view contents) override;
  TFileStatus WriteAtomic(std::u16string_view path, std::string_view contents) override;
  TFileStatus OpenForWriting(std::u16string_view path,
                             std::unique_ptr<TWritableFile>& file) override;
  TFileStatus List(std::u16string_view folder, std::vector<TFolderEntry>& entries) override;
  TFileStatus MakeFolder(std::u16string_view path) override;
  TFileStatus CopyFile(std::u16string_view source, std::u16string_view dest,
                       bool overwrite) override;
  TFileStatus MoveFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus LinkOrCopyFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus Rename(std::u16string_view from, std::u16string_view to) override;
  TFileStatus RemoveFile(std::u16string_view path) override;
  TFileStatus RemoveFolder(std::u16string_view path) override;
  TFileStatus SetReadOnly(std::u16string_view path, bool readOnly) override;
  TFileStatus GetTempFolder(std::u16string& folder) override;
  /// A second node with the same contents: nothing writes into a file in place,
  /// so a copy behaves as a link does. Not recorded as written.
  TFileStatus LinkFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus GetEntryStatus(std::u16string_view path, TEntryStatus& status) override;

 private:
  struct TNode {
    bool IsFolder = false;
    bool ReadOnly = false;
    bool Unreadable = false;
    bool Foreign = false;
    int64_t ModifiedTime = static_cast<int64_t>(std::time(nullptr));
    std::string Contents;
  };
  class TMemoryWritableFile;
  TNode* Find(const std::u16string& key);
  const TNode* Find(const std::u16string& key) const;
  /// Normalises `path` into `key`; refuses relative paths.
  TFileStatus Resolve(TFileOp op, std::u16string_view path, std::u16string& key) const;
  TFileStatus CheckParent(TFileOp op, const std::u16string& path, std::u16string_view shown);
  TFileStatus StoreFile(TFileOp op, const std::u16string& path, std::u16string_view shown,
                        std::string_view contents);

  std::map<std::u16string, TNode> FNodes;  // normalised path -> node
  std::set<std::u16string> FWritten;
  std::u16string FTempFolder;
};

}  // namespace zan
