// TRunResults: what a replace run leaves behind for its caller to read
// afterwards (TRunPlan::Results): the undo list, the database names, the
// changed-file count.
#pragma once

#include <string>
#include <unordered_map>

#include "rtl/StringList.h"

namespace zan {

struct TRunResults {
  TRunResults() {
    // Paths on Linux differ by letter case: the undo list keeps them apart.
    UndoList.SetCaseSensitive(true);
  }

  /// "original=backup" for each file backed up, in work-list order.
  TStringList UndoList;
  /// The line of each original in UndoList, so that recording stays linear.
  std::unordered_map<std::u16string, int> UndoIndex;
  /// "database name=Owner.Component" (project scope).
  TStringList DatabaseNames;
  int ChangedFilesCount = 0;

  /// Forgets everything but the database names, which the run that fills
  /// them empties itself.
  void BeginRun() {
    UndoList.Clear();
    UndoIndex.clear();
    ChangedFilesCount = 0;
  }
};

}  // namespace zan
