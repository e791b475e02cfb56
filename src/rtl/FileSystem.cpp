// The parts of the seam shared by every implementation: statuses and their
// messages, the throwing conveniences and the process-wide current file system.
#include "rtl/FileSystem.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

std::string Quoted(std::u16string_view path) {
  std::string quoted = "\"";
  quoted += Utf16ToUtf8(path);
  quoted += '"';
  return quoted;
}

}  // namespace

TFileStatus TFileStatus::Error(TFileOp op, TFileErrorCode code, std::u16string_view path,
                               std::u16string_view otherPath, std::string reason) {
  TFileStatus status;
  status.FCode = code == TFileErrorCode::None ? TFileErrorCode::Other : code;
  status.FOp = op;
  status.FPath = path;
  status.FOtherPath = otherPath;
  status.FReason = reason.empty() ? FileErrorText(status.FCode) : std::move(reason);
  return status;
}

std::string FileErrorText(TFileErrorCode code) {
  switch (code) {
    case TFileErrorCode::None:
      return "Success";
    case TFileErrorCode::NotFound:
      return "No such file or directory";
    case TFileErrorCode::AlreadyExists:
      return "File exists";
    case TFileErrorCode::AccessDenied:
      return "Permission denied";
    case TFileErrorCode::DiskFull:
      return "No space left on device";
    case TFileErrorCode::NotEmpty:
      return "Directory not empty";
    case TFileErrorCode::IsAFolder:
      return "Is a directory";
    case TFileErrorCode::NotAFolder:
      return "Not a directory";
    case TFileErrorCode::NotAFile:
      return "Not a regular file";
    case TFileErrorCode::Other:
      break;
  }
  return "Input/output error";
}

std::string TFileStatus::Message() const {
  if (Ok()) return {};
  std::string what;
  switch (FOp) {
    case TFileOp::Read:
      what = "Cannot open file " + Quoted(FPath);
      break;
    case TFileOp::Write:
    case TFileOp::Open:
      what = "Cannot create file " + Quoted(FPath);
      break;
    case TFileOp::Append:
      what = "Cannot write to file " + Quoted(FPath);
      break;
    case TFileOp::List:
      what = "Cannot list folder " + Quoted(FPath);
      break;
    case TFileOp::MakeFolder:
      what = "Cannot create folder " + Quoted(FPath);
      break;
    case TFileOp::Copy:
      what = "Cannot copy file " + Quoted(FPath) + " to " + Quoted(FOtherPath);
      break;
    case TFileOp::Rename:
      what = "Cannot rename " + Quoted(FPath) + " to " + Quoted(FOtherPath);
      break;
    case TFileOp::Remove:
      what = "Cannot delete " + Quoted(FPath);
      break;
    case TFileOp::TempFolder:
      what = "Cannot find the temporary folder";
      break;
  }
  return what + ". " + FReason;
}

void TFileStatus::Check() const {
  if (!Ok()) throw EFileError(Message());
}

bool TFileSystem::IsFile(std::u16string_view path) {
  TFileAttributes attributes = GetAttributes(path);
  return attributes.Exists && !attributes.IsFolder;
}

bool TFileSystem::IsFolder(std::u16string_view path) {
  TFileAttributes attributes = GetAttributes(path);
  return attributes.Exists && attributes.IsFolder;
}

std::string TFileSystem::ReadFile(std::u16string_view path) {
  std::string contents;
  Read(path, contents).Check();
  return contents;
}

void TFileSystem::WriteFile(std::u16string_view path, std::string_view contents) {
  Write(path, contents).Check();
}

void TFileSystem::WriteFileAtomic(std::u16string_view path, std::string_view contents) {
  WriteAtomic(path, contents).Check();
}

std::vector<TFolderEntry> TFileSystem::ListFolder(std::u16string_view folder) {
  std::vector<TFolderEntry> entries;
  List(folder, entries).Check();
  return entries;
}

namespace {

constexpr bool IsRawByteUnit(char16_t ch) {
  return ch >= 0xDC80 && ch <= 0xDCFF;
}

/// Length of the UTF-8 sequence a lead byte announces (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::u16string FileNameFromNative(std::string_view native) {
  if (IsValidUtf8(native)) return Utf8ToUtf16(native);
  std::u16string out;
  out.reserve(native.size());
  size_t i = 0;
  while (i < native.size()) {
    const auto lead = static_cast<unsigned char>(native[i]);
    const size_t length = std::min(Utf8SequenceLength(lead), native.size() - i);
    const std::string_view sequence = native.substr(i, length);
    if (lead >= 0x80 && (length == 1 || !IsValidUtf8(sequence))) {
      out += static_cast<char16_t>(0xDC00 + lead);
      ++i;
    } else {
      out += Utf8ToUtf16(sequence);
      i += length;
    }
  }
  return out;
}

