#include "engine/UndoReader.h"

#include <algorithm>
#include <unordered_set>

#include "engine/RExpertRes.h"
#include "engine/UndoFile.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

std::vector<TUndoEntry> ReadUndoEntries(TFileSystem& fs, const std::u16string& undoFile) {
  std::string bytes;
  if (TFileStatus status = fs.Read(undoFile, bytes); !status)
    throw EFileError(
        res::Fmt(res::sUndoFileReadFailed, {undoFile, Utf8ToUtf16(FileErrorText(status.Code()))}));
  const TStringList lines = DecodeUndoFile(bytes, undoFile);
  auto exists = [&fs](std::u16string_view path) { return fs.IsFile(path); };
  std::vector<TUndoEntry> entries;
  std::unordered_set<std::u16string> originals;
  for (int i = 0; i < lines.Count(); ++i) {
    TUndoEntry entry;
    SplitUndoLine(lines[i], exists, entry.Original, entry.Backup);
    if (!originals.insert(entry.Original).second) continue;
    entry.BackupExists = !entry.Backup.empty() && fs.IsFile(entry.Backup);
    entries.push_back(std::move(entry));
  }
  return entries;
}

bool AllBackupsPresent(const std::vector<TUndoEntry>& entries) {
  return !entries.empty() &&
         std::all_of(entries.begin(), entries.end(),
                     [](const TUndoEntry& entry) { return entry.BackupExists; });
}

}  // namespace zan
