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
  return FileNameToNative(path);
}

/// Refusal of a pipe, device or socket where a regular file is needed.
TFileStatus NotAFileStatus(TFileOp op, std::u16string_view path, std::u16string_view other = {}) {
  return TFileStatus::Error(op, TFileErrorCode::NotAFile, path, other);
}

/// Opens `path` without ever waiting on a pipe (O_NONBLOCK), then makes the
/// descriptor blocking again for the reads and writes that follow. -1 with
/// errno set on failure.
int OpenNoWait(const std::string& path, int flags, mode_t mode = 0) {
  int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
  if (fd < 0) return -1;
  const int current = ::fcntl(fd, F_GETFL);
  if (current >= 0) (void)::fcntl(fd, F_SETFL, current & ~O_NONBLOCK);
  return fd;
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

/// Refuses to replace a folder, a read-only file or anything but a regular
/// file at `path`. When `path`
/// is a symbolic link, `target` becomes the file it points to, so that an
/// atomic replacement keeps the link.
TFileStatus CheckReplaceable(TFileOp op, std::u16string_view shown, const std::string& path,
                             std::string& target, bool& exists, mode_t& mode,
                             std::u16string_view other = {}) {
  target = path;
  // lstat first: for anything but a link it tells what stat would, and a
  // link is followed only then.
  struct stat st;
  const bool found = ::lstat(path.c_str(), &st) == 0;
  const bool isLink = found && S_ISLNK(st.st_mode);
  exists = isLink ? ::stat(path.c_str(), &st) == 0 : found;
  if (!exists) return {};
  if (S_ISDIR(st.st_mode)) return TFileStatus::Error(op, TFileErrorCode::IsAFolder, shown, other);
  // A pipe or a device would be replaced by a plain file (a renamed
  // temporary): its readers would get nothing, /dev/null would be gone.
  if (!S_ISREG(st.st_mode)) return NotAFileStatus(op, shown, other);
  if (IsReadOnlyMode(st.st_mode))
    return TFileStatus::Error(op, TFileErrorCode::AccessDenied, shown, other);
  mode = st.st_mode & 07777;
  if (isLink) {
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
  // A pipe without a writer would block the open, and the run with it.
  TFd fd(OpenNoWait(Native(path), O_RDONLY));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Read, errno, path);
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return ErrnoStatus(TFileOp::Read, errno, path);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Read, EISDIR, path);
  if (!S_ISREG(st.st_mode)) return NotAFileStatus(TFileOp::Read, path);
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
  const std::string native = Native(path);
  // Usually a new file (the run's temporary files): made here, it is a
  // regular file that holds nothing yet, and needs no further question.
  // Anything of that name, a link included, takes the way below.
  if (TFd made(::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      made.Get() >= 0) {
    int error = WriteAll(made.Get(), contents);
    if (int closeError = made.Close(); !error) error = closeError;
    if (error) {
      ::unlink(native.c_str());  // leave no partial new file
      return ErrnoStatus(TFileOp::Write, error, path);
    }
    return {};
  } else if (errno != EEXIST) {
    return ErrnoStatus(TFileOp::Write, errno, path);
  }
  struct stat st;
  const bool existed = ::stat(native.c_str(), &st) == 0;
  if (existed) {
    if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Write, EISDIR, path);
    if (S_ISREG(st.st_mode) && IsReadOnlyMode(st.st_mode))
      return ErrnoStatus(TFileOp::Write, EACCES, path);
    // Pipes and character devices (a terminal, /dev/null) take a stream;
    // block devices and sockets are nothing to write a file into.
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode))
      return NotAFileStatus(TFileOp::Write, path);
  }
  const int flags = O_WRONLY | (existed ? 0 : O_CREAT);
  // A pipe nobody reads refuses a non-blocking open (ENXIO) where a blocking
  // one would wait for ever; a reader started with us gets two seconds to come.
  const bool pipe = existed && S_ISFIFO(st.st_mode);
  int opened = OpenNoWait(native, flags, 0666);
  for (int wait = 0; opened < 0 && errno == ENXIO && pipe && wait < 100; ++wait) {
    ::usleep(20000);
    opened = OpenNoWait(native, flags, 0666);
  }
  if (opened < 0) {
    if (errno == ENXIO && pipe)
      return TFileStatus::Error(TFileOp::Write, TFileErrorCode::Other, path, {},
                                "No process reads the pipe");
    return ErrnoStatus(TFileOp::Write, errno, path);
  }
  TFd fd(opened);
  struct stat now;
  if (::fstat(fd.Get(), &now) != 0) return ErrnoStatus(TFileOp::Write, errno, path);
  if (!S_ISREG(now.st_mode) && !S_ISFIFO(now.st_mode) && !S_ISCHR(now.st_mode))
    return NotAFileStatus(TFileOp::Write, path);
  if (S_ISREG(now.st_mode) && ::ftruncate(fd.Get(), 0) != 0)
    return ErrnoStatus(TFileOp::Write, errno, path);
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
  const std::string native = Native(path);
  struct stat st;
  if (::lstat(native.c_str(), &st) == 0) {
    // Never through a link: a log opened there would overwrite a file elsewhere.
    if (S_ISLNK(st.st_mode)) return ErrnoStatus(TFileOp::Open, ELOOP, path);
    if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Open, EISDIR, path);
    if (!S_ISREG(st.st_mode)) return NotAFileStatus(TFileOp::Open, path);
    if (IsReadOnlyMode(st.st_mode)) return ErrnoStatus(TFileOp::Open, EACCES, path);
  } else if (errno != ENOENT) {
    return ErrnoStatus(TFileOp::Open, errno, path);
  }
  // A new file renamed over the old one, never the old one truncated: an
  // existing file may be a second name (hard link) of a file elsewhere.
  std::string tempName;
  TFd fd(MakeTempBeside(native, tempName));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Open, errno, path);
  int error = ::fchmod(fd.Get(), 0666 & ~CurrentUmask()) != 0 ? errno : 0;
  if (!error && ::rename(tempName.c_str(), native.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(tempName.c_str());
    return ErrnoStatus(TFileOp::Open, error, path);
  }
  file = std::make_unique<TPosixWritableFile>(fd.Release(), std::u16string(path));
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
    bool isSpecial = entry->d_type != DT_DIR && entry->d_type != DT_REG &&
                     entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN;
    if (entry->d_type == DT_UNKNOWN || isLink) {
      struct stat st;
      std::string full = native + (native.ends_with('/') ? "" : "/") + std::string(name);
      const bool found = ::stat(full.c_str(), &st) == 0;
      isFolder = found && S_ISDIR(st.st_mode);
      isSpecial = found && !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode);
      isLink = ::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    result.push_back({FileNameFromNative(name), isFolder, isLink, isSpecial});
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
  TFd in(OpenNoWait(from, O_RDONLY));
  if (in.Get() < 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) return ErrnoStatus(TFileOp::Copy, errno, source, dest);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(TFileOp::Copy, EISDIR, source, dest);
  if (!S_ISREG(st.st_mode)) return NotAFileStatus(TFileOp::Copy, source, dest);
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
  TFd in(OpenNoWait(from, O_RDONLY));
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
  // Usually nothing has that name yet: the link is made at once. A link
  // never goes through a symbolic link at `dest`; anything of that name
  // refuses it (EEXIST) and takes the way below.
  if (::link(from.c_str(), to.c_str()) == 0) return {};
  if (errno != EEXIST) return CopyFile(source, dest, true);  // no hard links here
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
  if (const char* env = std::getenv("TMPDIR"); env && env[0] == '/')
    candidate = FileNameFromNative(env);
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
  TFd fd(OpenNoWait(Native(path), O_RDONLY));
  if (fd.Get() < 0) return ErrnoStatus(TFileOp::Write, errno, path);
  if (::syncfs(fd.Get()) != 0) return ErrnoStatus(TFileOp::Write, errno, path);
  return {};
}

