#include "rtl/dfm/TextNames.h"

namespace zan::dfm {

namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool IsHexDigit(char16_t c) {
  return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

size_t NegativeInfinityLength(std::u16string_view text) {
  if (text.size() < 4 || text[0] != u'-') return 0;
  for (size_t i = 1; i < 4; ++i)
    if ((text[i] | 0x20) != u"-inf"[i]) return 0;
  size_t n = 4;
  if (n < text.size() && std::u16string_view(u"sScCdD").find(text[n]) != std::u16string_view::npos)
    ++n;
  return n < text.size() && IsNameChar(text[n]) ? 0 : n;
}

bool IsTextName(std::u16string_view name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  for (char16_t c : name.substr(1))
    if (!IsNameChar(c)) return false;
  return true;
}

bool IsTextPropertyName(std::u16string_view name) {
  for (;;) {
    const size_t dot = name.find(u'.');
    if (!IsTextName(name.substr(0, dot))) return false;
    if (dot == std::u16string_view::npos) return true;
    name.remove_prefix(dot + 1);
  }
}

bool IsTextIdentValue(std::u16string_view ident) {
  if (NegativeInfinityLength(ident) == ident.size() && !ident.empty()) return true;
  if (!ident.empty() && ident[0] == u'.') ident.remove_prefix(1);
  return IsTextPropertyName(ident);
}

bool IsTextSetElement(std::u16string_view element) {
  if (IsTextName(element)) return true;
  // An integer the reader holds in 64 bits.
  if (!element.empty() && element[0] == u'-') element.remove_prefix(1);
  const bool hex = !element.empty() && element[0] == u'$';
  if (hex) element.remove_prefix(1);
  if (element.empty() || element.size() > (hex ? 15u : 18u)) return false;
  for (char16_t c : element)
    if (!(hex ? IsHexDigit(c) : IsDigit(c))) return false;
  return true;
}

}  // namespace zan::dfm
