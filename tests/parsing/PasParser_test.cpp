// The Pascal lexer: one-line tables of input and a compact dump of the lexemes,
// the character classes and tables, and the text/position API.
#include "parsing/PasParser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "rtl/Strings.h"

namespace zan {
namespace {

// The lexeme text as UTF-8 with line breaks, tabs and control characters escaped.
std::string Escaped(std::u16string_view text) {
  std::string out;
  for (char ch : Utf16ToUtf8(text)) {
    static const char* const kNamed[] = {"\\t", "\\n", "", "", "\\r"};
    char buf[8];
    if (ch >= 9 && ch <= 13 && *kNamed[ch - 9])
      out += kNamed[ch - 9];
    else if (ch >= 0 && ch < ' ' && std::snprintf(buf, sizeof buf, "\\x%02X", ch))
      out += buf;
    else
      out += ch;
  }
  return out;
}

std::string KindName(int code) {
  for (auto [kind, name] : {std::pair{lexIdent, "id"},
                            {lexString, "str"},
                            {lexComment, "com"},
                            {lexBlank, "bl"},
                            {lexNumber, "num"},
                            {lexChar, "ch"}})
    if (code == kind) return name;
  return (code >= kwEnd ? "kw" : "sym") + std::to_string(code);
}

// Lexes `input` to the end and returns "kind:text|kind:text|...". Checks on the
// way what must hold for every input: each lexeme starts where the one before
// ended (so PrevPos is the sum of the previous lengths), the texts joined give
// back the input when quotes are kept, both GetNext forms agree with Next, and
// the end stays the end.
std::string Dump(std::u16string_view input, bool keepQuotes = true) {
  TPasParser lexer{std::u16string(input)};
  TPasParser copying{std::u16string(input)};
  lexer.SetKeepQuotes(keepQuotes);
  copying.SetKeepQuotes(keepQuotes);
  std::string dump;
  std::u16string joined;
  std::u16string text;
  size_t offset = 0;
  for (size_t guard = 0; guard <= input.size(); ++guard) {
    const TLexeme& lex = lexer.Next();
    EXPECT_EQ(lex.Start, offset) << "lexeme " << guard;
    EXPECT_EQ(lexer.PrevPos(), offset);
    EXPECT_EQ(copying.GetNext(text), lex.Code);
    EXPECT_EQ(text, lex.Text);
    if (lex.Code == lexEnd) {
      EXPECT_TRUE(lex.Text.empty());
      EXPECT_EQ(offset, input.size());
      if (keepQuotes) {
        EXPECT_EQ(joined, input) << "joined lexemes differ from the input";
      }
      EXPECT_EQ(lexer.Next().Code, lexEnd);
      EXPECT_EQ(lexer.PrevPos(), offset);
      return dump;
    }
    EXPECT_GT(lex.Length, 0u);
    offset += lex.Length;
    joined += lex.Text;
    if (!dump.empty()) dump += '|';
    dump += KindName(lex.Code) + ":" + Escaped(lex.Text);
  }
  ADD_FAILURE() << "more lexemes than characters";
  return dump;
}

std::u16string U(const char* utf8) {
  return Utf8ToUtf16(utf8);
}

struct TCase {
  const char* input;  // UTF-8
  const char* dump;
};

const TCase kCases[] = {
    {"", ""},
    {"uses DB;", "kw33:uses|bl: |id:DB|sym16:;"},
    {"Uses Windows, DBTables, Forms;",
     "kw33:Uses|bl: |id:Windows|sym11:,|bl: |id:DBTables|sym11:,|bl: |id:Forms|sym16:;"},
    // Keywords in any case, whole words only.
    {"OBJECT Object object oBjEcT",
     "kw32:OBJECT|bl: |kw32:Object|bl: |kw32:object|bl: |kw32:oBjEcT"},
    {"inherited INHERITED Inherited1", "kw29:inherited|bl: |kw29:INHERITED|bl: |id:Inherited1"},
    {"inline item ITEMS end_ _end End.",
     "kw30:inline|bl: |kw31:item|bl: |id:ITEMS|bl: |id:end_|bl: "
     "|id:_end|bl: |kw28:End|sym13:."},
    {"EndPage Uses1 usesX", "id:EndPage|bl: |id:Uses1|bl: |id:usesX"},
    {"object Form1: TForm1\r\n  Left = 0\r\nend",
     "kw32:object|bl: |id:Form1|sym15::|bl: |id:TForm1|bl:\\r\\n  |id:Left|bl: |sym18:=|bl: "
     "|num:0|bl:\\r\\n|kw28:end"},
    {"object T: TX [0]\n",
     "kw32:object|bl: |id:T|sym15::|bl: |id:TX|bl: |sym22:[|num:0|sym24:]|bl:\\n"},
    // Dotted names are identifiers separated by ".".
    {"DBTables.TQuery", "id:DBTables|sym13:.|id:TQuery"},
    {"FireDAC.Stan.Intf;", "id:FireDAC|sym13:.|id:Stan|sym13:.|id:Intf|sym16:;"},
    // Strings: doubled apostrophes stay inside; unterminated ends at the line end.
    {"'it''s'", "str:'it''s'"},
    {"''", "str:''"},
    {"''''", "str:''''"},
    {"'''", "str:'''"},
    {"'a'#13#10'b'", "str:'a'|sym3:#|num:13|sym3:#|num:10|str:'b'"},
    {"#$0D", "sym3:#|num:$0D"},
    {"'abc", "str:'abc"},
    {"'abc\r\nx'", "str:'abc|bl:\\r\\n|id:x|str:'"},
    {"'a\nb", "str:'a|bl:\\n|id:b"},
    {"'{not a comment}' // x", "str:'{not a comment}'|bl: |com:// x"},
    {"\"x\"", "sym2:\"|id:x|sym2:\""},
    // Comments: braces, "(* *)", "//"; unterminated ones run to the end of the text.
    {"{$R *.dfm}", "com:{$R *.dfm}"},
    {"{$R *.DFM}\r\n{$RESOURCE Main.dfm}", "com:{$R *.DFM}|bl:\\r\\n|com:{$RESOURCE Main.dfm}"},
    {"{ open\r\n end", "com:{ open\\r\\n end"},
    {"{a}}", "com:{a}|ch:}"},
    {"{ 'x }'", "com:{ 'x }|str:'"},
    {"(* a { b *) c", "com:(* a { b *)|bl: |id:c"},
    {"(*)", "com:(*)"},
    {"(*)*)x", "com:(*)*)|id:x"},
    {"(* open\n", "com:(* open\\n"},
    {"( *)", "sym7:(|bl: |sym9:*|sym8:)"},
    {"// line\r\nx", "com:// line|bl:\\r\\n|id:x"},
    {"a//b", "id:a|com://b"},
    {"//", "com://"},
    {"a/b", "id:a|sym14:/|id:b"},
    {"{ x // }\ny", "com:{ x // }|bl:\\n|id:y"},
    {"// { \n}", "com:// { |bl:\\n|ch:}"},
    // Numbers: "$" is a number character, never a symbol.
    {"#13", "sym3:#|num:13"},
    {"$FF $ff $", "num:$FF|bl: |num:$ff|bl: |num:$"},
    {"$1E+5", "num:$1E|sym10:+|num:5"},
    {"1.5E+10 2e-3 1..9", "num:1.5E+10|bl: |num:2e-3|bl: |num:1|sym13:.|sym13:.|num:9"},
    {"100.000000000000000000 3.e", "num:100.000000000000000000|bl: |num:3|sym13:.|id:e"},
    {"x1 1x", "id:x1|bl: |num:1|id:x"},
    // Identifiers hold any letter; other characters come one by one.
    {"Größe: TÄnderung", "id:Größe|sym15::|bl: |id:TÄnderung"},
    {"Имя1:='x';", "id:Имя1|sym15::|sym18:=|str:'x'|sym16:;"},
    {"a€b", "id:a|ch:€|id:b"},
    {"x😀y", "id:x|ch:😀|id:y"},
    {"~|}", "ch:~|ch:||ch:}"},
    {"_", "id:_"},
    // Blanks: runs of spaces, tabs, line breaks and control characters.
    {"\t \r\n\r\n  x", "bl:\\t \\r\\n\\r\\n  |id:x"},
};

TEST(PasParserTest, LexemeTable) {
  for (const TCase& c : kCases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(Dump(U(c.input)), c.dump);
  }
}

// Texts that UTF-8 literals cannot hold: NUL, lone surrogates.
TEST(PasParserTest, ControlCharactersAndLoneSurrogates) {
  EXPECT_EQ(Dump(std::u16string(u"a\0b\x1A", 4)), "id:a|bl:\\x00|id:b|bl:\\x1A");
  EXPECT_EQ(Dump(u"\xDC00\xD800"), "ch:\xEF\xBF\xBD|ch:\xEF\xBF\xBD");  // each alone
}

// With quote-keeping off a string lexeme is the literal's content; the spans
// still cover the input (Dump checks them).
const TCase kQuotesOffCases[] = {
    {"'Sales'", "str:Sales"},
    {"DatabaseName = 'DB1'", "id:DatabaseName|bl: |sym18:=|bl: |str:DB1"},
    {"'it''s'", "str:it''s"},
    {"''", "str:"},
    {"'''", "str:''"},
    {"'abc\r\n", "str:abc|bl:\\r\\n"},
    {"'a'#39'b'", "str:a|sym3:#|num:39|str:b"},
    {"{'c'}", "com:{'c'}"},
};

TEST(PasParserTest, QuotesOffTable) {
  for (const TCase& c : kQuotesOffCases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(Dump(U(c.input), /*keepQuotes=*/false), c.dump);
  }
}

TEST(PasParserTest, CharacterClasses) {
  const std::u16string symbols = u"!\"#%&'()*+,-./:;<=>?@[\\]^`{|}~";
  const std::u16string numbers = u"$0123456789ABCDEFabcdef";
  TPasParser lexer;
  for (uint32_t i = 0; i <= 0xFFFF; ++i) {
    const char16_t ch = static_cast<char16_t>(i);
    ASSERT_EQ(lexer.IsSymbolChar(ch), symbols.find(ch) != std::u16string::npos) << i;
    ASSERT_EQ(lexer.IsNumberChar(ch), numbers.find(ch) != std::u16string::npos) << i;
    ASSERT_EQ(lexer.IsStringQuote(ch), ch == u'\'') << i;
  }
}

TEST(PasParserTest, EverySymbolLexesToItsCode) {
  const TLexemList& table = PasSymbols();
  ASSERT_EQ(table.Count(), 27);
  for (int i = 0; i < table.Count(); ++i) {
    const TLexemList::TItem& item = table.Item(i);
    TPasParser lexer(item.Text);
    std::u16string text;
    const int code = lexer.GetNext(text);
    EXPECT_EQ(text, item.Text);
    if (item.Text == u"'") {
      EXPECT_EQ(code, lexString);
    } else if (item.Text == u"_") {
      EXPECT_EQ(code, lexIdent);
    } else {
      EXPECT_EQ(code, item.Code) << Escaped(item.Text);
    }
  }
}

TEST(PasParserTest, GetNextReusesTheCallersString) {
  TPasParser lexer(u"{" + std::u16string(200, u'x') + u"} a bb ccc");
  std::u16string text;
  ASSERT_EQ(lexer.GetNext(text), lexComment);
  const char16_t* buffer = text.data();
  while (lexer.GetNext(text) != lexEnd) EXPECT_EQ(text.data(), buffer);
}

// SetText, SetTextRef and SetPos start over; settings stay; offsets are
// relative to the text given, and SetPos never leaves it.
TEST(PasParserTest, RestartingKeepsSettings) {
  const std::u16string form = u"object A: TA\nend\nobject B: TB 'q'";
  TPasParser lexer(u"'x'");
  lexer.SetKeepQuotes(false);
  std::u16string_view text;
  lexer.SetTextRef(form);  // lexed in place
  EXPECT_EQ(lexer.GetNext(text), kwObject);
  EXPECT_EQ(text.data(), form.data());
  lexer.SetText(form);
  lexer.SetTextRef(lexer.Text().substr(17));  // a part of its own text
  EXPECT_EQ(lexer.PrevPos(), 0u);
  for (int code : {kwObject, lexBlank, lexIdent, symColon, lexBlank, lexIdent, lexBlank})
    EXPECT_EQ(lexer.GetNext(text), code);
  EXPECT_EQ(lexer.GetNext(text), lexString);
  EXPECT_EQ(text, u"q");
  EXPECT_EQ(lexer.PrevPos(), 13u);

  lexer.SetText(form);
  const size_t n = form.size();
  const std::pair<int64_t, size_t> kRestarts[] = {
      {17, 17}, {-5, 0}, {int64_t(n), n}, {1000, n}, {(int64_t{1} << 32) + 3, n}};  // no wrap
  for (auto [pos, expected] : kRestarts) {
    lexer.SetPos(pos);
    EXPECT_EQ(lexer.GetNext(text), expected == n ? lexEnd : kwObject) << pos;
    EXPECT_EQ(lexer.PrevPos(), expected) << pos;
  }
}

// The base lexer's own defaults: blanks and comments skipped, identifiers
// upper-cased, strings without quotes; settings changed later take effect.
TEST(LxParserTest, BaseDefaultsAndLaterSettings) {
  TParser lexer(u"uses  db { c } (* d *) // e\n 'x'; Ä_1 {y}");
  lexer.SetSymbols(&PasSymbols());
  lexer.SetKeywords(&PasKeywords());
  lexer.SetBlockComment(u'{', u'}');
  std::string dump;
  for (int i = 0; i < 5; ++i) {
    const TLexeme& lex = lexer.Next();
    dump += KindName(lex.Code) + ":" + Escaped(lex.Text) + "|";
  }
  EXPECT_EQ(dump, "kw33:USES|id:DB|str:x|sym16:;|id:Ä_1|");
  lexer.SetBlockComment(0, 0);
  EXPECT_EQ(lexer.Next().Code, lexChar);  // "{" is in no table now
  EXPECT_EQ(lexer.Last().Text, u"{");
}

TEST(LxParserTest, LexemListLookup) {
  TLexemList table;  // ignores ASCII case
  table.Add(u"USES", 1);
  table.Add(u"END", 2);
  table.Add(u"end", 3);  // a second spelling of END: the first added wins
  int code = -1;
  EXPECT_TRUE(table.Find(u"EnD", code) && code == 2);  // unsorted: searched linearly
  table.Sort();
  for (auto [text, expected] : {std::pair{u"uses", 1}, {u"END", 2}, {u"end", 2}})
    EXPECT_TRUE(table.Find(text, code) && code == expected) << Escaped(text);
  for (const char16_t* miss : {u"", u"use", u"usesx", u"and", u"ÉND", u"x"})
    EXPECT_FALSE(table.Find(miss, code)) << Escaped(miss);

  TLexemList exact(/*caseSensitive=*/true);
  exact.Add(u"Ä", 7);
  exact.Add(u"b", 8);
  exact.Sort();
  EXPECT_TRUE(exact.Find(u"Ä", code) && code == 7);
  EXPECT_FALSE(exact.Find(u"ä", code) || exact.Find(u"B", code));
}

}  // namespace
}  // namespace zan
