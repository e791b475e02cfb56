#include "engine/ReplaceRun.h"

#include <cstdint>
#include <ctime>
#include <unordered_set>

#include "engine/RunPlan.h"
#include "engine/catalogue/ReplaceOptions.h"
#include "engine/files/FileUtils.h"
#include "engine/files/TempFolders.h"
#include "engine/phases/BackupPhase.h"
#include "engine/phases/FormInheritance.h"
#include "engine/phases/FormPhase.h"
#include "engine/phases/PublishPhase.h"
#include "engine/phases/RunResults.h"
#include "engine/phases/RunWarnings.h"
#include "engine/phases/TodoList.h"
#include "engine/phases/UnitRewritePhase.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "engine/report/UserRulesReport.h"
#include "ide/HostServices.h"
#include "ide/ToolsAPI.h"
#include "rtl/Paths.h"
#include "rtl/ScopeExit.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// The changed files of `work`, each once (as publishing takes them).
std::vector<TPlannedChange> PlannedChanges(const std::vector<TWorkItem>& work) {
  std::vector<TPlannedChange> changes;
  std::unordered_set<std::u16string> seen;
  for (const TWorkItem& item : work)
    if (item.Changed && seen.insert(item.Path).second)
      changes.push_back({item.Path, item.TempPath});
  return changes;
}

}  // namespace

TReplaceRun::TReplaceRun(TRunPlan& plan)
    : FPlan(plan),
      FState(*plan.Context.Replacer, plan.Options, plan.Context, *plan.Context.Log, plan.Results) {
  FState.FolderListings = std::move(plan.Listings);
}

TReplaceRun::~TReplaceRun() = default;

bool TReplaceRun::Execute() {
  const TRunContext& context = FState.Context;
  const TReplaceOptions& options = FState.Options;
  TRunReport* report = context.Report;
  FState.Results.BeginRun();
  if (!FPlan.LogFile.empty()) {
    FState.Log.OpenLogFile(FPlan.LogFile);
    report->LogFile = FPlan.LogFile;
  }
  bool result = false;
  {
    TScopeExit closeLog([&] {
      FState.Log.CloseLogFile();
      if (context.Busy) context.Busy->StopWait();
    });
    if (context.Busy) context.Busy->StartWait();
    FState.Log.WriteLine(res::sInitializingUnitList);
    FState.Work = FPlan.Units;
    for (const std::u16string& warning : FPlan.Warnings) FState.Warn(warning);
    TFormFamilies families;
    TScopeExit forgetWork([&] {
      FState.Work.clear();
      FState.FolderListings.Clear();
      FState.MadeFolders.Clear();
      FState.Families = nullptr;
    });
    // The forms outside the scope that inherit from its forms, or that its
    // forms inherit from, are found before any unit is rewritten.
    families.ScanOutside(FState);
    FState.Families = &families;
    if (!context.DryRun) {
      CreateBackupFolder(FState);
      if (options.MakeBackup) {
        FPlan.Locks.Lock(FState.Fs, options.BackupDir);
        LoadUndoRecord(FState);
      }
    }
    AllocateTempFolder();
    {
      TScopeExit removeTemp([&] {
        // Once every changed file is published, the temporary folder holds
        // only the folders the run made: removed without listing them.
        const bool emptied = FPublished && FState.FailedForms.empty() &&
                             FState.MadeFolders.RemoveTree(FState.Fs, FState.TempFolder);
        if (!emptied) DeleteFolderTree(FState.TempFolder, FState.Fs);
      });
      try {
        result = RunPhases();
      } catch (const ERunCancelled& e) {
        FState.Log.WriteLine(e.Message());
        throw;
      }
      LogLine(res::sRemovingTempFolder);
    }
    LogLine(result ? res::sReplaceSucceeded : res::sReplaceFailed);
  }
  report->Result = result;
  report->Completed = true;
  if (!FPlan.LogFile.empty() && options.ViewLog && context.Shell &&
      !context.Shell->Open(FPlan.LogFile))
    report->Warnings.push_back(res::Fmt(res::sLogNotViewed, {FPlan.LogFile}));
  return result;
}

