#include "engine/RunPlan.h"

#include <cstdio>
#include <utility>

#include "engine/ReplaceRun.h"
#include "engine/catalogue/Replacer.h"
#include "engine/files/FileUtils.h"
#include "engine/files/LogWriter.h"
#include "engine/phases/BackupPhase.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "engine/report/UserRulesReport.h"
#include "engine/rewrite/FormFileStep.h"
#include "ide/ToolsAPI.h"
#include "rtl/Paths.h"
#include "rtl/StringList.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// "yyyy-mm-ddThh:nn:ss".
std::u16string IsoDateTime(const TLocalDateTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.Year, time.Month, time.Day,
                time.Hour, time.Minute, time.Second);
  return Utf8ToUtf16(text);
}

/// The report's account of how the run was started.
void DescribeRun(const TRunPlan& plan, const TRunState& state, TRunReport& report) {
  const TReplaceOptions& options = plan.Options;
  const TRunContext& context = plan.Context;
  TRunReport::TRunOptions& described = report.Options;
  described = {};
  described.ProjectScope = !state.FolderScope();
  if (described.ProjectScope) {
    if (context.Project) described.Project = context.Project->GetFileName();
    described.Units = plan.SelectedUnits;
  } else {
    described.Folder = options.Directory;
    described.Recursive = options.IncludeSubDirs;
  }
  described.Backups = options.MakeBackup && !context.DryRun;
  if (described.Backups) described.BackupFolder = options.BackupDir;
  described.Log = options.WriteLog && !context.DryRun;
  described.KeepGoing = context.KeepGoing;
  described.Strict = context.Strict;
  described.FollowUses = described.ProjectScope && context.FollowUses;
  report.DryRun = context.DryRun;
  report.RootFolder = plan.BaseFolder;
}

}  // namespace

TUnitSelection TUnitSelection::FromLines(const std::u16string& lines) {
  TStringList list;
  list.SetText(lines);
  TUnitSelection selection;
  for (int i = 0; i < list.Count(); ++i) selection.Units.push_back(list[i]);
  return selection;
}

TRunPlan::TRunPlan(const TRunContext& context, const TReplaceOptions& options)
    : Context(context), Options(options) {
  if (!Context.Report) {
    OwnReport = std::make_unique<TRunReport>();
    Context.Report = OwnReport.get();
  }
  if (!Context.Log) {
    OwnLog = std::make_unique<TLogWriter>();
    OwnLog->SetClock(Context.Clock);
    Context.Log = OwnLog.get();
  }
}

TRunPlan::~TRunPlan() = default;
TRunPlan::TRunPlan(TRunPlan&&) noexcept = default;
TRunPlan& TRunPlan::operator=(TRunPlan&&) noexcept = default;

std::vector<std::u16string> ProjectUnits(const IOTAProject& project) {
  std::vector<std::u16string> units;
  const int moduleCount = project.GetModuleCount();
  for (int m = 0; m < moduleCount; ++m) {
    auto info = project.GetModule(m);
    const std::u16string module = info ? info->GetFileName() : std::u16string();
    if (IsPascalUnitFile(module)) units.push_back(module);
  }
  return units;
}

std::vector<std::u16string> SelectProjectUnits(const IOTAProject& project,
                                               const TUnitSelection& selection) {
  std::vector<std::u16string> names;
  if (selection.Units.empty() && selection.AllWhenNone) {
    for (const std::u16string& unit : ProjectUnits(project)) names.push_back(ExtractFileName(unit));
    return names;
  }
  for (const std::u16string& unit : selection.Units) {
    // A bare name is matched against the project's modules by the scope
    // check; a unit given with its folder must be that module.
    if (unit.find(u'/') == std::u16string::npos) {
      names.push_back(unit);
      continue;
    }
    bool found = false;
    const int moduleCount = project.GetModuleCount();
    for (int m = 0; m < moduleCount && !found; ++m)
      if (auto info = project.GetModule(m); info && info->GetFileName() == unit) found = true;
    if (!found) throw Exception(res::Fmt(res::sUnitNotInProject, {unit, project.GetFileName()}));
    names.push_back(ExtractFileName(unit));
  }
  return names;
}

TRunPlan Plan(const TRunContext& context, const TUnitSelection& selection) {
  Assert(context.Replacer && context.FileSystem && context.ClassRegistry, "MigWizard\\Replacer");
  TRunPlan plan(context, context.Replacer->ReplaceOptions());
  const TReplaceOptions& options = plan.Options;
  TLogWriter& log = *plan.Context.Log;
  log.SetFileSystem(context.FileSystem);
  log.SetCodePage(context.CodePage);
  log.SetHeader(options.Caption() + std::u16string(res::sLogHeaderSuffix));
  log.SetCreationTimeString(res::sLogCreatedAt);
  log.SetEmptyLineAfterString(true);

  TRunReport& report = *plan.Context.Report;
  report.Clear();
  report.StartTime = IsoDateTime(context.Clock());
  if (context.UserRules) DescribeUserRules(*context.UserRules, report);

  // The phases' shared state over the plan, for the checks below; the run
  // makes its own when it executes.
  const TRunState state(*context.Replacer, options, plan.Context, log, plan.Results);
  if (options.Dest == sdProject && context.Project)
    plan.SelectedUnits = SelectProjectUnits(*context.Project, selection);
  const TRunScope scope = TRunScope::Check(state, plan.SelectedUnits);
  plan.ProjectFileName = scope.ProjectFileName();
  // The form step reads its files (the BDE alias file) here, so that a
  // mistake in one stops the run before anything is written.
  plan.FormStep = context.Replacer->MakeFormFileStep();
  plan.FormStep->Prepare(plan.Context);
  plan.BaseFolder = scope.BaseFolder(state);
  plan.RootFolder = RunRootFolder(state);
  // One run per tree and sub-tree, taken before anything is written.
  if (!context.DryRun)
    for (const std::u16string& folder : scope.LockedFolders(state))
      plan.Locks.Lock(state.Fs, folder);

  // Listed before anything is written: a scope without units writes nothing.
  plan.Units = scope.ListUnits(state, plan.Warnings);
  // A project run's units are its closure (ProjectClosure.h), each with why
  // it is in the run.
  // A backup folder of another tree is refused before the log is written.
  if (!context.DryRun) CheckBackupFolderOwner(state, plan.Units);
  if (options.MakeBackup && !context.DryRun) plan.BackupFolder = options.BackupDir;
  plan.Listings = std::move(state.FolderListings);
  DescribeRun(plan, state, report);
  if (options.WriteLog && !context.DryRun) {
    plan.LogFile = JoinPath(plan.BaseFolder, res::sLogFileName);
    if (state.Fs.IsLink(plan.LogFile))
      throw EFileError(res::Fmt(res::sWritesThroughLink, {plan.LogFile}));
  }
  return plan;
}

bool Execute(TRunPlan& plan) {
  TReplaceRun run(plan);
  return run.Execute();
}

}  // namespace zan
