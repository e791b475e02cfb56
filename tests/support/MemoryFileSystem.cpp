// TMemoryFileSystem: a tree of named nodes in a map, with the failure rules of
// the real file system (missing parents, read-only files, non-empty folders).
#include "support/MemoryFileSystem.h"

#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// Absolute paths only: "/..." or a drive "X:...". A relative path would mean
/// the engine writes relative to the current folder, which it must never do.
bool IsRooted(std::u16string_view path) {
  if (!path.empty() && path[0] == u'/') return true;
  return path.size() >= 2 && path[1] == u':' &&
         ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

/// The parent of a normalised path: "/" for "/a", empty for a top-level "C:".
std::u16string ParentOf(const std::u16string& path) {
  size_t slash = path.rfind(u'/');
  if (slash == std::u16string::npos) return {};
  if (slash == 0) return path == u"/" ? std::u16string() : u"/";
  return path.substr(0, slash);
}

std::u16string ChildPrefix(const std::u16string& folder) {
  return folder == u"/" ? folder : folder + u"/";
}

}  // namespace

/// Appends to the node of its path for as long as that is a file.
class TMemoryFileSystem::TMemoryWritableFile : public TWritableFile {
 public:
  TMemoryWritableFile(TMemoryFileSystem& owner, std::u16string key, std::u16string shown)
      : FOwner(owner), FKey(std::move(key)), FShown(std::move(shown)) {}

  TFileStatus Append(std::string_view bytes) override {
    TNode* node = FClosed ? nullptr : FOwner.Find(FKey);
    if (!node || node->IsFolder)
      return TFileStatus::Error(TFileOp::Append, TFileErrorCode::NotFound, FShown);
    node->Contents.append(bytes);
    return {};
  }
  TFileStatus Close() override {
    FClosed = true;
    return {};
  }

 private:
  TMemoryFileSystem& FOwner;
  std::u16string FKey;
  std::u16string FShown;
  bool FClosed = false;
};

TMemoryFileSystem::TMemoryFileSystem() {
  FNodes[u"/"].IsFolder = true;
  SetTempFolder(u"/tmp");
}

TMemoryFileSystem::~TMemoryFileSystem() = default;

TMemoryFileSystem::TNode* TMemoryFileSystem::Find(const std::u16string& key) {
  auto it = FNodes.find(key);
  return it == FNodes.end() ? nullptr : &it->second;
}

const TMemoryFileSystem::TNode* TMemoryFileSystem::Find(const std::u16string& key) const {
  auto it = FNodes.find(key);
  return it == FNodes.end() ? nullptr : &it->second;
}

TFileStatus TMemoryFileSystem::Resolve(TFileOp op, std::u16string_view path,
                                       std::u16string& key) const {
  if (!IsRooted(path))
    return TFileStatus::Error(op, TFileErrorCode::NotFound, path, {},
                              "Relative path refused by the in-memory file system");
  key = NormalizeSeparators(path);
  return {};
}

TFileStatus TMemoryFileSystem::CheckParent(TFileOp op, const std::u16string& key,
                                           std::u16string_view shown) {
  std::u16string parent = ParentOf(key);
  if (parent.empty()) return {};
  const TNode* node = Find(parent);
  if (!node) return TFileStatus::Error(op, TFileErrorCode::NotFound, shown);
  if (!node->IsFolder) return TFileStatus::Error(op, TFileErrorCode::NotAFolder, shown);
  return {};
}

TFileStatus TMemoryFileSystem::StoreFile(TFileOp op, const std::u16string& key,
                                         std::u16string_view shown, std::string_view contents) {
  if (TNode* node = Find(key)) {
    if (node->IsFolder) return TFileStatus::Error(op, TFileErrorCode::IsAFolder, shown);
    if (node->ReadOnly) return TFileStatus::Error(op, TFileErrorCode::AccessDenied, shown);
    node->Contents.assign(contents);
  } else {
    if (TFileStatus status = CheckParent(op, key, shown); !status) return status;
    FNodes[key].Contents.assign(contents);
  }
  FWritten.insert(key);
  return {};
}

// ----- set-up and inspection

void TMemoryFileSystem::AddFolder(std::u16string_view path) {
  std::u16string key;
  Resolve(TFileOp::MakeFolder, path, key).Check();
  std::u16string parent = ParentOf(key);
  if (!parent.empty() && !Find(parent)) AddFolder(parent);
  TNode& node = FNodes[key];
  Assert(node.IsFolder || node.Contents.empty(), "MigWizard\\FileSystem");
  node.IsFolder = true;
}

