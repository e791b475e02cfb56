#include "rtl/dfm/FormTextLexer.h"

#include <array>
#include <charconv>
#include <cstddef>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "rtl/dfm/FormStream.h"
#include "rtl/dfm/TextNames.h"

namespace zan::dfm {

namespace {

// IsNameChar of the ASCII units, looked up in the identifier loop.
constexpr std::array<bool, 128> kAsciiIdentChars = [] {
  std::array<bool, 128> t{};
  for (int c = 0; c < 128; ++c)
    t[c] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= '0' && c <= '9');
  return t;
}();

// IsNameChar (TextNames.h), by table for ASCII.
bool IsIdentChar(char16_t c) {
  return c < 128 ? kAsciiIdentChars[c] : c != 0xFEFF;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Value of each hex digit among the first 256 code units, -1 elsewhere.
constexpr std::array<int8_t, 256> kHexValues = [] {
  std::array<int8_t, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
           : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
           : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                                  : -1;
  return t;
}();

int HexValue(char16_t c) {
  return c < 256 ? kHexValues[c] : -1;
}

/// Skips the blanks (code units up to the space) from `p`, counting the line
/// breaks in `line`: LF, CR LF and a lone CR each end one line.
const char16_t* SkipBlankRun(const char16_t* p, const char16_t* end, int& line) {
  while (p < end && *p <= u' ') {
    char16_t c = *p++;
    if (c == u' ') continue;
    if (c == u'\n' || (c == u'\r' && (p == end || *p != u'\n'))) ++line;
  }
  return p;
}

/// The first `c` in [p, end), or `end`.
const char16_t* FindUnit(const char16_t* p, const char16_t* end, char16_t c) {
#ifdef __SSE2__
  const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
  for (; end - p >= 16; p += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(a, needle), _mm_cmpeq_epi16(b, needle));
    if (_mm_movemask_epi8(hit) != 0) break;
  }
#endif
  while (p < end && *p != c) ++p;
  return p;
}

#ifdef __SSE2__
/// Decodes 16 hex digits at `p` into 8 bytes at `o`; false (and nothing
/// written) when one of the units is not a hex digit.
bool DecodeHexBlock(const char16_t* p, char* o) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
  // Units above 255 saturate to 255, which is no digit.
  const __m128i c = _mm_packus_epi16(a, b);
  // Unsigned range tests with signed compares: shift the range to start at -128.
  const __m128i digit = _mm_add_epi8(c, _mm_set1_epi8(static_cast<char>(0x80 - '0')));
  const __m128i isDigit = _mm_cmplt_epi8(digit, _mm_set1_epi8(static_cast<char>(0x80 + 10)));
  const __m128i lower = _mm_or_si128(c, _mm_set1_epi8(0x20));
  const __m128i letter = _mm_add_epi8(lower, _mm_set1_epi8(static_cast<char>(0x80 - 'a')));
  const __m128i isLetter = _mm_cmplt_epi8(letter, _mm_set1_epi8(static_cast<char>(0x80 + 6)));
  if (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) != 0xFFFF) return false;
  const __m128i digitValue = _mm_and_si128(isDigit, _mm_sub_epi8(c, _mm_set1_epi8('0')));
  const __m128i letterValue = _mm_and_si128(isLetter, _mm_sub_epi8(lower, _mm_set1_epi8('a' - 10)));
  const __m128i v = _mm_or_si128(digitValue, letterValue);
  // Each 16-bit lane holds a pair: the high digit in its low byte.
  const __m128i high = _mm_slli_epi16(_mm_and_si128(v, _mm_set1_epi16(0x00FF)), 4);
  const __m128i low = _mm_srli_epi16(v, 8);
  const __m128i bytes = _mm_packus_epi16(_mm_or_si128(high, low), _mm_setzero_si128());
  _mm_storel_epi64(reinterpret_cast<__m128i*>(o), bytes);
  return true;
}
#endif

}  // namespace

