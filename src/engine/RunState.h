// What the phases of one replace run share: the run's settings, its log, its
// work list and temporary folder, and the small steps every phase takes on a
// file (the "Processing file" line, the change count, the report entry).
//
// TReplaceRun (ReplaceRun.h) owns one and hands it to each phase in turn.
#pragma once

#include <string>
#include <vector>

#include "engine/RunContext.h"
#include "ide/FileCase.h"

namespace zan {

class TComponentReplacer;
class TReplaceOptions;
class TStringList;
struct TRunResults;

/// One file of the work list.
struct TWorkItem {
  std::u16string Path;  // the original
  /// Where the changed file goes under the temporary folder (and its backup
  /// under the backup folder): folder scope mirrors the scanned tree, a
  /// project run keeps both flat.
  std::u16string RelPath;
  bool IsUnit = false;  // a unit (.pas/.dpr); otherwise a form a unit names
  int Changes = 0;
  bool Changed = false;  // a changed file waits in the temporary folder
};

struct TRunState {
  TRunState(TComponentReplacer& replacer, const TReplaceOptions& options,
            const TRunContext& context, TLogWriter& log, TRunResults& results);

  TComponentReplacer& Replacer;
  const TReplaceOptions& Options;
  const TRunContext& Context;
  TFileSystem& Fs;
  TLogWriter& Log;
  /// The last run's results, kept by the replacer: the undo list, the
  /// database names, the changed-file count.
  TRunResults& Results;

  /// The units of the scope, then the forms they name, in discovery order.
  std::vector<TWorkItem> Work;
  std::u16string TempFolder;
  /// Listings of the folders where resource directives look for forms; the
  /// scanned files do not change while a run reads them.
  TFolderListingCache FolderListings;

  bool FolderScope() const;
  /// Where `item`'s changed file goes; its folder is made on the way.
  std::u16string TempPathOf(const TWorkItem& item);
  /// Logs "Processing file: ..." and tells the busy indicator.
  void BeginFile(const TWorkItem& item);
  /// Logs the change count of the file just processed.
  void LogChangeCount(int changeCount);
  /// Counts a changed file and adds the file to the report.
  void RecordFile(TWorkItem& item, int changes, bool changed);
  /// Raises ERunCancelled when the run's cancellation flag is set.
  void CheckCancelled() const;
};

}  // namespace zan