void TMemoryFileSystem::AddFile(std::u16string_view path, std::string_view contents) {
  std::u16string key;
  Resolve(TFileOp::Write, path, key).Check();
  std::u16string parent = ParentOf(key);
  if (!parent.empty()) AddFolder(parent);
  TNode& node = FNodes[key];
  Assert(!node.IsFolder, "MigWizard\\FileSystem");
  node.Contents.assign(contents);
}

std::string TMemoryFileSystem::Contents(std::u16string_view path) const {
  const TNode* node = Find(NormalizeSeparators(path));
  if (!node || node->IsFolder)
    throw EFileError(TFileStatus::Error(TFileOp::Read, TFileErrorCode::NotFound, path).Message());
  return node->Contents;
}

void TMemoryFileSystem::SetUnreadable(std::u16string_view path, bool unreadable) {
  TNode* node = Find(NormalizeSeparators(path));
  Assert(node != nullptr, "MigWizard\\FileSystem");
  node->Unreadable = unreadable;
}

void TMemoryFileSystem::SetModifiedTime(std::u16string_view path, int64_t time) {
  TNode* node = Find(NormalizeSeparators(path));
  Assert(node != nullptr, "MigWizard\\FileSystem");
  node->ModifiedTime = time;
}

void TMemoryFileSystem::SetForeignOwner(std::u16string_view path, bool foreign) {
  TNode* node = Find(NormalizeSeparators(path));
  Assert(node != nullptr, "MigWizard\\FileSystem");
  node->Foreign = foreign;
}

void TMemoryFileSystem::SetTempFolder(std::u16string_view folder) {
  FTempFolder = folder.empty() ? std::u16string() : NormalizeSeparators(folder);
  if (!FTempFolder.empty()) AddFolder(FTempFolder);
}

std::vector<std::u16string> TMemoryFileSystem::WrittenFiles() const {
  return {FWritten.begin(), FWritten.end()};
}

std::vector<std::u16string> TMemoryFileSystem::AllPaths() const {
  std::vector<std::u16string> paths;
  for (const auto& [key, node] : FNodes) {
    if (key == u"/") continue;
    paths.push_back(node.IsFolder ? key + u"/" : key);
  }
  return paths;
}

std::map<std::u16string, std::string> TMemoryFileSystem::FilesUnder(
    std::u16string_view folder) const {
  std::u16string prefix = ChildPrefix(NormalizeSeparators(folder));
  std::map<std::u16string, std::string> files;
  for (auto it = FNodes.lower_bound(prefix);
       it != FNodes.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (!it->second.IsFolder) files[it->first.substr(prefix.size())] = it->second.Contents;
  }
  return files;
}

// ----- TFileSystem

TFileAttributes TMemoryFileSystem::GetAttributes(std::u16string_view path) {
  TFileAttributes attributes;
  std::u16string key;
  if (!Resolve(TFileOp::Read, path, key)) return attributes;
  if (const TNode* node = Find(key)) {
    attributes.Exists = true;
    attributes.IsFolder = node->IsFolder;
    attributes.ReadOnly = node->ReadOnly;
    attributes.Size = node->Contents.size();
  }
  return attributes;
}

TFileStatus TMemoryFileSystem::Read(std::u16string_view path, std::string& contents) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::Read, path, key); !status) return status;
  const TNode* node = Find(key);
  if (!node) return TFileStatus::Error(TFileOp::Read, TFileErrorCode::NotFound, path);
  if (node->IsFolder) return TFileStatus::Error(TFileOp::Read, TFileErrorCode::IsAFolder, path);
  if (node->Unreadable)
    return TFileStatus::Error(TFileOp::Read, TFileErrorCode::AccessDenied, path);
  contents = node->Contents;
  return {};
}

TFileStatus TMemoryFileSystem::Write(std::u16string_view path, std::string_view contents) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::Write, path, key); !status) return status;
  return StoreFile(TFileOp::Write, key, path, contents);
}

TFileStatus TMemoryFileSystem::WriteAtomic(std::u16string_view path, std::string_view contents) {
  return Write(path, contents);  // one map assignment is atomic already
}

