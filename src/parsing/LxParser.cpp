#include "parsing/LxParser.h"

#include <algorithm>

#include "rtl/Strings.h"

namespace zan {

namespace {

bool IsLineBreak(char16_t ch) {
  return ch == u'\r' || ch == u'\n';
}

}  // namespace

// ---------------------------------------------------------------- TLexemList

char16_t TLexemList::Fold(char16_t ch) const {
  if (!FCaseSensitive && ch >= u'a' && ch <= u'z') return static_cast<char16_t>(ch - 32);
  return ch;
}

int TLexemList::Compare(std::u16string_view a, std::u16string_view b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = Fold(a[i]);
    const char16_t y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

void TLexemList::Add(std::u16string_view text, int code) {
  FItems.push_back({std::u16string(text), code});
  FSorted = FItems.size() <= 1;
  FMinLen = std::min(FMinLen, text.size());
  FMaxLen = std::max(FMaxLen, text.size());
  if (text.empty()) return;
  const char16_t first = Fold(text[0]);
  if (first < 128) {
    FFirstAscii[first >> 6] |= uint64_t{1} << (first & 63);
  } else {
    FFirstWide = true;
  }
}

void TLexemList::Sort() {
  // Stable, so that of two equal texts the one added first is found.
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const TItem& a, const TItem& b) { return Compare(a.Text, b.Text) < 0; });
  FSorted = true;
}

bool TLexemList::Find(std::u16string_view text, int& code) const {
  if (text.size() < FMinLen || text.size() > FMaxLen) return false;
  if (!text.empty()) {
    const char16_t first = Fold(text[0]);
    if (first < 128) {
      if (!(FFirstAscii[first >> 6] & (uint64_t{1} << (first & 63)))) return false;
    } else if (!FFirstWide) {
      return false;
    }
  }
  if (!FSorted) {
    for (const TItem& item : FItems) {
      if (Compare(item.Text, text) == 0) {
        code = item.Code;
        return true;
      }
    }
    return false;
  }
  auto it = std::lower_bound(
      FItems.begin(), FItems.end(), text,
      [this](const TItem& item, std::u16string_view key) { return Compare(item.Text, key) < 0; });
  if (it == FItems.end() || Compare(it->Text, text) != 0) return false;
  code = it->Code;
  return true;
}

// ------------------------------------------------------------------- TParser

TParser::TParser(std::u16string text) : FOwned(std::move(text)), FText(FOwned) {
  FLex.Text = FText.substr(0, 0);
}

void TParser::SetText(std::u16string text) {
  FOwned = std::move(text);
  FText = FOwned;
  ToBegin();
}

void TParser::SetTextRef(std::u16string_view text) {
  // FOwned is kept: `text` may be a part of it.
  FText = text;
  ToBegin();
}

void TParser::ToBegin() {
  FPos = 0;
  FLex = TLexeme{};
  FLex.Text = FText.substr(0, 0);
}

void TParser::SetPos(int64_t newPos) {
  if (newPos < 0) newPos = 0;
  FPos = std::min(static_cast<uint64_t>(newPos), static_cast<uint64_t>(FText.size()));
}

void TParser::SetSymbols(const TLexemList* symbols) {
  FSymbols = symbols;
  FInitialized = false;
}

void TParser::SetKeywords(const TLexemList* keywords) {
  FKeywords = keywords;
}

void TParser::SetBlockComment(char16_t open, char16_t close) {
  FBlockOpen = open;
  FBlockClose = close;
  FInitialized = false;
}

void TParser::SetParenStarComments(bool on) {
  FParenStarComments = on;
}

bool TParser::IsSymbolChar(char16_t ch) const {
  return ch > u' ' && ch < 127 && !IsDigit(ch) && !IsLetter(ch) && ch != u'_';
}

bool TParser::IsAlpha(char16_t ch) const {
  return ch == u'_' || IsLetter(ch);
}

bool TParser::IsNumberChar(char16_t ch) const {
  return IsDigit(ch);
}

bool TParser::IsStringQuote(char16_t ch) const {
  return ch == u'\'';
}

bool TParser::IsIdentQuote(char16_t) const {
  return false;
}

bool TParser::IsInlineComment(char16_t ch, size_t pos) const {
  return ch == u'/' && pos + 1 < FText.size() && FText[pos + 1] == u'/';
}

TParser::TCharKind TParser::KindOf(char16_t ch) const {
  if (ch <= u' ') return ckBlank;
  if (FBlockOpen != 0 && ch == FBlockOpen) return ckBlockOpen;
  if (IsStringQuote(ch)) return ckStringQuote;
  if (IsIdentQuote(ch)) return ckIdentQuote;
  if (IsAlpha(ch)) return ckAlpha;
  if (IsNumberChar(ch)) return ckNumber;
  if (IsSymbolChar(ch)) return ckSymbol;
  return ckOther;
}

void TParser::InitParser() {
  for (char16_t ch = 0; ch < 128; ++ch) {
    uint8_t cls = KindOf(ch);
    if (IsAlpha(ch) || IsDigit(ch)) cls |= kIdentCont;
    if (IsNumberChar(ch)) cls |= kNumberCont;
    FCharClass[ch] = cls;
    int code = lexChar;
    if (FSymbols) FSymbols->Find(std::u16string_view(&ch, 1), code);
    FSymbolCode[ch] = code;
  }
  FInitialized = true;
}

bool TParser::IsIdentCont(char16_t ch) const {
  if (ch < 128) return FCharClass[ch] & kIdentCont;
  return IsAlpha(ch);
}