namespace {

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

// ----- the lock registry
//
// One file per locked folder, "<16 hex digits of the canonical path's
// hash>.lock", holding "zanmig lock 1\n<pid>\n<canonical folder>\n". A file
// appears under its name only complete and already flock-ed (written under a
// temporary name, then linked), so that a file found held can be read. A file
// is removed only by whoever holds its flock and has checked that the name
// still leads to it: the holder when it ends, or a run that finds the file
// of a dead process. Two folders that meet in one hash contend for one file:
// a run may then be refused for an unrelated one, never let in beside one
// that overlaps it.

constexpr char kLockHeader[] = "zanmig lock 1";

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

/// Whether `folder` is `path` or lies above it (canonical paths).
bool FolderHolds(const std::string& folder, const std::string& path) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

/// Makes sure `folder` is a folder of this user that no one else can write
/// into, making it when it is not there.
bool PrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

/// The registry folder of this user, "/tmp/zanmig-locks-<uid>". Named
/// without the environment ($TMPDIR, $XDG_RUNTIME_DIR), which differs between
/// a terminal, the IDE and a scheduled job: every run of the user must find
/// the same registry.
std::string UserLockFolder() {
  return "/tmp/zanmig-locks-" + std::to_string(::geteuid());
}

std::string LockFileName(const std::string& canonical) {
  uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (unsigned char c : canonical) hash = (hash ^ c) * 0x100000001b3ULL;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.lock", static_cast<unsigned long long>(hash));
  return name;
}

/// Who holds a lock file and for which folder.
struct TLockRecord {
  std::string Pid;
  std::string Folder;
};

bool ReadLockRecord(int fd, TLockRecord& record) {
  std::string text(4096, '\0');
  const ssize_t n = ::pread(fd, text.data(), text.size(), 0);
  if (n <= 0) return false;
  text.resize(static_cast<size_t>(n));
  std::istringstream lines(text);
  std::string header;
  return std::getline(lines, header) && header == kLockHeader && std::getline(lines, record.Pid) &&
         std::getline(lines, record.Folder) && !record.Folder.empty();
}

enum class TLockState { Free, Held, Unreadable };

/// Whether the lock file `file` is held, and by whom. A file no process
/// holds (its run died) is removed.
TLockState ProbeLockFile(const std::string& file, TLockRecord& record) {
  TFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) return errno == ENOENT ? TLockState::Free : TLockState::Unreadable;
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
    struct stat opened, named;
    if (::fstat(fd.Get(), &opened) == 0 && ::lstat(file.c_str(), &named) == 0 &&
        SameFile(opened, named))
      ::unlink(file.c_str());
    return TLockState::Free;
  }
  return ReadLockRecord(fd.Get(), record) ? TLockState::Held : TLockState::Unreadable;
}

