#include "rtl/Strings.h"

#include <locale.h>
#include <algorithm>
#include <array>
#include <bit>
#include <clocale>
#include <cstdint>
#include <cwctype>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace zan {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `i`; returns the code point or -1 when the
// sequence is malformed (then `len` is the number of bytes to skip).
int32_t DecodeUtf8(std::string_view s, size_t i, size_t& len) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  len = 1;
  if (b0 < 0x80) return b0;
  int need;
  char32_t cp, min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return -1;
  }
  for (int k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return -1;
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  len = need + 1;
  return static_cast<int32_t>(cp);
}

// Case and letter tables for the whole BMP, built once from the C.UTF-8
// locale (falling back to ASCII rules where that locale is missing).
struct CharTables {
  std::array<char16_t, 0x10000> lower{};
  std::array<char16_t, 0x10000> upper{};
  std::array<bool, 0x10000> letter{};

  CharTables() {
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    for (uint32_t c = 0; c < 0x10000; ++c) {
      const auto ch = static_cast<char16_t>(c);
      lower[c] = upper[c] = ch;
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      if (loc) {
        wint_t lo = towlower_l(static_cast<wint_t>(c), loc);
        wint_t up = towupper_l(static_cast<wint_t>(c), loc);
        if (lo < 0x10000 && (lo < 0xD800 || lo > 0xDFFF)) lower[c] = static_cast<char16_t>(lo);
        if (up < 0x10000 && (up < 0xD800 || up > 0xDFFF)) upper[c] = static_cast<char16_t>(up);
        letter[c] = iswalpha_l(static_cast<wint_t>(c), loc) != 0;
      } else {
        if (c >= 'A' && c <= 'Z') lower[c] = static_cast<char16_t>(c + 32);
        if (c >= 'a' && c <= 'z') upper[c] = static_cast<char16_t>(c - 32);
        letter[c] = (c | 32) >= 'a' && (c | 32) <= 'z';
      }
    }
    if (loc) freelocale(loc);
  }
};

const CharTables& Tables() {
  static const CharTables tables;
  return tables;
}

inline char16_t AsciiLower(char16_t c) {
  return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}
inline char16_t AsciiUpper(char16_t c) {
  return (c >= 'a' && c <= 'z') ? c - 32 : c;
}

template <typename Fold>
int CompareFolded(std::u16string_view a, std::u16string_view b, Fold fold) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = fold(a[i]), y = fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  // The result never has more code units than the input has bytes.
  std::u16string out(utf8.size(), u'\0');
  char16_t* o = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    if (in[i] < 0x80) {
      *o++ = in[i++];
      continue;
    }
    size_t len;
    int32_t cp = DecodeUtf8(utf8, i, len);
    i += len;
    if (cp < 0) {
      *o++ = kReplacement;
    } else if (cp < 0x10000) {
      *o++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  out.resize(static_cast<size_t>(o - out.data()));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendUtf8(text, out);
  return out;
}

bool AppendUtf8(std::u16string_view text, std::string& out) {
  bool paired = true;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      c = kReplacement;
      paired = false;
    }
    AppendCodePoint(out, c);
  }
  return paired;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    if (DecodeUtf8(bytes, i, len) < 0) return false;
    i += len;
  }
  return true;
}

std::u16string U16(std::string_view ascii) {
  std::u16string out(ascii.size(), u'\0');
  for (size_t i = 0; i < ascii.size(); ++i) out[i] = static_cast<unsigned char>(ascii[i]);
  return out;
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiLower(c);
  return out;
}

std::u16string UpperCase(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiUpper(c);
  return out;
}

char16_t AnsiLowerChar(char16_t ch) {
  return ch < 0x80 ? AsciiLower(ch) : Tables().lower[ch];
}
char16_t AnsiUpperChar(char16_t ch) {
  return ch < 0x80 ? AsciiUpper(ch) : Tables().upper[ch];
}

std::u16string AnsiLowerCase(std::u16string_view text) {
  const auto& t = Tables();
  std::u16string out(text);
  for (auto& c : out) c = t.lower[c];
  return out;
}

std::u16string AnsiUpperCase(std::u16string_view text) {
  const auto& t = Tables();
  std::u16string out(text);
  for (auto& c : out) c = t.upper[c];
  return out;
}

