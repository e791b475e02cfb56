// A form file (".dfm"/".nfm", binary or text) read as form text and written
// back in the form it was read in: binary with its resource header, or text
// in its encoding with its byte-order mark.
#pragma once

#include <string>
#include <string_view>

#include "rtl/Encoding.h"
#include "rtl/SysUtils.h"
#include "rtl/dfm/FormFile.h"

namespace zan {

/// A form file that cannot be converted or written back: too large, or its
/// converted text is not valid form text. The message names the file.
class EFormFileError : public Exception {
 public:
  using Exception::Exception;
};

/// A form file read as form text, with what writing it back needs.
struct TFormFileText {
  std::u16string Text;
  bool Binary = false;
  TTextEncoding Encoding = TTextEncoding::Ansi;  // text forms
  TBinaryFormLayout Layout;                      // binary forms
  std::u16string LineBreak = u"\r\n";            // of the text (binary: CRLF)
};

/// In each function `codePage` is the ANSI code page of binary forms and of
/// text forms without a byte-order mark.

/// Reads a form file: a binary one (resource header FF 0A 00, or a bare TPF0
/// stream) through the converter, a text one with ReadTextFile. Throws
/// EFormStreamError / EEncodingError naming `fileName`.
TFormFileText ReadFormFile(std::string_view bytes, std::u16string_view fileName, int codePage);

/// The bytes of `text` stored as `form` was read: binary with the original
/// header name and layout (the length field set to the new stream's length),
/// or text in its encoding with its byte-order mark. Throws EFormFileError
/// naming `fileName` when the text cannot be converted to binary.
std::string WriteFormFile(std::u16string_view text, const TFormFileText& form,
                          std::u16string_view fileName, int codePage);

/// Throws EFormFileError naming `fileName` unless `text` converts to a binary
/// component stream that converts back to form text.
void CheckFormText(std::u16string_view text, std::u16string_view fileName, int codePage);

/// The line break of `text`: that of its first line ("\r\n", "\n" or "\r"),
/// CRLF when it has none.
std::u16string DetectLineBreak(std::u16string_view text);

}  // namespace zan
