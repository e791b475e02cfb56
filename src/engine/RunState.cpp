#include "engine/RunState.h"

#include "engine/FileUtils.h"
#include "engine/PublishManifest.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/Replacer.h"
#include "engine/RunReport.h"
#include "ide/HostServices.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

TRunState::TRunState(TComponentReplacer& replacer, const TReplaceOptions& options,
                     const TRunContext& context, TLogWriter& log, TRunResults& results)
    : Replacer(replacer),
      Options(options),
      Context(context),
      Fs(*context.FileSystem),
      Log(log),
      Results(results) {}

bool TRunState::FolderScope() const {
  return Options.Dest == sdDirectory;
}

std::u16string TRunState::TempPathOf(const TWorkItem& item) {
  const std::u16string folder = JoinPath(TempFolder, ExtractFilePath(item.RelPath));
  ForceFolder(folder, Fs);
  return JoinPath(folder, ExtractFileName(item.Path));
}

void TRunState::WriteChanged(TWorkItem& item, std::string_view bytes) {
  item.TempPath = TempPathOf(item);
  Fs.WriteFile(item.TempPath, bytes);
  item.Size = bytes.size();
  item.Hash = ContentHash(bytes);
}

void TRunState::BeginFile(const TWorkItem& item) {
  Log.WriteLine(res::Fmt(res::sProcessingFile, {item.Path}));
  if (Context.Busy) Context.Busy->Step(item.Path);
}

void TRunState::Warn(const std::u16string& warning) {
  Log.WriteLine(warning);
  if (Context.Report) Context.Report->Warnings.push_back(warning);
}

void TRunState::LogChangeCount(int changeCount) {
  if (changeCount == 0)
    Log.WriteLine(res::sNoChanges);
  else
    Log.WriteLine(IntToStr(changeCount) + std::u16string(res::sChanges));
}

void TRunState::RecordFile(TWorkItem& item, int changes, bool changed) {
  item.Changes = changes;
  item.Changed = changed;
  if (changed) ++Results.ChangedFilesCount;
  if (Context.Report) Context.Report->Files.push_back({item.Path, changes, changed});
}

void TRunState::CheckCancelled() const {
  if (Context.IsCancelled()) throw ERunCancelled(std::u16string(res::sRunInterrupted));
}

}  // namespace zan
