// Text helpers over UTF-16 strings, the program's text type.
//
// Positions are counted in UTF-16 code units. "Ansi" functions follow the
// host runtime's naming: `LowerCase`/`SameText` fold ASCII letters only, the
// `Ansi...` variants fold every letter (the Unicode case mapping of the BMP,
// taken from the C.UTF-8 locale, not the user's). Neither has to do with the
// ANSI code page of rtl/Encoding.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zan {

/// UTF-8 to UTF-16. Invalid sequences become U+FFFD (use IsValidUtf8 to tell).
std::u16string Utf8ToUtf16(std::string_view utf8);
/// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
/// Utf16ToUtf8 appended to `out`: the one UTF-16 -> UTF-8 encoder. False when
/// the text held an unpaired surrogate (written as U+FFFD), which UTF-8 cannot
/// hold, so that a caller that must not lose it can choose another encoding.
bool AppendUtf8(std::u16string_view text, std::string& out);
constexpr bool IsHighSurrogate(char16_t ch) {
  return ch >= 0xD800 && ch <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t ch) {
  return ch >= 0xDC00 && ch <= 0xDFFF;
}
/// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

/// ASCII text to UTF-16, for literals and numbers: U16("Unit1").
std::u16string U16(std::string_view ascii);

/// ASCII-only case folding (the host's LowerCase/UpperCase).
std::u16string LowerCase(std::u16string_view text);
std::u16string UpperCase(std::u16string_view text);
/// Case folding of every letter (the host's AnsiLowerCase/AnsiUpperCase).
/// Keeps the length: a character is always folded to one code unit.
std::u16string AnsiLowerCase(std::u16string_view text);
std::u16string AnsiUpperCase(std::u16string_view text);
char16_t AnsiLowerChar(char16_t ch);
char16_t AnsiUpperChar(char16_t ch);

/// Comparisons: <0, 0, >0. `CompareText` folds ASCII only, `AnsiCompareText` every letter.
int CompareStr(std::u16string_view a, std::u16string_view b);
int CompareText(std::u16string_view a, std::u16string_view b);
int AnsiCompareText(std::u16string_view a, std::u16string_view b);
bool SameText(std::u16string_view a, std::u16string_view b);
bool AnsiSameText(std::u16string_view a, std::u16string_view b);

bool StartsText(std::u16string_view prefix, std::u16string_view text);  // ignores case
bool EndsText(std::u16string_view suffix, std::u16string_view text);    // ignores case

std::u16string Trim(std::u16string_view text);  // drops characters <= ' ' at both ends
std::u16string TrimLeft(std::u16string_view text);
std::u16string TrimRight(std::u16string_view text);

std::u16string IntToStr(int64_t value);
/// Decimal (or "$"-prefixed hexadecimal) integer; `fallback` when not a whole number.
int64_t StrToIntDef(std::u16string_view text, int64_t fallback);
bool TryStrToInt(std::u16string_view text, int64_t& value);

/// Replaces every occurrence of `from` by `to` (case-sensitive).
std::u16string StringReplaceAll(std::u16string_view text, std::u16string_view from,
                                std::u16string_view to);

/// The offset of the first `ch` in `text` at or after `from`, or npos: the
/// same as `text.find(ch, from)`, eight characters a step where the processor
/// allows (long runs such as the hex data of pictures in forms).
size_t FindChar(std::u16string_view text, char16_t ch, size_t from = 0);

/// `text` as it may be shown in a message on one line of a terminal:
/// control characters (C0, DEL, C1) and the bidirectional and line separator
/// controls written as \xNN or \uNNNN, and anything past `limit` characters
/// cut and replaced by "...". For text read from a file that may hold anything.
std::string DisplayText(std::u16string_view text, size_t limit = 200);
/// The same for UTF-8 (invalid sequences show as U+FFFD).
std::string DisplayText(std::string_view utf8, size_t limit = 200);

bool IsLetter(char16_t ch);  // any Unicode letter of the BMP (the host's IsCharAlphaW)
bool IsDigit(char16_t ch);   // '0'..'9'

}  // namespace zan