bool HasRawFileNameBytes(std::u16string_view path) {
  for (size_t i = 0; i < path.size(); ++i)
    if (IsRawByteUnit(path[i]) && (i == 0 || !IsHighSurrogate(path[i - 1]))) return true;
  return false;
}

std::string FileNameToNative(std::u16string_view path) {
  if (!HasRawFileNameBytes(path)) return Utf16ToUtf8(path);
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (!IsRawByteUnit(path[i]) || (i > 0 && IsHighSurrogate(path[i - 1]))) continue;
    AppendUtf8(path.substr(start, i - start), out);
    out += static_cast<char>(path[i] - 0xDC00);
    start = i + 1;
  }
  AppendUtf8(path.substr(start), out);
  return out;
}

std::u16string EscapedFileName(std::u16string_view path) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsRawByteUnit(path[i]) && (i == 0 || !IsHighSurrogate(path[i - 1]))) {
      const unsigned byte = path[i] - 0xDC00u;
      out += u"\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += path[i];
    }
  }
  return out;
}

std::u16string NormalizeSeparators(std::u16string_view path) {
  std::u16string result;
  result.reserve(path.size());
  for (char16_t ch : path) {
    if (ch == u'/' && !result.empty() && result.back() == u'/') continue;
    result += ch;
  }
  if (result.size() > 1 && result.back() == u'/') result.pop_back();
  return result;
}

// ----- current file system

namespace {
TFileSystem* gCurrent = nullptr;
}  // namespace

TRealFileSystem& RealFileSystem() {
  static TRealFileSystem real;
  return real;
}

TFileSystem& CurrentFileSystem() {
  return gCurrent ? *gCurrent : RealFileSystem();
}

TFileSystem* SetCurrentFileSystem(TFileSystem* fs) {
  TFileSystem* previous = gCurrent;
  gCurrent = fs;
  return previous;
}

// ----- forwarding wrapper

TFileAttributes TFileSystemWrapper::GetAttributes(std::u16string_view path) {
  return FTarget.GetAttributes(path);
}
TFileStatus TFileSystemWrapper::Read(std::u16string_view path, std::string& contents) {
  return FTarget.Read(path, contents);
}
TFileStatus TFileSystemWrapper::Write(std::u16string_view path, std::string_view contents) {
  return FTarget.Write(path, contents);
}
TFileStatus TFileSystemWrapper::WriteAtomic(std::u16string_view path, std::string_view contents) {
  return FTarget.WriteAtomic(path, contents);
}
TFileStatus TFileSystemWrapper::OpenForWriting(std::u16string_view path,
                                               std::unique_ptr<TWritableFile>& file) {
  return FTarget.OpenForWriting(path, file);
}
TFileStatus TFileSystemWrapper::List(std::u16string_view folder,
                                     std::vector<TFolderEntry>& entries) {
  return FTarget.List(folder, entries);
}
TFileStatus TFileSystemWrapper::MakeFolder(std::u16string_view path) {
  return FTarget.MakeFolder(path);
}
TFileStatus TFileSystemWrapper::CopyFile(std::u16string_view source, std::u16string_view dest,
                                         bool overwrite) {
  return FTarget.CopyFile(source, dest, overwrite);
}
TFileStatus TFileSystemWrapper::MoveFile(std::u16string_view source, std::u16string_view dest) {
  return FTarget.MoveFile(source, dest);
}
TFileStatus TFileSystemWrapper::LinkOrCopyFile(std::u16string_view source,
                                               std::u16string_view dest) {
  return FTarget.LinkOrCopyFile(source, dest);
}
TFileStatus TFileSystemWrapper::Rename(std::u16string_view from, std::u16string_view to) {
  return FTarget.Rename(from, to);
}
TFileStatus TFileSystemWrapper::RemoveFile(std::u16string_view path) {
  return FTarget.RemoveFile(path);
}
TFileStatus TFileSystemWrapper::RemoveFolder(std::u16string_view path) {
  return FTarget.RemoveFolder(path);
}
TFileStatus TFileSystemWrapper::SetReadOnly(std::u16string_view path, bool readOnly) {
  return FTarget.SetReadOnly(path, readOnly);
}
TFileStatus TFileSystemWrapper::GetTempFolder(std::u16string& folder) {
  return FTarget.GetTempFolder(folder);
}

bool TFileSystemWrapper::IsLink(std::u16string_view path) {
  return FTarget.IsLink(path);
}

TFileStatus TFileSystemWrapper::MakePrivateFolder(std::u16string_view path) {
  return FTarget.MakePrivateFolder(path);
}

