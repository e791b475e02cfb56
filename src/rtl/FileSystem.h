// The file-system seam: every disk access of the engine goes through a
// `TFileSystem`, so that whole runs can be tested in memory and failures
// (disk full, read-only, permission denied) can be injected.
//
// Paths are engine text (`std::u16string`, UTF-16) with the native separator
// "/". They cross the OS boundary as UTF-8 file names inside the real
// implementation only. A trailing separator is accepted and ignored.
// Paths must be absolute: the real and in-memory file systems refuse a
// relative path (NotFound, "Relative path refused"), so nothing is ever read
// or written relative to the current folder; callers expand user input with
// ExpandFileName (rtl/Paths.h) first. On Linux a Windows path such as "C:/x"
// is relative and refused too; the in-memory file system accepts drive
// prefixes so that Windows-style behaviours can be tested.
//
// Two kinds of calls:
// - the virtual primitives return a `TFileStatus` and never throw, so that
//   utilities that must not raise can report through their results;
// - the non-virtual conveniences (ReadFile, WriteFile, ...) throw `EFileError`
//   whose message names the file and says why ("Cannot open file "x". ...").
// OS error codes become statuses in one place per implementation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zan {

/// Why an operation failed. `None` is success.
enum class TFileErrorCode {
  None,
  NotFound,       // the file, the folder or a parent folder is missing
  AlreadyExists,  // MakeFolder: something of that name exists; CopyFile without overwrite
  AccessDenied,   // permissions, a read-only destination, an unreadable file
  DiskFull,
  NotEmpty,   // RemoveFolder of a folder that still holds entries
  IsAFolder,  // a file operation named a folder
  NotAFolder,
  NotAFile,  // a pipe, device or socket where a regular file is needed
  Other
};

/// The operations of the seam; names the failed step in messages and selects
/// what TFaultyFileSystem counts and fails.
enum class TFileOp {
  Read,
  Write,
  Open,
  Append,
  List,
  MakeFolder,
  Copy,
  Rename,
  Remove,
  TempFolder
};

/// Outcome of one seam operation: success, or an error code with the paths
/// involved and the OS's reason. Message() is the text of the EFileError that
/// Check() throws.
class TFileStatus {
 public:
  TFileStatus() = default;  // success
  static TFileStatus Error(TFileOp op, TFileErrorCode code, std::u16string_view path,
                           std::u16string_view otherPath = {}, std::string reason = {});

  bool Ok() const { return FCode == TFileErrorCode::None; }
  explicit operator bool() const { return Ok(); }
  TFileErrorCode Code() const { return FCode; }
  TFileOp Op() const { return FOp; }
  const std::u16string& Path() const { return FPath; }
  /// The OS's reason alone ("Permission denied").
  const std::string& Reason() const { return FReason; }
  /// For example: Cannot copy file "/a/x.pas" to "/b/x.pas". Permission denied
  std::string Message() const;
  /// Throws EFileError(Message()) when this is an error.
  void Check() const;

 private:
  TFileErrorCode FCode = TFileErrorCode::None;
  TFileOp FOp = TFileOp::Read;
  std::u16string FPath;
  std::u16string FOtherPath;
  std::string FReason;
};

/// The standard reason text of an error code ("Permission denied", ...).
std::string FileErrorText(TFileErrorCode code);

/// One entry of a folder listing (the name only, not the path). `IsFolder`
/// tells what the entry leads to; `IsLink` marks a symbolic link, which tree
/// deletion removes as a link instead of entering.
struct TFolderEntry {
  std::u16string Name;
  bool IsFolder = false;
  bool IsLink = false;
  /// A pipe, device or socket (or a link to one): never read as a file.
  bool IsSpecial = false;
  bool operator==(const TFolderEntry&) const = default;
};

/// The most a Read takes: a file (or a device that never ends) beyond it is
/// refused as too large.
inline constexpr uint64_t kMaxReadSize = uint64_t{256} << 20;

/// What GetAttributes reports; everything false/0 when nothing has that name.
struct TFileAttributes {
  bool Exists = false;
  bool IsFolder = false;
  bool ReadOnly = false;  // no write permission at all (the Windows read-only attribute)
  /// Neither a regular file nor a folder: a pipe, terminal, socket or device,
  /// which is written into, never replaced.
  bool IsSpecial = false;
  uint64_t Size = 0;
};

