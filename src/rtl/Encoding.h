// Byte <-> text conversions for the encodings the program meets in files:
// the ANSI code page (1252 by default; any code page iconv knows, single- or
// multi-byte), UTF-8 and UTF-16LE.
//
// The process-wide ANSI code page starts from ZANMIG_CODEPAGE when set, else
// 1252, and can be changed with SetAnsiCodePage (the --codepage option).
// Characters a code page cannot represent become "?" like the host's default
// character; `AnsiRoundTrips` tells whether bytes survive decode + encode.
#pragma once

#include <string>
#include <string_view>

namespace zan {

enum class TTextEncoding { Ansi, Utf8, Utf16LE };

int AnsiCodePage();
/// Throws EEncodingError when the code page is unknown.
void SetAnsiCodePage(int codePage);

/// Decodes code-page bytes (codePage 0 = the process-wide ANSI code page).
std::u16string AnsiToUnicode(std::string_view bytes, int codePage = 0);
/// Encodes to code-page bytes; unrepresentable characters become '?'. When
/// `lossless` is given it is set to false if any character was replaced.
std::string UnicodeToAnsi(std::u16string_view text, int codePage = 0, bool* lossless = nullptr);
/// True when AnsiToUnicode followed by UnicodeToAnsi gives back `bytes` exactly.
bool AnsiRoundTrips(std::string_view bytes, int codePage = 0);

/// UTF-16LE bytes <-> text (an odd trailing byte is an EEncodingError).
std::u16string Utf16LEToUnicode(std::string_view bytes);
std::string UnicodeToUtf16LE(std::u16string_view text);

/// Decodes / encodes in the given encoding (UTF-8 decoding is lenient).
std::u16string Decode(std::string_view bytes, TTextEncoding encoding);
std::string Encode(std::u16string_view text, TTextEncoding encoding);

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LEBom = "\xFF\xFE";

}  // namespace zan
