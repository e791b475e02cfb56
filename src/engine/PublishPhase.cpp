#include "engine/PublishPhase.h"

#include <unordered_set>
#include <vector>

#include "engine/BackupPhase.h"
#include "engine/FileUtils.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/RunResults.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// Each changed original once (a form two units name is listed twice).
std::vector<TWorkItem*> ChangedFiles(TRunState& state) {
  std::vector<TWorkItem*> items;
  std::unordered_set<std::u16string> seen;
  for (TWorkItem& item : state.Work)
    if (item.Changed && seen.insert(item.Path).second) items.push_back(&item);
  return items;
}

/// Puts back the originals of `replaced`; returns those it could not.
std::u16string PutBack(TRunState& state, const std::vector<TWorkItem*>& replaced) {
  std::u16string failed;
  for (auto it = replaced.rbegin(); it != replaced.rend(); ++it) {
    const TWorkItem& item = **it;
    const TFileStatus status = state.Options.MakeBackup
                                   ? state.Fs.CopyFile(item.Backup, item.Path, true)
                                   : state.Fs.MoveFile(item.Backup, item.Path);
    if (!status) failed += (failed.empty() ? u"\"" : u", \"") + item.Path + u"\"";
  }
  return failed;
}

}  // namespace

void PublishChangedFiles(TRunState& state) {
  const std::vector<TWorkItem*> items = ChangedFiles(state);
  if (state.Results.ChangedFilesCount > 0) state.Log.WriteLine(res::sReplacingOriginals);
  TFileSystem& fs = state.Fs;
  for (const TWorkItem* item : items)
    if (!fs.CanReplace(item->Path))
      throw EFileError(res::Fmt(res::sCannotReplaceOriginal, {item->Path}));
  if (!state.Options.MakeBackup) {
    // Without backups the run keeps the originals itself until it is done.
    const std::u16string folder = JoinPath(state.TempFolder, u".originals");
    if (!items.empty() && !ForceFolder(folder, fs)) throw EFileError(res::sFailedToCreateDirectory);
    for (size_t k = 0; k < items.size(); ++k) {
      items[k]->Backup = JoinPath(folder, IntToStr(static_cast<int64_t>(k)));
      fs.LinkOrCopyFile(items[k]->Path, items[k]->Backup).Check();
    }
  }
  std::vector<TWorkItem*> replaced;
  for (TWorkItem* item : items) {
    if (TFileStatus status = fs.MoveFile(item->TempPath, item->Path); !status) {
      const std::u16string reason = Utf8ToUtf16(status.Message());
      const std::u16string failed = PutBack(state, replaced);
      if (failed.empty()) {
        RestoreUndoRecord(state);
        throw EFileError(res::Fmt(res::sPublishRolledBack, {item->Path, reason}));
      }
      // The undo file stays: it is what restores the originals not put back.
      throw EPublishIncomplete(
          res::Fmt(res::sPublishNotRolledBack, {item->Path, reason, failed, UndoFileName(state)}));
    }
    replaced.push_back(item);
  }
}

}  // namespace zan
