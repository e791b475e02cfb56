// TFaultyFileSystem: counts the operations passed to a wrapped file system and
// makes the planned ones fail without touching the target.
#include "support/FaultyFileSystem.h"

#include <algorithm>

namespace zan {

/// Appends through the wrapper's plan, so that the N-th append can fail.
class TFaultyFileSystem::TFaultyWritableFile : public TWritableFile {
 public:
  TFaultyWritableFile(TFaultyFileSystem& owner, std::u16string path,
                      std::unique_ptr<TWritableFile> target)
      : FOwner(owner), FPath(std::move(path)), FTarget(std::move(target)) {}

  TFileStatus Append(std::string_view bytes) override {
    if (TFileErrorCode code = FOwner.Plan(TFileOp::Append, FPath, {}, true);
        code != TFileErrorCode::None)
      return TFileStatus::Error(TFileOp::Append, code, FPath);
    return FTarget->Append(bytes);
  }
  TFileStatus Close() override { return FTarget->Close(); }

 private:
  TFaultyFileSystem& FOwner;
  std::u16string FPath;
  std::unique_ptr<TWritableFile> FTarget;
};

void TFaultyFileSystem::FailNth(TFileOp op, int n, TFileErrorCode code) {
  FNth.push_back({op, Calls(op) + n, code});
}

void TFaultyFileSystem::FailAlways(TFileOp op, TFileErrorCode code) {
  FAlways[op] = code;
}

void TFaultyFileSystem::FailPath(std::u16string_view path, TFileErrorCode code) {
  FPaths[NormalizeSeparators(path)] = code;
}

void TFaultyFileSystem::FillDisk(int n) {
  FFullFrom = FSpaceCalls + n;
}

void TFaultyFileSystem::SetFreeSpace(std::u16string_view folder, uint64_t bytes) {
  FFreeSpace.emplace_back(NormalizeSeparators(folder), bytes);
}

void TFaultyFileSystem::Reset() {
  FSpaceCalls = 0;
  FFullFrom = 0;
  FFreeSpace.clear();
  FNth.clear();
  FAlways.clear();
  FPaths.clear();
  FCalls.clear();
  FFailures = 0;
}

int TFaultyFileSystem::Calls(TFileOp op) const {
  auto it = FCalls.find(op);
  return it == FCalls.end() ? 0 : it->second;
}

TFileErrorCode TFaultyFileSystem::Plan(TFileOp op, std::u16string_view path,
                                       std::u16string_view other, bool needsRoom) {
  int call = ++FCalls[op];
  TFileErrorCode code = TFileErrorCode::None;
  if (needsRoom && ++FSpaceCalls >= FFullFrom && FFullFrom > 0) {
    ++FFailures;
    return TFileErrorCode::DiskFull;
  }
  auto nth = std::find_if(FNth.begin(), FNth.end(),
                          [&](const TNthFailure& f) { return f.Op == op && f.Call == call; });
  if (nth != FNth.end()) {
    code = nth->Code;
  } else if (auto always = FAlways.find(op); always != FAlways.end()) {
    code = always->second;
  } else {
    for (std::u16string_view p : {path, other}) {
      if (p.empty()) continue;
      if (auto hit = FPaths.find(NormalizeSeparators(p)); hit != FPaths.end()) {
        code = hit->second;
        break;
      }
    }
  }
  if (code != TFileErrorCode::None) ++FFailures;
  return code;
}

#define ZAN_FAULT_ROOM(op, path, other, room)                                          \
  if (TFileErrorCode code = Plan(op, path, other, room); code != TFileErrorCode::None) \
  return TFileStatus::Error(op, code, path, other)
#define ZAN_FAULT(op, path, other) ZAN_FAULT_ROOM(op, path, other, false)

TFileStatus TFaultyFileSystem::Read(std::u16string_view path, std::string& contents) {
  ZAN_FAULT(TFileOp::Read, path, {});
  return TFileSystemWrapper::Read(path, contents);
}

TFileStatus TFaultyFileSystem::Write(std::u16string_view path, std::string_view contents) {
  ZAN_FAULT_ROOM(TFileOp::Write, path, {}, true);
  return TFileSystemWrapper::Write(path, contents);
}

TFileStatus TFaultyFileSystem::WriteAtomic(std::u16string_view path, std::string_view contents) {
  ZAN_FAULT_ROOM(TFileOp::Write, path, {}, true);
  return TFileSystemWrapper::WriteAtomic(path, contents);
}

TFileStatus TFaultyFileSystem::OpenForWriting(std::u16string_view path,
                                              std::unique_ptr<TWritableFile>& file) {
  ZAN_FAULT_ROOM(TFileOp::Open, path, {}, true);
  std::unique_ptr<TWritableFile> target;
  TFileStatus status = TFileSystemWrapper::OpenForWriting(path, target);
  if (status)
    file = std::make_unique<TFaultyWritableFile>(*this, std::u16string(path), std::move(target));
  return status;
}

TFileStatus TFaultyFileSystem::List(std::u16string_view folder,
                                    std::vector<TFolderEntry>& entries) {
  ZAN_FAULT(TFileOp::List, folder, {});
  return TFileSystemWrapper::List(folder, entries);
}

TFileStatus TFaultyFileSystem::MakeFolder(std::u16string_view path) {
  ZAN_FAULT_ROOM(TFileOp::MakeFolder, path, {}, true);
  return TFileSystemWrapper::MakeFolder(path);
}

TFileStatus TFaultyFileSystem::MakePrivateFolder(std::u16string_view path) {
  ZAN_FAULT_ROOM(TFileOp::MakeFolder, path, {}, true);
  return TFileSystemWrapper::MakePrivateFolder(path);
}

bool TFaultyFileSystem::CanReplace(std::u16string_view path) {
  return !FPaths.contains(NormalizeSeparators(path)) && TFileSystemWrapper::CanReplace(path);
}

TFileStatus TFaultyFileSystem::CopyFile(std::u16string_view source, std::u16string_view dest,
                                        bool overwrite) {
  ZAN_FAULT_ROOM(TFileOp::Copy, source, dest, true);
  return TFileSystemWrapper::CopyFile(source, dest, overwrite);
}

TFileStatus TFaultyFileSystem::MoveFile(std::u16string_view source, std::u16string_view dest) {
  ZAN_FAULT_ROOM(TFileOp::Copy, source, dest, true);
  return TFileSystemWrapper::MoveFile(source, dest);
}

TFileStatus TFaultyFileSystem::LinkOrCopyFile(std::u16string_view source,
                                              std::u16string_view dest) {
  ZAN_FAULT(TFileOp::Copy, source, dest);
  return TFileSystemWrapper::LinkOrCopyFile(source, dest);
}

TFileStatus TFaultyFileSystem::Rename(std::u16string_view from, std::u16string_view to) {
  ZAN_FAULT(TFileOp::Rename, from, to);
  return TFileSystemWrapper::Rename(from, to);
}

TFileStatus TFaultyFileSystem::RemoveFile(std::u16string_view path) {
  ZAN_FAULT(TFileOp::Remove, path, {});
  return TFileSystemWrapper::RemoveFile(path);
}

TFileStatus TFaultyFileSystem::RemoveFolder(std::u16string_view path) {
  ZAN_FAULT(TFileOp::Remove, path, {});
  return TFileSystemWrapper::RemoveFolder(path);
}

TFileStatus TFaultyFileSystem::GetTempFolder(std::u16string& folder) {
  ZAN_FAULT(TFileOp::TempFolder, std::u16string_view{}, {});
  return TFileSystemWrapper::GetTempFolder(folder);
}

TFileStatus TFaultyFileSystem::LinkFile(std::u16string_view source, std::u16string_view dest) {
  ZAN_FAULT(TFileOp::Copy, source, dest);
  return TFileSystemWrapper::LinkFile(source, dest);
}

TFileStatus TFaultyFileSystem::FreeSpace(std::u16string_view path, TFreeSpace& space) {
  const std::u16string key = NormalizeSeparators(path);
  for (size_t i = 0; i < FFreeSpace.size(); ++i) {
    const std::u16string& folder = FFreeSpace[i].first;
    if (key == folder || key.starts_with(folder + u"/")) {
      space.Volume = 1000 + i;
      space.Bytes = FFreeSpace[i].second;
      return {};
    }
  }
  return TFileSystemWrapper::FreeSpace(path, space);
}

#undef ZAN_FAULT
#undef ZAN_FAULT_ROOM

}  // namespace zan
