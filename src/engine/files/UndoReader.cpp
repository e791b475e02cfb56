#include "engine/files/UndoReader.h"

#include <algorithm>
#include <unordered_set>

#include "engine/files/UndoFile.h"
#include "engine/report/RExpertRes.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

std::string ReadUndoFileBytes(TFileSystem& fs, const std::u16string& undoFile) {
  std::string bytes;
  if (TFileStatus status = fs.Read(undoFile, bytes); !status)
    throw EFileError(
        res::Fmt(res::sUndoFileReadFailed, {undoFile, Utf8ToUtf16(FileErrorText(status.Code()))}));
  return bytes;
}

std::vector<TUndoLine> SplitUndoFile(TFileSystem& fs, std::string_view bytes,
                                     std::u16string_view undoFile, int codePage) {
  const TStringList lines = DecodeUndoFile(bytes, undoFile, codePage);
  auto exists = [&fs](std::u16string_view path) { return fs.IsFile(path); };
  std::vector<TUndoLine> split(static_cast<size_t>(lines.Count()));
  for (int i = 0; i < lines.Count(); ++i) {
    TUndoLine& line = split[static_cast<size_t>(i)];
    line.Text = lines[i];
    SplitUndoLine(line.Text, exists, line.Original, line.Backup);
  }
  return split;
}

std::vector<TUndoEntry> ReadUndoEntries(TFileSystem& fs, const std::u16string& undoFile,
                                        int codePage) {
  std::vector<TUndoEntry> entries;
  std::unordered_set<std::u16string> originals;
  for (TUndoLine& line : SplitUndoFile(fs, ReadUndoFileBytes(fs, undoFile), undoFile, codePage)) {
    if (!originals.insert(line.Original).second) continue;
    TUndoEntry entry;
    entry.Original = std::move(line.Original);
    entry.Backup = std::move(line.Backup);
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
