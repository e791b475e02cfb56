// Text between the program's UTF-16 strings and Qt's: both are UTF-16, so
// the conversion copies code units and never fails.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace zan {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

}  // namespace zan
