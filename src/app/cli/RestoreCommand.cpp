// zanmig restore: puts the originals recorded in an undo file back; with
// --dry-run it lists them and whether each backup is there, touching nothing.
#include <iostream>
#include <memory>
#include <vector>

#include "app/cli/Commands.h"
#include "app/cli/UndoFileArgument.h"
#include "engine/RExpertRes.h"
#include "engine/RestoreRun.h"
#include "engine/UndoReader.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

namespace {

struct TRestoreArgs {
  std::string UndoFile;
  bool DryRun = false;
};

/// Lists each original and its backup as the restore run acts on them (an
/// original named twice once, with the backup of its first line). Exit status
/// 0 when the restore would succeed (every backup exists), else 1.
int ListRestore(TFileSystem& fs, const std::u16string& undoFile) {
  const std::vector<TUndoEntry> entries = ReadUndoEntries(fs, undoFile);
  size_t present = 0;
  for (const TUndoEntry& entry : entries) {
    present += entry.BackupExists;
    std::cout << Utf16ToUtf8(entry.Original) << " <- " << Utf16ToUtf8(entry.Backup)
              << (entry.BackupExists ? "" : " (backup missing)") << "\n";
  }
  std::cout << present << " of " << entries.size() << " backup(s) present.\n";
  return AllBackupsPresent(entries) ? kExitSuccess : kExitFailure;
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
                "list every file that would be put back and whether its backup exists");
  cmd->footer(
      "Examples:\n  zanmig restore ~/src/app/RBackup/RExpert.reu\n  zanmig restore ~/src/app");
  return [args] {
    TFileSystem& fs = RealFileSystem();
    const std::u16string path = ResolveUndoFile(fs, CommandLinePath(args->UndoFile));
    if (args->DryRun) return ListRestore(fs, path);
    if (!RestoreFromUndoFile(fs, path)) {
      PrintError(Utf16ToUtf8(res::sRestoreFailed));
      return kExitFailure;
    }
    std::cout << Utf16ToUtf8(res::sRestoreSucceeded) << "\n";
    return kExitSuccess;
  };
}

}  // namespace zan::cli
