// TComponentReplacer: the engine of one conversion.
//
// A replacer holds the replace pairs of one group of source libraries (source
// class name -> Zanthe class name), the source units whose `uses` entry gets
// the Zanthe units appended and the text appended, and runs the replace run
// (PerformReplace) and the restore run (PerformRestore) over a folder or the
// open project's units.
//
// A replace run rewrites every file into a fresh temporary folder first,
// backs up each changed original and records it in the undo list, and only
// when every file has been processed copies the changed files over the
// originals (each copy atomic) and writes the undo file. Whatever happens, the
// temporary folder is removed, the work list emptied, the log closed and the
// busy indicator switched off; an exception leaves every original untouched.
//
// The options object is shared by all replacers and must outlive them. Disk
// access goes through the file system set with SetFileSystem (the process's
// current one by default); the project comes from TIDEUtils. The run is split
// over several files: Replacer.cpp (pairs, the run), SourceRewriter.cpp (one
// unit), Backup.cpp (backups, the undo file, restore).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/ClassNameTable.h"
#include "engine/FileUtils.h"
#include "engine/FormFileStep.h"
#include "engine/ReplaceOptions.h"
#include "engine/RunReport.h"
#include "ide/FileCase.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/StringList.h"

namespace zan {

class TPasParser;

class TComponentReplacer {
 public:
  /// `oldUsesUnit`: the source units, comma-separated; `newUsesList`: the text
  /// appended after the first of them met in a `uses` clause.
  TComponentReplacer(std::u16string_view oldUsesUnit, std::u16string_view newUsesList,
                     TReplaceOptions& replaceOptions);
  virtual ~TComponentReplacer();
  TComponentReplacer(const TComponentReplacer&) = delete;
  TComponentReplacer& operator=(const TComponentReplacer&) = delete;

  /// The name that replaces `oldName` in a source unit; the base returns `newName`.
  virtual std::u16string ReplaceClassName(const std::u16string& oldName,
                                          const std::u16string& newName);
  /// The pair's replacement of `name` through ReplaceClassName, or `name` itself.
  virtual std::u16string GetNewClassName(const std::u16string& name);

  /// Adds a pair; a second pair for a source name already present (any letter
  /// case) is ignored for look-ups.
  void AddReplacePair(std::u16string_view oldComp, std::u16string_view newComp);
  void ClearPairs();
  /// The target of the source class `name` (letter case ignored), exactly as
  /// it was added; nullptr when `name` is no source class.
  const std::u16string* FindNewClassName(std::u16string_view name) const;

  /// The replace run over the options' scope. True when the changed files
  /// replaced the originals; raises on fatal errors (originals untouched).
  bool PerformReplace();
  /// Copies the backups named in `undoFile` back over the originals. True when
  /// every backup was copied; false (nothing copied) when one is missing.
  bool PerformRestore(const std::u16string& undoFile);

  /// Handler of the form parser's OnGetPropertyValue: the component that
  /// declares the database name `oldPropValue` ("" when none).
  std::u16string DoGetPropertyValue(const std::u16string& propName,
                                    const std::u16string& oldPropValue);

  // ----- seams
  /// Replaces the form-file step (the base one leaves forms unchanged).
  void SetFormFileStep(std::unique_ptr<TFormFileStep> step);
  TFormFileStep& FormFileStep() { return *FFormFileStep; }
  /// The file system of the runs (not owned; nullptr: the current one).
  void SetFileSystem(TFileSystem* fs);
  TFileSystem& FileSystem() const;
  /// A dry run processes every file into the temporary folder and stops there:
  /// no log, no backup, no undo file, no original touched.
  void SetDryRun(bool dryRun) { FDryRun = dryRun; }
  bool DryRun() const { return FDryRun; }
  /// Attaches a report filled by the following runs (not owned; nullptr: none).
  void SetReport(TRunReport* report) { FReport = report; }
  TRunReport* Report() const { return FReport; }