TFileStatus TMemoryFileSystem::OpenForWriting(std::u16string_view path,
                                              std::unique_ptr<TWritableFile>& file) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::Open, path, key); !status) return status;
  if (TFileStatus status = StoreFile(TFileOp::Open, key, path, {}); !status) return status;
  file = std::make_unique<TMemoryWritableFile>(*this, key, std::u16string(path));
  return {};
}

TFileStatus TMemoryFileSystem::List(std::u16string_view folder,
                                    std::vector<TFolderEntry>& entries) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::List, folder, key); !status) return status;
  const TNode* node = Find(key);
  if (!node) return TFileStatus::Error(TFileOp::List, TFileErrorCode::NotFound, folder);
  if (!node->IsFolder) return TFileStatus::Error(TFileOp::List, TFileErrorCode::NotAFolder, folder);
  entries.clear();
  std::u16string prefix = ChildPrefix(key);
  for (auto it = FNodes.upper_bound(prefix);
       it != FNodes.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    std::u16string name = it->first.substr(prefix.size());
    if (name.find(u'/') == std::u16string::npos)
      entries.push_back({name, it->second.IsFolder, false});
  }
  return {};
}

TFileStatus TMemoryFileSystem::MakeFolder(std::u16string_view path) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::MakeFolder, path, key); !status) return status;
  if (Find(key))
    return TFileStatus::Error(TFileOp::MakeFolder, TFileErrorCode::AlreadyExists, path);
  if (TFileStatus status = CheckParent(TFileOp::MakeFolder, key, path); !status) return status;
  FNodes[key].IsFolder = true;
  return {};
}

TFileStatus TMemoryFileSystem::CopyFile(std::u16string_view source, std::u16string_view dest,
                                        bool overwrite) {
  auto fail = [&](TFileErrorCode code) {
    return TFileStatus::Error(TFileOp::Copy, code, source, dest);
  };
  std::u16string from, to;
  if (TFileStatus status = Resolve(TFileOp::Copy, source, from); !status) return status;
  if (TFileStatus status = Resolve(TFileOp::Copy, dest, to); !status) return status;
  const TNode* src = Find(from);
  if (!src) return fail(TFileErrorCode::NotFound);
  if (src->IsFolder) return fail(TFileErrorCode::IsAFolder);
  if (src->Unreadable) return fail(TFileErrorCode::AccessDenied);
  if (const TNode* existing = Find(to)) {
    if (existing->IsFolder) return fail(TFileErrorCode::IsAFolder);
    if (!overwrite) return fail(TFileErrorCode::AlreadyExists);
    if (existing->ReadOnly) return fail(TFileErrorCode::AccessDenied);
    if (from == to) return {};
  } else if (TFileStatus status = CheckParent(TFileOp::Copy, to, dest); !status) {
    return fail(status.Code());
  }
  TNode copy = *src;
  FNodes[to] = std::move(copy);
  FWritten.insert(to);
  return {};
}

TFileStatus TMemoryFileSystem::MoveFile(std::u16string_view source, std::u16string_view dest) {
  std::u16string from, to;
  if (TFileStatus status = Resolve(TFileOp::Copy, source, from); !status) return status;
  if (TFileStatus status = Resolve(TFileOp::Copy, dest, to); !status) return status;
  if (from == to) return {};
  const TNode* existing = Find(to);
  const bool keepReadOnly = existing && !existing->IsFolder;
  const bool wasReadOnly = keepReadOnly && existing->ReadOnly;
  if (TFileStatus status = CopyFile(source, dest, true); !status) return status;
  // The destination keeps its attribute, as a rename onto it would.
  if (keepReadOnly) FNodes[to].ReadOnly = wasReadOnly;
  FNodes.erase(from);
  return {};
}

TFileStatus TMemoryFileSystem::LinkOrCopyFile(std::u16string_view source,
                                              std::u16string_view dest) {
  return CopyFile(source, dest, true);
}

TFileStatus TMemoryFileSystem::LinkFile(std::u16string_view source, std::u16string_view dest) {
  std::u16string from, to;
  if (TFileStatus status = Resolve(TFileOp::Copy, source, from); !status) return status;
  if (TFileStatus status = Resolve(TFileOp::Copy, dest, to); !status) return status;
  const TNode* src = Find(from);
  auto fail = [&](TFileErrorCode code) {
    return TFileStatus::Error(TFileOp::Copy, code, source, dest);
  };
  if (!src) return fail(TFileErrorCode::NotFound);
  if (src->IsFolder) return fail(TFileErrorCode::IsAFolder);
  if (Find(to)) return fail(TFileErrorCode::AlreadyExists);
  if (TFileStatus status = CheckParent(TFileOp::Copy, to, dest); !status)
    return fail(status.Code());
  TNode link = *src;
  FNodes[to] = std::move(link);
  return {};
}

