#include "app/desktop/UndoFileWatch.h"

#include <utility>

#include "engine/report/RExpertRes.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

void TUndoFileWatch::Note(std::u16string_view path, const TFileStatus& status) {
  if (!status || !SameText(ExtractFileName(path), res::sUndoFileName)) return;
  std::lock_guard<std::mutex> lock(FMutex);
  FWritten = path;
}

TFileStatus TUndoFileWatch::Write(std::u16string_view path, std::string_view contents) {
  TFileStatus status = TFileSystemWrapper::Write(path, contents);
  Note(path, status);
  return status;
}

TFileStatus TUndoFileWatch::WriteAtomic(std::u16string_view path, std::string_view contents) {
  TFileStatus status = TFileSystemWrapper::WriteAtomic(path, contents);
  Note(path, status);
  return status;
}

std::u16string TUndoFileWatch::TakeWrittenUndoFile() {
  std::lock_guard<std::mutex> lock(FMutex);
  return std::exchange(FWritten, {});
}

}  // namespace zan
