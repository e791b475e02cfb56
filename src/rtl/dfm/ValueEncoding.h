// The writer's choice of bytes for one scalar item of a component stream:
// the smallest integer type, 8-bit strings for ASCII text, the file's kind
// for other text, False/True/nil/Null for those words. Used by the text ->
// binary writer and by the binary reader, which compares a stream's bytes
// with these to learn what the text alone would not reproduce.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rtl/dfm/FormStream.h"

namespace zan::dfm {

inline void PutByte(std::string& out, uint8_t b) {
  out.push_back(static_cast<char>(b));
}
inline void PutType(std::string& out, TValueType t) {
  PutByte(out, static_cast<uint8_t>(t));
}
void PutInt32(std::string& out, int32_t v);

/// Integer value with the smallest of vaInt8, vaInt16, vaInt32, vaInt64.
void EncodeInteger(int64_t value, std::string& out);

/// A name (class, object, property, set element) as a short string: length
/// byte and UTF-8 bytes. False when it needs more than 255 bytes.
bool EncodeShortString(std::u16string_view name, std::string& out);

/// An identifier value: vaFalse/vaTrue/vaNil/vaNull for those words (any
/// letter case), else vaIdent. False when the name is too long.
bool EncodeIdent(std::u16string_view ident, std::string& out);

/// A string value. ASCII text becomes vaString (up to 255 characters) or
/// vaLString; other text is stored as `kind` says. Code-page text that the
/// code page cannot hold, and text with unpaired surrogates (which UTF-8
/// cannot hold), become wide strings so that no character is lost.
void EncodeString(std::u16string_view text, TStringKind kind, int codePage, std::string& out);

/// A number shown as text with its suffix (0 for none): vaExtended, or with
/// 's' vaSingle, 'c' vaCurrency (the text is the value times 10000), 'd'
/// vaDate. False when the text is no number or out of range.
bool EncodeNumber(std::string_view text, char suffix, std::string& out);

/// True when every code unit is below 128.
bool IsAscii(std::u16string_view text);
bool IsAscii(std::string_view bytes);

}  // namespace zan::dfm