bool TFileSystemWrapper::CanReplace(std::u16string_view path) {
  return FTarget.CanReplace(path);
}

TFileStatus TFileSystemWrapper::SyncFolder(std::u16string_view path) {
  return FTarget.SyncFolder(path);
}

TFileStatus TFileSystemWrapper::LockFolder(std::u16string_view path,
                                           std::unique_ptr<TFolderLock>& lock,
                                           std::u16string& holder) {
  return FTarget.LockFolder(path, lock, holder);
}

TFileStatus TFileSystemWrapper::LinkFile(std::u16string_view source, std::u16string_view dest) {
  return FTarget.LinkFile(source, dest);
}

TFileStatus TFileSystemWrapper::FreeSpace(std::u16string_view path, TFreeSpace& space) {
  return FTarget.FreeSpace(path, space);
}

TFileStatus TFileSystemWrapper::GetEntryStatus(std::u16string_view path, TEntryStatus& status) {
  return FTarget.GetEntryStatus(path, status);
}

// ----- defaults of the safe-run operations

bool TFileSystem::IsLink(std::u16string_view) {
  return false;
}

TFileStatus TFileSystem::MakePrivateFolder(std::u16string_view path) {
  return MakeFolder(path);
}

bool TFileSystem::CanReplace(std::u16string_view path) {
  const TFileAttributes attributes = GetAttributes(path);
  return attributes.Exists && !attributes.IsFolder && !attributes.ReadOnly && !IsLink(path);
}

TFileStatus TFileSystem::SyncFolder(std::u16string_view) {
  return {};
}

/// The folders the default LockFolder holds for one file-system object
/// (normalised paths).
class TFolderLockTable {
 public:
  std::mutex Mutex;
  std::set<std::u16string> Held;
};

namespace {

/// A lock of the default LockFolder: its folder in the table until it dies.
class TTableLock : public TFolderLock {
 public:
  TTableLock(std::shared_ptr<TFolderLockTable> table, std::u16string folder)
      : FTable(std::move(table)), FFolder(std::move(folder)) {}
  ~TTableLock() override {
    std::lock_guard<std::mutex> guard(FTable->Mutex);
    FTable->Held.erase(FFolder);
  }

 private:
  std::shared_ptr<TFolderLockTable> FTable;
  std::u16string FFolder;
};

}  // namespace

TFileSystem::TFileSystem() : FFolderLocks(std::make_shared<TFolderLockTable>()) {}

TFileSystem::TFileSystem(const TFileSystem&) : TFileSystem() {}

TFileSystem::~TFileSystem() = default;

TFileStatus TFileSystem::LockFolder(std::u16string_view path, std::unique_ptr<TFolderLock>& lock,
                                    std::u16string& holder) {
  if (!IsFolder(path)) return TFileStatus::Error(TFileOp::Open, TFileErrorCode::NotFound, path);
  std::u16string key = NormalizeSeparators(path);
  // One folder holds another when they are equal or one lies below the other.
  auto holds = [](const std::u16string& folder, const std::u16string& other) {
    if (!other.starts_with(folder)) return false;
    return other.size() == folder.size() || folder.ends_with(u'/') || other[folder.size()] == u'/';
  };
  TFolderLockTable& table = *FFolderLocks;
  std::lock_guard<std::mutex> guard(table.Mutex);
  for (const std::u16string& folder : table.Held) {
    if (!(holds(folder, key) || holds(key, folder))) continue;
    holder = folder == key ? u"this process" : u"this process, which holds \"" + folder + u"\"";
    return TFileStatus::Error(TFileOp::Open, TFileErrorCode::AlreadyExists, path);
  }
  table.Held.insert(key);
  lock = std::make_unique<TTableLock>(FFolderLocks, std::move(key));
  return {};
}

TFileStatus TFileSystem::LinkFile(std::u16string_view source, std::u16string_view dest) {
  return TFileStatus::Error(TFileOp::Copy, TFileErrorCode::Other, source, dest,
                            "Hard links not supported");
}

TFileStatus TFileSystem::FreeSpace(std::u16string_view path, TFreeSpace& space) {
  if (!Exists(path)) return TFileStatus::Error(TFileOp::Read, TFileErrorCode::NotFound, path);
  space = {};
  return {};
}

TFileStatus TFileSystem::GetEntryStatus(std::u16string_view path, TEntryStatus& status) {
  status = {};
  const TFileAttributes attributes = GetAttributes(path);
  const bool link = IsLink(path);
  if (!attributes.Exists && !link)
    return TFileStatus::Error(TFileOp::Read, TFileErrorCode::NotFound, path);
  status.Exists = true;
  status.IsLink = link;
  status.IsFolder = attributes.IsFolder && !link;
  return {};
}

}  // namespace zan
