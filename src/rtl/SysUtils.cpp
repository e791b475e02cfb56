#include "rtl/SysUtils.h"

#include "rtl/Strings.h"

namespace zan {

Exception::Exception(std::u16string_view message) : std::runtime_error(Utf16ToUtf8(message)) {}

std::u16string Exception::Message() const {
  return Utf8ToUtf16(what());
}

EAssertionFailed::EAssertionFailed(std::string_view sourceName)
    : Exception("Assertion failure (" + std::string(sourceName) + ")") {}

}  // namespace zan
