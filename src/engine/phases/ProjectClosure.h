// The units a project run takes: the project's closure under `uses`.
//
// It starts from the listed units and, when the whole project is taken, the
// program file (the .dpr, or the .dproj's main source), and follows every
// `uses` clause (interface and implementation, every branch of a
// conditional) of every unit it takes. A name is resolved once per unit that
// names it, the first of these that holds the file wins:
//   1. the entry's own `in 'file'` path (relative to the file naming it);
//   2. a module of the project of that name (the compiler knows the
//      program's `in` entries by name);
//   3. `<Name>.pas` in the project folder (dotted names whole, any case);
//   4. the same in each folder of the .dproj's unit search path, in order;
//   5. anywhere below the project folder: in the folder of the naming unit,
//      else the first in path order (a warning names the others).
// A name found nowhere (the runtime's and the libraries' units) is no part of
// the closure, silently. Folders are never searched blindly: the project
// folder tree is listed once into a name index (links to folders, hidden
// folders and the backup folder left out); search path folders are only
// asked for the names the units use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rtl/FileSystem.h"

namespace zan {

struct TProjectFile;

/// A `uses` entry as written: the (dotted) unit name and its `in` path.
struct TUsesEntry {
  std::u16string Name;
  std::u16string InPath;  // empty: none
  bool operator==(const TUsesEntry&) const = default;
};

/// Every entry of the `uses` clauses of a unit, program or library text, in
/// order; every branch of a conditional directive counts. Stops reading at
/// the end of the last clause a unit can have (after `implementation`).
std::vector<TUsesEntry> ReadUsesEntries(std::u16string_view text);

/// Why a unit is in a project run.
inline constexpr std::u16string_view sReasonListed = u"listed";
inline constexpr std::u16string_view sReasonProgram = u"program";
/// "reached from %s" with the bare file name of the unit that names it.
std::u16string ReachedFrom(std::u16string_view fileName);

struct TClosureOptions {
  /// Follow `uses` clauses; false: the listed units only (no program either).
  bool FollowUses = true;
  /// Take the program file and follow it (the whole project is taken).
  bool WithProgram = true;
  /// Folders the name index leaves out (the backup folder), absolute.
  std::vector<std::u16string> SkipFolders;
  /// ANSI code page of units without a byte-order mark.
  int CodePage = 1252;
};

class TProjectClosure {
 public:
  struct TUnit {
    std::u16string Path;    // absolute
    std::u16string Reason;  // sReasonListed, sReasonProgram or ReachedFrom(...)
  };

  /// The closure of `project` from `listed` (absolute paths, in order).
  /// Raises naming both files when two units of one bare name would be taken
  /// (a project run keeps its files flat). Units that cannot be read are
  /// taken but not followed (the run reports them when it converts them).
  static TProjectClosure Build(TFileSystem& fs, const TProjectFile& project,
                               const std::vector<std::u16string>& listed,
                               const TClosureOptions& options);

  /// The units in order: the listed ones, the program, then the ones
  /// reached, breadth first.
  const std::vector<TUnit>& Units() const { return FUnits; }
  /// Search path entries that were skipped and ambiguous names, for the run's warnings.
  const std::vector<std::u16string>& Warnings() const { return FWarnings; }

 private:
  class TBuilder;
  std::vector<TUnit> FUnits;
  std::vector<std::u16string> FWarnings;
};

}  // namespace zan