TFormTextLexer::TFormTextLexer(std::u16string_view text, const std::string& fileName)
    : FText(text), FFileName(fileName) {
  if (!FText.empty() && FText[0] == 0xFEFF) FPos = 1;  // byte-order mark
  Next();
}

void TFormTextLexer::Error(std::string_view what) const {
  throw EFormTextError(FFileName, FLine, what);
}

bool TFormTextLexer::IsWord(std::string_view word) const {
  if (FKind != TTokenKind::tkIdent || FPos - FStart != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char16_t c = FText[FStart + i];
    if (c >= u'a' && c <= u'z') c -= 32;
    char w = word[i];
    if (w >= 'a' && w <= 'z') w -= 32;
    if (c != static_cast<char16_t>(w)) return false;
  }
  return true;
}

char16_t TFormTextLexer::NextChar() const {
  const char16_t* begin = FText.data();
  int line = FNextLine;
  const char16_t* p = SkipBlankRun(begin + FPos, begin + FText.size(), line);
  return p < begin + FText.size() ? *p : u'\0';
}

void TFormTextLexer::SkipBlanks() {
  const char16_t* begin = FText.data();
  FPos = SkipBlankRun(begin + FPos, begin + FText.size(), FNextLine) - begin;
}

void TFormTextLexer::Next() {
  SkipBlanks();
  FStart = FPos;
  FLine = FNextLine;
  if (FPos >= FText.size()) {
    FKind = TTokenKind::tkEof;
    return;
  }
  char16_t c = FText[FPos];
  if (const size_t n = c == u'-' ? NegativeInfinityLength(FText.substr(FPos)) : 0) {
    // The text of a negative infinite float: an identifier, as "INF" is.
    FPos += n;
    FKind = TTokenKind::tkIdent;
  } else if (IsNameStart(c)) {
    const char16_t* const begin = FText.data();
    const char16_t* const end = begin + FText.size();
    const char16_t* p = begin + FPos + 1;
    while (p < end && IsIdentChar(*p)) ++p;
    FPos = p - begin;
    FKind = TTokenKind::tkIdent;
  } else if (c == u'\'' || c == u'#') {
    ReadString();
  } else if (IsDigit(c) || c == u'$' ||
             (c == u'-' && (IsDigit(At(FPos + 1)) || At(FPos + 1) == u'$'))) {
    ReadNumber();
  } else {
    ++FPos;
    FKind = TTokenKind::tkSymbol;
    FSymbol = c;
  }
}

void TFormTextLexer::ReadString() {
  FKind = TTokenKind::tkString;
  FString.clear();
  for (;;) {
    char16_t c = At(FPos);
    if (c == u'\'') {
      ++FPos;
      for (;;) {
        if (FPos >= FText.size() || FText[FPos] == u'\n' || FText[FPos] == u'\r')
          Error("Unterminated string");
        char16_t d = FText[FPos++];
        if (d == u'\'') {
          if (At(FPos) != u'\'') break;
          ++FPos;
        }
        FString.push_back(d);
      }
    } else if (c == u'#') {
      ++FPos;
      uint32_t code = 0;
      size_t digits = 0;
      if (At(FPos) == u'$') {
        ++FPos;
        for (int h; (h = HexValue(At(FPos))) >= 0; ++FPos, ++digits)
          code = code > 0xFFFF ? code : code * 16 + h;
      } else {
        for (; IsDigit(At(FPos)); ++FPos, ++digits)
          code = code > 0xFFFF ? code : code * 10 + (At(FPos) - u'0');
      }
      if (digits == 0 || code > 0xFFFF) Error("Invalid character code");
      FString.push_back(static_cast<char16_t>(code));
    } else {
      return;
    }
  }
}

