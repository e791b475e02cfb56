// The restore run of TComponentReplacer.
#include "engine/RExpertRes.h"
#include "engine/Replacer.h"
#include "engine/UndoFile.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

bool TComponentReplacer::PerformRestore(const std::u16string& undoFile) {
  TFileSystem& fs = FileSystem();
  bool result = false;
  std::string bytes;
  if (TFileStatus status = fs.Read(undoFile, bytes); !status)
    throw EFileError(
        res::Fmt(res::sUndoFileReadFailed, {undoFile, Utf8ToUtf16(FileErrorText(status.Code()))}));
  const TStringList lines = DecodeUndoFile(bytes, undoFile);
  auto exists = [&fs](std::u16string_view path) { return fs.IsFile(path); };
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  for (int i = 0; i < lines.Count(); ++i) {
    std::u16string original, backup;
    SplitUndoLine(lines[i], exists, original, backup);
    // The first line of an original names its backup.
    for (const auto& [name, value] : pairs)
      if (name == original) {
        backup = value;
        break;
      }
    if (backup.empty() || !fs.IsFile(backup)) return false;
    pairs.emplace_back(original, backup);
  }
  for (const auto& [original, backup] : pairs) {
    result = static_cast<bool>(fs.CopyFile(backup, original, true));
    if (!result) return false;
  }
  return result;
}

}  // namespace zan