/// ProbeLockFile, asked again a few times while it says held: a run that
/// probes the file holds its flock for a moment too.
TLockState ProbeLockFileSettled(const std::string& file, TLockRecord& record) {
  TLockState state = TLockState::Free;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (attempt > 0) ::usleep(20000);
    state = ProbeLockFile(file, record);
    if (state != TLockState::Held) return state;
  }
  return state;
}

std::u16string HolderText(const TLockRecord& record, const std::string& canonical) {
  std::u16string text = u"process " + Utf8ToUtf16(record.Pid);
  if (record.Folder != canonical) text += u", which holds \"" + Utf8ToUtf16(record.Folder) + u"\"";
  return text;
}

class TRegistryFolderLock : public TFolderLock {
 public:
  TRegistryFolderLock(std::string file, int fd) : FFile(std::move(file)), FFd(fd) {}
  ~TRegistryFolderLock() override {
    // Removed while still held: no one else removes or takes the name before.
    if (!FFile.empty()) ::unlink(FFile.c_str());
    ::flock(FFd.Get(), LOCK_UN);
    if (FFolderFd >= 0) ::close(FFolderFd);  // closing releases its flock
  }
  /// Keeps the flock-ed descriptor of the folder itself.
  void SetFolderLock(int fd) { FFolderFd = fd; }

 private:
  std::string FFile;
  TFd FFd;
  int FFolderFd = -1;
};

}  // namespace

TRealFileSystem::TRealFileSystem(std::string lockFolder)
    : FLockFolder(lockFolder.empty() ? UserLockFolder() : std::move(lockFolder)) {}

