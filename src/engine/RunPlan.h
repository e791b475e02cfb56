// A replace run in two steps: Plan works out what the run will touch,
// Execute carries it out.
//
// Plan checks the scope (the folder, or the project and its selected units),
// reads the files the form step needs (the BDE alias file), takes the lock on
// the run's tree, lists the units and refuses a backup folder that holds
// another tree's backups: everything that can be wrong with the scope is
// raised there, with nothing written. Execute runs the phases of TReplaceRun
// (ReplaceRun.h) over the plan and leaves what the run did in its Results.
//
// The command line, the expert and the desktop host start runs this way
// only; tests do too.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/RunContext.h"
#include "engine/catalogue/ReplaceOptions.h"
#include "engine/phases/RunResults.h"
#include "engine/phases/RunScope.h"
#include "engine/phases/RunState.h"

namespace zan {

class IOTAProject;
class TFormFileStep;
class TLogWriter;
struct TRunReport;

/// Which units of the open project a project run takes.
struct TUnitSelection {
  /// Bare file names, matched against the project's modules, or full paths,
  /// each of which must be a module of the project. Blank entries are ignored.
  std::vector<std::u16string> Units;
  /// With no unit given: every ".pas" module of the project; otherwise the
  /// run has no unit (and says so).
  bool AllWhenNone = false;

  /// The selection the wizard keeps: bare names, one per line.
  static TUnitSelection FromLines(const std::u16string& lines);
};

/// Everything one replace run will touch, worked out before anything is
/// written. Made by Plan, carried out (once) by Execute. Holds the locks of
/// the run until it dies.
struct TRunPlan {
  TRunPlan(const TRunContext& context, const TReplaceOptions& options);
  ~TRunPlan();
  TRunPlan(TRunPlan&&) noexcept;
  TRunPlan& operator=(TRunPlan&&) noexcept;

  /// The caller's context, with a report and a log of the plan's own when it
  /// gave none (the warnings and the --strict check need a report).
  TRunContext Context;
  /// The options as they were when the run was planned: the catalogue's
  /// shared object may change afterwards without changing the run.
  TReplaceOptions Options;

  /// The project file (project scope), or empty.
  std::u16string ProjectFileName;
  /// The bare names of the units selected (project scope).
  std::vector<std::u16string> SelectedUnits;
  /// The folder the log goes into: the scanned folder or the project's.
  std::u16string BaseFolder;
  /// The tree the run locks and the manifest records (RunRootFolder).
  std::u16string RootFolder;
  /// Where the backups and the undo file go; empty when the run makes none
  /// (no backups, or a dry run).
  std::u16string BackupFolder;
  /// The log the run writes; empty: none (no log, or a dry run).
  std::u16string LogFile;

  /// The units of the run in order, each with why it is in it. The forms
  /// they name are found while they are rewritten and join the work list then.
  std::vector<TWorkItem> Units;
  /// What the scan left out (links, names the undo file cannot hold): logged
  /// and reported as warnings when the run starts.
  std::vector<std::u16string> Warnings;
  /// The locks of the run: its tree (taken by Plan, except in a dry run) and
  /// the backup folder (taken by Execute once the folder exists).
  TRunLocks Locks;
  /// The folders the scan listed: the run looks forms up in them and reads no
  /// folder twice.
  TFolderListingCache Listings;
  /// The run's form step, prepared with the context's settings.
  std::unique_ptr<TFormFileStep> FormStep;

  /// What the run did: the undo list, the database names, the changed-file
  /// count. Filled by Execute.
  TRunResults Results;

  // Owned stand-ins for what the context lacked (see Context).
  std::unique_ptr<TRunReport> OwnReport;
  std::unique_ptr<TLogWriter> OwnLog;
};

/// Plans a run over `context` (its replacer's options give the scope);
/// `selection` picks the units of a project run. Raises, with nothing
/// written, naming the folder, unit or project, when the run cannot be done:
/// a missing folder, project or unit, two units of one bare name, no unit at
/// all, another run holding the tree, a backup folder of another tree, a
/// log that is a link, a mistake in the alias file.
TRunPlan Plan(const TRunContext& context, const TUnitSelection& selection = {});

/// Runs every phase of `plan`. True when the changed files replaced the
/// originals (a dry run: true); false when a replacement failed. Raises on
/// fatal errors, with every original untouched (ReplaceRun.h).
bool Execute(TRunPlan& plan);

/// The units of `project` a run takes when the caller names none: its ".pas"
/// modules, in project order (full paths).
std::vector<std::u16string> ProjectUnits(const IOTAProject& project);

/// The bare names of the units `selection` picks from `project`. Raises
/// (sUnitNotInProject) when a unit given as a path is no module of it.
std::vector<std::u16string> SelectProjectUnits(const IOTAProject& project,
                                               const TUnitSelection& selection);

}  // namespace zan