/// The file system that holds a path (FreeSpace): who it is and how much
/// room it has left.
struct TFreeSpace {
  /// Equal for two paths on one file system (the device on the disk).
  uint64_t Volume = 0;
  /// Bytes this user may still write there (UINT64_MAX: no limit known).
  uint64_t Bytes = UINT64_MAX;
};

/// What an entry of a folder is, read without following a symbolic link
/// (GetEntryStatus).
struct TEntryStatus {
  bool Exists = false;
  bool IsFolder = false;  // a folder itself, never a link to one
  bool IsLink = false;
  bool OwnedByUser = false;  // owned by the user the program runs as
  int64_t ModifiedTime = 0;  // seconds since 1970-01-01 UTC
};

/// A file open for appending (the log). Closing happens on destruction too,
/// with errors dropped; call Close() to see them.
class TWritableFile {
 public:
  virtual ~TWritableFile() = default;
  virtual TFileStatus Append(std::string_view bytes) = 0;
  virtual TFileStatus Close() = 0;
};

/// A lock held on a folder (LockFolder); released when destroyed.
class TFolderLock {
 public:
  virtual ~TFolderLock() = default;
};

class TFolderLockTable;

/// The seam. Implementations: TRealFileSystem (the disk), TFileSystemWrapper
/// (forwarding, for decorators); the test doubles TMemoryFileSystem and
/// TFaultyFileSystem live in the test-support library (tests/support).
/// Only an implementation whose ThreadSafe() says so takes calls from several
/// threads at once (the run then converts forms on two threads).
class TFileSystem {
 public:
  TFileSystem();
  /// A copy has locks of its own (none held).
  TFileSystem(const TFileSystem& other);
  TFileSystem& operator=(const TFileSystem&) { return *this; }
  virtual ~TFileSystem();

  // ----- primitives (never throw)
  virtual TFileAttributes GetAttributes(std::u16string_view path) = 0;
  /// Reads a regular file; a pipe, device or socket is refused (NotAFile)
  /// without waiting on it.
  virtual TFileStatus Read(std::u16string_view path, std::string& contents) = 0;
  /// Creates or truncates the file. A read-only file is not overwritten.
  /// A pipe or character device (a terminal, /dev/null) is written into as
  /// a stream; a pipe nobody reads is an error, never a wait. Other special
  /// files are refused (NotAFile).
  virtual TFileStatus Write(std::u16string_view path, std::string_view contents) = 0;
  /// Writes beside the file under a temporary name, then renames it over the
  /// file: readers see the old or the new contents, never a mixture. Nothing
  /// of the temporary is left behind on failure. Anything but a regular file
  /// at `path` is refused (NotAFile), as by CopyFile, MoveFile and
  /// LinkOrCopyFile, whose sources must be regular files too.
  virtual TFileStatus WriteAtomic(std::u16string_view path, std::string_view contents) = 0;
  /// Creates the file anew and keeps it open for appending. An existing file
  /// is replaced by the new one (never truncated: it may be a hard link to a
  /// file elsewhere); a symbolic link, a read-only file or anything but a
  /// regular file there is refused.
  virtual TFileStatus OpenForWriting(std::u16string_view path,
                                     std::unique_ptr<TWritableFile>& file) = 0;
  /// Entries of a folder without "." and "..", ordered by name (code units).
  virtual TFileStatus List(std::u16string_view folder, std::vector<TFolderEntry>& entries) = 0;
  /// Creates one folder whose parent exists. AlreadyExists when anything of
  /// that name (file or folder) is there.
  virtual TFileStatus MakeFolder(std::u16string_view path) = 0;
  /// Copies contents and the read-only attribute. With `overwrite` an existing
  /// file is replaced atomically (copy beside, then rename), unless it is
  /// read-only (AccessDenied); without it an existing file gives AlreadyExists.
  virtual TFileStatus CopyFile(std::u16string_view source, std::u16string_view dest,
                               bool overwrite) = 0;
  /// Replaces the file `dest` by `source`, which is gone afterwards: a rename
  /// where both are on one file system, else a copy beside `dest` renamed over
  /// it. As with CopyFile(overwrite): a read-only `dest` is refused and a
  /// symbolic link is followed to its target. An existing `dest` keeps its
  /// permission bits.
  virtual TFileStatus MoveFile(std::u16string_view source, std::u16string_view dest) = 0;
  /// Makes `dest` hold what `source` holds now, as CopyFile(overwrite) does.
  /// Where the file system allows, `dest` becomes a second name of the same
  /// data (a hard link) instead of a copy of the bytes: for a caller that only
  /// ever replaces `source` (MoveFile, CopyFile, WriteAtomic), never writes
  /// into it, so that `dest` keeps the old contents.
  virtual TFileStatus LinkOrCopyFile(std::u16string_view source, std::u16string_view dest) = 0;
  /// Renames a file or folder; an existing destination file is replaced.
  virtual TFileStatus Rename(std::u16string_view from, std::u16string_view to) = 0;
  /// Deletes a file (not a folder). A read-only file is not deleted (AccessDenied).
  virtual TFileStatus RemoveFile(std::u16string_view path) = 0;
  /// Removes an empty folder.
  virtual TFileStatus RemoveFolder(std::u16string_view path) = 0;
  /// Sets or clears the read-only attribute of a file.
  virtual TFileStatus SetReadOnly(std::u16string_view path, bool readOnly) = 0;
  /// The user's temporary folder (no trailing separator); an error when there is none.
  virtual TFileStatus GetTempFolder(std::u16string& folder) = 0;

