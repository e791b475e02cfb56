// The lexer loses nothing: every short string of Pascal-significant characters
// is lexed exactly as a deliberately simple reference lexer does it, and every
// text form of the corpus comes back whole from its lexemes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestUtil.h"
#include "parsing/PasParser.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace zan {
namespace {

struct TRefLexeme {
  int Code;
  size_t Start;
  size_t Length;
  bool Closed;  // a string literal with its closing quote
};

// The lexing rules written out character by character, for comparison only.
void ReferenceLex(std::u16string_view s, std::vector<TRefLexeme>& out) {
  static constexpr std::u16string_view kSymbols = u"!\"#%&'()*+,-./:;<=>?@[\\]^_`";
  static constexpr const char16_t* kKeywords[] = {u"END",  u"INHERITED", u"INLINE",
                                                  u"ITEM", u"OBJECT",    u"USES"};
  const size_t n = s.size();
  auto at = [&](size_t k) -> char16_t { return k < n ? s[k] : u'\uFFFF'; };
  auto letter = [](char16_t c) { return c == u'_' || IsLetter(c); };
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  auto hex = [&](char16_t c) {
    return c == u'$' || digit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
  };
  auto found = [n](size_t k, size_t width) {
    return k == std::u16string_view::npos ? n : k + width;
  };
  out.clear();
  size_t i = 0;
  while (i < n) {
    const char16_t c = s[i];
    size_t j = i + 1;
    int code = lexChar;
    bool closed = false;
    if (c <= u' ') {
      while (j < n && s[j] <= u' ') ++j;
      code = lexBlank;
    } else if (c == u'{') {
      j = found(s.find(u'}', i), 1);
      code = lexComment;
    } else if (c == u'(' && at(i + 1) == u'*') {
      j = found(s.find(u"*)", i + 2), 2);
      code = lexComment;
    } else if (c == u'/' && at(i + 1) == u'/') {
      j = found(s.find_first_of(u"\r\n", i), 0);
      code = lexComment;
    } else if (c == u'\'') {
      while (j < n && s[j] != u'\r' && s[j] != u'\n') {
        if (s[j] == u'\'' && at(j + 1) == u'\'') {
          j += 2;
        } else if (s[j] == u'\'') {
          ++j;
          closed = true;
          break;
        } else {
          ++j;
        }
      }
      code = lexString;
    } else if (letter(c)) {
      while (letter(at(j)) || digit(at(j))) ++j;
      code = lexIdent;
      std::u16string upper(s.substr(i, j - i));
      for (char16_t& u : upper)
        if (u >= u'a' && u <= u'z') u = static_cast<char16_t>(u - 32);
      for (int k = 0; k < 6; ++k)
        if (upper == kKeywords[k]) code = kwEnd + k;
    } else if (hex(c)) {
      while (hex(at(j))) ++j;
      if (digit(c)) {
        if (at(j) == u'.' && digit(at(j + 1))) {
          j += 2;
          while (hex(at(j))) ++j;
        }
        if ((at(j - 1) == u'e' || at(j - 1) == u'E') && (at(j) == u'+' || at(j) == u'-') &&
            digit(at(j + 1))) {
          j += 2;
          while (digit(at(j))) ++j;
        }
      }
      code = lexNumber;
    } else if (kSymbols.find(c) != std::u16string_view::npos) {
      code = static_cast<int>(kSymbols.find(c)) + 1;
    } else if (c >= 0xD800 && c <= 0xDBFF && at(j) >= 0xDC00 && at(j) <= 0xDFFF) {
      ++j;
    }
    out.push_back({code, i, j - i, closed});
    i = j;
  }
}

// Compares the lexer's lexemes over `text` with the reference, in both quote
// modes; returns an empty string or a description of the first difference.
// Texts must equal their spans, so the lexemes joined give back the input.
std::string CompareWithReference(std::u16string_view text, TPasParser& keep, TPasParser& strip,
                                 std::vector<TRefLexeme>& expected) {
  ReferenceLex(text, expected);
  expected.push_back({lexEnd, text.size(), 0, false});
  keep.SetTextRef(text);
  strip.SetTextRef(text);
  for (size_t k = 0; k < expected.size(); ++k) {
    const TRefLexeme& e = expected[k];
    const std::u16string_view span = text.substr(e.Start, e.Length);
    const std::u16string_view content =
        e.Code == lexString ? span.substr(1, e.Length - 1 - e.Closed) : span;
    const TLexeme& a = keep.Next();
    const TLexeme& b = strip.Next();
    for (const TLexeme* lex : {&a, &b}) {
      if (lex->Code != e.Code || lex->Start != e.Start || lex->Length != e.Length)
        return "lexeme " + std::to_string(k) + ": code " + std::to_string(lex->Code) + " at " +
               std::to_string(lex->Start) + "+" + std::to_string(lex->Length) + ", expected code " +
               std::to_string(e.Code) + " at " + std::to_string(e.Start) + "+" +
               std::to_string(e.Length);
    }
    if (a.Text != span || b.Text != content) return "lexeme " + std::to_string(k) + ": text";
  }
  return {};
}

std::string Hex(std::u16string_view text) {
  std::string out;
  for (char16_t ch : text) out += std::to_string(static_cast<unsigned>(ch)) + " ";
  return out;
}

// Every string of up to five characters over the characters that matter to
// Pascal lexing: quotes, comment brackets, line breaks, a letter that is also a
// hex digit and an exponent, a digit, "$", "#", ".", ";", "+", a non-ASCII
// letter and the two halves of a surrogate pair.
TEST(PasParserExhaustiveTest, AllShortStringsMatchTheReference) {
  const std::u16string alphabet = u"'{}(*)/ \r\ne1$#.;+\u00E9\xD83D\xDE00";
  const size_t maxLength = 5;
  TPasParser keep;
  TPasParser strip;
  strip.SetKeepQuotes(false);
  std::vector<TRefLexeme> expected;
  std::u16string text;
  size_t checked = 0;
  for (size_t length = 0; length <= maxLength; ++length) {
    std::vector<size_t> digits(length, 0);
    for (;;) {
      text.resize(length);
      for (size_t k = 0; k < length; ++k) text[k] = alphabet[digits[k]];
      const std::string problem = CompareWithReference(text, keep, strip, expected);
      ASSERT_EQ(problem, "") << "input (code units): " << Hex(text);
      ++checked;
      size_t k = 0;
      while (k < length && ++digits[k] == alphabet.size()) digits[k++] = 0;
      if (k == length) break;
    }
  }
  EXPECT_EQ(checked, 3368421u);  // 1 + 20 + 20^2 + ... + 20^5
}

// Decodes a text form as a replace run reads it: UTF-8 after its byte-order
// mark, otherwise code page 1252.
std::u16string DecodeForm(const std::string& bytes) {
  if (bytes.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0)
    return Utf8ToUtf16(std::string_view(bytes).substr(kUtf8Bom.size()));
  return AnsiToUnicode(bytes, 1252);
}

// Every text form of the corpus comes back whole, begins with an object
// header, and has one "end" per opened object or collection item (a string or
// comment lexed wrongly would hide or invent some).
TEST(PasParserCorpusTest, TextFormsRoundTrip) {
  ZAN_REQUIRE_CORPUS();
  size_t forms = 0;
  size_t chars = 0;
  std::u16string joined;
  for (const auto& path : test::CorpusFiles({".dfm"})) {
    const std::string bytes = test::ReadFileBytes(path);
    if (test::IsBinaryForm(bytes)) continue;
    const std::u16string text = DecodeForm(bytes);
    SCOPED_TRACE(path.string());
    TPasParser lexer;
    lexer.SetTextRef(text);
    joined.clear();
    int opened = 0;
    int ends = 0;
    int first = lexEnd;
    int previous = lexEnd;
    size_t offset = 0;
    for (const TLexeme* lex = &lexer.Next(); lex->Code != lexEnd; lex = &lexer.Next()) {
      ASSERT_EQ(lex->Start, offset);
      offset += lex->Length;
      joined += lex->Text;
      if (first == lexEnd && lex->Code != lexBlank && lex->Code != lexComment) first = lex->Code;
      if (lex->Code == kwObject || lex->Code == kwInherited || lex->Code == kwInline) ++opened;
      if (lex->Code == kwEnd) ++ends;
      // "item" alone on its line opens a collection item; "Item = x" and
      // "OptionsView.Item.Text" are property names.
      if (previous == kwItem && lex->Code == lexBlank &&
          lex->Text.find_first_of(u"\r\n") != std::u16string_view::npos)
        ++opened;
      previous = lex->Code;
    }
    ASSERT_TRUE(joined == text) << "joined lexemes differ from the input";
    EXPECT_TRUE(first == kwObject || first == kwInherited || first == kwInline) << first;
    EXPECT_EQ(opened, ends);
    ++forms;
    chars += text.size();
  }
  EXPECT_GE(forms, 1500u);
  std::printf("[ corpus   ] %zu text forms, %zu characters\n", forms, chars);
}

}  // namespace
}  // namespace zan
