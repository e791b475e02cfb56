#include "engine/RestoreRun.h"

#include "engine/UndoReader.h"

namespace zan {

bool RestoreFromUndoFile(TFileSystem& fs, const std::u16string& undoFile) {
  const std::vector<TUndoEntry> entries = ReadUndoEntries(fs, undoFile);
  if (!AllBackupsPresent(entries)) return false;
  for (const TUndoEntry& entry : entries)
    if (!fs.CopyFile(entry.Backup, entry.Original, true)) return false;
  return true;
}

}  // namespace zan
