#include <gtest/gtest.h>

#include "rtl/Encoding.h"
#include "rtl/StringList.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {
namespace {

TEST(Utf, RoundTripsAndRejectsMalformed) {
  const std::string samples[] = {"",
                                 "abc",
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e",
                                 "\xE2\x82\xAC",
                                 "\xF0\x9F\x98\x80 emoji",
                                 "\xD0\x9F\xD1\x80\xD0\xB8"};
  for (const auto& s : samples) {
    EXPECT_TRUE(IsValidUtf8(s)) << s;
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  }
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);  // surrogate pair
  for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xFF", "a\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad.size();
    EXPECT_NE(Utf8ToUtf16(bad).find(char16_t{0xFFFD}), std::u16string::npos);
  }
}

TEST(Utf, EncodesEveryLengthAndMarksUnpairedSurrogates) {
  const struct {
    std::u16string text;
    std::string utf8;
    bool paired;
  } cases[] = {
      {u"\x7F\x80\x7FF\x800\xFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", true},
      {u"\xD83D\xDE00\xDBFF\xDFFF", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", true},
      {u"a\xD800", "a\xEF\xBF\xBD", false},                  // high at the end
      {u"\xDC00z", "\xEF\xBF\xBDz", false},                  // low alone
      {u"\xDC00\xD800", "\xEF\xBF\xBD\xEF\xBF\xBD", false},  // a pair the wrong way round
      {u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf16ToUtf8(c.text), c.utf8);
    std::string appended = "x";
    EXPECT_EQ(AppendUtf8(c.text, appended), c.paired);
    EXPECT_EQ(appended, "x" + c.utf8);
  }
}

TEST(Case, AsciiAndLocaleFolding) {
  EXPECT_EQ(LowerCase(u"ÄBC"), u"Äbc");  // ASCII only
  EXPECT_EQ(AnsiLowerCase(u"ÄBCДЖ"), u"äbcдж");
  EXPECT_EQ(AnsiUpperCase(u"straße"), u"STRAßE");  // length kept
  EXPECT_TRUE(AnsiSameText(u"TQUERY", u"tQuery"));
  EXPECT_TRUE(AnsiSameText(u"Ähnlich", u"äHNLICH"));
  EXPECT_FALSE(SameText(u"Ä", u"ä"));
  EXPECT_LT(AnsiCompareText(u"abc", u"ABD"), 0);
  EXPECT_TRUE(IsLetter(u'Ж'));
  EXPECT_FALSE(IsLetter(u'1'));
}

TEST(Numbers, ParseLikeTheHost) {
  int64_t v = 0;
  EXPECT_TRUE(TryStrToInt(u"-42", v));
  EXPECT_EQ(v, -42);
  EXPECT_TRUE(TryStrToInt(u"$FF", v));
  EXPECT_EQ(v, 255);
  EXPECT_FALSE(TryStrToInt(u"12a", v));
  EXPECT_FALSE(TryStrToInt(u"99999999999999999999", v));
  EXPECT_EQ(StrToIntDef(u"", 7), 7);
  EXPECT_EQ(IntToStr(-9), u"-9");
}

// The step-wise search must agree with find at every alignment, length and
// start, also for characters whose bytes look like the needle's.
TEST(FindChar, AgreesWithFindEverywhere) {
  for (size_t length = 0; length <= 40; ++length) {
    for (size_t at = 0; at <= length; ++at) {
      std::u16string text(length, u'7');
      for (size_t i = 0; i < length; ++i) text[i] = i % 2 ? u'\u7D00' : u'\u007C';
      if (at < length) text[at] = u'}';
      for (size_t from = 0; from <= length + 1; ++from)
        ASSERT_EQ(FindChar(text, u'}', from), text.find(u'}', from))
            << length << " " << at << " " << from;
    }
  }
  EXPECT_EQ(FindChar(u"ab\uFFFFc\uFFFF", u'\uFFFF', 3), 4u);
}

TEST(AnsiCodePages, Cp1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const auto text = AnsiToUnicode(all, 1252);
  EXPECT_EQ(text[0x80], char16_t{0x20AC});
  EXPECT_EQ(text[0x81], char16_t{0x81});
  bool lossless = false;
  EXPECT_EQ(UnicodeToAnsi(text, 1252, &lossless), all);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(UnicodeToAnsi(u"a\u0416\U0001F600b", 1252, &lossless), "a??b");
  EXPECT_FALSE(lossless);
}

TEST(AnsiCodePages, OtherSingleAndMultiByte) {
  EXPECT_EQ(AnsiToUnicode("\xC0", 1251), u"\u0410");
  EXPECT_EQ(UnicodeToAnsi(u"\u0410", 1251), "\xC0");
  const std::string sjis = "\x93\xFA\x96\x7B";  // "日本" in Shift-JIS
  EXPECT_EQ(AnsiToUnicode(sjis, 932), u"日本");
  EXPECT_EQ(UnicodeToAnsi(u"日本", 932), sjis);
  EXPECT_EQ(UnicodeToAnsi(u"中文", 936), "\xD6\xD0\xCE\xC4");
  EXPECT_TRUE(AnsiRoundTrips(sjis, 932));
  EXPECT_FALSE(AnsiRoundTrips("\x93", 932));  // truncated lead byte
  EXPECT_THROW(AnsiToUnicode("x", 99999), EEncodingError);
  EXPECT_THROW(SetAnsiCodePage(99999), EEncodingError);
}

TEST(Utf16LE, BytesAndOddLength) {
  EXPECT_EQ(Utf16LEToUnicode(std::string("a\0\x16\x04", 4)), u"a\u0416");
  EXPECT_EQ(UnicodeToUtf16LE(u"a\u0416"), std::string("a\0\x16\x04", 4));
  EXPECT_THROW(Utf16LEToUnicode("abc"), EEncodingError);
}

TEST(StringList, SortedCaseInsensitiveIgnoresDuplicates) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add(u"Unit2.pas"), 0);
  EXPECT_EQ(list.Add(u"unit1.PAS"), 0);
  EXPECT_EQ(list.Add(u"UNIT2.PAS"), 1);  // the existing item
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1], u"Unit2.pas");
  EXPECT_EQ(list.IndexOf(u"UNIT1.pas"), 0);
  EXPECT_EQ(list.IndexOf(u"Unit3.pas"), -1);
}

