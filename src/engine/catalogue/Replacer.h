// TComponentReplacer: one group of source libraries and its conversion.
//
// A replacer holds the replace pairs of one group of source libraries
// (source class name -> Zanthe class name), the source units whose `uses`
// entry gets the Zanthe units appended and the text appended, and how the
// form step of a run is made. It keeps nothing of a run: a run is planned
// and executed over a run context that names the replacer (RunPlan.h), and
// the form step and the results are the run's own.
//
// PerformReplace() and PerformRestore() are the plug-in's front end: they
// build the context from the process-wide seams (file system, busy
// indicator, shell, the open project, class registry, code page) and run.
//
// The options object is shared by all replacers and must outlive them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/catalogue/ClassNameTable.h"
#include "engine/catalogue/ReplaceOptions.h"
#include "rtl/StringList.h"

namespace zan {

class TFormFileStep;
class TFormLookup;
struct TRunContext;

/// Makes a fresh form step for one run.
using TFormFileStepFactory = std::function<std::unique_ptr<TFormFileStep>()>;

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

  /// The front end of the plug-in: plans and executes a run over the
  /// options' scope (the selected units are the lines of ModuleList) in
  /// FrontEndContext(). True when the changed files replaced the originals;
  /// raises on fatal errors (originals untouched).
  bool PerformReplace();
  /// Copies the backups named in `undoFile` back over the originals, through
  /// the process's current file system (RestoreRun.h). True when every
  /// backup was copied; false (nothing copied) when one is missing.
  bool PerformRestore(const std::u16string& undoFile);
  /// The context of a run started from the plug-in: this replacer, the
  /// process-wide seams and the options' connection files. Callers add what
  /// is theirs (user rules and their class registry) before planning.
  TRunContext FrontEndContext();

  /// What converting a form reads: the pairs and `databaseNames` (those a
  /// project run collected, TRunResults::DatabaseNames; default: none).
  TFormLookup FormLookup(const TStringList& databaseNames = NoDatabaseNames()) const;
  static const TStringList& NoDatabaseNames();

  /// How each run makes its form step (the base one leaves forms unchanged;
  /// InstallFormConversion sets the real one). Part of the replacer's
  /// configuration, set once: it must not change while a run is planned.
  void SetFormFileStepFactory(TFormFileStepFactory factory);
  /// A fresh form step for one run, not yet prepared.
  std::unique_ptr<TFormFileStep> MakeFormFileStep() const;

  // ----- the configuration
  TReplaceOptions& ReplaceOptions() const { return FReplaceOptions; }
  const TStringList& OldComps() const { return FOldComps; }
  const TStringList& NewComps() const { return FNewComps; }
  const TStringList& OldUsesList() const { return FOldUsesList; }
  const std::u16string& NewUsesList() const { return FNewUsesList; }

 private:
  TStringList FOldComps;  // sorted, case-insensitive; object: index into FNewComps
  TStringList FNewComps;
  TStringList FOldUsesList;  // upper case, sorted
  std::u16string FNewUsesList;
  TReplaceOptions& FReplaceOptions;
  // Pair look-up by upper-cased name, for the hot path of the rewriting.
  TClassNameTable FPairIndex;
  TFormFileStepFactory FFormStepFactory;  // empty: the base step
};

}  // namespace zan
