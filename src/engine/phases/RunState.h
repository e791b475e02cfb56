// What the phases of one replace run share: the run's settings, its log, its
// work list and temporary folder, and the small steps every phase takes on a
// file (the "Processing file" line, the change count, the report entry).
//
// TReplaceRun (ReplaceRun.h) owns one and hands it to each phase in turn.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/RunContext.h"
#include "engine/files/FileUtils.h"
#include "ide/FileCase.h"

namespace zan {

class TComponentReplacer;
class TFormFamilies;
class TReplaceOptions;
class TStringList;
struct TRunResults;

/// One file of the work list.
struct TWorkItem {
  TWorkItem() = default;
  TWorkItem(std::u16string path, std::u16string relPath, bool isUnit)
      : Path(std::move(path)), RelPath(std::move(relPath)), IsUnit(isUnit) {}

  std::u16string Path;  // the original
  /// Where the changed file goes under the temporary folder (and its backup
  /// under the backup folder): folder scope mirrors the scanned tree, a
  /// project run keeps both flat.
  std::u16string RelPath;
  bool IsUnit = false;  // a unit (.pas/.dpr); otherwise a form a unit names
  /// Of a unit of a project run: why the run takes it ("listed", "program",
  /// "reached from X.pas"); empty otherwise.
  std::u16string Reason;
  int Changes = 0;
  bool Changed = false;  // a changed file waits in the temporary folder
  /// Of a changed file: where it waits, its size and ContentHash.
  std::u16string TempPath;
  uint64_t Size = 0;
  uint64_t Hash = 0;
  /// The backup that holds the original (this run's or a first run's).
  std::u16string Backup;
  /// While publishing: a second name of the original on its own file
  /// system, renamed back when the run is rolled back; empty when none
  /// could be made (PublishPhase.h).
  std::u16string PutBack;
  /// Of a form: the index in the work list of the unit that named it.
  size_t NamedBy = 0;
  /// Of a unit: the user rules (indexes) its rewrite applied.
  std::vector<int> UserRules;
};

/// The undo file and the manifest as earlier runs left them, and what this
/// run wrote of them (to put them back when publishing is rolled back).
struct TUndoRecord {
  bool UndoExisted = false;
  std::string PreviousUndo;
  int LinesBefore = 0;
  /// The backup the first line of each original names (earlier runs).
  std::unordered_map<std::u16string, std::u16string> FirstBackups;
  /// The backups this run made.
  std::unordered_map<std::u16string, std::u16string> NewBackups;
  std::u16string ManifestFile;
  bool ManifestExisted = false;
  std::string PreviousManifest;
  bool UndoWritten = false;
  bool ManifestWritten = false;
  /// Second names of the undo file and the manifest as they were, renamed
  /// back on a rollback so that putting them back needs no room; empty: none.
  std::u16string UndoPutBack;
  std::u16string ManifestPutBack;
};

struct TRunState {
  TRunState(TComponentReplacer& replacer, const TReplaceOptions& options,
            const TRunContext& context, TLogWriter& log, TRunResults& results);

  TComponentReplacer& Replacer;
  const TReplaceOptions& Options;
  const TRunContext& Context;
  TFileSystem& Fs;
  TLogWriter& Log;
  /// The run's results, kept by its plan (TRunPlan::Results): the undo
  /// list, the database names, the changed-file count.
  TRunResults& Results;

  /// The units of the scope, then the forms they name, in discovery order.
  std::vector<TWorkItem> Work;
  std::u16string TempFolder;
  TUndoRecord Undo;
  /// The folders beside the originals that hold their second names while
  /// publishing (PublishPhase.h), and how many names were given out.
  std::vector<std::u16string> PutBackFolders;
  int PutBackNames = 0;
  /// The forms that could not be converted (KeepGoing), with the reason.
  std::vector<std::pair<std::u16string, std::u16string>> FailedForms;
  /// Listings of the scanned folders and of those where resource directives
  /// look for forms: each folder is listed once, and what a listing tells of
  /// an entry (folder, link, pipe or device) is not asked again. The scanned
  /// files do not change while a run reads them; publishing checks each
  /// original again itself. Filled while the scope is listed (hence mutable).
  mutable TFolderListingCache FolderListings;
  /// The folders made in the temporary folder and in the backup folder.
  TFolderMaker MadeFolders;
  /// The form families across the scope's edge (FormInheritance.h), when the
  /// run looks for them.
  TFormFamilies* Families = nullptr;

  bool FolderScope() const;
  /// Where `item`'s changed file goes; its folder is made on the way.
  std::u16string TempPathOf(const TWorkItem& item);
  /// Writes `bytes` as `item`'s changed file into the temporary folder.
  void WriteChanged(TWorkItem& item, std::string_view bytes);
  /// Logs "Processing file: ..." and tells the busy indicator.
  void BeginFile(const TWorkItem& item);
  /// A warning: the run goes on. Logged and added to the report.
  void Warn(const std::u16string& warning);
  /// Logs the change count of the file just processed.
  void LogChangeCount(int changeCount);
  /// Counts a changed file and adds the file to the report.
  void RecordFile(TWorkItem& item, int changes, bool changed);
  /// A form that could not be converted (`why`); with KeepGoing the run
  /// leaves it and its unit as they are, else the error stops the run.
  void FormFailed(const TWorkItem& form, const std::exception_ptr& why);
  /// Leaves the forms that failed, the units that name them and those
  /// units' other forms as they were (KeepGoing); the report keeps none of
  /// their objects.
  void LeaveFailedForms();
  /// Raises ERunCancelled when the run's cancellation flag is set.
  void CheckCancelled() const;
};

}  // namespace zan
