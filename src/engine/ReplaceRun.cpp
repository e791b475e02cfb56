#include "engine/ReplaceRun.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <unordered_set>

#include "engine/BackupPhase.h"
#include "engine/FileUtils.h"
#include "engine/FormInheritance.h"
#include "engine/FormPhase.h"
#include "engine/PublishPhase.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/Replacer.h"
#include "engine/RunReport.h"
#include "engine/RunResults.h"
#include "engine/RunScope.h"
#include "engine/RunWarnings.h"
#include "engine/TempFolders.h"
#include "engine/TodoList.h"
#include "engine/UnitRewritePhase.h"
#include "engine/UserRulesReport.h"
#include "ide/HostServices.h"
#include "ide/ToolsAPI.h"
#include "rtl/Paths.h"
#include "rtl/ScopeExit.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// `context` with a report of the run's own when it has none: the warnings
/// and the --strict check need one.
TRunContext WithReport(const TRunContext& context, TRunReport& own) {
  TRunContext copy = context;
  if (!copy.Report) copy.Report = &own;
  return copy;
}

/// The log a run writes into: the context's, or one of its own.
TLogWriter& RunLog(const TRunContext& context, std::unique_ptr<TLogWriter>& own) {
  if (context.Log) return *context.Log;
  own = std::make_unique<TLogWriter>();
  own->SetClock(context.Clock);
  return *own;
}

/// "yyyy-mm-ddThh:nn:ss".
std::u16string IsoDateTime(const TLocalDateTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.Year, time.Month, time.Day,
                time.Hour, time.Minute, time.Second);
  return Utf8ToUtf16(text);
}

/// The report's account of how the run was started.
void DescribeRun(const TRunState& state, const std::vector<std::u16string>& selectedUnits,
                 const std::u16string& baseFolder, TRunReport& report) {
  const TReplaceOptions& options = state.Options;
  const TRunContext& context = state.Context;
  TRunReport::TRunOptions& described = report.Options;
  described = {};
  described.ProjectScope = !state.FolderScope();
  if (described.ProjectScope) {
    if (context.Project) described.Project = context.Project->GetFileName();
    described.Units = selectedUnits;
  } else {
    described.Folder = options.Directory;
    described.Recursive = options.IncludeSubDirs;
  }
  described.Backups = options.MakeBackup && !context.DryRun;
  if (described.Backups) described.BackupFolder = options.BackupDir;
  described.Log = options.WriteLog && !context.DryRun;
  described.KeepGoing = context.KeepGoing;
  described.Strict = context.Strict;
  report.DryRun = context.DryRun;
  report.RootFolder = baseFolder;
}

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

TReplaceRun::TReplaceRun(TComponentReplacer& replacer, const TReplaceOptions& options,
                         const TRunContext& context, TRunResults& results,
                         std::vector<std::u16string> selectedUnits)
    : FSelectedUnits(std::move(selectedUnits)),
      FContext(WithReport(context, FOwnReport)),
      FState(replacer, options, FContext, RunLog(context, FOwnLog), results) {
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
  if (report) {
    report->Clear();
    report->StartTime = IsoDateTime(context.Clock());
    if (context.UserRules) DescribeUserRules(*context.UserRules, *report);
  }
  const TRunScope scope = TRunScope::Check(FState, FSelectedUnits);
  // The form step reads its files (the BDE alias file) here, so that a
  // mistake in one stops the run before anything is written.
  FState.Replacer.FormFileStep().Prepare(context);
  // One run per tree and sub-tree, taken before anything is written.
  if (!context.DryRun) FLocks.Lock(FState.Fs, scope.BaseFolder(FState));

  FBaseFolder = scope.BaseFolder(FState);
  // Listed before anything is written: a scope without units writes nothing.
  std::vector<std::u16string> scanWarnings;
  std::vector<TWorkItem> units = scope.ListUnits(FState, scanWarnings);
  // A backup folder of another tree is refused before the log is written.
  if (!context.DryRun) CheckBackupFolderOwner(FState, units);
  if (report) DescribeRun(FState, FSelectedUnits, FBaseFolder, *report);
  std::u16string logFile;
  if (options.WriteLog && !context.DryRun) {
    logFile = JoinPath(FBaseFolder, res::sLogFileName);
    if (FState.Fs.IsLink(logFile)) throw EFileError(res::Fmt(res::sWritesThroughLink, {logFile}));
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
    FState.Work = std::move(units);
    for (const std::u16string& warning : scanWarnings) FState.Warn(warning);
    TFormFamilies families;
    TScopeExit forgetWork([&] {
      FState.Work.clear();
      FState.FolderListings.Clear();
      FState.Families = nullptr;
    });
    // The forms outside the scope that inherit from its forms, or that its
    // forms inherit from, are found before any unit is rewritten.
    families.ScanOutside(FState);
    FState.Families = &families;
    if (!context.DryRun) {
      CreateBackupFolder(FState);
      if (options.MakeBackup) {
        FLocks.Lock(FState.Fs, options.BackupDir);
        LoadUndoRecord(FState);
      }
    }
    AllocateTempFolder();
    {
      TScopeExit removeTemp([&] { DeleteFolderTree(FState.TempFolder, FState.Fs); });
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
  if (report) {
    report->Result = result;
    report->Completed = true;
  }
  if (!logFile.empty() && options.ViewLog && context.Shell && !context.Shell->Open(logFile) &&
      report)
    report->Warnings.push_back(res::Fmt(res::sLogNotViewed, {logFile}));
  return result;
}

bool TReplaceRun::RunPhases() {
  const TRunContext& context = FState.Context;
  const TReplaceOptions& options = FState.Options;
  TFormFileStep& formStep = FState.Replacer.FormFileStep();
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
  CheckFreeSpace(FState, options.WriteLog ? FBaseFolder : std::u16string());
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
  if (FState.Results.ChangedFilesCount > 0) (void)FState.Fs.SyncFolder(FBaseFolder);
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
