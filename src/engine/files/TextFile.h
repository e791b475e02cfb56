// Reading and writing the text of a source unit or a text form file in the
// encoding it was stored in.
//
// The encoding is recognised by its byte-order mark: FF FE is UTF-16LE, EF BB
// BF is UTF-8, anything else is the ANSI code page. A unit is written back in
// the encoding it was read in and with its mark: UTF-16LE with FF FE, UTF-8
// with EF BB BF (without it Delphi would read the unit in the ANSI code page
// and corrupt every non-ASCII character), ANSI without one.
#pragma once

#include <string>
#include <string_view>

#include "rtl/Encoding.h"
#include "rtl/SysUtils.h"

namespace zan {

/// In each function `codePage` is the ANSI code page (the run's, never
/// looked up here).

/// Decodes `bytes`, the whole contents of `fileName`. Bytes that the detected
/// encoding cannot decode without loss raise EEncodingError naming the file.
std::u16string ReadTextFile(std::string_view bytes, TTextEncoding& encoding,
                            std::u16string_view fileName, int codePage);

/// Encodes `text` in `encoding` with the byte-order mark of that encoding.
/// Characters the ANSI code page cannot hold raise EEncodingError naming the file.
std::string EncodeTextFile(std::u16string_view text, TTextEncoding encoding,
                           std::u16string_view fileName, int codePage);

/// "UTF-16LE", "UTF-8" or "code page N", for messages.
std::u16string EncodingName(TTextEncoding encoding, int codePage);

}  // namespace zan
