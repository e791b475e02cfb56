#include "formrules/RuleUtils.h"

#include "rtl/Strings.h"

namespace zan {

namespace {

// Control characters and the blank (the NUL character is not one of them).
bool IsWrapBlank(char16_t ch) {
  return ch >= 1 && ch <= 32;
}

}  // namespace

std::u16string UnwrapValue(std::u16string_view s) {
  if (s.empty()) return {};
  // 1-based positions, as the delimiters are described: s[k - 1] is S[k].
  const size_t n = s.size();
  auto at = [&](size_t k) { return s[k - 1]; };
  size_t i = 1;
  while (i < n && IsWrapBlank(at(i))) ++i;
  if (at(i) == u'\'') {
    ++i;
  } else if (at(i) == u'(') {
    ++i;
    while (i < n && IsWrapBlank(at(i))) ++i;
  }
  size_t j = n;
  while (i < j && IsWrapBlank(at(j))) --j;
  if (at(j) == u'\'') {
    --j;
  } else if (at(j) == u')') {
    --j;
    while (i < j && IsWrapBlank(at(j))) --j;
  }
  if (j < i) return {};
  return std::u16string(s.substr(i - 1, j - i + 1));
}

bool NormalizeParams(TStringList& list) {
  int i = 0;
  while (i < list.Count()) {
    std::u16string line = UnwrapValue(list[i]);
    if (line.empty()) {
      list.Delete(i);
    } else {
      list.SetString(i, std::move(line));
      ++i;
    }
  }
  return list.Count() > 0;
}

bool IsOneOf(std::u16string_view s, TNameList names) {
  for (std::u16string_view name : names)
    if (SameText(s, name)) return true;
  return false;
}

bool IsOneOf(std::u16string_view s, std::initializer_list<std::u16string_view> names) {
  return IsOneOf(s, TNameList(names.begin(), names.size()));
}

std::u16string ParamValue(const TStringList& params, std::u16string_view name) {
  const int index = params.IndexOfName(name);
  if (index < 0) return {};
  return UnwrapValue(params.ValueFromIndex(index));
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find_first_of(u"\r\n", pos);
    if (eol == std::u16string_view::npos) {
      lines.emplace_back(text.substr(pos));
      break;
    }
    lines.emplace_back(text.substr(pos, eol - pos));
    pos = eol + 1;
    if (text[eol] == u'\r' && pos < text.size() && text[pos] == u'\n') ++pos;
  }
  return lines;
}

std::u16string QuotedStr(std::u16string_view s) {
  std::u16string out;
  out.reserve(s.size() + 2);
  out += u'\'';
  for (char16_t ch : s) {
    out += ch;
    if (ch == u'\'') out += u'\'';
  }
  out += u'\'';
  return out;
}

std::u16string DequotedStr(std::u16string_view s) {
  if (s.size() < 2 || s.front() != u'\'' || s.back() != u'\'') return std::u16string(s);
  std::u16string out;
  const std::u16string_view inner = s.substr(1, s.size() - 2);
  for (size_t k = 0; k < inner.size(); ++k) {
    out += inner[k];
    if (inner[k] == u'\'' && k + 1 < inner.size() && inner[k + 1] == u'\'') ++k;
  }
  return out;
}

bool ReadBooleanValue(std::u16string_view value, std::u16string_view objectName,
                      std::u16string_view propName) {
  if (SameText(value, u"True")) return true;
  if (SameText(value, u"False")) return false;
  int64_t number = 0;
  if (TryStrToInt(value, number)) return number != 0;
  throw EPropertyValueError("'" + Utf16ToUtf8(value) + "' is not a valid boolean value (property " +
                            Utf16ToUtf8(propName) + " of object " + Utf16ToUtf8(objectName) + ")");
}

}  // namespace zan

