// TRealFileSystem on POSIX: paths become UTF-8 file names, errno values become
// TFileStatus in one helper (ErrnoStatus). Windows rules the engine relies on
// are kept: a read-only file (no write permission bit) is neither overwritten
// nor deleted, even by root.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "rtl/FileSystem.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

std::string Native(std::u16string_view path) {
  return Utf16ToUtf8(path);
}

/// The one place where OS error numbers become statuses.
TFileStatus ErrnoStatus(TFileOp op, int error, std::u16string_view path,
                        std::u16string_view other = {}) {
  TFileErrorCode code;
  switch (error) {
    case ENOENT:
      code = TFileErrorCode::NotFound;
      break;
    case EEXIST:
      code = TFileErrorCode::AlreadyExists;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      code = TFileErrorCode::AccessDenied;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      code = TFileErrorCode::DiskFull;
      break;
    case ENOTEMPTY:
      code = TFileErrorCode::NotEmpty;
      break;
    case EISDIR:
      code = TFileErrorCode::IsAFolder;
      break;
    case ENOTDIR:
      code = TFileErrorCode::NotAFolder;
      break;
    default:
      code = TFileErrorCode::Other;
      break;
  }
  return TFileStatus::Error(op, code, path, other, std::strerror(error));
}

/// Only absolute paths reach the OS: a relative one (or a Windows path such
/// as "C:/x", relative on Linux) would touch files under the current folder.
TFileStatus CheckAbsolute(TFileOp op, std::u16string_view path) {
  if (path.empty() || path[0] != u'/')
    return TFileStatus::Error(op, TFileErrorCode::NotFound, path, {}, "Relative path refused");
  return {};
}

TFileStatus CheckAbsolute(TFileOp op, std::u16string_view path, std::u16string_view other) {
  if (CheckAbsolute(op, path) && CheckAbsolute(op, other)) return {};
  return TFileStatus::Error(op, TFileErrorCode::NotFound, path, other, "Relative path refused");
}

