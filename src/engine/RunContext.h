// TRunContext: the settings and services of one replace run, in one object.
//
// Whoever starts a run builds it (the command line, the expert, the desktop
// host, a test) and plans the run with it (RunPlan.h), which passes it down
// to every phase: the engine and the rules read nothing process-wide. Only
// the plug-in's front end (TComponentReplacer::FrontEndContext()) fills one
// from the process-wide seams.
//
// Nothing is owned: every pointer must outlive the run.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/files/LogWriter.h"
#include "rtl/SysUtils.h"

namespace zan {

class IBusyIndicator;
class IOTAProject;
class IShell;
class TClassRegistry;
class TComponentReplacer;
class TFileSystem;
class TUserRules;
struct TRunReport;

/// A run stopped by its cancellation flag; nothing was published.
class ERunCancelled : public Exception {
 public:
  using Exception::Exception;
};

/// A file the run is about to replace, and where its new bytes wait.
struct TPlannedChange {
  std::u16string Original;
  std::u16string Converted;  // in the temporary folder, removed after the run
};

struct TRunContext {
  /// The replace pairs of the library converted, its options (the scope,
  /// backups, log) and how its form step is made. Required.
  TComponentReplacer* Replacer = nullptr;
  /// Every disk access of the run. Required.
  TFileSystem* FileSystem = nullptr;
  /// The log the run opens, writes and closes; nullptr: the run makes its own
  /// (with `Clock`).
  TLogWriter* Log = nullptr;
  TClock Clock = LocalNow;
  /// Switched on at the start and off at the end; told each file. nullptr: none.
  IBusyIndicator* Busy = nullptr;
  /// Opens the log after the run when the options ask for it. nullptr: not opened.
  IShell* Shell = nullptr;
  /// The open project, whose units a project-scope run takes. nullptr: none.
  std::shared_ptr<IOTAProject> Project;
  /// Filled by the run when set.
  TRunReport* Report = nullptr;
  /// Processes every file into the temporary folder and stops there: no log,
  /// no backup, no undo file, no original touched.
  bool DryRun = false;
  /// The target classes and their published properties: a registry made
  /// for the run (the target library, the user's class file, then the
  /// target classes of the rule files). Required.
  const TClassRegistry* ClassRegistry = nullptr;
  /// The rules of the user's rule files, applied with the built-in ones;
  /// their target classes must be in `ClassRegistry` already. nullptr: none.
  const TUserRules* UserRules = nullptr;
  /// The ANSI code page of units, forms, the log, the undo file and the
  /// files the run reads besides (aliases, connection definitions). The run
  /// and restore read no other: never the process's.
  int CodePage = 1252;
  /// The FireDAC/AnyDAC connection-definition and driver-configuration files
  /// (empty: none), read through `FileSystem`.
  std::u16string ConnectionDefFileName;
  std::u16string DriverConfFileName;
  /// The BDE alias file through which a TDatabase's alias is resolved
  /// (empty: none), read through `FileSystem` when the run starts; a mistake
  /// in it stops the run (EBdeAliasError) before anything is written.
  std::u16string AliasFileName;
  /// Checked between files; when set the run stops with ERunCancelled before
  /// anything is published. nullptr: never.
  const std::atomic<bool>* Cancelled = nullptr;
  /// Whether forms may be converted on two threads at once (when the file
  /// system and the machine allow it).
  bool AllowFormLanes = true;
  /// A form that cannot be converted is left as it is, with the unit that
  /// names it (so that the two agree), and the run goes on; otherwise it
  /// stops the run.
  bool KeepGoing = false;
  /// A project run takes the units that its listed units and its program
  /// reach through `uses` clauses (ProjectClosure.h); false: the listed
  /// units only.
  bool FollowUses = true;
  /// Any warning fails the run after the conversion phases, before anything
  /// is published (ERunStrict).
  bool Strict = false;
  /// Called once every file is converted and checked (`Strict` included),
  /// before anything is backed up or published, and at the end of a dry
  /// run: the files the run would replace, each once, in work-list order.
  /// An exception it raises stops the run with no original changed, as any
  /// error does. Empty: none.
  std::function<void(const std::vector<TPlannedChange>&)> OnChangesPlanned;

  bool IsCancelled() const { return Cancelled && Cancelled->load(std::memory_order_relaxed); }
};

}  // namespace zan
