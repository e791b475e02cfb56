// Fault injection for the tests: a wrapper of the file-system seam that makes
// chosen operations fail.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

/// Fails chosen operations of a wrapped file system, to prove that a failed
/// run leaves no half-replaced original and no temporary folder.
/// - FailNth(op, n): the n-th call (1-based, counted from now) of that kind fails;
/// - FailAlways(op): every call of that kind fails;
/// - FailPath(path): every operation naming that path (as source or
///   destination) fails; GetAttributes still answers.
/// - FillDisk(n): the n-th call (counted from now) that needs room on the
///   disk fails with DiskFull, and so does every such call after it;
/// - SetFreeSpace(folder, bytes): FreeSpace of a path under `folder` reports
///   `bytes` free, on a file system of its own.
/// Failed calls do nothing to the target. Kinds: Write = Write/WriteAtomic,
/// Copy = CopyFile/MoveFile/LinkOrCopyFile/LinkFile, Open = OpenForWriting, Append = appends to
/// files opened through it, Remove = RemoveFile/RemoveFolder.
class TFaultyFileSystem : public TFileSystemWrapper {
 public:
  explicit TFaultyFileSystem(TFileSystem& target) : TFileSystemWrapper(target) {}

  void FailNth(TFileOp op, int n, TFileErrorCode code = TFileErrorCode::AccessDenied);
  void FailAlways(TFileOp op, TFileErrorCode code = TFileErrorCode::AccessDenied);
  void FailPath(std::u16string_view path, TFileErrorCode code = TFileErrorCode::AccessDenied);
  void FillDisk(int n);
  void SetFreeSpace(std::u16string_view folder, uint64_t bytes);
  /// Calls that need room on the disk, as FillDisk counts them: writes,
  /// appends, copies, moves and new folders. Hard links (LinkOrCopyFile,
  /// LinkFile), renames and removals need none: the layout of a tree whose
  /// backups are links beside it, with the temporary folder elsewhere.
  int SpaceCalls() const { return FSpaceCalls; }
  /// Drops every planned failure and resets the counters.
  void Reset();
  /// Calls of that kind since construction or Reset (failed ones included).
  int Calls(TFileOp op) const;
  /// Calls that were made to fail.
  int Failures() const { return FFailures; }

  TFileStatus Read(std::u16string_view path, std::string& contents) override;
  TFileStatus Write(std::u16string_view path, std::string_view contents) override;
  TFileStatus WriteAtomic(std::u16string_view path, std::string_view contents) override;
  TFileStatus OpenForWriting(std::u16string_view path,
                             std::unique_ptr<TWritableFile>& file) override;
  TFileStatus List(std::u16string_view folder, std::vector<TFolderEntry>& entries) override;
  TFileStatus MakeFolder(std::u16string_view path) override;
  TFileStatus MakePrivateFolder(std::u16string_view path) override;  // a MakeFolder
  bool CanReplace(std::u16string_view path) override;                // false for a failing path
  TFileStatus CopyFile(std::u16string_view source, std::u16string_view dest,
                       bool overwrite) override;
  TFileStatus MoveFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus LinkOrCopyFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus Rename(std::u16string_view from, std::u16string_view to) override;
  TFileStatus RemoveFile(std::u16string_view path) override;
  TFileStatus RemoveFolder(std::u16string_view path) override;
  TFileStatus GetTempFolder(std::u16string& folder) override;
  TFileStatus LinkFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus FreeSpace(std::u16string_view path, TFreeSpace& space) override;

 private:
  class TFaultyWritableFile;
  /// Counts the call and tells whether it must fail (and with which code).
  TFileErrorCode Plan(TFileOp op, std::u16string_view path, std::u16string_view other = {},
                      bool needsRoom = false);

  struct TNthFailure {
    TFileOp Op;
    int Call;  // absolute call number that fails
    TFileErrorCode Code;
  };
  std::vector<TNthFailure> FNth;
  std::map<TFileOp, TFileErrorCode> FAlways;
  std::map<std::u16string, TFileErrorCode> FPaths;  // normalised
  std::map<TFileOp, int> FCalls;
  int FFailures = 0;
  int FSpaceCalls = 0;
  int FFullFrom = 0;  // the space call from which the disk is full; 0: never
  std::vector<std::pair<std::u16string, uint64_t>> FFreeSpace;  // normalised folder, bytes
};

}  // namespace zan