bool IsReadOnlyMode(mode_t mode) {
  return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

mode_t CurrentUmask() {
  static const mode_t mask = [] {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

/// Closes a descriptor on scope exit unless released.
class TFd {
 public:
  explicit TFd(int fd = -1) : FFd(fd) {}
  ~TFd() {
    if (FFd >= 0) ::close(FFd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  /// Closes now; returns the errno of a failed close, or 0.
  int Close() {
    int fd = FFd;
    FFd = -1;
    return fd >= 0 && ::close(fd) != 0 ? errno : 0;
  }
  /// Gives the descriptor up without closing it.
  int Release() { return std::exchange(FFd, -1); }

 private:
  int FFd;
};

/// Writes everything; returns 0 or the errno.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

/// Copies the rest of `in` to `out`; returns 0 or the errno.
int CopyAll(int in, int out) {
  for (;;) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n == 0) return 0;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
    return errno;
  }
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (int error = WriteAll(out, std::string_view(buffer, static_cast<size_t>(n)))) return error;
  }
}

/// Refuses to replace a folder or a read-only file at `path`. When `path`
/// is a symbolic link, `target` becomes the file it points to, so that an
/// atomic replacement keeps the link.
TFileStatus CheckReplaceable(TFileOp op, std::u16string_view shown, const std::string& path,
                             std::string& target, bool& exists, mode_t& mode,
                             std::u16string_view other = {}) {
  target = path;
  struct stat st;
  exists = ::stat(path.c_str(), &st) == 0;
  if (!exists) return {};
  if (S_ISDIR(st.st_mode)) return TFileStatus::Error(op, TFileErrorCode::IsAFolder, shown, other);
  if (IsReadOnlyMode(st.st_mode))
    return TFileStatus::Error(op, TFileErrorCode::AccessDenied, shown, other);
  mode = st.st_mode & 07777;
  struct stat lst;
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  return {};
}

/// A temporary file beside `target` (same folder, so rename is atomic).
int MakeTempBeside(const std::string& target, std::string& tempName) {
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = (slash == 0 ? std::string() : folder) + "/." + name + ".zantmp-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd >= 0) tempName = buffer.data();
  return fd;
}

/// Fills a temporary beside `target` through `fill`, gives it `mode` and
/// renames it over `target`; the temporary is removed on failure.
template <typename Fill>
TFileStatus ReplaceThroughTemp(TFileOp op, std::u16string_view shown, std::u16string_view other,
                               const std::string& target, mode_t mode, Fill fill) {
  std::string tempName;
  TFd fd(MakeTempBeside(target, tempName));
  if (fd.Get() < 0) return ErrnoStatus(op, errno, shown, other);
  int error = fill(fd.Get());
  if (!error && ::fchmod(fd.Get(), mode) != 0) error = errno;
  if (int closeError = fd.Close(); !error) error = closeError;
  if (!error && ::rename(tempName.c_str(), target.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(tempName.c_str());
    return ErrnoStatus(op, error, shown, other);
  }
  return {};
}

/// Appends to an open descriptor.
class TPosixWritableFile : public TWritableFile {
 public:
  TPosixWritableFile(int fd, std::u16string path) : FFd(fd), FPath(std::move(path)) {}
  TFileStatus Append(std::string_view bytes) override {
    if (FFd.Get() < 0) return ErrnoStatus(TFileOp::Append, EBADF, FPath);
    if (int error = WriteAll(FFd.Get(), bytes)) return ErrnoStatus(TFileOp::Append, error, FPath);
    return {};
  }
  TFileStatus Close() override {
    if (int error = FFd.Close()) return ErrnoStatus(TFileOp::Append, error, FPath);
    return {};
  }

 private:
  TFd FFd;
  std::u16string FPath;
};

}  // namespace

TFileAttributes TRealFileSystem::GetAttributes(std::u16string_view path) {
  TFileAttributes attributes;
  struct stat st;
  if (!CheckAbsolute(TFileOp::Read, path) || ::stat(Native(path).c_str(), &st) != 0)
    return attributes;
  attributes.Exists = true;
  attributes.IsFolder = S_ISDIR(st.st_mode);
  attributes.ReadOnly = IsReadOnlyMode(st.st_mode);
  attributes.IsSpecial = !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
  attributes.Size = static_cast<uint64_t>(st.st_size);
  return attributes;
}

TFileStatus TRealFileSystem::Read(std::u16string_view path, std::string& contents) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Read, path); !status) return status;
  TFd fd(::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Read, errno, path);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return ErrnoStatus(TFileOp::Read, errno, path);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Read, EISDIR, path);
  // Nothing the program reads comes near the limit; a device that never ends
  // (/dev/zero, /dev/urandom) reaches it instead of filling the memory.
  const auto tooLarge = [&] {
    return TFileStatus::Error(TFileOp::Read, TFileErrorCode::Other, path, {},
                              "File too large (over 256 MB)");
  };
  if (static_cast<uint64_t>(std::max<off_t>(st.st_size, 0)) > kMaxReadSize) return tooLarge();
  std::string result;
  result.reserve(static_cast<size_t>(std::max<off_t>(st.st_size, 0)));
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(TFileOp::Read, errno, path);
    }
    result.append(buffer, static_cast<size_t>(n));
    if (result.size() > kMaxReadSize) return tooLarge();
  }
  contents = std::move(result);
  return {};
}

TFileStatus TRealFileSystem::Write(std::u16string_view path, std::string_view contents) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Write, path); !status) return status;
  std::string native = Native(path), target;
  bool existed = false;
  mode_t mode = 0;
  if (TFileStatus status = CheckReplaceable(TFileOp::Write, path, native, target, existed, mode);
      !status)
    return status;
  TFd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Write, errno, path);
  int error = WriteAll(fd.Get(), contents);
  if (int closeError = fd.Close(); !error) error = closeError;
  if (error) {
    if (!existed) ::unlink(native.c_str());  // leave no partial new file
    return ErrnoStatus(TFileOp::Write, error, path);
  }
  return {};
}

TFileStatus TRealFileSystem::WriteAtomic(std::u16string_view path, std::string_view contents) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Write, path); !status) return status;
  std::string native = Native(path), target;
  bool existed = false;
  mode_t mode = 0666 & ~CurrentUmask();
  if (TFileStatus status = CheckReplaceable(TFileOp::Write, path, native, target, existed, mode);
      !status)
    return status;
  return ReplaceThroughTemp(TFileOp::Write, path, {}, target, mode,
                            [&](int fd) { return WriteAll(fd, contents); });
}

