#include "parsing/PasParser.h"

namespace zan {

namespace {

TLexemList BuildSymbols() {
  // Code = position in this text, from 1.
  static constexpr std::u16string_view kSymbols = u"!\"#%&'()*+,-./:;<=>?@[\\]^_`";
  TLexemList symbols(/*caseSensitive=*/true);
  for (size_t i = 0; i < kSymbols.size(); ++i)
    symbols.Add(kSymbols.substr(i, 1), static_cast<int>(i) + 1);
  symbols.Sort();
  return symbols;
}

TLexemList BuildKeywords() {
  TLexemList keywords(/*caseSensitive=*/false);
  keywords.Add(u"END", kwEnd);
  keywords.Add(u"INHERITED", kwInherited);
  keywords.Add(u"INLINE", kwInline);
  keywords.Add(u"ITEM", kwItem);
  keywords.Add(u"OBJECT", kwObject);
  keywords.Add(u"USES", kwUses);
  keywords.Sort();
  return keywords;
}

}  // namespace

const TLexemList& PasSymbols() {
  static const TLexemList symbols = BuildSymbols();
  return symbols;
}

const TLexemList& PasKeywords() {
  static const TLexemList keywords = BuildKeywords();
  return keywords;
}

TPasParser::TPasParser(std::u16string text) : TParser(std::move(text)) {
  SetSymbols(&PasSymbols());
  SetKeywords(&PasKeywords());
  SetBlockComment(u'{', u'}');
  SetSkipBlanks(false);
  SetSkipComments(false);
  SetUpperCase(false);
  SetKeepQuotes(true);
}

bool TPasParser::IsSymbolChar(char16_t ch) const {
  return (ch >= u'!' && ch <= u'/' && ch != u'$') || (ch >= u':' && ch <= u'@') ||
         (ch >= u'[' && ch <= u'^') || ch == u'`' || (ch >= u'{' && ch <= u'~');
}

bool TPasParser::IsNumberChar(char16_t ch) const {
  return ch == u'$' || (ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F') ||
         (ch >= u'a' && ch <= u'f');
}

bool TPasParser::IsStringQuote(char16_t ch) const {
  return ch == u'\'';
}

}  // namespace zan
