// zanmig restore: puts the originals recorded in an undo file back; with
// --dry-run it lists them and whether each backup is there, touching nothing.
#include <iostream>
#include <memory>

#include "app/cli/Commands.h"
#include "engine/RExpertRes.h"
#include "engine/UndoFile.h"
#include "engine/ZanReplacer.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

namespace {

struct TRestoreArgs {
  std::string UndoFile;
  bool DryRun = false;
};

/// Lists each original and its backup as the restore run would pair them.
/// Exit status 0 when every backup exists (the restore would succeed), else 1.
int ListRestore(const std::u16string& undoFile) {
  TFileSystem& fs = CurrentFileSystem();
  std::string bytes;
  if (TFileStatus status = fs.Read(undoFile, bytes); !status)
    throw EFileError(
        res::Fmt(res::sUndoFileReadFailed, {undoFile, Utf8ToUtf16(FileErrorText(status.Code()))}));
  const TStringList lines = DecodeUndoFile(bytes, undoFile);
  auto exists = [&fs](std::u16string_view path) { return fs.IsFile(path); };
  int present = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    std::u16string original, backup;
    SplitUndoLine(lines[i], exists, original, backup);
    const bool found = !backup.empty() && fs.IsFile(backup);
    present += found;
    std::cout << Utf16ToUtf8(original) << " <- " << Utf16ToUtf8(backup)
              << (found ? "" : " (backup missing)") << "\n";
  }
  std::cout << present << " of " << lines.Count() << " backup(s) present.\n";
  return present == lines.Count() && lines.Count() > 0 ? kExitSuccess : kExitFailure;
}

}  // namespace

TCommandRun AddRestoreCommand(CLI::App& app) {
  auto args = std::make_shared<TRestoreArgs>();
  CLI::App* cmd = app.add_subcommand(
      "restore", "Copy the backups named in an undo file back over the originals.");
  cmd->add_option("UNDO_FILE", args->UndoFile, "the undo file (RExpert.reu) of a replace run")
      ->required()
      ->type_name("UNDO_FILE");
  cmd->add_flag("--dry-run", args->DryRun,
                "list every file that would be put back and whether its backup exists");
  cmd->footer("Example: zanmig restore ~/src/app/RBackup/RExpert.reu");
  return [args] {
    const std::u16string path = CommandLinePath(args->UndoFile);
    if (!CurrentFileSystem().IsFile(path))
      throw EFileError(res::Fmt(res::sUndoFileMissing, {path}));
    if (args->DryRun) return ListRestore(path);
    // Any replacer restores any undo file; the first one does, as in the wizard.
    const bool result = ZanCatalogue().Replacer(0).PerformRestore(path);
    std::cout << Utf16ToUtf8(result ? res::sRestoreSucceeded : res::sRestoreFailed) << "\n";
    return result ? kExitSuccess : kExitFailure;
  };
}

}  // namespace zan::cli
