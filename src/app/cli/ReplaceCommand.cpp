// zanmig replace: a replace run over a folder or a project, with the defaults
// of the wizard (backups into "RBackup" beside the units, log on, log viewing off).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <iostream>
#include <memory>
#include <optional>

#include "BuildInfo.h"
#include "app/cli/ArgumentCheck.h"
#include "app/cli/Commands.h"
#include "app/cli/GitStatus.h"
#include "app/cli/RunSummary.h"
#include "app/cli/TerminalProgress.h"
#include "app/cli/UnifiedDiff.h"
#include "engine/RunPlan.h"
#include "engine/catalogue/Replacer.h"
#include "engine/catalogue/ZanReplacer.h"
#include "engine/files/FileUtils.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "engine/rules/UserRules.h"
#include "formrules/BdeAliases.h"
#include "ide/HeadlessIDE.h"
#include "ide/HostServices.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"

namespace zan::cli {

namespace {

struct TReplaceArgs {
  std::string Library;
  std::string Dir;
  bool Recursive = false;
  std::string Project;
  std::vector<std::string> Units;
  std::string BackupDir;
  bool NoBackup = false;
  bool NoLog = false;
  bool ViewLog = false;
  std::string ConnectionDefs;
  std::string DriverConfig;
  std::string Aliases;
  bool DryRun = false;
  std::string Report;
  bool Quiet = false;
  bool KeepGoing = false;
  bool Strict = false;
  bool Diff = false;
  bool AllowDirty = false;
  bool NoFollowUses = false;
  bool FixCode = false;
  std::vector<std::string> Rules;
};

/// The active project of a host's project group, or nullptr.
std::shared_ptr<IOTAProject> ActiveProject(IBorlandIDEServices& host) {
  auto modules = host.GetModuleServices();
  for (int i = 0; modules && i < modules->GetModuleCount(); ++i)
    if (auto group = std::dynamic_pointer_cast<IOTAProjectGroup>(modules->GetModule(i)))
      return group->GetActiveProject();
  return nullptr;
}

/// Where the report goes: nowhere, the standard output ("-"), a stream the
/// path names (a pipe, a terminal, /dev/null: written into, never replaced),
/// or a file written beside its place and renamed there.
enum class TReportTarget { None, StandardOutput, Stream, File };

/// Whether `a` and `b` name the same file: the same inode when both exist,
/// else the same path once links and "..", "." are resolved.
bool SameFile(const std::u16string& a, const std::u16string& b) {
  const std::string na = FileNameToNative(a), nb = FileNameToNative(b);
  struct stat sa, sb;
  if (::stat(na.c_str(), &sa) == 0 && ::stat(nb.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ea, eb;
  const std::filesystem::path ca = std::filesystem::weakly_canonical(na, ea);
  const std::filesystem::path cb = std::filesystem::weakly_canonical(nb, eb);
  return !ea && !eb && ca == cb;
}

/// Whether `file` lies in `folder` (at any depth with `deep`, else directly),
/// once links are resolved.
bool LiesIn(const std::u16string& file, const std::u16string& folder, bool deep) {
  std::error_code ef, ed;
  const std::filesystem::path f =
      std::filesystem::weakly_canonical(FileNameToNative(file), ef).parent_path();
  const std::filesystem::path d = std::filesystem::weakly_canonical(FileNameToNative(folder), ed);
  if (ef || ed) return false;
  if (!deep) return f == d;
  return std::mismatch(d.begin(), d.end(), f.begin(), f.end()).first == d.end();
}

/// What the run itself reads or writes at `report`, or empty: the report
/// must not overwrite a unit or form of the run, the log, anything in the
/// backup folder (backups, undo file, manifest) or an input file.
std::string OwnFileRole(const std::u16string& report, const TReplaceArgs& args,
                        const TReplaceOptions& options, const std::u16string& baseFolder,
                        const TProjectFile* project) {
  const std::u16string name = ExtractFileName(report);
  // Checked on the resolved name too: a link named x.json may lead to a unit.
  std::error_code ec;
  const std::u16string resolved = FileNameFromNative(
      std::filesystem::weakly_canonical(FileNameToNative(report), ec).filename().string());
  const bool sourceName = IsSourceUnitFile(name) || IsFormFile(name) ||
                          (!ec && (IsSourceUnitFile(resolved) || IsFormFile(resolved)));
  if (sourceName) {
    if (options.Dest == sdDirectory && LiesIn(report, options.Directory, options.IncludeSubDirs))
      return "a unit or form of the run";
    if (project) {
      if (LiesIn(report, ExtractFileDir(project->FileName), false))
        return "a unit or form of the run";
      for (const std::u16string& module : project->Modules)
        if (LiesIn(report, ExtractFileDir(module), false)) return "a unit or form of the run";
    }
  }
  if (project && SameFile(report, project->FileName)) return "the project file";
  if (options.WriteLog && SameFile(report, JoinPath(baseFolder, res::sLogFileName)))
    return "the run's log";
  if (options.MakeBackup && LiesIn(report, options.BackupDir, true))
    return "in the backup folder (backups, undo file)";
  for (const std::string& rules : args.Rules)
    if (SameFile(report, CommandLinePath(rules))) return "a rule file of the run";
  if (!args.ConnectionDefs.empty() && SameFile(report, CommandLinePath(args.ConnectionDefs)))
    return "the connection definition file";
  if (!args.DriverConfig.empty() && SameFile(report, CommandLinePath(args.DriverConfig)))
    return "the driver configuration file";
  if (SameFile(report, TRegIniFile::SettingsFileName())) return "the settings file";
  return {};
}

/// Checks the report's place before the run, so that a report that cannot be
/// written stops the run before anything is touched: one of the run's own
/// files is a usage error; a folder, block device or socket, or a folder
/// that cannot take the file, an error. The folder is made and a file
/// written beside the report and removed (the report itself is written
/// beside and renamed into place, so an existing one stays as it is until then).
TReportTarget PrepareReport(const TReplaceArgs& args, TFileSystem& fs,
                            const TReplaceOptions& options, const std::u16string& baseFolder,
                            const TProjectFile* project) {
  if (args.Report.empty()) return TReportTarget::None;
  if (args.Report == "-") return TReportTarget::StandardOutput;
  const std::u16string file = CommandLinePath(args.Report);
  if (const std::string role = OwnFileRole(file, args, options, baseFolder, project); !role.empty())
    throw TUsageError("--report: \"" + Utf16ToUtf8(file) + "\" is " + role +
                      "; the report would overwrite it");
  auto refuse = [&](const std::string& why) {
    throw EFileError(
        Utf8ToUtf16("Report file \"" + Utf16ToUtf8(file) + "\" cannot be written: " + why));
  };
  struct stat st, standardOutput;
  if (::stat(FileNameToNative(file).c_str(), &st) == 0) {
    // /dev/stdout or another name of it: the report then takes the standard
    // output, as with "-", and the run's own lines go to stderr.
    if (::fstat(STDOUT_FILENO, &standardOutput) == 0 && st.st_dev == standardOutput.st_dev &&
        st.st_ino == standardOutput.st_ino)
      return TReportTarget::StandardOutput;
    if (S_ISDIR(st.st_mode)) refuse("it is a folder");
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return TReportTarget::Stream;
    if (!S_ISREG(st.st_mode)) refuse("it is neither a file, a pipe nor a terminal");
  }
  const std::u16string folder = ExtractFileDir(file);
  if (!ForceFolder(folder, fs)) throw EFileError(res::sFailedToCreateDirectory);
  const std::u16string probe = file + u".zanmig-probe";
  if (TFileStatus status = fs.Write(probe, ""); !status) refuse(status.Message());
  (void)fs.RemoveFile(probe);
  return TReportTarget::File;
}

/// Writes the report after the run; false (with the error on stderr) when it
/// could not be written.
bool WriteReport(const TReplaceArgs& args, TReportTarget target, const TRunReport& report,
                 TFileSystem& fs) {
  switch (target) {
    case TReportTarget::None:
      return true;
    case TReportTarget::StandardOutput: {
      errno = 0;
      std::cout << report.ToJson();
      std::cout.flush();
      if (std::cout) return true;
      PrintError("Cannot write the report to the standard output. " +
                 std::string(errno != 0 ? std::strerror(errno) : "Input/output error"));
      return false;
    }
    case TReportTarget::Stream:
    case TReportTarget::File:
      break;
  }
  const std::u16string file = CommandLinePath(args.Report);
  const TFileStatus status = target == TReportTarget::Stream
                                 ? fs.Write(file, report.ToJson())
                                 : fs.WriteAtomic(file, report.ToJson());
  if (!status) PrintError(status.Message());
  return status.Ok();
}

/// Refuses an input file given to `option` that is a pipe, device or socket:
/// reading it would wait on a writer or never end.
void RequireRegularFile(const char* option, const std::string& argument) {
  if (argument.empty()) return;
  const std::u16string file = CommandLinePath(argument);
  struct stat st;
  if (::stat(FileNameToNative(file).c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw TUsageError(std::string(option) + ": \"" + Utf16ToUtf8(file) +
                      "\" is not a regular file");
}

/// Ctrl-C and SIGTERM ask the run to stop at its next file, before anything
/// is published; once publishing has begun the run finishes first. Installed
/// for one run.
class TInterruptHandler {
 public:
  TInterruptHandler() {
    gInterrupted = false;
    struct sigaction action {};
    action.sa_handler = [](int) { gInterrupted = true; };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &FPreviousInt);
    sigaction(SIGTERM, &action, &FPreviousTerm);
  }
  ~TInterruptHandler() {
    sigaction(SIGINT, &FPreviousInt, nullptr);
    sigaction(SIGTERM, &FPreviousTerm, nullptr);
  }
  TInterruptHandler(const TInterruptHandler&) = delete;
  TInterruptHandler& operator=(const TInterruptHandler&) = delete;

  const std::atomic<bool>& Flag() const { return gInterrupted; }

 private:
  static inline std::atomic<bool> gInterrupted{false};
  struct sigaction FPreviousInt {};
  struct sigaction FPreviousTerm {};
};

/// `path` relative to the run's folder `base` ("sub/Main.pas"; "../" to
/// climb out of it), as the native file name.
std::string RelativeName(const std::u16string& base, const std::u16string& path) {
  return FileNameToNative(ExtractRelativePath(IncludeTrailingPathDelimiter(base), path));
}

/// Stops a run whose files to change hold uncommitted work in git (a dry
/// run only warns), naming them; a tree outside git, or a machine without
/// git (a warning), passes.
void CheckUncommitted(const std::vector<TPlannedChange>& changes, const std::u16string& base,
                      bool dryRun, TRunReport& report) {
  std::vector<std::u16string> files;
  for (const TPlannedChange& change : changes) files.push_back(change.Original);
  if (files.empty()) return;
  const TGitCheck check = CheckGitStatus(base, files);
  if (check.GitMissing) {
    report.Warnings.push_back(
        u"git is not installed: the files the run changes were not checked for uncommitted "
        u"changes");
    return;
  }
  std::string problem;
  if (!check.Problem.empty()) {
    problem = "cannot tell whether the files the run would change have uncommitted changes (" +
              check.Problem + ")";
  } else if (!check.Dirty.empty()) {
    constexpr size_t kNamed = 10;
    problem = std::to_string(check.Dirty.size()) +
              " file(s) the run would change have uncommitted changes: ";
    for (size_t i = 0; i < check.Dirty.size() && i < kNamed; ++i)
      problem += (i > 0 ? ", " : "") + RelativeName(base, check.Dirty[i].Path) + " (" +
                 check.Dirty[i].State + ")";
    if (check.Dirty.size() > kNamed)
      problem += " and " + std::to_string(check.Dirty.size() - kNamed) + " more";
  }
  if (problem.empty()) return;
  if (dryRun)
    report.Warnings.push_back(
        Utf8ToUtf16(problem + "; a run without --dry-run refuses them unless --allow-dirty"));
  else
    throw Exception(problem + "; commit or stash them first, or run with --allow-dirty");
}

/// The diff of every planned change, the files named relative to `base`.
std::string PlannedDiff(TFileSystem& fs, const std::vector<TPlannedChange>& changes,
                        const std::u16string& base) {
  std::string diff;
  for (const TPlannedChange& change : changes)
    diff += ChangedFileDiff(RelativeName(base, change.Original), fs.ReadFile(change.Original),
                            fs.ReadFile(change.Converted));
  return diff;
}

/// What a dry run would change: each changed file (relative to the run's
/// folder `base`) with its change count, the form objects left as they
/// were and why, and a closing count.
void PrintDryRun(const TRunReport& report, const std::u16string& base, std::ostream& out) {
  for (const TRunReport::TFileEntry& file : report.Files)
    if (file.Changed)
      out << RelativeName(base, file.FileName) << ": " << file.Changes << " change(s)\n";
  out << FormatOutsideUnits(report);
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects)
    if (!object.Converted)
      out << RelativeName(base, object.FileName) << ": " << Utf16ToUtf8(object.ObjectName) << ": "
          << Utf16ToUtf8(object.ClassName) << " not converted: " << Utf16ToUtf8(object.Reason)
          << "\n";
  out << report.ChangedFileCount() << " of " << report.Files.size() << " file(s) would change.\n";
}

int RunReplace(const TReplaceArgs& args, const TClassRegistry& classes) {
  const int index = FindCatalogueLibrary(Utf8ToUtf16(args.Library));
  if (index < 0)
    throw TUsageError("--library: unknown library \"" + args.Library +
                      "\" (`zanmig libraries` lists the names and indexes)" +
                      DidYouMean(args.Library, CatalogueNames()));
  if (args.Dir.empty() == args.Project.empty())
    throw TUsageError("--dir, --project: give either --dir FOLDER or --project FILE");

  RequireRegularFile("--connection-defs", args.ConnectionDefs);
  RequireRegularFile("--driver-config", args.DriverConfig);
  TFileSystem& fs = RealFileSystem();
  // Every rule file is read and checked before anything is written.
  TUserRules userRules;
  for (const std::string& file : args.Rules)
    userRules.LoadFromFile(fs, CommandLinePath(file), index);
  // The run's own classes: the process's, then those of the rule files.
  TClassRegistry registry;
  registry.AddClassesOf(classes);
  userRules.RegisterTargetClasses(registry);
  // So is the alias file (the run reads it again when it starts).
  if (!args.Aliases.empty()) TBdeAliases::Read(fs, CommandLinePath(args.Aliases), AnsiCodePage());
  TZanCatalogue catalogue;
  TReplaceOptions& options = catalogue.Options();
  TRunContext context;
  context.Replacer = &catalogue.Replacer(index);
  context.FileSystem = &fs;
  context.ClassRegistry = &registry;
  context.CodePage = AnsiCodePage();
  context.DryRun = args.DryRun;
  context.KeepGoing = args.KeepGoing;
  context.Strict = args.Strict;
  context.FollowUses = !args.NoFollowUses;
  if (!userRules.Empty()) context.UserRules = &userRules;

  std::shared_ptr<THeadlessIDE> host;
  TUnitSelection selection;
  std::u16string baseFolder;
  if (!args.Dir.empty()) {
    options.Dest = sdDirectory;
    options.Directory = ExcludeTrailingPathDelimiter(CommandLinePath(args.Dir));
    if (options.Directory.empty()) options.Directory.push_back(u'/');  // the root
    options.IncludeSubDirs = args.Recursive;
    options.ModuleList.clear();
    baseFolder = options.Directory;
  } else {
    host = std::make_shared<THeadlessIDE>(&fs);
    host->LoadProject(CommandLinePath(args.Project));
    context.Project = ActiveProject(*host);
    options.Dest = sdProject;
    // Every ".pas" unit of the project unless --unit names some: a bare name
    // or a path (made absolute here; the plan checks it is a module).
    selection.AllWhenNone = true;
    for (const std::string& unit : args.Units) {
      const std::u16string written = Utf8ToUtf16(unit);
      selection.Units.push_back(written.find(u'/') == std::u16string::npos ? written
                                                                           : CommandLinePath(unit));
    }
    baseFolder = ExtractFileDir(host->Project()->FileName);
  }
  options.MakeBackup = !args.NoBackup;
  options.BackupDir = args.BackupDir.empty() ? JoinPath(baseFolder, res::sBackupFolderName)
                                             : CommandLinePath(args.BackupDir);
  options.WriteLog = !args.NoLog;
  options.ViewLog = args.ViewLog;
  options.FixCode = args.FixCode;
  context.ConnectionDefFileName =
      args.ConnectionDefs.empty() ? u"" : CommandLinePath(args.ConnectionDefs);
  context.DriverConfFileName = args.DriverConfig.empty() ? u"" : CommandLinePath(args.DriverConfig);
  context.AliasFileName = args.Aliases.empty() ? u"" : CommandLinePath(args.Aliases);

  TRunReport report;
  report.ToolVersion = Utf8ToUtf16(build::kVersion);
  report.Library = std::u16string(CatalogueLibraries()[static_cast<size_t>(index)].Name);
  report.DryRun = args.DryRun;
  context.Report = &report;
  TTerminalProgress progress(0, baseFolder);
  if (!args.Quiet && isatty(STDERR_FILENO)) context.Busy = &progress;
  context.Shell = &XdgShell();

  // Once the run knows what it would change: the git check, then the diff
  // (read from the temporary folder before it goes).
  std::string diff;
  context.OnChangesPlanned = [&](const std::vector<TPlannedChange>& changes) {
    if (!args.AllowDirty) CheckUncommitted(changes, baseFolder, args.DryRun, report);
    if (args.Diff) diff = PlannedDiff(fs, changes, baseFolder);
  };
  TInterruptHandler interrupts;
  context.Cancelled = &interrupts.Flag();

  // The report's place is checked before anything is written; a plan that
  // fails (nothing written) is still reported there.
  auto prepareReport = [&] {
    const TReportTarget target =
        PrepareReport(args, fs, options, baseFolder, host ? host->Project() : nullptr);
    if (args.Diff && target == TReportTarget::StandardOutput)
      throw TUsageError("--diff, --report: both would write to the standard output");
    return target;
  };
  std::optional<TRunPlan> plan;
  TReportTarget reportTarget = TReportTarget::None;
  try {
    plan.emplace(Plan(context, selection));
  } catch (const std::exception& e) {
    reportTarget = prepareReport();
    report.Errors.push_back(Utf8ToUtf16(e.what()));
    WriteReport(args, reportTarget, report, fs);
    throw;
  }
  reportTarget = prepareReport();
  // With the report on the standard output, everything else goes to stderr.
  std::ostream& out = reportTarget == TReportTarget::StandardOutput ? std::cerr : std::cout;
  progress.SetExpected(static_cast<int>(plan->Units.size()));
  bool result = false;
  try {
    result = Execute(*plan);
  } catch (const std::exception& e) {
    report.Errors.push_back(Utf8ToUtf16(e.what()));
    WriteReport(args, reportTarget, report, fs);
    throw;
  }
  const bool reportWritten = WriteReport(args, reportTarget, report, fs);
  for (const std::u16string& warning : report.Warnings) PrintWarning(Utf16ToUtf8(warning));
  if (interrupts.Flag())
    PrintWarning(
        "interrupted while the originals were being replaced; the run was completed "
        "first");

  // The diff first: patch and git apply pass over the lines after it.
  if (args.Diff && (result || args.DryRun))
    out << diff;
  else if (args.Diff)
    PrintWarning("--diff: no diff is shown, as the run failed");
  if (args.DryRun) {
    PrintDryRun(report, baseFolder, out);
    return reportWritten ? kExitSuccess : kExitFailure;
  }
  // The run's result line goes to stdout, as scripts expect it there.
  out << Utf16ToUtf8(result ? res::sReplaceSucceeded : res::sReplaceFailed) << "\n";
  if (!args.Quiet)
    out << FormatRunSummary(report, reportTarget == TReportTarget::None ? u""
                                    : reportTarget == TReportTarget::StandardOutput
                                        ? u"-"
                                        : CommandLinePath(args.Report));
  // A report that was asked for and not written fails the run even though
  // the originals were converted (the undo file restores them).
  if (!result || !reportWritten) return kExitFailure;
  return report.LeftFiles.empty() ? kExitSuccess : kExitFilesLeft;
}

}  // namespace

TCommandRun AddReplaceCommand(CLI::App& app, const TClassRegistry& classes) {
  auto args = std::make_shared<TReplaceArgs>();
  CLI::App* cmd = app.add_subcommand(
      "replace", "Replace the components of a source library in a folder or a project.");
  cmd->add_option("--library", args->Library,
                  "source library: BDE, IBX, ADO, Kyrel, Fenmark, Sarvo, Trindle, Elvast, "
                  "Wenrod, AnyDAC, FireDAC, FIBPlus (any case) or its index 0 to 11")
      ->required()
      ->type_name("NAME");
  CLI::Option* dir =
      cmd->add_option("--dir", args->Dir, "folder whose units are converted")->type_name("FOLDER");
  CLI::Option* project = cmd->add_option("--project", args->Project,
                                         "project file (.dpr or .dproj) whose units are converted")
                             ->type_name("FILE");
  dir->excludes(project);
  cmd->add_flag("--recursive", args->Recursive, "include the sub-folders of --dir")->needs(dir);
  cmd->add_option("--unit", args->Units,
                  "a unit of the project to convert (default: every .pas unit)")
      ->type_name("FILE.pas")
      ->needs(project);
  cmd->add_flag("--no-follow-uses", args->NoFollowUses,
                "take only the project's listed units (default: also the program file and the "
                "units they reach through uses clauses in the project folder or search path)")
      ->needs(project);
  CLI::Option* backupDir = cmd->add_option("--backup-dir", args->BackupDir,
                                           "backup folder (default: RBackup beside the units)")
                               ->type_name("DIR");
  cmd->add_flag("--no-backup", args->NoBackup, "make no backups and no undo file")
      ->excludes(backupDir);
  CLI::Option* noLog = cmd->add_flag("--no-log", args->NoLog, "write no log file (Wiz_Log.txt)");
  cmd->add_flag("--view-log", args->ViewLog, "open the log with the desktop's viewer afterwards")
      ->excludes(noLog);
  cmd->add_option("--connection-defs", args->ConnectionDefs,
                  "FireDAC/AnyDAC connection definition file")
      ->type_name("INI")
      ->check(CLI::ExistingFile);
  cmd->add_option("--driver-config", args->DriverConfig, "FireDAC/AnyDAC driver configuration file")
      ->type_name("INI")
      ->check(CLI::ExistingFile);
  cmd->add_option("--aliases", args->Aliases,
                  "BDE alias file: one [ALIAS] section per alias with its TYPE and parameters "
                  "(doc/connections.md)")
      ->type_name("FILE.ini")
      ->check(CLI::ExistingFile);
  cmd->add_option("--rules", args->Rules,
                  "a rule file that extends the conversion (doc/rules.md); repeatable, applied "
                  "in the order given")
      ->type_name("FILE.toml");
  cmd->add_flag("--dry-run", args->DryRun, "list what would change; touch nothing");
  cmd->add_flag("--diff", args->Diff,
                "print a unified diff of the changes on the standard output, for patch -p1 or "
                "git apply in the run's folder");
  cmd->add_flag("--allow-dirty", args->AllowDirty,
                "run even when files it would change have uncommitted changes in git");
  cmd->add_option("--report", args->Report,
                  "write a JSON report of the run (\"-\": to the standard output; the "
                  "result and summary then go to stderr)")
      ->type_name("FILE.json");
  cmd->add_flag("--keep-going", args->KeepGoing,
                "leave a form that cannot be converted as it is, with its unit, and go on "
                "(exit status 5)");
  cmd->add_flag("--fix-code", args->FixCode,
                "also apply the code fixes that are mechanical: members of converted classes "
                "renamed 1:1 (BeginTrans -> StartTransaction, FBN( -> FieldByName(, ...), and "
                "source units nothing is left of taken out of uses; listed in the report's "
                "codeFixes");
  cmd->add_flag("--strict", args->Strict,
                "fail (exit status 3, nothing changed) when the run meets any warning");
  cmd->add_flag("--quiet", args->Quiet, "no progress on the terminal (warnings and errors stay)");
  cmd->footer(
      "Example:\n  zanmig replace --library BDE --dir ~/src/app --recursive --report run.json");
  return [args, &classes] { return RunReplace(*args, classes); };
}

}  // namespace zan::cli
