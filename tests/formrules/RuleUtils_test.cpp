// The shared routines: taking form values apart and putting strings together.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"
#include "formrules/RuleUtils.h"
#include "formrules/ZanFormParser.h"
#include "rtl/Strings.h"

namespace zan::test {
namespace {

std::string U8(std::u16string_view s) {
  return Utf16ToUtf8(s);
}

TEST(RuleUtilsTest, UnwrapValue) {
  const struct {
    const char16_t* In;
    const char16_t* Out;
  } cases[] = {
      {u"", u""},
      {u"''", u""},
      {u"()", u""},
      {u"   ", u" "},  // the first loop stops one short of the end
      {u"'abc'", u"abc"},
      {u"(x)", u"x"},
      {u"'x)", u"x"},  // the delimiters need not match
      {u"abc", u"abc"},
      {u"'", u""},
      {u"(", u""},
      {u")", u""},
      {u"\x01\t 'a''b' \r\n", u"a''b"},  // doubled quotes stay doubled
      {u"'(x)'", u"(x)"},                // one delimiter on each side only
      {u"(\r\n    'A=1'\r\n    'B=2')", u"'A=1'\r\n    'B=2'"},
      {u"( \r\n )", u""},
      {u"\0x\0", u"\0x\0"},  // NUL is no blank
  };
  for (const auto& c : cases) EXPECT_EQ(U8(UnwrapValue(c.In)), U8(c.Out)) << U8(c.In);
  EXPECT_EQ(UnwrapValue(std::u16string_view(u"\0x\0", 3)), std::u16string(u"\0x\0", 3));
}

TEST(RuleUtilsTest, NormalizeParams) {
  TStringList list;
  list.SetText(u"''\r\n()\r\n   \r\n'A=1'\r\n\r\n  'B = 2'  ");
  EXPECT_TRUE(NormalizeParams(list));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], u" ");  // a line of blanks survives as one blank
  EXPECT_EQ(list[1], u"A=1");
  EXPECT_EQ(list[2], u"B = 2");

  list.SetText(u"''\r\n\r\n()");
  EXPECT_FALSE(NormalizeParams(list));
  EXPECT_EQ(list.Count(), 0);
}

TEST(RuleUtilsTest, IsOneOfIgnoresAsciiCaseOnly) {
  EXPECT_TRUE(IsOneOf(u"options.charset", {u"Schema", u"Options.Charset"}));
  EXPECT_FALSE(IsOneOf(u"Options.Charse", {u"Options.Charset"}));
  EXPECT_FALSE(IsOneOf(u"", {u"A"}));
}

TEST(RuleUtilsTest, FormStrings) {
  const struct {
    const char16_t* Form;    // a string expression of form text
    const char16_t* Text;    // what it reads as
    const char16_t* Quoted;  // how FormQuoted writes the text back
  } cases[] = {
      {u"'abc'", u"abc", u"'abc'"},
      {u"'it''s'", u"it's", u"'it''s'"},
      {u"''", u"", u"''"},
      {u"'a'#13#10'b'", u"a\r\nb", u"'a'#13#10'b'"},
      {u"#$41'b'", u"Ab", u"'Ab'"},
      {u"  'one ' +\r\n    'two'  ", u"one two", u"'one two'"},
      {u"'x'#1046", u"x\u0416", u"'x'#1046"},
      {u"#233", u"\u00e9", u"#233"},
  };
  for (const auto& c : cases) {
    std::u16string text;
    EXPECT_TRUE(DecodeFormString(c.Form, text)) << U8(c.Form);
    EXPECT_EQ(U8(text), U8(c.Text)) << U8(c.Form);
    EXPECT_EQ(U8(FormQuoted(c.Text)), U8(c.Quoted));
    // The body between a pair of quotes reads back as the text.
    std::u16string quoted = u"'";
    quoted += FormStringBody(c.Text);
    quoted += u"'";
    EXPECT_TRUE(DecodeFormString(quoted, text));
    EXPECT_EQ(U8(text), U8(c.Text));
  }
  for (const char16_t* bad :
       {u"", u"abc", u"'abc", u"'a' +", u"'a' 'b'", u"#", u"#$", u"#70000", u"'a\r\nb'"}) {
    std::u16string text;
    EXPECT_FALSE(DecodeFormString(bad, text)) << U8(bad);
  }
}

TEST(RuleUtilsTest, StringListItems) {
  std::vector<std::u16string_view> items;
  ASSERT_TRUE(SplitFormStringList(u" (\r\n  'a'\r\n  'b' +\r\n    'c'#13\r\n  '' ) ", items));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0], u"'a'");
  EXPECT_EQ(items[1], u"'b' +\r\n    'c'#13");
  EXPECT_EQ(items[2], u"''");
  EXPECT_TRUE(SplitFormStringList(u"()", items));
  EXPECT_TRUE(items.empty());
  for (const char16_t* bad : {u"'a'", u"('a'", u"('a''b' x)", u"('a'x)", u"(a)"})
    EXPECT_FALSE(SplitFormStringList(bad, items)) << U8(bad);
}

TEST(RuleUtilsTest, ParamListFallsBackToLines) {
  // Not a string list: read line by line as the parameter routine does.
  TStringList params = ReadParamList(u"(\r\n  'A=1'\r\n  B=2 x)");
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params[0], u"A=1");
  EXPECT_EQ(params[1], u"B=2 x");
}

TEST(RuleUtilsTest, BooleanValues) {
  for (const char16_t* t : {u"True", u"TRUE", u"true", u"1", u"-1", u"$10"})
    EXPECT_TRUE(ReadBooleanValue(t, u"O", u"P")) << U8(t);
  for (const char16_t* f : {u"False", u"fALSE", u"0", u"00"})
    EXPECT_FALSE(ReadBooleanValue(f, u"O", u"P")) << U8(f);
  for (const char16_t* bad : {u"", u"Yes", u"'True'", u" True", u"1.5"})
    EXPECT_THROW(ReadBooleanValue(bad, u"O", u"P"), EPropertyValueError) << U8(bad);
}

// The option list and the first-entry lookup, on a parser in the middle of
// an object (the options must keep their order and stay in one entry).
class OptionList : public TZanFormParser {
 public:
  void ConvertProperty(const std::u16string& name, const std::u16string& value) override {
    if (name == u"A") AddSpecificOption(u"SQL Server", u"Options.FlushInterval", value, u"Compact");
    if (name == u"B") AddSpecificOption(u"MySQL", u"SSLOptions.Key", value, u"SSL");
    if (name == u"C") AddSpecificOption(u"", u"Options.SSLOptions.X", value, u"");
    if (name == u"P") AddProperty(u"ProviderName", value);
  }
};

TEST(RuleUtilsTest, SpecificOptionsAndAddedValues) {
  OptionList parser;
  const std::u16string text =
      u"object O: T\r\n  A = 10\r\n  P = 'it''s'\r\n  B = k\r\n  C = 1\r\n  P = 'x'\r\nend\r\n";
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  // Once the object is read, the (first) provider goes first.
  EXPECT_EQ(DumpOutput(parser),
            "ProviderName = 'it''s'\nSpecificOptions.Strings = (|'SQL Server.CompactFlushInterval="
            "10'|'MySQL.SSLKey=k'|'.X=1'|)\nProviderName = 'x'");
  EXPECT_EQ(parser.GetAddedPropValue(u"ProviderName"), u"it's");
  EXPECT_EQ(parser.GetAddedPropValue(u"providername"), u"");
}

}  // namespace
}  // namespace zan::test
