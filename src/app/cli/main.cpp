// zanmig: the command line of the migration engine.
//
//   zanmig replace --library NAME (--dir FOLDER [--recursive] | --project FILE
//                  [--unit FILE.pas]...) [--backup-dir DIR | --no-backup]
//                  [--no-log] [--view-log] [--connection-defs INI]
//                  [--driver-config INI] [--aliases FILE.ini] [--rules FILE.toml]...
//                  [--dry-run] [--report FILE.json] [--quiet]
//   zanmig restore (UNDO_FILE | FOLDER) [--dry-run]
//   zanmig convert IN OUT (--to-text | --to-binary)
//   zanmig libraries
//   global: --codepage N, --settings FILE, --classes FILE, -h/--help, -V/--version
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "BuildInfo.h"
#include "app/cli/ArgumentCheck.h"
#include "app/cli/Commands.h"
#include "app/cli/HelpFormatter.h"
#include "engine/RunContext.h"
#include "engine/phases/PublishPhase.h"
#include "engine/rules/UserRules.h"
#include "formrules/BdeAliases.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Paths.h"
#include "rtl/RegIniFile.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

std::u16string CommandLinePath(const std::string& argument) {
  return ExpandFileName(Utf8ToUtf16(argument));
}

void PrintError(std::string_view message) {
  std::cerr << "zanmig: error: " << message << "\n";
}

void PrintWarning(std::string_view message) {
  std::cerr << "zanmig: warning: " << message << "\n";
}

namespace {

/// "zanmig 0.1.0 (git 1a2b3c4d5e6f, Release)": the commit when built from a checkout.
std::string VersionText() {
  std::string text = std::string("zanmig ") + build::kVersion + " (";
  if (*build::kGitCommit) text += std::string("git ") + build::kGitCommit + ", ";
  return text + build::kBuildType + ")";
}

/// A usage error, with where to read more: the help of the command named in
/// `args`, else the program's.
int UsageError(const CLI::App& app, const std::vector<std::string>& args,
               std::string_view message) {
  PrintError(message);
  std::string command;
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
    if (command.empty() && std::find(args.begin(), args.end(), sub->get_name()) != args.end())
      command = sub->get_name() + " ";
  std::cerr << "Run 'zanmig " << command << "--help' for the usage.\n";
  return kExitUsage;
}

struct TGlobalArgs {
  std::string CodePage;
  std::string Settings;
  std::string Classes;
};

/// Applies the global options before a command runs; the classes of
/// `--classes` go into `classes`. Each failure is a usage error naming its
/// option; nothing has been touched yet.
void ApplyGlobalOptions(const TGlobalArgs& args, TClassRegistry& classes) {
  if (!args.CodePage.empty()) {
    // Read here rather than by CLI11, whose wording ("Could not convert")
    // names no option the way the other errors do.
    const bool digits =
        args.CodePage.size() <= 9 && std::all_of(args.CodePage.begin(), args.CodePage.end(),
                                                 [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
      throw TUsageError("--codepage: \"" + DisplayText(args.CodePage, 80) +
                        "\" is not a code page number");
    try {
      SetAnsiCodePage(std::stoi(args.CodePage));
    } catch (const Exception& e) {
      throw TUsageError("--codepage: " + std::string(e.what()));
    }
  }
  if (!args.Settings.empty()) TRegIniFile::SetSettingsFileName(CommandLinePath(args.Settings));
  if (!args.Classes.empty()) {
    try {
      classes.LoadFromFile(RealFileSystem(), CommandLinePath(args.Classes));
    } catch (const Exception& e) {
      throw TUsageError("--classes: " + std::string(e.what()));
    }
  }
}

/// CLI11's wording of a parse error, in the style of the program's own.
std::string ParseErrorText(const CLI::ParseError& e) {
  std::string text = e.what();
  constexpr std::string_view kExtra = "The following argument was not expected: ";
  constexpr std::string_view kExtras = "The following arguments were not expected: ";
  if (text.starts_with(kExtra)) return "unexpected argument " + text.substr(kExtra.size());
  if (text.starts_with(kExtras)) return "unexpected arguments " + text.substr(kExtras.size());
  return text;
}

/// Standard output is flushed before the exit status is decided: a listing
/// that did not reach its reader (a full disk, a closed pipe) is an error,
/// never a silent success.
int FinishOutput(int status) {
  errno = 0;
  std::cout.flush();
  if (std::fflush(stdout) == 0 && std::cout && !std::ferror(stdout)) return status;
  const int error = errno;
  PrintError("cannot write to standard output: " +
             std::string(error != 0 ? std::strerror(error) : "Input/output error"));
  return status == kExitSuccess ? kExitError : status;
}

int Main(int argc, char** argv) {
  CLI::App app{"Migrates Delphi applications from their data-access components to Zanthe."};
  app.name("zanmig");
  app.footer(
      "Exit status: 0 success; 1 the run reported failure (nothing lost); 2 usage error "
      "(nothing touched); 3 the run raised an error (no original changed); 4 a replacement "
      "failed and some originals could not be put back (the undo file restores them); "
      "5 --keep-going left forms it could not convert, with their units; 130 interrupted "
      "before the originals were replaced (no original changed).\n"
      "Run 'zanmig COMMAND --help' for the options of a command.");
  // Set before the commands are added: they take the formatter and the help flag with them.
  app.formatter(std::make_shared<THelpFormatter>());
  app.set_help_flag("-h,--help", "print this help and exit");
  app.set_version_flag("-V,--version", VersionText(),
                       "print the version, the git commit and the build type, and exit");
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

  // The target classes of the runs: the target library, then --classes.
  TClassRegistry classes;
  classes.AddClassesOf(TClassRegistry::Global());

  std::vector<std::pair<CLI::App*, TCommandRun>> commands;
  auto add = [&](const std::function<TCommandRun(CLI::App&)>& adder) {
    TCommandRun run = adder(app);
    // The sub-command just added (get_subcommands() without a filter lists
    // only the parsed ones).
    auto all = app.get_subcommands([](CLI::App*) { return true; });
    commands.emplace_back(all.back(), std::move(run));
  };
  add([&classes](CLI::App& a) { return AddReplaceCommand(a, classes); });
  add(AddRestoreCommand);
  add(AddConvertCommand);
  add(AddLibrariesCommand);
  add(AddTodoCommand);

  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    CheckArguments(app, args);
  } catch (const TUsageError& e) {
    return UsageError(app, args, e.what());
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version print on stdout and succeed; the rest are usage errors.
    if (e.get_exit_code() == 0) return FinishOutput(app.exit(e));
    return UsageError(app, args, ParseErrorText(e));
  }

  for (auto& [command, run] : commands) {
    if (!command->parsed()) continue;
    try {
      ApplyGlobalOptions(global, classes);
      return FinishOutput(run());
    } catch (const TUsageError& e) {
      return UsageError(app, args, e.what());
    } catch (const EUserRulesError& e) {
      // A mistake in a rule file: the message says where; nothing was written.
      PrintError(e.what());
      return kExitUsage;
    } catch (const EBdeAliasError& e) {
      // The same for the alias file.
      PrintError(e.what());
      return kExitUsage;
    } catch (const ERunCancelled& e) {
      PrintError(e.what());
      return kExitInterrupted;
    } catch (const EPublishIncomplete& e) {
      PrintError(e.what());
      return kExitIncomplete;
    } catch (const std::exception& e) {
      PrintError(e.what());
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
