#include "app/desktop/RunChanges.h"

#include <algorithm>

#include "app/desktop/FileAsText.h"
#include "engine/files/UndoReader.h"

namespace zan {

namespace {

std::vector<std::u16string> LinesOf(const TFileBuffer& buffer) {
  if (!buffer.Error.empty()) return {buffer.Error};
  return SplitLines(buffer.Text);
}

}  // namespace

std::vector<TFileChange> ReadRunChanges(TFileSystem& fs, const std::u16string& undoFile,
                                        int codePage) {
  std::vector<TFileChange> changes;
  for (const TUndoEntry& entry : ReadUndoEntries(fs, undoFile, codePage))
    if (!entry.Backup.empty()) changes.push_back({entry.Original, entry.Backup});
  return changes;
}

int TSideBySide::ChangedRows() const {
  return static_cast<int>(std::count_if(
      Rows.begin(), Rows.end(), [](const TDiffRow& row) { return row.Kind != TDiffRow::Same; }));
}

TSideBySide CompareChange(TFileSystem& fs, const TFileChange& change) {
  TSideBySide result;
  // A backup ("Main.~dfm") is read as the kind of file it copies.
  result.Left = LinesOf(ReadFileAsText(fs, change.Backup, change.Original));
  result.Right = LinesOf(ReadFileAsText(fs, change.Original));
  result.Rows = SideBySideDiff(result.Left, result.Right);
  return result;
}

}  // namespace zan