namespace zan {

namespace {

bool IsFormBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

void SkipFormBlanks(std::u16string_view s, size_t& pos) {
  while (pos < s.size() && IsFormBlank(s[pos])) ++pos;
}

// Reads one piece ('text' or #code) at `pos` into `text`; false if there is none.
bool ReadPiece(std::u16string_view s, size_t& pos, std::u16string& text) {
  if (pos >= s.size()) return false;
  if (s[pos] == u'\'') {
    size_t k = pos + 1;
    while (true) {
      if (k >= s.size()) return false;
      if (s[k] == u'\'') {
        if (k + 1 < s.size() && s[k + 1] == u'\'') {
          text += u'\'';
          k += 2;
          continue;
        }
        pos = k + 1;
        return true;
      }
      if (s[k] == u'\r' || s[k] == u'\n') return false;
      text += s[k++];
    }
  }
  if (s[pos] == u'#') {
    size_t k = pos + 1;
    uint32_t code = 0;
    size_t digits = 0;
    const bool hex = k < s.size() && s[k] == u'$';
    if (hex) ++k;
    for (; k < s.size(); ++k, ++digits) {
      const char16_t ch = s[k];
      int d;
      if (ch >= u'0' && ch <= u'9') {
        d = ch - u'0';
      } else if (hex && ch >= u'a' && ch <= u'f') {
        d = ch - u'a' + 10;
      } else if (hex && ch >= u'A' && ch <= u'F') {
        d = ch - u'A' + 10;
      } else {
        break;
      }
      code = code * (hex ? 16 : 10) + static_cast<uint32_t>(d);
      if (code > 0xFFFF) return false;
    }
    if (digits == 0) return false;
    text += static_cast<char16_t>(code);
    pos = k;
    return true;
  }
  return false;
}

// Reads a string expression at `pos`; leaves `pos` after its last piece.
bool ReadStringExpr(std::u16string_view s, size_t& pos, std::u16string& text) {
  if (!ReadPiece(s, pos, text)) return false;
  while (pos < s.size()) {
    if (s[pos] == u'\'' || s[pos] == u'#') {
      if (!ReadPiece(s, pos, text)) return false;
      continue;
    }
    size_t k = pos;
    SkipFormBlanks(s, k);
    if (k >= s.size() || s[k] != u'+') break;
    ++k;
    SkipFormBlanks(s, k);
    if (!ReadPiece(s, k, text)) return false;
    pos = k;
  }
  return true;
}

bool IsPrintableAscii(char16_t ch) {
  return ch >= 32 && ch <= 126;
}

}  // namespace

bool DecodeFormString(std::u16string_view expr, std::u16string& text) {
  text.clear();
  size_t pos = 0;
  SkipFormBlanks(expr, pos);
  if (!ReadStringExpr(expr, pos, text)) return false;
  SkipFormBlanks(expr, pos);
  return pos == expr.size();
}

bool SplitFormStringList(std::u16string_view value, std::vector<std::u16string_view>& items) {
  items.clear();
  size_t pos = 0;
  size_t end = value.size();
  SkipFormBlanks(value, pos);
  while (end > pos && IsFormBlank(value[end - 1])) --end;
  if (end - pos < 2 || value[pos] != u'(' || value[end - 1] != u')') return false;
  const std::u16string_view inner = value.substr(pos + 1, end - pos - 2);
  size_t k = 0;
  std::u16string scratch;
  SkipFormBlanks(inner, k);
  while (k < inner.size()) {
    const size_t start = k;
    scratch.clear();
    if (!ReadStringExpr(inner, k, scratch)) return false;
    items.push_back(inner.substr(start, k - start));
    const size_t before = k;
    SkipFormBlanks(inner, k);
    if (k < inner.size() && k == before) return false;  // items are apart
  }
  return true;
}

std::u16string FormQuoted(std::u16string_view text) {
  if (text.empty()) return u"''";
  std::u16string out;
  bool open = false;
  for (char16_t ch : text) {
    if (IsPrintableAscii(ch)) {
      if (!open) out += u'\'';
      open = true;
      out += ch;
      if (ch == u'\'') out += u'\'';
    } else {
      if (open) out += u'\'';
      open = false;
      out += u'#';
      out += IntToStr(ch);
    }
  }
  if (open) out += u'\'';
  return out;
}

std::u16string FormStringBody(std::u16string_view text) {
  std::u16string out;
  bool open = true;  // inside the caller's quotes
  for (char16_t ch : text) {
    if (IsPrintableAscii(ch)) {
      if (!open) out += u'\'';
      open = true;
      out += ch;
      if (ch == u'\'') out += u'\'';
    } else {
      if (open) out += u'\'';
      open = false;
      out += u'#';
      out += IntToStr(ch);
    }
  }
  if (!open) out += u'\'';
  return out;
}

TStringList ReadParamList(std::u16string_view value) {
  TStringList list;
  std::vector<std::u16string_view> items;
  if (SplitFormStringList(value, items)) {
    std::u16string text;
    bool decoded = true;
    for (std::u16string_view item : items) {
      if (!DecodeFormString(item, text)) {
        decoded = false;
        break;
      }
      if (!text.empty()) list.Add(text);
    }
    if (decoded) return list;
    list.Clear();
  }
  list.SetText(UnwrapValue(value));
  NormalizeParams(list);
  return list;
}

}  // namespace zan
