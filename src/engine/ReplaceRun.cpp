#include "engine/ReplaceRun.h"

#include "engine/BackupPhase.h"
#include "engine/FileUtils.h"
#include "engine/FormPhase.h"
#include "engine/PublishPhase.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/Replacer.h"
#include "engine/RunReport.h"
#include "engine/RunResults.h"
#include "engine/RunScope.h"
#include "engine/UnitRewritePhase.h"
#include "ide/HostServices.h"
#include "rtl/ScopeExit.h"

namespace zan {

namespace {

/// The log a run writes into: the context's, or one of its own.
TLogWriter& RunLog(const TRunContext& context, std::unique_ptr<TLogWriter>& own) {
  if (context.Log) return *context.Log;
  own = std::make_unique<TLogWriter>();
  own->SetClock(context.Clock);
  return *own;
}

}  // namespace

TReplaceRun::TReplaceRun(TComponentReplacer& replacer, const TReplaceOptions& options,
                         const TRunContext& context, TRunResults& results,
                         std::vector<std::u16string> selectedUnits)
    : FSelectedUnits(std::move(selectedUnits)),
      FState(replacer, options, context, RunLog(context, FOwnLog), results) {
  Assert(context.FileSystem && context.ClassRegistry, "MigWizard\\Replacer");
  TLogWriter& log = FState.Log;
  log.SetFileSystem(context.FileSystem);
  log.SetCodePage(context.CodePage);
  log.SetHeader(options.Caption() + std::u16string(res::sLogHeaderSuffix));
  log.SetCreationTimeString(res::sLogCreatedAt);
  log.SetEmptyLineAfterString(true);
}

TReplaceRun::~TReplaceRun() = default;

bool TReplaceRun::Execute() {
  const TRunContext& context = FState.Context;
  const TReplaceOptions& options = FState.Options;
  TRunReport* report = context.Report;
  FState.Results.BeginRun();
  if (report) report->Clear();
  const TRunScope scope = TRunScope::Check(FState, FSelectedUnits);

  std::u16string logFile;
  if (options.WriteLog && !context.DryRun) {
    logFile = JoinPath(scope.BaseFolder(FState), res::sLogFileName);
    FState.Log.OpenLogFile(logFile);
    if (report) report->LogFile = logFile;
  }
  bool result = false;
  {
    TScopeExit closeLog([&] {
      FState.Log.CloseLogFile();
      if (context.Busy) context.Busy->StopWait();
    });
    if (context.Busy) context.Busy->StartWait();
    FState.Log.WriteLine(res::sInitializingUnitList);
    FState.Work = scope.ListUnits(FState);
    FState.Replacer.FormFileStep().Prepare(context);
    TScopeExit forgetWork([&] {
      FState.Work.clear();
      FState.FolderListings.Clear();
    });
    if (!context.DryRun) CreateBackupFolder(FState);
    AllocateTempFolder();
    {
      TScopeExit removeTemp([&] { DeleteFolderTree(FState.TempFolder, FState.Fs); });
      result = RunPhases();
      FState.Log.WriteLine(res::sRemovingTempFolder);
    }
    FState.Log.WriteLine(result ? res::sReplaceSucceeded : res::sReplaceFailed);
  }
  if (report) {
    report->Result = result;
    report->Completed = true;
  }
  if (!logFile.empty() && options.ViewLog && context.Shell) context.Shell->Open(logFile);
  return result;
}

bool TReplaceRun::RunPhases() {
  const TRunContext& context = FState.Context;
  TFormFileStep& formStep = FState.Replacer.FormFileStep();
  FState.Results.DatabaseNames.Clear();
  RewriteUnits(FState);
  if (!FState.FolderScope()) CollectDatabaseNames(FState, formStep);
  ConvertForms(FState, formStep);
  FState.CheckCancelled();
  if (context.DryRun) return true;

  BackUpChangedFiles(FState);
  const bool backups = FState.Options.MakeBackup;
  // The undo file is on disk before the first original is overwritten, so
  // that an interrupted run leaves a restorable backup set.
  if (backups && FState.Results.ChangedFilesCount > 0) SaveUndoFile(FState);
  const bool published = PublishChangedFiles(FState);
  if (backups) {
    SaveUndoFile(FState);
    FState.Log.WriteLine(res::Fmt(res::sBackupFile, {UndoFileName(FState)}));
    if (context.Report) context.Report->UndoFile = UndoFileName(FState);
  }
  return published;
}

void TReplaceRun::AllocateTempFolder() {
  FState.Log.WriteLine(res::sAllocatingTempFolder);
  FState.TempFolder = CreateTempFolder(res::sTempFolderPrefix, 1, FState.Fs);
  if (!FState.TempFolder.empty()) return;
  std::u16string tempRoot;
  if (!FState.Fs.GetTempFolder(tempRoot)) throw EFileError(res::sTempFolderUnavailable);
  throw EFileError(res::Fmt(res::sFailedToCreateTempFolder, {tempRoot}));
}

}  // namespace zan
