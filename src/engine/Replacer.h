// TComponentReplacer: one group of source libraries and its conversion.
//
// A replacer holds the replace pairs of one group of source libraries
// (source class name -> Zanthe class name), the source units whose `uses`
// entry gets the Zanthe units appended and the text appended, and the form
// step that converts the forms. It runs the replace run (PerformReplace) and
// the restore run (PerformRestore).
//
// The run itself is TReplaceRun (ReplaceRun.h), phase by phase over a run
// context (RunContext.h). PerformReplace(context) is what the command line
// and the hosts call; PerformReplace() is the plug-in's front end, which
// builds the context from the replacer's seams (SetFileSystem, SetReport,
// SetDryRun) and the process-wide ones (busy indicator, shell, the open
// project, class registry, code page).
//
// The options object is shared by all replacers and must outlive them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ClassNameTable.h"
#include "engine/FormFileStep.h"
#include "engine/LogWriter.h"
#include "engine/ReplaceOptions.h"
#include "engine/RunContext.h"
#include "engine/RunReport.h"
#include "engine/RunResults.h"
#include "rtl/FileSystem.h"
#include "rtl/StringList.h"

namespace zan {

class TComponentReplacer {
 public:
  /// `oldUsesUnit`: the source units, comma-separated; `newUsesList`: the text
  /// appended after the first of them met in a `uses` clause (in a unit that
  /// names none, wherever TargetUnitPlacement.h puts it).
  TComponentReplacer(std::u16string_view oldUsesUnit, std::u16string_view newUsesList,
                     TReplaceOptions& replaceOptions);
  virtual ~TComponentReplacer();
  TComponentReplacer(const TComponentReplacer&) = delete;
  TComponentReplacer& operator=(const TComponentReplacer&) = delete;

  /// The name that replaces `oldName` in a source unit; the base returns `newName`.
  virtual std::u16string ReplaceClassName(const std::u16string& oldName,
                                          const std::u16string& newName);
  /// The pair's replacement of `name` through ReplaceClassName, or `name` itself.
  virtual std::u16string GetNewClassName(const std::u16string& name);

  /// Adds a pair; a second pair for a source name already present (any letter
  /// case) is ignored for look-ups.
  void AddReplacePair(std::u16string_view oldComp, std::u16string_view newComp);
  void ClearPairs();
  /// The target of the source class `name` (letter case ignored), exactly as
  /// it was added; nullptr when `name` is no source class.
  const std::u16string* FindNewClassName(std::u16string_view name) const;

  /// The replace run over the options' scope with the process-wide seams.
  /// True when the changed files replaced the originals; raises on fatal
  /// errors (originals untouched).
  bool PerformReplace();
  /// The replace run over the options' scope in `context`; `selectedUnits`
  /// are the bare names of the project units to take (project scope).
  bool PerformReplace(const TRunContext& context, std::vector<std::u16string> selectedUnits);
  /// Copies the backups named in `undoFile` back over the originals
  /// (RestoreRun.h). True when every backup was copied; false (nothing
  /// copied) when one is missing.
  bool PerformRestore(const std::u16string& undoFile);

  /// Handler of the form parser's OnGetPropertyValue: the component that
  /// declares the database name `oldPropValue` ("" when none).
  std::u16string DoGetPropertyValue(const std::u16string& propName,
                                    const std::u16string& oldPropValue);
  /// What converting a form reads: the pairs and the database names.
  TFormLookup FormLookup() const { return TFormLookup(*this, FResults.DatabaseNames); }

  // ----- seams of the front end
  /// Replaces the form-file step (the base one leaves forms unchanged).
  void SetFormFileStep(std::unique_ptr<TFormFileStep> step);
  TFormFileStep& FormFileStep() { return *FFormFileStep; }
  /// The file system of PerformReplace() and PerformRestore() (not owned;
  /// nullptr: the process's current one).
  void SetFileSystem(TFileSystem* fs) { FFileSystem = fs; }
  TFileSystem& FileSystem() const;
  void SetDryRun(bool dryRun) { FDryRun = dryRun; }
  bool DryRun() const { return FDryRun; }
  /// Attaches a report filled by PerformReplace() (not owned; nullptr: none).
  void SetReport(TRunReport* report) { FReport = report; }
  TRunReport* Report() const { return FReport; }
  /// The user rules PerformReplace() applies (not owned; nullptr: none).
  void SetUserRules(const TUserRules* rules) { FUserRules = rules; }
  /// The class registry of PerformReplace() (not owned; nullptr: the
  /// process's).
  void SetClassRegistry(const TClassRegistry* registry) { FClassRegistry = registry; }
  /// The context PerformReplace() runs in.
  TRunContext FrontEndContext();

  // ----- state
  TReplaceOptions& ReplaceOptions() const { return FReplaceOptions; }
  /// Database name -> "Owner.Component", as the last project run collected.
  const TStringList& DBList() const { return FResults.DatabaseNames; }
  TStringList& DBList() { return FResults.DatabaseNames; }
  const TStringList& OldComps() const { return FOldComps; }
  const TStringList& NewComps() const { return FNewComps; }
  const TStringList& OldUsesList() const { return FOldUsesList; }
  const std::u16string& NewUsesList() const { return FNewUsesList; }
  /// The last run's undo list ("original=backup") and changed-file count.
  const TStringList& UndoList() const { return FResults.UndoList; }
  int ChangedFilesCount() const { return FResults.ChangedFilesCount; }
  /// The log writer of PerformReplace() (its clock can be set).
  TLogWriter& Log() { return *FLog; }

 private:
  TStringList FOldComps;  // sorted, case-insensitive; object: index into FNewComps
  TStringList FNewComps;
  TStringList FOldUsesList;  // upper case, sorted
  std::u16string FNewUsesList;
  TReplaceOptions& FReplaceOptions;
  // Pair look-up by upper-cased name, for the hot path of the rewriting.
  TClassNameTable FPairIndex;
  TRunResults FResults;
  std::unique_ptr<TLogWriter> FLog;

  std::unique_ptr<TFormFileStep> FFormFileStep;
  TFileSystem* FFileSystem = nullptr;
  TRunReport* FReport = nullptr;
  const TUserRules* FUserRules = nullptr;
  const TClassRegistry* FClassRegistry = nullptr;
  bool FDryRun = false;
};

}  // namespace zan
