// zanmig: the command line of the migration engine.
//
//   zanmig replace --library NAME (--dir FOLDER [--recursive] | --project FILE [--unit
//   FILE.pas]...)
//                  [--backup-dir DIR | --no-backup] [--no-log] [--view-log]
//                  [--connection-defs INI] [--driver-config INI]
//                  [--dry-run] [--report FILE.json] [--quiet]
//   zanmig restore UNDO_FILE
//   zanmig libraries
//   global: --codepage N, --settings FILE, --help, --version
#include <cstdlib>
#include <iostream>
#include <utility>
#include <vector>

#include "app/cli/Commands.h"
#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

std::u16string CommandLinePath(const std::string& argument) {
  return ExpandFileName(Utf8ToUtf16(argument));
}

namespace {

int Main(int argc, char** argv) {
  CLI::App app{"zanmig: migrates Delphi applications from their data-access components to Zanthe."};
  app.name("zanmig");
  app.set_version_flag("--version", "zanmig 0.1.0");
  app.require_subcommand(1, 1);
  app.fallthrough();
  int codePage = 0;
  std::string settings;
  app.add_option("--codepage", codePage,
                 "ANSI code page of units, logs and undo files (default 1252)")
      ->type_name("N");
  app.add_option("--settings", settings, "settings file (instead of ~/.config/Kestova/Zanthe.ini)")
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
  add(AddLibrariesCommand);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitSuccess : kExitUsage;
  }
  try {
    if (codePage != 0) SetAnsiCodePage(codePage);
  } catch (const Exception& e) {
    std::cerr << "zanmig: " << e.what() << "\n";
    return kExitUsage;
  }
  if (!settings.empty()) setenv("ZANMIG_SETTINGS", settings.c_str(), 1);

  for (auto& [command, run] : commands) {
    if (!command->parsed()) continue;
    try {
      return run();
    } catch (const TUsageError& e) {
      std::cerr << "zanmig: " << e.what() << "\nRun with --help for more information.\n";
      return kExitUsage;
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
