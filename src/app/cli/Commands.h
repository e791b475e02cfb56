// The sub-commands of `zanmig`. Each Add...Command registers its sub-command
// with the application and returns the function that runs it once the
// command line has been parsed; that function returns the exit status.
//
// Exit status: 0 success; 1 the run reported failure; 2 usage error; 3 the
// run raised an error (message on stderr; no original changed); 4 publishing
// failed and some originals could not be put back (the message names them
// and the undo file); 5 --keep-going left forms (and their units) as they
// were; 130 interrupted before publishing (no original changed). A listing
// that cannot be written to standard output makes a successful run exit 3.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zan {
class TClassRegistry;
}

namespace zan::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitError = 3;
inline constexpr int kExitIncomplete = 4;
inline constexpr int kExitFilesLeft = 5;
inline constexpr int kExitInterrupted = 130;

/// A mistake in the command line found after parsing (unknown library, a
/// unit that names no project module ...): reported like CLI11's own errors.
/// The message starts with the offending option.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TCommandRun = std::function<int()>;

/// `classes`: the target classes every run starts from (the target library
/// and `--classes`, filled in once the command line is parsed); a run adds
/// the classes of its rule files to a copy of its own.
TCommandRun AddReplaceCommand(CLI::App& app, const TClassRegistry& classes);
TCommandRun AddRestoreCommand(CLI::App& app);
TCommandRun AddConvertCommand(CLI::App& app);
TCommandRun AddLibrariesCommand(CLI::App& app);
TCommandRun AddTodoCommand(CLI::App& app);

/// The names of the catalogue's libraries, in index order.
std::vector<std::string> CatalogueNames();

/// A path given on the command line, made absolute against the current folder.
std::u16string CommandLinePath(const std::string& argument);

/// "zanmig: error: <message>" and "zanmig: warning: <message>" on stderr.
void PrintError(std::string_view message);
void PrintWarning(std::string_view message);

}  // namespace zan::cli