TFileStatus TMemoryFileSystem::GetEntryStatus(std::u16string_view path, TEntryStatus& status) {
  status = {};
  std::u16string key;
  if (TFileStatus resolved = Resolve(TFileOp::Read, path, key); !resolved) return resolved;
  const TNode* node = Find(key);
  if (!node) return TFileStatus::Error(TFileOp::Read, TFileErrorCode::NotFound, path);
  status.Exists = true;
  status.IsFolder = node->IsFolder;
  status.OwnedByUser = !node->Foreign;
  status.ModifiedTime = node->ModifiedTime;
  return {};
}

TFileStatus TMemoryFileSystem::Rename(std::u16string_view from, std::u16string_view to) {
  auto fail = [&](TFileErrorCode code) {
    return TFileStatus::Error(TFileOp::Rename, code, from, to);
  };
  std::u16string oldKey, newKey;
  if (TFileStatus status = Resolve(TFileOp::Rename, from, oldKey); !status) return status;
  if (TFileStatus status = Resolve(TFileOp::Rename, to, newKey); !status) return status;
  const TNode* node = Find(oldKey);
  if (!node || oldKey == u"/") return fail(TFileErrorCode::NotFound);
  if (oldKey == newKey) return {};
  if (const TNode* existing = Find(newKey)) {
    if (existing->IsFolder || node->IsFolder) return fail(TFileErrorCode::AlreadyExists);
  } else if (TFileStatus status = CheckParent(TFileOp::Rename, newKey, to); !status) {
    return fail(status.Code());
  }
  std::u16string prefix = oldKey + u"/";
  if (newKey.compare(0, prefix.size(), prefix) == 0) return fail(TFileErrorCode::Other);
  // Move the node and, for a folder, everything under it.
  std::map<std::u16string, TNode> moved;
  for (auto it = FNodes.begin(); it != FNodes.end();) {
    if (it->first == oldKey || it->first.compare(0, prefix.size(), prefix) == 0) {
      moved[newKey + it->first.substr(oldKey.size())] = std::move(it->second);
      it = FNodes.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [key, moving] : moved) FNodes[key] = std::move(moving);
  return {};
}

TFileStatus TMemoryFileSystem::RemoveFile(std::u16string_view path) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::Remove, path, key); !status) return status;
  const TNode* node = Find(key);
  if (!node) return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::NotFound, path);
  if (node->IsFolder) return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::IsAFolder, path);
  if (node->ReadOnly)
    return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::AccessDenied, path);
  FNodes.erase(key);
  return {};
}

TFileStatus TMemoryFileSystem::RemoveFolder(std::u16string_view path) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::Remove, path, key); !status) return status;
  const TNode* node = Find(key);
  if (!node) return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::NotFound, path);
  if (!node->IsFolder) return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::NotAFolder, path);
  if (key == u"/") return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::AccessDenied, path);
  std::u16string prefix = ChildPrefix(key);
  auto next = FNodes.lower_bound(prefix);
  if (next != FNodes.end() && next->first.compare(0, prefix.size(), prefix) == 0)
    return TFileStatus::Error(TFileOp::Remove, TFileErrorCode::NotEmpty, path);
  FNodes.erase(key);
  return {};
}

TFileStatus TMemoryFileSystem::SetReadOnly(std::u16string_view path, bool readOnly) {
  std::u16string key;
  if (TFileStatus status = Resolve(TFileOp::Write, path, key); !status) return status;
  TNode* node = Find(key);
  if (!node) return TFileStatus::Error(TFileOp::Write, TFileErrorCode::NotFound, path);
  node->ReadOnly = readOnly;
  return {};
}

TFileStatus TMemoryFileSystem::GetTempFolder(std::u16string& folder) {
  const TNode* node = FTempFolder.empty() ? nullptr : Find(FTempFolder);
  if (!node || !node->IsFolder)
    return TFileStatus::Error(TFileOp::TempFolder, TFileErrorCode::NotFound, FTempFolder);
  folder = FTempFolder;
  return {};
}

}  // namespace zan