bool TReplaceRun::RunPhases() {
  const TRunContext& context = FState.Context;
  const TReplaceOptions& options = FState.Options;
  TFormFileStep& formStep = *FPlan.FormStep;
  FState.Results.DatabaseNames.Clear();
  RewriteUnits(FState);
  if (!FState.FolderScope()) CollectDatabaseNames(FState, formStep);
  ConvertForms(FState, formStep);
  FState.LeaveFailedForms();
  if (context.UserRules && context.Report)
    CountAppliedUserRules(*context.UserRules, FState.Work, *context.Report);
  WarnAboutFormObjects(FState);
  CollectTodoList(FState);
  if (FState.Families) FState.Families->WarnAboutFamilies(FState);
  FState.CheckCancelled();
  // Nothing is published, or written beside the originals, by a strict run
  // that met a warning.
  CheckStrict(FState);
  if (context.OnChangesPlanned) context.OnChangesPlanned(PlannedChanges(FState.Work));
  if (context.DryRun) return true;

  // Before the first backup: every file system the run still writes has room.
  CheckFreeSpace(FState, options.WriteLog ? FPlan.BaseFolder : std::u16string());
  BackUpChangedFiles(FState);
  const bool backups = options.MakeBackup;
  try {
    KeepOriginalsReachable(FState);
    // The undo file and the manifest are on disk before the first original is
    // replaced, so that an interrupted run leaves a restorable backup set.
    SaveUndoRecord(FState);
    if (FState.Results.ChangedFilesCount > 0) {
      // The converted bytes and the backups reach the disk before any
      // original is replaced: a crash then leaves the original or the new file.
      FState.Fs.SyncFolder(FState.TempFolder).Check();
      if (backups) FState.Fs.SyncFolder(options.BackupDir).Check();
    }
    // The last point at which an interrupt stops the run: once publishing
    // has begun, the run finishes (or rolls back on failure).
    FState.CheckCancelled();
    PublishChangedFiles(FState);
  } catch (const EPublishIncomplete&) {
    // The undo file is what restores the originals that were replaced; the
    // second names of those not put back stay where they are.
    throw;
  } catch (...) {
    // No original changed: the undo file and the manifest as they were.
    RestoreUndoRecord(FState);
    RemovePutBackFolders(FState);
    throw;
  }
  RemovePutBackFolders(FState);
  FPublished = true;
  if (FState.Results.ChangedFilesCount > 0) (void)FState.Fs.SyncFolder(FPlan.BaseFolder);
  if (backups) {
    LogLine(res::Fmt(res::sBackupFile, {UndoFileName(FState)}));
    if (context.Report) context.Report->UndoFile = UndoFileName(FState);
  }
  return true;
}

void TReplaceRun::LogLine(std::u16string_view line) {
  try {
    FState.Log.WriteLine(line);
  } catch (const EFileError& e) {
    // Once the originals are replaced the run has happened: a log that
    // cannot be written then is a warning, never a failed run.
    if (!FPublished) throw;
    if (FState.Context.Report) FState.Context.Report->Warnings.push_back(e.Message());
  }
}

void TReplaceRun::AllocateTempFolder() {
  FState.Log.WriteLine(res::sAllocatingTempFolder);
  std::u16string tempRoot;
  if (!FState.Fs.GetTempFolder(tempRoot)) throw EFileError(res::sTempFolderUnavailable);
  // The folders killed runs left behind go first.
  RemoveDeadTempFolders(FState.Fs, tempRoot, static_cast<int64_t>(std::time(nullptr)));
  // A private folder with a name no shell reads as anything but a name.
  const std::u16string folder = MakeRandomPrivateFolder(FState.Fs, tempRoot, u"zanmig-");
  if (folder.empty()) throw EFileError(res::Fmt(res::sFailedToCreateTempFolder, {tempRoot}));
  FState.TempFolder = folder;
  // Held while the folder lives: it tells later runs that this one is alive.
  std::u16string holder;
  (void)FState.Fs.LockFolder(folder, FTempFolderLock, holder);
}

}  // namespace zan
