// TRunReport: what a replace run did, for the command line's --report and
// --dry-run: the files processed with their change counts, the backups, the
// undo file, the form objects converted or not, and the errors.
//
// A run fills the one its context names (TRunContext::Report);
// the form step adds its objects. ToJson() writes it as a JSON document, whose
// layout doc/report.md describes and doc/report.schema.json pins (version
// kSchemaVersion: a change that removes or retypes a field raises it).
#pragma once

#include <string>
#include <vector>

namespace zan {

struct TRunReport {
  static constexpr int kSchemaVersion = 1;

  /// A property as form text: its name and its value as the form holds it.
  struct TProperty {
    std::u16string Name;
    std::u16string Value;
  };
  /// A property the rules wrote under another name or with another value.
  struct TRenamedProperty {
    TProperty Old;
    std::vector<TProperty> New;
  };
  struct TFileEntry {
    std::u16string FileName;
    int Changes = 0;
    bool Changed = false;  // a changed file was produced
    /// Of a unit of a project run: why the run took it (not in the JSON when empty).
    std::u16string Reason;
  };
  struct TBackupEntry {
    std::u16string Original;
    std::u16string Backup;
  };
  struct TFormObjectEntry {
    std::u16string FileName;
    std::u16string ObjectName;
    std::u16string ClassName;
    std::u16string NewClassName;
    bool Converted = false;
    std::u16string Reason;  // why it was not converted
    std::vector<std::u16string> DroppedProperties;
    /// Of a converted object: the dropped properties with their values, the
    /// properties renamed or translated, and the properties of the new object
    /// whose names the old one did not have.
    std::vector<TProperty> DroppedValues;
    std::vector<TRenamedProperty> Renamed;
    std::vector<TProperty> Added;
    /// Connection definitions it named that were not found (not in the JSON:
    /// the run turns them into warnings).
    std::vector<std::u16string> MissingConnectionDefs;
    /// Whether the new object carries a master link (MasterSource); not in
    /// the JSON: the run warns when its key fields were dropped.
    bool HasMasterLink = false;
    /// Properties that would have connected it to nothing when its form
    /// loads, written False, with what the user must set (not in the JSON:
    /// the run turns them into warnings and to-do entries).
    struct TDisconnected {
      std::u16string Property;
      std::u16string Action;
    };
    std::vector<TDisconnected> Disconnected;
    /// The user rules applied to it: indexes into UserRules.
    std::vector<int> UserRules;
  };
  /// A rule of the user's rule files and how many objects, properties and
  /// units it changed.
  struct TUserRuleEntry {
    std::u16string File;
    int Line = 0;
    std::u16string Rule;
    int Applied = 0;
  };
  /// A place that still needs the user (TodoList.h).
  struct TTodoItem {
    std::u16string Kind;  // "uses", "property", "class", "handler", ... (TodoList.h)
    std::u16string FileName;
    int Line = 0;  // 1-based; 0 when the item is a count over the file
    int Column = 0;
    int Count = 1;
    std::u16string What;
    std::u16string Action;
  };
  /// How the run was started.
  struct TRunOptions {
    bool ProjectScope = false;
    std::u16string Folder;              // folder scope: the scanned folder
    bool Recursive = false;             // folder scope
    std::u16string Project;             // project scope: the project file
    std::vector<std::u16string> Units;  // project scope: the selected units (empty: all)
    bool Backups = true;
    std::u16string BackupFolder;
    bool Log = true;
    bool KeepGoing = false;
    bool Strict = false;
    bool FollowUses = false;  // project scope: the units reached through `uses` are taken
  };

  std::u16string ToolVersion;  // set by whoever starts the run
  std::u16string Library;
  bool DryRun = false;
  TRunOptions Options;
  std::u16string StartTime;   // "yyyy-mm-ddThh:nn:ss", local time
  std::u16string RootFolder;  // the scanned folder or the project file's
  bool Result = false;
  bool Completed = false;  // the run ended without an exception
  std::vector<TFileEntry> Files;
  std::vector<TBackupEntry> Backups;
  std::u16string UndoFile;
  std::u16string LogFile;
  std::vector<TFormObjectEntry> FormObjects;
  /// Every rule of the user's rule files, in the order loaded (empty without
  /// rule files, and then not in the JSON).
  std::vector<TUserRuleEntry> UserRules;
  std::vector<std::u16string> Errors;
  std::vector<std::u16string> Warnings;  // the run went on (a form named but not found)
  /// Forms that could not be converted and were left as they were (with
  /// --keep-going), with the reason; the units naming them were left too.
  struct TLeftFile {
    std::u16string FileName;
    std::u16string Reason;
  };
  std::vector<TLeftFile> LeftFiles;
  std::vector<TTodoItem> Todo;
  /// A change `--fix-code` made in a unit (MemberCheck.h); line and column
  /// are those of `Before` in the converted text before the fix.
  struct TCodeFix {
    std::u16string FileName;
    int Line = 0;
    int Column = 0;
    std::u16string Before;
    std::u16string After;
  };
  std::vector<TCodeFix> CodeFixes;
  /// Threads that converted forms beside the run's own (0: one by one).
  int FormLanes = 0;

  void Clear();
  int ChangedFileCount() const;
  /// The report as a JSON document (UTF-8, two-blank indentation).
  std::string ToJson() const;
};

}  // namespace zan
