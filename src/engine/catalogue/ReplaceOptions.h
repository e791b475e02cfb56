// The shared options of a replace run and their persistent part.
#pragma once

#include <string>
#include <string_view>

namespace zan {

class TRegIniFile;

/// Scope of a run: the open project's selected units, or a folder on disk.
enum TSearchDestination { sdProject = 0, sdDirectory = 1 };

/// The text that follows the source names in `Caption`.
inline constexpr std::u16string_view sMigrationWizardSuffix = u" Migration Wizard";

/// TReplaceOptions: every choice of the user that a replace run needs. One
/// object is shared by all replacers (the catalogue owns it); the wizard or the
/// command line fills the public fields before a run. Six of them persist in
/// the settings store (Load/SaveToIniFile); BackupDir, ModuleList, the two
/// configuration file names and the rule files come from the wizard every time.
class TReplaceOptions {
 public:
  explicit TReplaceOptions(std::u16string_view sourceName);

  const std::u16string& SourceName() const { return FSourceName; }
  /// SourceName followed by " Migration Wizard": message title, log header and
  /// settings section.
  std::u16string Caption() const;

  /// Reads "Dest", "Directory", "IncludeSubDirs", "MakeBackup", "WriteLog",
  /// "ViewLog" from `section`; a missing value (or a Dest that is neither 0
  /// nor 1) leaves the field as it is.
  void LoadFromIniFile(const TRegIniFile& iniFile, std::u16string_view section);
  /// Writes the same six values in the same order (Dest as 0 or 1).
  void SaveToIniFile(TRegIniFile& iniFile, std::u16string_view section) const;

  TSearchDestination Dest = sdProject;
  std::u16string Directory;
  bool IncludeSubDirs = false;
  bool MakeBackup = true;
  std::u16string BackupDir;
  bool WriteLog = true;
  std::u16string ModuleList;  // bare file names, one per line
  bool ViewLog = false;
  std::u16string ConnectionDefFileName;
  std::u16string DriverConfFileName;
  /// The BDE alias file (doc/connections.md); empty: none.
  std::u16string AliasFileName;
  /// The user's rule files (doc/rules.md), separated by ";" (empty: none);
  /// the expert reads them before the run.
  std::u16string RuleFileNames;
  /// Applies the code fixes that are mechanical and unambiguous (renamed
  /// members of converted classes, MemberCheck.h); off unless asked for.
  bool FixCode = false;

 private:
  std::u16string FSourceName;
};

}  // namespace zan
