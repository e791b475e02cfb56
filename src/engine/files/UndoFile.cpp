#include "engine/files/UndoFile.h"

#include "engine/files/FileUtils.h"
#include "engine/files/TextFile.h"
#include "engine/report/RExpertRes.h"
#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

std::string EncodeUndoFile(const TStringList& undoList, int codePage) {
  const std::u16string text = undoList.Text();
  bool lossless = true;
  std::string bytes = UnicodeToAnsi(text, codePage, &lossless);
  if (lossless) return bytes;
  return std::string(kUtf8Bom) + Utf16ToUtf8(text);
}

TStringList DecodeUndoFile(std::string_view bytes, std::u16string_view fileName, int codePage) {
  TTextEncoding encoding;
  TStringList lines;
  lines.SetText(ReadTextFile(bytes, encoding, fileName, codePage));
  return lines;
}

bool LooksLikeBackupOf(std::u16string_view original, std::u16string_view backup) {
  return ExtractFileName(backup) == MakeBackupName(ExtractFileName(original));
}

namespace {

/// The file name part of `path` (as ExtractFileName gives it), `slash` being
/// the position of its last "/" (npos: none).
std::u16string_view FileNamePart(std::u16string_view path, size_t slash) {
  // A drive letter ("C:x.pas") ends the drive part as a "/" would.
  const bool drive = ExtractFileDrive(path.substr(0, 2)).size() == 2;
  if (drive && (slash == std::u16string_view::npos || slash < 1)) return path.substr(2);
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SplitNamesBackup(std::u16string_view line, size_t eq, size_t slash, size_t lastSlash) {
  const std::u16string_view original = FileNamePart(line.substr(0, eq), slash);
  const std::u16string_view value = line.substr(eq + 1);
  const size_t valueSlash = lastSlash != std::u16string_view::npos && lastSlash > eq
                                ? lastSlash - eq - 1
                                : std::u16string_view::npos;
  const std::u16string_view backup = FileNamePart(value, valueSlash);
  // A backup name is one or two characters longer (".pas" -> ".~pas", "x" ->
  // "x.~"): the names are only built when that holds.
  if (backup.size() != original.size() + 1 && backup.size() != original.size() + 2) return false;
  return backup == MakeBackupName(original);
}

}  // namespace zan
