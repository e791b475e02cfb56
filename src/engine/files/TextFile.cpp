#include "engine/files/TextFile.h"

#include "engine/report/RExpertRes.h"
#include "rtl/Strings.h"

namespace zan {

std::u16string EncodingName(TTextEncoding encoding, int codePage) {
  switch (encoding) {
    case TTextEncoding::Utf16LE:
      return u"UTF-16LE";
    case TTextEncoding::Utf8:
      return u"UTF-8";
    case TTextEncoding::Ansi:
      break;
  }
  return u"code page " + IntToStr(codePage);
}

std::u16string ReadTextFile(std::string_view bytes, TTextEncoding& encoding,
                            std::u16string_view fileName, int codePage) {
  auto fail = [&] {
    throw EEncodingError(
        res::Fmt(res::sCannotDecodeUnit, {fileName, EncodingName(encoding, codePage)}));
  };
  if (bytes.size() > 1 && bytes.substr(0, 2) == kUtf16LEBom) {
    encoding = TTextEncoding::Utf16LE;
    if (bytes.size() % 2 != 0) fail();
    return Utf16LEToUnicode(bytes.substr(2));
  }
  if (bytes.size() > 2 && bytes.substr(0, 3) == kUtf8Bom) {
    encoding = TTextEncoding::Utf8;
    if (!IsValidUtf8(bytes.substr(3))) fail();
    return Utf8ToUtf16(bytes.substr(3));
  }
  encoding = TTextEncoding::Ansi;
  // A multi-byte code page may meet byte sequences it cannot decode; such a
  // unit would be damaged by writing it back.
  if (!AnsiRoundTrips(bytes, codePage)) fail();
  return AnsiToUnicode(bytes, codePage);
}

std::string EncodeTextFile(std::u16string_view text, TTextEncoding encoding,
                           std::u16string_view fileName, int codePage) {
  switch (encoding) {
    case TTextEncoding::Utf16LE:
      return std::string(kUtf16LEBom) + UnicodeToUtf16LE(text);
    case TTextEncoding::Utf8:
      return std::string(kUtf8Bom) + Utf16ToUtf8(text);
    case TTextEncoding::Ansi:
      break;
  }
  bool lossless = true;
  std::string bytes = UnicodeToAnsi(text, codePage, &lossless);
  if (!lossless)
    throw EEncodingError(
        res::Fmt(res::sCannotEncodeUnit, {fileName, EncodingName(encoding, codePage)}));
  return bytes;
}

}  // namespace zan
