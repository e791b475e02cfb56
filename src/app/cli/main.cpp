// zanmig: the command line of the migration engine.
//
//   zanmig replace --library NAME (--dir FOLDER [--recursive] | --project FILE
//                  [--unit FILE.pas]...) [--backup-dir DIR | --no-backup]
//                  [--no-log] [--view-log] [--connection-defs INI]
//                  [--driver-config INI] [--dry-run] [--report FILE.json] [--quiet]
//   zanmig restore UNDO_FILE [--dry-run]
//   zanmig convert IN OUT (--to-text | --to-binary)
//   zanmig libraries
//   global: --codepage N, --settings FILE, --classes FILE, --help, --version
#include <iostream>
#include <utility>
#include <vector>

#include "app/cli/Commands.h"
#include "engine/PublishPhase.h"
#include "engine/RunContext.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

std::u16string CommandLinePath(const std::string& argument) {
  return ExpandFileName(Utf8ToUtf16(argument));
}

namespace {

inline constexpr const char* kVersion = "zanmig 0.1.0";

struct TGlobalArgs {
  int CodePage = 0;
  std::string Settings;
  std::string Classes;
};

/// Applies the global options before a command runs. Each failure is a usage
/// error naming its option; nothing has been touched yet.
void ApplyGlobalOptions(const TGlobalArgs& args) {
  if (args.CodePage != 0) {
    try {
      SetAnsiCodePage(args.CodePage);
    } catch (const Exception& e) {
      throw TUsageError("--codepage: " + std::string(e.what()));
    }
  }
  if (!args.Settings.empty()) TRegIniFile::SetSettingsFileName(CommandLinePath(args.Settings));
  if (!args.Classes.empty()) {
    try {
      TClassRegistry::Global().LoadFromFile(CommandLinePath(args.Classes));
    } catch (const Exception& e) {
      throw TUsageError("--classes: " + std::string(e.what()));
    }
  }
}

int Main(int argc, char** argv) {
  CLI::App app{
      "zanmig: migrates Delphi applications from their data-access components to Zanthe.\n"
      "Exit status: 0 success, 1 the run failed, 2 usage error, 3 the run raised an error."};
  app.name("zanmig");
  app.set_version_flag("--version", kVersion);
  app.require_subcommand(1, 1);
  app.fallthrough();
  TGlobalArgs global;
  app.add_option("--codepage", global.CodePage,
                 "ANSI code page of units, forms, logs and undo files (default 1252 or "
                 "$ZANMIG_CODEPAGE)")
      ->type_name("N");
  app.add_option("--settings", global.Settings,
                 "settings file (default $ZANMIG_SETTINGS or ~/.config/Kestova/Zanthe.ini)")
      ->type_name("FILE");
  app.add_option("--classes", global.Classes,
                 "file of extra target classes and published properties "
                 "(lines \"TClass: Prop1, Prop2\")")
      ->type_name("FILE");

  std::vector<std::pair<CLI::App*, TCommandRun>> commands;
  auto add = [&](TCommandRun (*adder)(CLI::App&)) {
    TCommandRun run = adder(app);
    // The sub-command just added (get_subcommands() without a filter lists
    // only the parsed ones).
    auto all = app.get_subcommands([](CLI::App*) { return true; });
    commands.emplace_back(all.back(), std::move(run));
  };
  add(AddReplaceCommand);
  add(AddRestoreCommand);
  add(AddConvertCommand);
  add(AddLibrariesCommand);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitSuccess : kExitUsage;
  }

  for (auto& [command, run] : commands) {
    if (!command->parsed()) continue;
    try {
      ApplyGlobalOptions(global);
      return run();
    } catch (const TUsageError& e) {
      std::cerr << "zanmig: " << e.what() << "\n";
      return kExitUsage;
    } catch (const ERunCancelled& e) {
      std::cerr << "zanmig: " << e.what() << "\n";
      return kExitInterrupted;
    } catch (const EPublishIncomplete& e) {
      std::cerr << "zanmig: " << e.what() << "\n";
      return kExitIncomplete;
    } catch (const std::exception& e) {
      std::cerr << "zanmig: " << e.what() << "\n";
      return kExitError;
    }
  }
  return kExitUsage;
}

}  // namespace
}  // namespace zan::cli

int main(int argc, char** argv) {
  return zan::cli::Main(argc, argv);
}