bool TParser::IsNumberCont(char16_t ch) const {
  if (ch < 128) return FCharClass[ch] & kNumberCont;
  return IsNumberChar(ch);
}

size_t TParser::ToRightQuote(size_t pos, bool& closed) const {
  const char16_t quote = FText[pos];
  const size_t n = FText.size();
  size_t i = pos + 1;
  closed = false;
  while (i < n) {
    const char16_t ch = FText[i];
    if (ch == quote) {
      if (i + 1 < n && FText[i + 1] == quote) {
        i += 2;  // a doubled quote stands for one quote inside the literal
        continue;
      }
      closed = true;
      return i + 1;
    }
    if (IsLineBreak(ch)) return i;
    ++i;
  }
  return n;
}

size_t TParser::ScanNumber(size_t pos) const {
  const size_t n = FText.size();
  size_t i = pos + 1;
  while (i < n && IsNumberCont(FText[i])) ++i;
  if (!IsDigit(FText[pos])) return i;  // "$" numbers have neither fraction nor exponent
  // A fraction needs a digit after the point: "1..9" is a range, "x.y" a field.
  if (i + 1 < n && FText[i] == u'.' && IsDigit(FText[i + 1])) {
    i += 2;
    while (i < n && IsNumberCont(FText[i])) ++i;
  }
  // An exponent with a sign: "1.5E+10" ("1E5" is already taken by the run).
  if ((FText[i - 1] == u'E' || FText[i - 1] == u'e') && i + 1 < n &&
      (FText[i] == u'+' || FText[i] == u'-') && IsDigit(FText[i + 1])) {
    i += 2;
    while (i < n && IsDigit(FText[i])) ++i;
  }
  return i;
}

size_t TParser::ScanBlockComment(size_t pos) const {
  const size_t close = FindChar(FText, FBlockClose, pos + 1);
  return close == std::u16string_view::npos ? FText.size() : close + 1;
}

size_t TParser::ScanParenStarComment(size_t pos) const {
  const size_t close = FText.find(u"*)", pos + 2);
  return close == std::u16string_view::npos ? FText.size() : close + 2;
}

size_t TParser::ScanLineComment(size_t pos) const {
  const size_t n = FText.size();
  size_t i = pos + 1;
  while (i < n && !IsLineBreak(FText[i])) ++i;
  return i;
}

void TParser::Scan() {
  const size_t n = FText.size();
  const size_t p = FPos;
  FLex.Start = p;
  if (p >= n) {
    FLex.Code = lexEnd;
    FLex.Length = 0;
    FLex.Text = FText.substr(n, 0);
    return;
  }
  const char16_t* s = FText.data();
  const char16_t ch = s[p];
  const TCharKind kind = ch < 128 ? static_cast<TCharKind>(FCharClass[ch] & kKindMask) : KindOf(ch);
  size_t end = p + 1;
  int code = lexChar;
  // The text of a string without its quotes, when it is not the whole span.
  size_t textStart = p;
  size_t textEnd = std::u16string_view::npos;
  switch (kind) {
    case ckBlank:
      while (end < n && s[end] <= u' ') ++end;
      code = lexBlank;
      break;
    case ckBlockOpen:
      end = ScanBlockComment(p);
      code = lexComment;
      break;
    case ckStringQuote: {
      bool closed;
      end = ToRightQuote(p, closed);
      code = lexString;
      if (!FKeepQuotes) {
        textStart = p + 1;
        textEnd = closed ? end - 1 : end;
      }
      break;
    }
    case ckIdentQuote: {
      bool closed;
      end = ToRightQuote(p, closed);
      code = lexIdent;
      break;
    }
    case ckAlpha:
      while (end < n && IsIdentCont(s[end])) ++end;
      code = lexIdent;
      if (FKeywords) FKeywords->Find(FText.substr(p, end - p), code);
      break;
    case ckNumber:
      end = ScanNumber(p);
      code = lexNumber;
      break;
    case ckSymbol:
    case ckOther:
      if (IsInlineComment(ch, p)) {
        end = ScanLineComment(p);
        code = lexComment;
      } else if (FParenStarComments && ch == u'(' && p + 1 < n && s[p + 1] == u'*') {
        end = ScanParenStarComment(p);
        code = lexComment;
      } else if (kind == ckSymbol) {
        if (ch < 128) {
          code = FSymbolCode[ch];
        } else if (FSymbols) {
          FSymbols->Find(std::u16string_view(s + p, 1), code);
        }
      } else if (IsHighSurrogate(ch) && end < n && IsLowSurrogate(s[end])) {
        ++end;  // never split a surrogate pair
      }
      break;
  }
  FPos = end;
  FLex.Length = end - p;
  FLex.Code = code;
  if (textEnd != std::u16string_view::npos) {
    FLex.Text = FText.substr(textStart, textEnd - textStart);
  } else if (kind == ckAlpha && FUpperCase) {
    FScratch = AnsiUpperCase(FText.substr(p, end - p));
    FLex.Text = FScratch;
  } else {
    FLex.Text = FText.substr(p, end - p);
  }
}

const TLexeme& TParser::Next() {
  if (!FInitialized) InitParser();
  do {
    Scan();
  } while ((FLex.Code == lexBlank && FSkipBlanks) || (FLex.Code == lexComment && FSkipComments));
  return FLex;
}

int TParser::GetNext(std::u16string& text) {
  const TLexeme& lex = Next();
  text.assign(lex.Text);
  return lex.Code;
}

int TParser::GetNext(std::u16string_view& text) {
  const TLexeme& lex = Next();
  text = lex.Text;
  return lex.Code;
}

}  // namespace zan
