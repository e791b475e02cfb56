// Reading a Delphi project: a ".dpr" (the units of its `uses` clause written
// `Name in 'path'`) or a ".dproj" (its `DCCReference` items and `MainSource`).
//
// Paths written in the project are made native (backslashes, relative to the
// project's folder) and, when they do not exist as written, found again
// without regard to letter case. A unit whose file is missing keeps the path
// the project gives, so that the run can report it by name.
#pragma once

#include <string>
#include <vector>

#include "rtl/FileSystem.h"
#include "rtl/SysUtils.h"

namespace zan {

/// A project file that cannot be read or is not a project; the message names it.
class EProjectError : public Exception {
 public:
  using Exception::Exception;
};

struct TProjectFile {
  std::u16string FileName;  // the project file, absolute
  std::u16string
      MainSource;  // the ".dpr": FileName itself, or the .dproj's MainSource (may be empty)
  std::vector<std::u16string> Modules;  // the project's files in project order, absolute
  /// The unit search path of a .dproj as written (ParseDprojSearchPath); empty for a .dpr.
  std::vector<std::u16string> SearchPath;
  std::vector<std::u16string> UnexpandedSearchPath;
};

/// Reads the project `fileName` (absolute; ".dpr" or ".dproj" in any case).
/// Throws EProjectError naming the file when it cannot be read or parsed.
TProjectFile ReadProjectFile(TFileSystem& fs, const std::u16string& fileName);

/// The `Name in 'path'` entries of the first `uses` clause of a program text,
/// as written (paths not yet made native).
std::vector<std::u16string> ParseDprUnitPaths(std::u16string_view text);

/// The `Include` attributes of the `DCCReference` items and the `MainSource`
/// of a .dproj text, as written (entities decoded).
std::vector<std::u16string> ParseDprojReferences(std::u16string_view text,
                                                 std::u16string* mainSource);

/// The unit search path (`DCC_UnitSearchPath`) of a .dproj for the
/// configuration and platform it builds by default. The PropertyGroups are
/// evaluated in order as MSBuild does for the simple conditions the IDE writes
/// (`'$(Config)'==''`, `'$(Cfg_1)'!=''`, `and`, `or`, parentheses; anything
/// else is false), each value with the properties known so far expanded; a
/// property the file never sets is empty when the file names it elsewhere,
/// and otherwise stays as written (`$(BDS)`: the IDE's, not the project's).
struct TDprojSearchPath {
  /// The entries as written (not yet made native), in order, each once.
  std::vector<std::u16string> Entries;
  /// Entries that still hold a macro after expansion.
  std::vector<std::u16string> Unexpanded;
};
TDprojSearchPath ParseDprojSearchPath(std::u16string_view text);

}  // namespace zan
