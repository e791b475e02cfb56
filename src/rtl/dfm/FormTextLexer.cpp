#include "rtl/dfm/FormTextLexer.h"

#include <charconv>

#include "rtl/dfm/FormStream.h"

namespace zan::dfm {

namespace {

bool IsIdentStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
         (c >= 0x80 && c != 0xFEFF);
}
bool IsIdentChar(char16_t c) {
  return IsIdentStart(c) || (c >= u'0' && c <= u'9');
}
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

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

void TFormTextLexer::SkipBlanks() {
  while (FPos < FText.size() && FText[FPos] <= u' ') {
    char16_t c = FText[FPos++];
    if (c == u'\n' || (c == u'\r' && At(FPos) != u'\n')) ++FNextLine;
  }
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
  if (IsIdentStart(c)) {
    while (FPos < FText.size() && IsIdentChar(FText[FPos])) ++FPos;
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
  int high = -1;
  for (;;) {
    SkipBlanks();
    FLine = FNextLine;
    if (FPos >= FText.size()) Error("'}' expected");
    char16_t c = FText[FPos++];
    if (c == u'}') break;
    int h = HexValue(c);
    if (h < 0) Error("Invalid binary value");
    if (high < 0) {
      high = h;
    } else {
      out.push_back(static_cast<char>(high * 16 + h));
      high = -1;
    }
  }
  if (high >= 0) Error("Odd number of hex digits in binary value");
  Next();
}

}  // namespace zan::dfm
