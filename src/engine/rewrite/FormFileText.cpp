#include "engine/rewrite/FormFileText.h"

#include <utility>

#include "engine/files/TextFile.h"
#include "engine/report/RExpertRes.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view sFormNotValid =
    u"Converted form file \"%s\" is not valid form text: %s";

TFormConvertOptions ConvertOptions(std::u16string_view fileName, int codePage) {
  TFormConvertOptions options;
  options.FileName = Utf16ToUtf8(fileName);
  options.CodePage = codePage;
  return options;
}

}  // namespace

std::u16string DetectLineBreak(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') return u"\n";
    if (text[i] == u'\r') return i + 1 < text.size() && text[i + 1] == u'\n' ? u"\r\n" : u"\r";
  }
  return u"\r\n";
}

TFormFileText ReadFormFile(std::string_view bytes, std::u16string_view fileName, int codePage) {
  TFormFileText form;
  if (IsBinaryFormData(bytes)) {
    TBinaryFormText binary = ReadBinaryForm(bytes, ConvertOptions(fileName, codePage));
    form.Binary = true;
    form.Text = std::move(binary.Text);
    form.Layout = std::move(binary.Layout);
    form.Encoding = TTextEncoding::Ansi;
    form.LineBreak = u"\r\n";
    return form;
  }
  form.Text = ReadTextFile(bytes, form.Encoding, fileName, codePage);
  form.LineBreak = DetectLineBreak(form.Text);
  return form;
}

void CheckFormText(std::u16string_view text, std::u16string_view fileName, int codePage) {
  const TFormConvertOptions options = ConvertOptions(fileName, codePage);
  try {
    const std::string stream = ObjectTextToBinary(text, options);
    ObjectBinaryToText(stream, options);
  } catch (const Exception& e) {
    throw EFormFileError(res::Fmt(sFormNotValid, {std::u16string(fileName), e.Message()}));
  }
}

std::string WriteFormFile(std::u16string_view text, const TFormFileText& form,
                          std::u16string_view fileName, int codePage) {
  if (!form.Binary) return EncodeTextFile(text, form.Encoding, fileName, codePage);
  const TFormConvertOptions options = ConvertOptions(fileName, codePage);
  try {
    std::string bytes = WriteBinaryForm(text, &form.Layout, options);
    // What is published must read back: a stream our reader refuses would
    // be refused by the IDE as well.
    ReadBinaryForm(bytes, options);
    return bytes;
  } catch (const Exception& e) {
    throw EFormFileError(res::Fmt(sFormNotValid, {std::u16string(fileName), e.Message()}));
  }
}

}  // namespace zan