TFileStatus TRealFileSystem::LockFolder(std::u16string_view path,
                                        std::unique_ptr<TFolderLock>& lock,
                                        std::u16string& holder) {
  if (TFileStatus status = CheckAbsolute(TFileOp::Open, path); !status) return status;
  TFd folderFd(::open(Native(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.Get() < 0) return ErrnoStatus(TFileOp::Open, errno, path);
  char* resolved = ::realpath(Native(path).c_str(), nullptr);
  if (!resolved) return ErrnoStatus(TFileOp::Open, errno, path);
  const std::string canonical(resolved);
  std::free(resolved);
  const std::string& registry = FLockFolder;
  if (!PrivateFolder(registry))
    return TFileStatus::Error(TFileOp::Open, TFileErrorCode::AccessDenied, Utf8ToUtf16(registry),
                              {}, "The lock folder is not a private folder of this user");
  const std::string name = LockFileName(canonical);
  const std::string file = registry + "/" + name;
  auto refuse = [&](std::u16string who) {
    holder = std::move(who);
    return TFileStatus::Error(TFileOp::Open, TFileErrorCode::AlreadyExists, path);
  };

  // 1. The lock file of this folder, written and flock-ed before it takes its name.
  std::string temporary = registry + "/.new-XXXXXX";
  TFd own(::mkostemp(temporary.data(), O_CLOEXEC));
  if (own.Get() < 0) return ErrnoStatus(TFileOp::Open, errno, Utf8ToUtf16(registry));
  const std::string record =
      std::string(kLockHeader) + "\n" + std::to_string(::getpid()) + "\n" + canonical + "\n";
  if (::flock(own.Get(), LOCK_EX | LOCK_NB) != 0 ||
      ::write(own.Get(), record.data(), record.size()) != static_cast<ssize_t>(record.size())) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return ErrnoStatus(TFileOp::Write, error, Utf8ToUtf16(temporary));
  }
  bool linked = false;
  int linkError = EEXIST;
  for (int attempt = 0; attempt < 20 && !linked; ++attempt) {
    if (::link(temporary.c_str(), file.c_str()) == 0) {
      linked = true;
      break;
    }
    if (errno != EEXIST) {
      linkError = errno;
      break;
    }
    // Another run holds this folder, or one that died left its file (removed).
    TLockRecord other;
    if (const TLockState state = ProbeLockFileSettled(file, other); state != TLockState::Free) {
      ::unlink(temporary.c_str());
      return refuse(state == TLockState::Held ? HolderText(other, canonical) : u"another process");
    }
  }
  ::unlink(temporary.c_str());
  if (!linked) return ErrnoStatus(TFileOp::Open, linkError, Utf8ToUtf16(file));
  auto taken = std::make_unique<TRegistryFolderLock>(file, own.Release());

  // 2. The folders above and below, held by others: their files are read
  //    only now that this run's own file is there, so of two runs that start
  //    together at least one sees the other.
  if (DIR* dir = ::opendir(registry.c_str())) {
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string other = entry->d_name;
      if (other != name && other.size() > 5 && other[0] != '.' && other.ends_with(".lock"))
        names.push_back(other);
    }
    ::closedir(dir);
    for (const std::string& other : names) {
      TLockRecord record;
      if (ProbeLockFile(registry + "/" + other, record) != TLockState::Held) continue;
      if (!FolderHolds(record.Folder, canonical) && !FolderHolds(canonical, record.Folder))
        continue;
      if (ProbeLockFileSettled(registry + "/" + other, record) == TLockState::Held)
        return refuse(HolderText(record, canonical));  // `taken` removes this run's file
    }
  }

  // 3. The folder itself, for runs of other users.
  if (::flock(folderFd.Get(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error != EWOULDBLOCK) return ErrnoStatus(TFileOp::Open, error, path);
    struct stat st;
    return refuse(::fstat(folderFd.Get(), &st) == 0 ? FlockHolder(st) : u"another process");
  }
  taken->SetFolderLock(folderFd.Release());
  lock = std::move(taken);
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