void TFormTextLexer::ReadNumber() {
  FNumber.clear();
  FSuffix = 0;
  bool negative = At(FPos) == u'-';
  if (negative) FNumber.push_back(static_cast<char>(FText[FPos++]));
  if (At(FPos) == u'$') {
    ++FPos;
    uint64_t v = 0;
    size_t digits = 0;
    for (int h; (h = HexValue(At(FPos))) >= 0; ++FPos, ++digits) {
      if (v >> 60) Error("Integer out of range");
      v = v * 16 + h;
    }
    if (digits == 0) Error("Invalid number");
    FKind = TTokenKind::tkInteger;
    FInteger = static_cast<int64_t>(negative ? 0 - v : v);
    return;
  }
  bool isFloat = false;
  while (IsDigit(At(FPos))) FNumber.push_back(static_cast<char>(FText[FPos++]));
  if (At(FPos) == u'.' && IsDigit(At(FPos + 1))) {
    isFloat = true;
    FNumber.push_back(static_cast<char>(FText[FPos++]));
    while (IsDigit(At(FPos))) FNumber.push_back(static_cast<char>(FText[FPos++]));
  }
  char16_t e = At(FPos);
  if ((e == u'e' || e == u'E') &&
      (IsDigit(At(FPos + 1)) ||
       ((At(FPos + 1) == u'+' || At(FPos + 1) == u'-') && IsDigit(At(FPos + 2))))) {
    isFloat = true;
    FNumber.push_back('E');
    ++FPos;
    if (!IsDigit(At(FPos))) FNumber.push_back(static_cast<char>(FText[FPos++]));
    while (IsDigit(At(FPos))) FNumber.push_back(static_cast<char>(FText[FPos++]));
  }
  char16_t s = At(FPos);
  if (s == u's' || s == u'S' || s == u'c' || s == u'C' || s == u'd' || s == u'D') {
    if (!IsIdentChar(At(FPos + 1))) {
      FSuffix = static_cast<char>(s | 0x20);
      ++FPos;
      isFloat = true;
    }
  }
  if (IsIdentChar(At(FPos))) Error("Invalid number");
  if (isFloat) {
    FKind = TTokenKind::tkFloat;
    return;
  }
  auto res = std::from_chars(FNumber.data(), FNumber.data() + FNumber.size(), FInteger);
  if (res.ec != std::errc()) Error("Integer out of range");
  FKind = TTokenKind::tkInteger;
}

void TFormTextLexer::ReadBinary(std::string& out) {
  // The closing brace bounds the digits, so the output is sized once; pairs
  // of adjacent digits are decoded in a tight loop, and blanks (which may
  // split a pair) and errors are left to the slower path below it.
  const char16_t* const begin = FText.data();
  const char16_t* const textEnd = begin + FText.size();
  const char16_t* p = begin + FPos;
  const char16_t* const close = FindUnit(p, textEnd, u'}');
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(close - p) / 2);
  char* const first = out.data() + at;
  char* o = first;
  int high = -1;
  while (p < close) {
    if (high < 0) {
#ifdef __SSE2__
      for (; close - p >= 16 && DecodeHexBlock(p, o); p += 16) o += 8;
#endif
      for (; close - p >= 2; p += 2) {
        const int a = HexValue(p[0]);
        const int b = HexValue(p[1]);
        if ((a | b) < 0) break;
        *o++ = static_cast<char>(a << 4 | b);
      }
      if (p == close) break;
    }
    if (*p <= u' ') {
      p = SkipBlankRun(p, textEnd, FNextLine);
      continue;
    }
    const int h = HexValue(*p);
    if (h < 0) {
      FPos = p - begin;
      FLine = FNextLine;
      Error("Invalid binary value");
    }
    ++p;
    if (high < 0) {
      high = h;
    } else {
      *o++ = static_cast<char>(high << 4 | h);
      high = -1;
    }
  }
  out.resize(at + static_cast<size_t>(o - first));
  FPos = close - begin;
  FLine = FNextLine;
  if (close == textEnd) Error("'}' expected");
  if (high >= 0) Error("Odd number of hex digits in binary value");
  ++FPos;
  Next();
}

}  // namespace zan::dfm