TFileStatus TRealFileSystem::OpenForWriting(std::u16string_view path,
                                            std::unique_ptr<TWritableFile>& file) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Open, path); !status) return status;
  std::string native = Native(path), target;
  bool existed = false;
  mode_t mode = 0;
  if (TFileStatus status = CheckReplaceable(TFileOp::Open, path, native, target, existed, mode);
      !status)
    return status;
  // Never through a link: a log opened there would truncate a file elsewhere.
  int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return ErrnoStatus(TFileOp::Open, errno, path);
  file = std::make_unique<TPosixWritableFile>(fd, std::u16string(path));
  return {};
}

TFileStatus TRealFileSystem::List(std::u16string_view folder, std::vector<TFolderEntry>& entries) {
  if (TFileStatus status = CheckAbsolute(TFileOp::List, folder); !status) return status;
  std::string native = Native(folder);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return ErrnoStatus(TFileOp::List, errno, folder);
  std::vector<TFolderEntry> result;
  errno = 0;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool isFolder = entry->d_type == DT_DIR;
    bool isLink = entry->d_type == DT_LNK;
    if (entry->d_type == DT_UNKNOWN || isLink) {
      struct stat st;
      std::string full = native + (native.ends_with('/') ? "" : "/") + std::string(name);
      isFolder = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      isLink = ::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    result.push_back({Utf8ToUtf16(name), isFolder, isLink});
    errno = 0;
  }
  int error = errno;
  ::closedir(dir);
  if (error) return ErrnoStatus(TFileOp::List, error, folder);
  std::sort(result.begin(), result.end(),
            [](const TFolderEntry& a, const TFolderEntry& b) { return a.Name < b.Name; });
  entries = std::move(result);
  return {};
}

TFileStatus TRealFileSystem::MakeFolder(std::u16string_view path) {
  if (TFileStatus status = CheckAbsolute(TFileOp::MakeFolder, path); !status) return status;
  if (::mkdir(Native(path).c_str(), 0777) != 0)
    return ErrnoStatus(TFileOp::MakeFolder, errno, path);
  return {};
}

TFileStatus TRealFileSystem::CopyFile(std::u16string_view source, std::u16string_view dest,
                                      bool overwrite) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Copy, source, dest); !status) return status;
  std::string from = Native(source), to = Native(dest), target;
  TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Copy, EISDIR, source, dest);
  struct stat existing;
  if (!overwrite && ::stat(to.c_str(), &existing) == 0)
    return ErrnoStatus(TFileOp::Copy, EEXIST, source, dest);
  bool existed = false;
  mode_t ignored = 0;
  if (TFileStatus status =
          CheckReplaceable(TFileOp::Copy, source, to, target, existed, ignored, dest);
      !status)
    return status;
  return ReplaceThroughTemp(TFileOp::Copy, source, dest, target, st.st_mode & 07777,
                            [&](int out) { return CopyAll(in.Get(), out); });
}

TFileStatus TRealFileSystem::MoveFile(std::u16string_view source, std::u16string_view dest) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Copy, source, dest); !status) return status;
  std::string from = Native(source), to = Native(dest), target;
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Copy, EISDIR, source, dest);
  // Only a plain file is moved by name; anything else is copied and removed.
  if (!S_ISREG(st.st_mode)) {
    if (TFileStatus status = CopyFile(source, dest, true); !status) return status;
    ::unlink(from.c_str());
    return {};
  }
  bool existed = false;
  mode_t mode = st.st_mode & 07777;
  if (TFileStatus status = CheckReplaceable(TFileOp::Copy, source, to, target, existed, mode, dest);
      !status)
    return status;
  if (mode != (st.st_mode & 07777) && ::chmod(from.c_str(), mode) != 0)
    return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  if (::rename(from.c_str(), target.c_str()) == 0) return {};
  if (errno != EXDEV) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  // Another file system: copy beside the target, rename it over, drop the source.
  TFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  if (TFileStatus status = ReplaceThroughTemp(TFileOp::Copy, source, dest, target, mode,
                                              [&](int out) { return CopyAll(in.Get(), out); });
      !status)
    return status;
  ::unlink(from.c_str());
  return {};
}