int CompareStr(std::u16string_view a, std::u16string_view b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareText(std::u16string_view a, std::u16string_view b) {
  return CompareFolded(a, b, AsciiLower);
}

int AnsiCompareText(std::u16string_view a, std::u16string_view b) {
  const auto& t = Tables();
  return CompareFolded(a, b, [&t](char16_t c) { return t.lower[c]; });
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool AnsiSameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && AnsiCompareText(a, b) == 0;
}

bool StartsText(std::u16string_view prefix, std::u16string_view text) {
  return text.size() >= prefix.size() && AnsiSameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::u16string_view suffix, std::u16string_view text) {
  return text.size() >= suffix.size() &&
         AnsiSameText(text.substr(text.size() - suffix.size()), suffix);
}

std::u16string TrimLeft(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] <= u' ') ++i;
  return std::u16string(text.substr(i));
}

std::u16string TrimRight(std::u16string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] <= u' ') --n;
  return std::u16string(text.substr(0, n));
}

std::u16string Trim(std::u16string_view text) {
  return TrimLeft(TrimRight(text));
}

std::u16string IntToStr(int64_t value) {
  return U16(std::to_string(value));
}

bool TryStrToInt(std::u16string_view text, int64_t& value) {
  std::u16string_view s = text;
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == u'-' || s.front() == u'+')) {
    negative = s.front() == u'-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == u'$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  uint64_t acc = 0;
  for (char16_t c : s) {
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (base == 16 && (c | 32) >= u'a' && (c | 32) <= u'f')
      d = (c | 32) - u'a' + 10;
    else
      return false;
    if (acc > (UINT64_MAX - d) / base) return false;
    acc = acc * base + d;
  }
  if (base == 10) {
    if (!negative && acc > static_cast<uint64_t>(INT64_MAX)) return false;
    if (negative && acc > static_cast<uint64_t>(INT64_MAX) + 1) return false;
  }
  value = negative ? static_cast<int64_t>(0 - acc) : static_cast<int64_t>(acc);
  return true;
}

int64_t StrToIntDef(std::u16string_view text, int64_t fallback) {
  int64_t v;
  return TryStrToInt(text, v) ? v : fallback;
}

std::u16string StringReplaceAll(std::u16string_view text, std::u16string_view from,
                                std::u16string_view to) {
  if (from.empty()) return std::u16string(text);
  std::u16string out;
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(from, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

bool IsLetter(char16_t ch) {
  if (ch < 0x80) return (ch | 32) >= u'a' && (ch | 32) <= u'z';
  return Tables().letter[ch];
}

bool IsDigit(char16_t ch) {
  return ch >= u'0' && ch <= u'9';
}

std::string DisplayText(std::u16string_view text, size_t limit) {
  size_t cut = std::min(text.size(), limit);
  if (cut > 0 && cut < text.size() && IsHighSurrogate(text[cut - 1])) --cut;  // keep a pair whole
  std::u16string shown;
  shown.reserve(cut);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char16_t ch : text.substr(0, cut)) {
    const bool control = ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
    const bool invisible = (ch >= 0x200E && ch <= 0x200F) || (ch >= 0x2028 && ch <= 0x202E) ||
                           (ch >= 0x2066 && ch <= 0x2069);
    if (control) {
      shown += u"\\x";
      shown += kHex[ch >> 4];
      shown += kHex[ch & 15];
    } else if (invisible) {
      shown += u"\\u";
      for (int shift = 12; shift >= 0; shift -= 4) shown += kHex[(ch >> shift) & 15];
    } else {
      shown += ch;
    }
  }
  if (cut < text.size()) shown += u"...";
  return Utf16ToUtf8(shown);
}

std::string DisplayText(std::string_view utf8, size_t limit) {
  // No character of the first `limit` takes more than four bytes: decode no more.
  const size_t bytes = limit > utf8.size() / 4 ? utf8.size() : limit * 4;
  std::u16string text = Utf8ToUtf16(utf8.substr(0, bytes));
  if (bytes < utf8.size() && text.size() <= limit) text += u'\uFFFD';  // keeps the "..."
  return DisplayText(text, limit);
}

size_t FindChar(std::u16string_view text, char16_t ch, size_t from) {
  if (from >= text.size()) return std::u16string_view::npos;
  const char16_t* p = text.data() + from;
  const char16_t* end = text.data() + text.size();
#ifdef __SSE2__
  const __m128i needle = _mm_set1_epi16(static_cast<short>(ch));
  for (; end - p >= 8; p += 8) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(chunk, needle)));
    if (mask != 0) return static_cast<size_t>(p - text.data()) + (std::countr_zero(mask) >> 1);
  }
#endif
  for (; p < end; ++p)
    if (*p == ch) return static_cast<size_t>(p - text.data());
  return std::u16string_view::npos;
}

}  // namespace zan
