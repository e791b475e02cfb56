// TUndoFileWatch: the file system the host lends the plug-in. It forwards
// every call to the host's file system and notes the undo files
// ("RExpert.reu") written through it, so that once a run is over the host
// knows which backups hold the originals of the files the run changed.
#pragma once

#include <mutex>
#include <string>

#include "rtl/FileSystem.h"

namespace zan {

class TUndoFileWatch : public TFileSystemWrapper {
 public:
  /// `target` (not owned) must outlive the watch.
  explicit TUndoFileWatch(TFileSystem& target)
      : TFileSystemWrapper(target), FThreadSafe(target.ThreadSafe()) {}

  TFileStatus Write(std::u16string_view path, std::string_view contents) override;
  TFileStatus WriteAtomic(std::u16string_view path, std::string_view contents) override;
  bool ThreadSafe() const override { return FThreadSafe; }

  /// The undo file written last since the previous call (empty: none); forgets it.
  std::u16string TakeWrittenUndoFile();

 private:
  void Note(std::u16string_view path, const TFileStatus& status);

  const bool FThreadSafe;
  std::mutex FMutex;  // the run writes from its form lanes too
  std::u16string FWritten;
};

}  // namespace zan