  /// Whether calls may come from several threads at once (the disk: yes;
  /// the in-memory tree and the test doubles: no).
  virtual bool ThreadSafe() const { return false; }

  // ----- what a safe run needs besides (defaults built on the primitives)
  /// Whether `path` itself is a symbolic link (dangling or not).
  virtual bool IsLink(std::u16string_view path);
  /// Creates one folder only its owner can enter (0700 on the disk).
  virtual TFileStatus MakePrivateFolder(std::u16string_view path);
  /// Whether the file `path` could be replaced now: a plain file (not a
  /// symbolic link), not read-only, in a folder that takes new names.
  virtual bool CanReplace(std::u16string_view path);
  /// Flushes the file system that holds `path` to stable storage.
  virtual TFileStatus SyncFolder(std::u16string_view path);
  /// Takes the exclusive lock of the folder `path` and of everything below it
  /// for as long as `lock` lives. When another lock holds the folder, a folder
  /// above it or one below it: AlreadyExists, with `holder` telling who (and
  /// which folder, when it is another) where that is known. A lock dies with
  /// its process. The default keeps the locks in a table of this object:
  /// two file-system objects never see each other's locks.
  virtual TFileStatus LockFolder(std::u16string_view path, std::unique_ptr<TFolderLock>& lock,
                                 std::u16string& holder);
  /// Makes `dest`, which must not exist, a second name of the plain file
  /// `source` (a hard link), so that it needs no room for the data. An error
  /// where that cannot be (another file system, one without hard links): the
  /// default has none.
  virtual TFileStatus LinkFile(std::u16string_view source, std::u16string_view dest);
  /// The file system holding the existing `path` and its free room. The
  /// default knows no limit and one file system.
  virtual TFileStatus FreeSpace(std::u16string_view path, TFreeSpace& space);
  /// The entry `path` itself (a link is not followed); `status.Exists`
  /// false and NotFound when there is none. The default knows no owners and
  /// no times: nothing is the user's, everything was modified at time 0.
  virtual TFileStatus GetEntryStatus(std::u16string_view path, TEntryStatus& status);

  // ----- queries and throwing conveniences
  bool Exists(std::u16string_view path) { return GetAttributes(path).Exists; }
  bool IsFile(std::u16string_view path);
  bool IsFolder(std::u16string_view path);
  /// Throw EFileError naming the file on failure.
  std::string ReadFile(std::u16string_view path);
  void WriteFile(std::u16string_view path, std::string_view contents);
  void WriteFileAtomic(std::u16string_view path, std::string_view contents);
  std::vector<TFolderEntry> ListFolder(std::u16string_view folder);

 private:
  // The locks the default LockFolder holds; shared with the locks it hands
  // out, which may outlive this object.
  std::shared_ptr<TFolderLockTable> FFolderLocks;
};

