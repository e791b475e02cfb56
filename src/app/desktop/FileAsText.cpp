#include "app/desktop/FileAsText.h"

#include "engine/files/TextFile.h"
#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"
#include "rtl/dfm/ResourceHeader.h"

namespace zan {

TFileBuffer ReadFileAsText(TFileSystem& fs, const std::u16string& fileName,
                           std::u16string_view kindName) {
  TFileBuffer buffer;
  buffer.FileName = fileName;
  std::string bytes;
  if (TFileStatus status = fs.Read(fileName, bytes); !status) {
    buffer.Error = Utf8ToUtf16(status.Message());
    buffer.ReadOnly = true;
    return buffer;
  }
  try {
    if (IsFormFile(kindName.empty() ? std::u16string_view(fileName) : kindName) &&
        IsBinaryFormData(bytes)) {
      TFormConvertOptions options;
      options.FileName = Utf16ToUtf8(fileName);
      buffer.Text = ReadBinaryForm(bytes, options).Text;
      buffer.ReadOnly = true;
    } else {
      buffer.Text = ReadTextFile(bytes, buffer.Encoding, fileName, AnsiCodePage());
    }
  } catch (const std::exception& error) {
    buffer.Text.clear();
    buffer.Error = Utf8ToUtf16(error.what());
    buffer.ReadOnly = true;
  }
  return buffer;
}

}  // namespace zan