TFileStatus TRealFileSystem::LinkOrCopyFile(std::u16string_view source, std::u16string_view dest) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Copy, source, dest); !status) return status;
  std::string from = Native(source), to = Native(dest), target;
  struct stat st;
  // A symbolic link or anything else but a plain file is copied.
  if (::lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return CopyFile(source, dest, true);
  bool existed = false;
  mode_t ignored = 0;
  if (TFileStatus status =
          CheckReplaceable(TFileOp::Copy, source, to, target, existed, ignored, dest);
      !status)
    return status;
  if (!existed) {
    if (::link(from.c_str(), target.c_str()) == 0) return {};
  } else {
    struct stat existing;
    if (::stat(target.c_str(), &existing) == 0 && existing.st_dev == st.st_dev &&
        existing.st_ino == st.st_ino)
      return {};  // already a name of the same data
    // Replace the existing file atomically: link under a free name beside it,
    // then rename that over it.
    std::string tempName;
    if (int fd = MakeTempBeside(target, tempName); fd >= 0) {
      ::close(fd);
      ::unlink(tempName.c_str());
      if (::link(from.c_str(), tempName.c_str()) == 0) {
        if (::rename(tempName.c_str(), target.c_str()) == 0) return {};
        ::unlink(tempName.c_str());
      }
    }
  }
  // No hard links here (another file system, a file system without them,
  // the link count at its limit): a copy of the bytes.
  return CopyFile(source, dest, true);
}

TFileStatus TRealFileSystem::Rename(std::u16string_view from, std::u16string_view to) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Rename, from, to); !status) return status;
  if (::rename(Native(from).c_str(), Native(to).c_str()) != 0)
    return ErrnoStatus(TFileOp::Rename, errno, from, to);
  return {};
}

TFileStatus TRealFileSystem::RemoveFile(std::u16string_view path) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Remove, path); !status) return status;
  std::string native = Native(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) return ErrnoStatus(TFileOp::Remove, errno, path);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Remove, EISDIR, path);
  if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode))
    return ErrnoStatus(TFileOp::Remove, EACCES, path);
  if (::unlink(native.c_str()) != 0) return ErrnoStatus(TFileOp::Remove, errno, path);
  return {};
}

TFileStatus TRealFileSystem::RemoveFolder(std::u16string_view path) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Remove, path); !status) return status;
  if (::rmdir(Native(path).c_str()) != 0) {
    int error = errno == EEXIST ? ENOTEMPTY : errno;
    return ErrnoStatus(TFileOp::Remove, error, path);
  }
  return {};
}

TFileStatus TRealFileSystem::SetReadOnly(std::u16string_view path, bool readOnly) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Write, path); !status) return status;
  std::string native = Native(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return ErrnoStatus(TFileOp::Write, errno, path);
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
  if (::chmod(native.c_str(), mode) != 0) return ErrnoStatus(TFileOp::Write, errno, path);
  return {};
}

TFileStatus TRealFileSystem::GetTempFolder(std::u16string& folder) {
  std::u16string candidate = u"/tmp";
  // A relative TMPDIR would put temporary folders under the current folder.
  if (const char* env = std::getenv("TMPDIR"); env && env[0] == '/') candidate = Utf8ToUtf16(env);
  candidate = NormalizeSeparators(candidate);
  if (!IsFolder(candidate)) return ErrnoStatus(TFileOp::TempFolder, ENOENT, candidate);
  folder = candidate;
  return {};
}

// ----- what a safe run needs besides

bool TRealFileSystem::IsLink(std::u16string_view path) {
  struct stat st;
  return CheckAbsolute(TFileOp::Read, path) && ::lstat(Native(path).c_str(), &st) == 0 &&
         S_ISLNK(st.st_mode);
}

TFileStatus TRealFileSystem::MakePrivateFolder(std::u16string_view path) {
  if (TFileStatus status = CheckAbsolute(TFileOp::MakeFolder, path); !status) return status;
  if (::mkdir(Native(path).c_str(), 0700) != 0)
    return ErrnoStatus(TFileOp::MakeFolder, errno, path);
  return {};
}