/// The disk, through POSIX calls; its only state is where its folder locks
/// are registered. Atomic replacement (WriteAtomic,
/// CopyFile) writes a hidden sibling ".<name>.zantmp-XXXXXX" and renames it;
/// it keeps the file's permission bits and writes through a symbolic link
/// to its target. It does not fsync: a process crash leaves the old or the
/// new file, durability across power loss is the file system's.
class TRealFileSystem : public TFileSystem {
 public:
  /// `lockFolder`: the folder where LockFolder registers the locks; empty:
  /// the user's, "/tmp/zanmig-locks-<uid>", which every run of the user
  /// shares.
  explicit TRealFileSystem(std::string lockFolder = {});
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
  /// $TMPDIR when it names a folder, else /tmp.
  TFileStatus GetTempFolder(std::u16string& folder) override;
  bool ThreadSafe() const override { return true; }
  bool IsLink(std::u16string_view path) override;
  TFileStatus MakePrivateFolder(std::u16string_view path) override;
  bool CanReplace(std::u16string_view path) override;
  TFileStatus SyncFolder(std::u16string_view path) override;
  /// A lock registry (the user's, /tmp/zanmig-locks-<uid>, whatever the
  /// environment says, unless the constructor named another): one flock-ed
  /// lock file per locked folder,
  /// named after its canonical path and naming it and the holding process, so
  /// that a run sees the folders above and below its own that others hold; a
  /// lock file whose process died holds no flock and blocks nothing. Besides,
  /// an flock on the folder itself (nothing is written into it) keeps out
  /// runs of other users on the same folder.
  TFileStatus LockFolder(std::u16string_view path, std::unique_ptr<TFolderLock>& lock,
                         std::u16string& holder) override;
  TFileStatus LinkFile(std::u16string_view source, std::u16string_view dest) override;
  /// statvfs: the blocks available to an unprivileged user; the volume is
  /// the device of the path.
  TFileStatus FreeSpace(std::u16string_view path, TFreeSpace& space) override;
  TFileStatus GetEntryStatus(std::u16string_view path, TEntryStatus& status) override;

 private:
  std::string FLockFolder;
};

/// Forwards every call to a target (not owned; it must outlive the wrapper),
/// so that a test double overrides only what it needs.
class TFileSystemWrapper : public TFileSystem {
 public:
  explicit TFileSystemWrapper(TFileSystem& target) : FTarget(target) {}
  TFileSystem& Target() { return FTarget; }

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
  bool IsLink(std::u16string_view path) override;
  TFileStatus MakePrivateFolder(std::u16string_view path) override;
  bool CanReplace(std::u16string_view path) override;
  TFileStatus SyncFolder(std::u16string_view path) override;
  TFileStatus LockFolder(std::u16string_view path, std::unique_ptr<TFolderLock>& lock,
                         std::u16string& holder) override;
  TFileStatus LinkFile(std::u16string_view source, std::u16string_view dest) override;
  TFileStatus FreeSpace(std::u16string_view path, TFreeSpace& space) override;
  TFileStatus GetEntryStatus(std::u16string_view path, TEntryStatus& status) override;

 private:
  TFileSystem& FTarget;
};

/// The process-wide file system: the real one unless a host installed
/// another. Only front ends read it (the plug-in's fills a run's context
/// with it); a run reads the file system of its context.
TFileSystem& CurrentFileSystem();
/// Installs `fs` (not owned; nullptr restores the real one); returns the previous one.
TFileSystem* SetCurrentFileSystem(TFileSystem* fs);
TRealFileSystem& RealFileSystem();

/// Installs a file system for the lifetime of the object (tests).
class TScopedFileSystem {
 public:
  explicit TScopedFileSystem(TFileSystem& fs) : FPrevious(SetCurrentFileSystem(&fs)) {}
  ~TScopedFileSystem() { SetCurrentFileSystem(FPrevious); }
  TScopedFileSystem(const TScopedFileSystem&) = delete;
  TScopedFileSystem& operator=(const TScopedFileSystem&) = delete;

 private:
  TFileSystem* FPrevious;
};

/// File names on Linux are bytes; engine paths are UTF-16. A name that is
/// not valid UTF-8 keeps each invalid byte as a lone surrogate U+DC80..U+DCFF
/// (U+DC00 + the byte), so that it reaches the OS unchanged; valid UTF-8 can
/// never produce such a code unit, so the mapping goes both ways.
std::u16string FileNameFromNative(std::string_view native);
std::string FileNameToNative(std::u16string_view path);
/// Whether `path` holds such a kept byte (a name that is not valid UTF-8).
bool HasRawFileNameBytes(std::u16string_view path);
/// `path` for messages: each kept byte as "\xE9".
std::u16string EscapedFileName(std::u16string_view path);

/// The path with repeated separators collapsed and a trailing one dropped
/// ("/" stays "/"); how the in-memory and faulty file systems compare paths.
std::u16string NormalizeSeparators(std::u16string_view path);

}  // namespace zan
