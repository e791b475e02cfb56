#include "engine/UndoFile.h"

#include "engine/FileUtils.h"
#include "engine/RExpertRes.h"
#include "engine/TextFile.h"
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

}  // namespace zan