TEST(StringList, NameValueLinesIgnoreCase) {
  TStringList list;
  list.SetText(u"DatabaseName=Main\r\nUSER NAME=sysdba\nPassword=x=y\rnoequals");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Values(u"user name"), u"sysdba");
  EXPECT_EQ(list.Values(u"PASSWORD"), u"x=y");
  EXPECT_EQ(list.IndexOfName(u"noequals"), -1);
  EXPECT_EQ(list.Names(0), u"DatabaseName");
  list.SetValue(u"databasename", u"Other");
  EXPECT_EQ(list[0], u"databasename=Other");
  list.SetValue(u"Password", u"");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Text(), u"databasename=Other\r\nUSER NAME=sysdba\r\nnoequals\r\n");
}

TEST(StringList, TextSplitsAtEveryLineBreak) {
  TStringList list;
  const std::pair<std::u16string, int> cases[] = {{u"", 0},       {u"a", 1},      {u"a\r\n", 1},
                                                  {u"a\n\nb", 3}, {u"a\r\rb", 3}, {u"\r\n\r\n", 2}};
  for (const auto& [text, count] : cases) {
    list.SetText(text);
    EXPECT_EQ(list.Count(), count) << Utf16ToUtf8(text);
  }
}

struct Tracked : TObject {
  explicit Tracked(int* alive) : alive(alive) { ++*alive; }
  ~Tracked() override { --*alive; }
  int* alive;
};

TEST(StringList, OwnsObjectsGivenByUniquePtr) {
  int alive = 0;
  {
    TStringList list;
    list.AddObject(u"a", std::make_unique<Tracked>(&alive));
    list.AddObject(u"b", std::make_unique<Tracked>(&alive));
    EXPECT_EQ(alive, 2);
    list.Delete(0);
    EXPECT_EQ(alive, 1);
    TStringList copy(list);  // shares, does not double-free
    EXPECT_EQ(copy.Objects(0), list.Objects(0));
  }
  EXPECT_EQ(alive, 0);
}

TEST(Assertions, NameTheirSource) {
  try {
    Assert(false, "MigWizard\\LL1Parser");
    FAIL();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "Assertion failure (MigWizard\\LL1Parser)");
  }
}

}  // namespace
}  // namespace zan
