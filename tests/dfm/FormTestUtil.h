// Helpers for the form converter tests: byte strings from hex, a one-property
// form in both representations.
#pragma once

#include <string>
#include <string_view>

#include "rtl/Strings.h"

namespace zan::test {

/// Bytes from hex pairs; blanks are ignored and 'text' in quotes is taken as is.
inline std::string Hex(std::string_view hex) {
  std::string out;
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i < hex.size(); ++i) {
    if (hex[i] == ' ') continue;
    if (hex[i] == '\'') {
      size_t end = hex.find('\'', i + 1);
      out.append(hex.substr(i + 1, end - i - 1));
      i = end;
      continue;
    }
    out.push_back(static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    ++i;
  }
  return out;
}

/// A short string: length byte and bytes.
inline std::string Short(std::string_view s) {
  std::string bytes(1, static_cast<char>(s.size()));
  bytes += s;
  return bytes;
}

/// A stream holding `object F: TForm` with one property P of the given value bytes.
inline std::string FormWithValue(const std::string& value) {
  return "TPF0" + Short("TForm") + Short("F") + Short("P") + value + std::string(2, '\0');
}

/// The host's text of that form, with the value text as given (lines of a
/// multi-line value separated by "\r\n").
inline std::u16string TextWithValue(std::string_view valueText) {
  return Utf8ToUtf16("object F: TForm\r\n  P = " + std::string(valueText) + "\r\nend\r\n");
}

}  // namespace zan::test