  // ----- state
  TReplaceOptions& ReplaceOptions() const { return FReplaceOptions; }
  const TStringList& DBList() const { return FDBList; }
  TStringList& DBList() { return FDBList; }
  const TStringList& OldComps() const { return FOldComps; }
  const TStringList& NewComps() const { return FNewComps; }
  const TStringList& OldUsesList() const { return FOldUsesList; }
  const std::u16string& NewUsesList() const { return FNewUsesList; }
  const TStringList& UnitList() const { return FUnitList; }
  const TStringList& UndoList() const { return FUndoList; }
  int ChangedFilesCount() const { return FChangedFilesCount; }
  TLogWriter& Log() { return *FLog; }

 protected:
  /// Fills the work list from the folder or the project selection.
  void InitUnitList(const TStringList& projectUnits);
  /// Adds the ".PAS"/".DPR" files of `folder` (and of its sub-folders when `recurse`).
  void ScanFolder(const std::u16string& folder, bool recurse);
  /// Rewrites one file into `targetFolder`; a changed file is left there.
  void ProcessFile(const std::u16string& fileName, const std::u16string& targetFolder);
  /// When the entries from `first` on are all forms and two threads can
  /// convert them at once (a file system that allows it, a second processor,
  /// a form step that can be cloned): converts them so, with the log, report
  /// and backups of converting them in turn, and returns true. Otherwise
  /// does nothing and returns false.
  bool ConvertFormsInLanes(int first, const std::u16string& tempFolder);
  /// Copies the changed files over the originals; false when a copy failed.
  bool ReplaceOriginalFiles(const std::u16string& tempFolder);
  /// Rewrites one source unit; returns its change count.
  int ProcessSourceText(const std::u16string& text, const std::u16string& fileName,
                        TTextEncoding encoding, const std::u16string& targetFile);
  /// Resource discovery in a compiler directive, or renaming in a comment.
  void ProcessComment(std::u16string& comment, const std::u16string& fileName, int& changeCount);
  /// Appends a file found by a resource directive to the work list.
  void AddDiscoveredFile(const std::u16string& fileName);

  void CreateBackupFolder();
  /// Copies `fileName` into the backup folder (`relPath`: its path relative to
  /// the scanned folder) and records it in the undo list; raises when the copy fails.
  void BackupFile(const std::u16string& fileName, const std::u16string& relPath);
  void SaveUndoFile(const std::u16string& undoFile);

 private:
  /// Checks made before anything is written; returns the project's selected
  /// units (full paths) in project scope.
  TStringList CheckRunScope();
  std::u16string RelativeToDirectory(const std::u16string& fileName) const;
  void RecordFile(const std::u16string& fileName, int changes, bool changed);
  static bool IsUnitFile(std::u16string_view fileName);
  /// Sets the undo list's backup for `fileName`, replacing its line when present.
  void SetUndoEntry(const std::u16string& fileName, const std::u16string& backup);
  void LogChangeCount(int changeCount);

  TStringList FOldComps;  // sorted, case-insensitive; object: index into FNewComps
  TStringList FNewComps;
  TStringList FUnitList;     // the run's work list
  TStringList FOldUsesList;  // upper case, sorted
  std::unique_ptr<TLogWriter> FLog;
  int FChangedFilesCount = 0;
  TStringList FUndoList;  // original=backup
  TStringList FDBList;    // database name=owner.component
  std::u16string FNewUsesList;
  TReplaceOptions& FReplaceOptions;

  // Pair look-up by upper-cased name, for the hot path of the rewriting.
  TClassNameTable FPairIndex;
  // Line of each original in FUndoList, so that recording stays linear.
  std::unordered_map<std::u16string, int> FUndoIndex;
  // Listings of the folders where resource directives look for forms; the
  // scanned files do not change while a run reads them.
  TFolderListingCache FFolderListings;
  // The lexer of comments, made once (a lexer builds its character tables).
  std::unique_ptr<TPasParser> FCommentLexer;

  std::unique_ptr<TFormFileStep> FFormFileStep;
  TFileSystem* FFileSystem = nullptr;
  TRunReport* FReport = nullptr;
  bool FDryRun = false;
};

}  // namespace zan
