// layer: dfm
// Feeds arbitrary bytes to the binary form reader and, as UTF-16 text, to the
// text reader. Either converts or throws a zan::Exception. Conversion is
// closed: a stream the binary reader takes comes out as text that the text
// reader takes, back to the same bytes within the run (with the layout read)
// and, read afresh as the `convert` command does, to a stream whose text is
// the same text (binary -> text -> binary -> text is stable).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "rtl/dfm/FormFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zan::TFormConvertOptions options;
  options.FileName = "fuzz.dfm";
  options.CodePage = 1252;
  std::optional<zan::TBinaryFormText> form;
  try {
    form = zan::ReadBinaryForm(bytes, options);
  } catch (const zan::Exception&) {
  }
  if (form) {
    // From here on an exception is a finding: it escapes to the fuzzer.
    if (zan::WriteBinaryForm(form->Text, &form->Layout, options) != bytes) __builtin_trap();
    const std::string fresh = zan::WriteBinaryForm(form->Text, nullptr, options);
    if (zan::ReadBinaryForm(fresh, options).Text != form->Text) __builtin_trap();
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
