// What form text can say as a name or an identifier. The text reader takes
// an identifier as a run of name characters after a name start; the binary
// reader refuses a name that text could not give back, so that every form it
// reads comes out as text that reads back to the same stream.
#pragma once

#include <cstddef>
#include <string_view>

namespace zan::dfm {

/// ASCII letters, "_" and every code unit from #128 on but the byte-order
/// mark (letters of any script). Inline: the binary reader asks it of every
/// character of every name.
inline bool IsNameStart(char16_t c) {
  return static_cast<char16_t>((c | 0x20) - u'a') < 26 || c == u'_' || (c >= 0x80 && c != 0xFEFF);
}
/// A name start or an ASCII digit.
inline bool IsNameChar(char16_t c) {
  return IsNameStart(c) || static_cast<char16_t>(c - u'0') < 10;
}

/// One identifier: a class or an object name.
bool IsTextName(std::u16string_view name);
/// Identifiers joined by dots: a property name ("Font.Name").
bool IsTextPropertyName(std::u16string_view name);
/// An identifier value: identifiers joined by dots, which may start with a
/// dot (".Owner"), or the text of a negative infinite float.
bool IsTextIdentValue(std::u16string_view ident);
/// The length of the text of a negative infinite float at the start of
/// `text`: "-INF" in any letter case, with the suffix of its type if any,
/// not followed by a name character; 0 when there is none. Text read afresh
/// gives it back as an identifier, as it does "INF" and "NAN".
size_t NegativeInfinityLength(std::u16string_view text);
/// A set element: an identifier or an integer ("5", "-1", "$1F").
bool IsTextSetElement(std::u16string_view element);

}  // namespace zan::dfm
