// TRunReport: what a replace run did, for the command line's --report and
// --dry-run: the files processed with their change counts, the backups, the
// undo file, the form objects converted or not, and the errors.
//
// The replacer fills it when one is attached (TComponentReplacer::SetReport);
// the form step adds its objects. ToJson() writes it as a JSON document.
#pragma once

#include <string>
#include <vector>

namespace zan {

struct TRunReport {
  struct TFileEntry {
    std::u16string FileName;
    int Changes = 0;
    bool Changed = false;  // a changed file was produced
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
  };

  std::u16string Library;
  bool DryRun = false;
  bool Result = false;
  bool Completed = false;  // the run ended without an exception
  std::vector<TFileEntry> Files;
  std::vector<TBackupEntry> Backups;
  std::u16string UndoFile;
  std::u16string LogFile;
  std::vector<TFormObjectEntry> FormObjects;
  std::vector<std::u16string> Errors;
  std::vector<std::u16string> Warnings;  // the run went on (a form named but not found)
  /// Forms that could not be converted and were left as they were (with
  /// --keep-going), with the reason; the units naming them were left too.
  struct TLeftFile {
    std::u16string FileName;
    std::u16string Reason;
  };
  std::vector<TLeftFile> LeftFiles;
  /// Threads that converted forms beside the run's own (0: one by one).
  int FormLanes = 0;

  void Clear();
  int ChangedFileCount() const;
  /// The report as a JSON document (UTF-8, two-blank indentation).
  std::string ToJson() const;
};

}  // namespace zan