bool TRealFileSystem::CanReplace(std::u16string_view path) {
  if (!CheckAbsolute(TFileOp::Copy, path)) return false;
  const std::string native = Native(path);
  struct stat st;
  // lstat: a symbolic link is not replaced (it is no plain file).
  if (::lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || IsReadOnlyMode(st.st_mode))
    return false;
  // A replacement is a new name in the folder, renamed over the file.
  const size_t slash = native.rfind('/');
  const std::string folder = slash == 0 ? std::string("/") : native.substr(0, slash);
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

TFileStatus TRealFileSystem::SyncFolder(std::u16string_view path) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Write, path); !status) return status;
  TFd fd(::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Write, errno, path);
  if (::syncfs(fd.Get()) != 0) return ErrnoStatus(TFileOp::Write, errno, path);
  return {};
}

namespace {

class TFlockLock : public TFolderLock {
 public:
  explicit TFlockLock(int fd) : FFd(fd) {}
  ~TFlockLock() override { ::flock(FFd.Get(), LOCK_UN); }

 private:
  TFd FFd;
};

/// The process holding an flock on the file (device, inode), from /proc/locks.
std::u16string FlockHolder(const struct stat& st) {
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, id;
    fields >> number >> kind;
    if (kind == "->") fields >> kind;  // a waiter
    fields >> mode >> access >> pid >> id;
    if (kind != "FLOCK") continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(id.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    if (inode == st.st_ino && major == ::major(st.st_dev) && minor == ::minor(st.st_dev))
      return u"process " + Utf8ToUtf16(pid);
  }
  return u"another process";
}

}  // namespace

TFileStatus TRealFileSystem::LockFolder(std::u16string_view path,
                                        std::unique_ptr<TFolderLock>& lock,
                                        std::u16string& holder) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Open, path); !status) return status;
  TFd fd(::open(Native(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Open, errno, path);
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error != EWOULDBLOCK) return ErrnoStatus(TFileOp::Open, error, path);
    struct stat st;
    holder = ::fstat(fd.Get(), &st) == 0 ? FlockHolder(st) : u"another process";
    return TFileStatus::Error(TFileOp::Open, TFileErrorCode::AlreadyExists, path);
  }
  lock = std::make_unique<TFlockLock>(fd.Release());
  return {};
}

TFileStatus TRealFileSystem::LinkFile(std::u16string_view source, std::u16string_view dest) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Copy, source, dest); !status) return status;
  const std::string from = Native(source);
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  if (!S_ISREG(st.st_mode)) return ErrnoStatus(TFileOp::Copy, EPERM, source, dest);
  if (::link(from.c_str(), Native(dest).c_str()) != 0)
    return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  return {};
}

TFileStatus TRealFileSystem::FreeSpace(std::u16string_view path, TFreeSpace& space) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Read, path); !status) return status;
  const std::string native = Native(path);
  struct stat st;
  struct statvfs vfs;
  if (::stat(native.c_str(), &st) != 0) return ErrnoStatus(TFileOp::Read, errno, path);
  if (::statvfs(native.c_str(), &vfs) != 0) return ErrnoStatus(TFileOp::Read, errno, path);
  space.Volume = static_cast<uint64_t>(st.st_dev);
  space.Bytes = static_cast<uint64_t>(vfs.f_bavail) * static_cast<uint64_t>(vfs.f_frsize);
  return {};
}

TFileStatus TRealFileSystem::GetEntryStatus(std::u16string_view path, TEntryStatus& status) {
  status = {};
  if (TFileStatus check = CheckAbsolute(TFileOp::Read, path); !check) return check;
  struct stat st;
  if (::lstat(Native(path).c_str(), &st) != 0) return ErrnoStatus(TFileOp::Read, errno, path);
  status.Exists = true;
  status.IsLink = S_ISLNK(st.st_mode);
  status.IsFolder = S_ISDIR(st.st_mode);
  status.OwnedByUser = st.st_uid == ::geteuid();
  status.ModifiedTime = static_cast<int64_t>(st.st_mtime);
  return {};
}

}  // namespace zan
