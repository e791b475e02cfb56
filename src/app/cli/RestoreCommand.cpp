// zanmig restore: puts the originals recorded in an undo file back; with
// --dry-run it lists them and whether each backup is there, touching nothing.
#include <iostream>
#include <memory>
#include <vector>

#include "app/cli/Commands.h"
#include "app/cli/UndoFileArgument.h"
#include "engine/RunContext.h"
#include "engine/files/UndoReader.h"
#include "engine/report/RExpertRes.h"
#include "engine/restore/RestoreRun.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

namespace {

struct TRestoreArgs {
  std::string UndoFile;
  bool DryRun = false;
  bool Force = false;
};

// The paths come from the undo file, which may hold anything: they are shown
// cut to DisplayText's length and with control characters escaped. A copy's
// failure names two of them, and is allowed their length.
constexpr size_t kShownFailure = 600;

/// Lists each original and its backup as the restore acts on them (an
/// original named twice once, with the backup of its first line), marking
/// what it would refuse. Exit status 0 when the restore would put back every
/// file, else 1.
int ListRestore(const TRestorePlan& plan) {
  size_t present = 0;
  for (const TRestoreItem& item : plan.Items) {
    present += item.Entry.BackupExists;
    std::cout << DisplayText(item.Entry.Original) << " <- " << DisplayText(item.Entry.Backup);
    if (!item.Problem.empty())
      std::cout << " (" << Utf16ToUtf8(item.Problem) << ")";
    else if (item.Changed())
      std::cout << " (" << Utf16ToUtf8(item.Change) << (plan.Force ? ", forced" : "") << ")";
    std::cout << "\n";
  }
  std::cout << present << " of " << plan.Items.size() << " backup(s) present.\n";
  if (plan.ChangedFiles() > 0 && !plan.Force)
    std::cout << plan.ChangedFiles()
              << " file(s) changed since the migration: restore refuses them unless --force.\n";
  if (plan.Problems() > 0)
    std::cout << plan.Problems() << " file(s) refused: restore puts nothing back, even with "
              << "--force.\n";
  return plan.CanRestore() ? kExitSuccess : kExitFailure;
}

/// Says on stderr why nothing or not everything was restored.
void ReportRestoreFailure(const TRestorePlan& plan, const TRestoreOutcome& outcome) {
  for (const TRestoreItem& item : plan.Items) {
    if (!item.Problem.empty())
      PrintError(DisplayText(item.Entry.Original) + ": " + Utf16ToUtf8(item.Problem));
    else if (item.Changed() && !plan.Force)
      PrintError(DisplayText(item.Entry.Original) + ": " + Utf16ToUtf8(item.Change) +
                 " (--force restores it anyway)");
  }
  if (plan.Items.empty()) PrintError("the undo file names no file");
  if (!outcome.FailedFile.empty()) {
    PrintError(DisplayText(outcome.Failure, kShownFailure));
    std::string notRestored;
    for (const std::u16string& file : outcome.NotRestored) notRestored += " " + DisplayText(file);
    PrintError("restored " + std::to_string(outcome.Restored.size()) +
               " file(s); not restored:" + notRestored);
  } else {
    PrintError("nothing was restored");
  }
}

}  // namespace

TCommandRun AddRestoreCommand(CLI::App& app) {
  auto args = std::make_shared<TRestoreArgs>();
  CLI::App* cmd = app.add_subcommand(
      "restore", "Copy the backups named in an undo file back over the originals.");
  cmd->add_option("UNDO_FILE", args->UndoFile,
                  "the undo file (RExpert.reu) of a replace run, or a folder holding "
                  "RBackup/RExpert.reu (or RExpert.reu itself)")
      ->required();
  cmd->add_flag("--dry-run", args->DryRun,
                "list every file that would be put back and what would be refused");
  cmd->add_flag("--force", args->Force,
                "also put back files changed since the migration or since a restore (never "
                "files outside the tree or reached through links)");
  cmd->footer(
      "Examples:\n  zanmig restore ~/src/app/RBackup/RExpert.reu\n  zanmig restore ~/src/app");
  return [args] {
    TRunContext context;
    context.FileSystem = &RealFileSystem();
    context.CodePage = AnsiCodePage();
    context.DryRun = args->DryRun;
    const std::u16string path =
        ResolveUndoFile(*context.FileSystem, CommandLinePath(args->UndoFile));
    const TRestoreResult result = PerformRestoreRun(context, path, args->Force);
    const TRestorePlan& plan = result.Plan;
    const TRestoreOutcome& outcome = result.Outcome;
    if (args->DryRun) return ListRestore(plan);
    if (!outcome.Ok) {
      ReportRestoreFailure(plan, outcome);
      PrintError(Utf16ToUtf8(res::sRestoreFailed));
      return kExitFailure;
    }
    std::cout << Utf16ToUtf8(res::sRestoreSucceeded) << "\n";
    return kExitSuccess;
  };
}

}  // namespace zan::cli
