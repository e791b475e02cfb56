// zanmig restore: puts the originals recorded in an undo file back.
#include <iostream>
#include <memory>

#include "app/cli/Commands.h"
#include "engine/RExpertRes.h"
#include "engine/ZanReplacer.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

TCommandRun AddRestoreCommand(CLI::App& app) {
  auto undoFile = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "restore", "Copy the backups named in an undo file back over the originals.");
  cmd->add_option("UNDO_FILE", *undoFile, "the undo file (RExpert.reu) of a replace run")
      ->required()
      ->type_name("UNDO_FILE");
  return [undoFile] {
    const std::u16string path = CommandLinePath(*undoFile);
    if (!CurrentFileSystem().IsFile(path))
      throw EFileError(res::Fmt(res::sUndoFileMissing, {path}));
    // Any replacer restores any undo file; the first one does, as in the wizard.
    const bool result = ZanCatalogue().Replacer(0).PerformRestore(path);
    std::cout << Utf16ToUtf8(result ? res::sRestoreSucceeded : res::sRestoreFailed) << "\n";
    return result ? kExitSuccess : kExitFailure;
  };
}

}  // namespace zan::cli
