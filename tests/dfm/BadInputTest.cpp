// Malformed, truncated and hostile input: a clear error naming the file and
// the offset (binary) or the line (text), never a read past the data.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "common/TestUtil.h"
#include "dfm/FormTestUtil.h"
#include "rtl/dfm/FormFile.h"

namespace zan {
namespace {

using test::Hex;

const std::string kValid =
    Hex("'TPF0' 06 'TForm1' 05 'Form1' 07 'Caption' 14 02 00 00 00 C3 A9"
        " 05 'Items' 01 0C 01 00 00 00 'x' 0A 02 00 00 00 AB CD 00"
        " 04 'Prop' 0E 01 01 'A' 0B 01 'a' 00 00 00"
        " 00 F3 02 01 06 'TLabel' 02 'L1' 00 00 00");

TEST(FormBadInput, EveryTruncationIsAnErrorWithItsOffset) {
  ASSERT_NO_THROW(ObjectBinaryToText(kValid));
  TFormConvertOptions options;
  options.FileName = "Unit1.dfm";
  for (size_t n = 0; n < kValid.size(); ++n) {
    SCOPED_TRACE(n);
    // A copy of exactly n bytes, so that reading past it is caught by ASan too.
    std::unique_ptr<char[]> cut(new char[n + 1]);
    std::memcpy(cut.get(), kValid.data(), n);
    try {
      ObjectBinaryToText(std::string_view(cut.get(), n), options);
      ADD_FAILURE() << "no error";
    } catch (const EFormStreamError& e) {
      EXPECT_LE(e.Offset(), n);
      EXPECT_EQ(std::string(e.what()).rfind("Unit1.dfm: ", 0), 0u) << e.what();
    }
  }
}

TEST(FormBadInput, MalformedStreamsNameWhatAndWhere) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Message;
  } cases[] = {
      {"signature", Hex("'TPF1' 00 00 00 00"),
       "F.dfm: Invalid stream format: signature TPF0 expected at offset 0"},
      {"unknown value type", test::FormWithValue(Hex("63")),
       "F.dfm: Unknown value type 99 at offset 14"},
      {"negative length", test::FormWithValue(Hex("0C FF FF FF FF")),
       "F.dfm: Negative length at offset 15"},
      {"length beyond the data", test::FormWithValue(Hex("0A 00 00 00 10 01 02")),
       "F.dfm: Length exceeds the data at offset 15"},
      {"wide length beyond the data", test::FormWithValue(Hex("12 05 00 00 00 41 00 42 00")),
       "F.dfm: Length exceeds the data at offset 15"},
      {"short string beyond the data", Hex("'TPF0' 06 'TForm'"),
       "F.dfm: Unexpected end of stream at offset 10"},
      {"child position not an integer", Hex("'TPF0' F2 06 00 06 'TForm1' 00 00 00"),
       "F.dfm: Invalid child position at offset 5"},
      {"collection item without list", test::FormWithValue(Hex("0E 02 01 05 00")),
       "F.dfm: List expected at offset 17"},
      {"data after the stream", Hex("'TPF0' 05 'TForm' 00 00 00 FF"),
       "F.dfm: Unexpected data after the end of the component stream at offset 13"},
      // Names and identifiers that form text could not give back.
      {"empty class name", Hex("'TPF0' 00 01 'F' 00 00"),
       "F.dfm: Name that form text cannot hold at offset 4"},
      {"object name with a blank", Hex("'TPF0' 05 'TForm' 03 'F 1' 00 00"),
       "F.dfm: Name that form text cannot hold at offset 10"},
      {"property name with a blank", Hex("'TPF0' 05 'TForm' 01 'F' 03 'A B' 02 01 00 00"),
       "F.dfm: Name that form text cannot hold at offset 12"},
      {"property name with an empty part", Hex("'TPF0' 05 'TForm' 01 'F' 04 'A..B' 02 01 00 00"),
       "F.dfm: Name that form text cannot hold at offset 12"},
      {"identifier starting with a digit", test::FormWithValue(Hex("07 02 '1x'")),
       "F.dfm: Identifier that form text cannot hold at offset 14"},
      {"empty identifier", test::FormWithValue(Hex("07 00")),
       "F.dfm: Identifier that form text cannot hold at offset 14"},
      {"set element with a control character", test::FormWithValue(Hex("0B 02 'a' 01 00")),
       "F.dfm: Name that form text cannot hold at offset 15"},
  };
  TFormConvertOptions options;
  options.FileName = "F.dfm";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      ObjectBinaryToText(c.Bytes, options);
      ADD_FAILURE() << "no error";
    } catch (const EFormStreamError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
}

// Text gives a name of code-page characters back as UTF-8 and takes no name
// longer than a short string (255 bytes), so the binary reader refuses such a
// name of any kind: one of 85 bullets (U+2022, 3 bytes each) is read and
// converted back to the same stream, one of 86 is "Name too long".
TEST(FormBadInput, NamesTextWouldGiveBackTooLongAreRefused) {
  TFormConvertOptions options;
  options.FileName = "F.dfm";
  options.CodePage = 1252;
  const auto bullets = [](size_t n) { return test::Short(std::string(n, '\x95')); };
  const struct {
    const char* Kind;
    std::string (*Stream)(const std::string& name);
    const char* Message;
  } kinds[] = {
      {"class name", [](const std::string& n) { return "TPF0" + n + Hex("01 'F' 00 00"); },
       "F.dfm: Name too long at offset 4"},
      {"object name",
       [](const std::string& n) { return "TPF0" + Hex("01 'T'") + n + Hex("00 00"); },
       "F.dfm: Name too long at offset 6"},
      {"property name",
       [](const std::string& n) { return "TPF0" + Hex("01 'T' 01 'F'") + n + Hex("02 01 00 00"); },
       "F.dfm: Name too long at offset 8"},
      {"set element", [](const std::string& n) { return test::FormWithValue("\x0B" + n + '\0'); },
       "F.dfm: Name too long at offset 15"},
      {"identifier", [](const std::string& n) { return test::FormWithValue("\x07" + n); },
       "F.dfm: Identifier too long at offset 14"},
  };
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.Kind);
    const std::string longest = k.Stream(bullets(85));
    TFormStreamInfo info;
    const std::u16string text = ObjectBinaryToText(longest, options, &info);
    EXPECT_EQ(ObjectTextToBinary(text, options, &info), longest);
    try {
      ObjectBinaryToText(k.Stream(bullets(86)), options);
      ADD_FAILURE() << "no error";
    } catch (const EFormStreamError& e) {
      EXPECT_STREQ(e.what(), k.Message);
    }
  }
}

// The input of the binary form fuzz target whose object name (149 bytes of
// code-page text, 335 bytes as UTF-8) text could not give back.
TEST(FormBadInput, FuzzInputNameTooLongIsRefused) {
  const auto path = test::FuzzInput("dfm-name-too-long.bin");
  if (path.empty())
    GTEST_SKIP() << "shared/fuzz/dfm-name-too-long.bin not found (set ZAN_SHARED_DIR)";
  TFormConvertOptions options;
  options.FileName = "fuzz.dfm";
  options.CodePage = 1252;
  try {
    ReadBinaryForm(test::ReadFileBytes(path), options);
    ADD_FAILURE() << "no error";
  } catch (const EFormStreamError& e) {
    EXPECT_STREQ(e.what(), "fuzz.dfm: Name too long at offset 89");
  }
}

TEST(FormBadInput, DeepNestingIsRefusedNotRecursedInto) {
  // A million nested lists, nested objects and nested collections.
  const size_t depth = 1000000;
  std::string lists = test::FormWithValue(std::string(depth, '\x01') + std::string(depth, '\0'));
  std::string objects = "TPF0";
  for (size_t i = 0; i < depth; ++i) objects += Hex("01 'T' 00 00");
  std::string items = Hex("0E");
  for (size_t i = 0; i < depth; ++i) items += Hex("01 01 'C' 0E");
  std::string collections = test::FormWithValue(items + std::string(depth, '\0'));
  for (const std::string* s : {&lists, &objects, &collections}) {
    try {
      ObjectBinaryToText(*s);
      ADD_FAILURE() << "no error";
    } catch (const EFormStreamError& e) {
      EXPECT_NE(std::string(e.what()).find("Nesting too deep"), std::string::npos) << e.what();
    }
  }
  std::u16string text = u"object F: T\r\n  P = " + std::u16string(depth, u'(');
  EXPECT_THROW(ObjectTextToBinary(text), EFormTextError);
  std::u16string objectsText;
  for (size_t i = 0; i < 10000; ++i) objectsText += u"object T\n";
  EXPECT_THROW(ObjectTextToBinary(objectsText), EFormTextError);
}

TEST(FormBadInput, MalformedTextNamesTheLine) {
  struct TCase {
    const char* Name;
    std::u16string Text;
    const char* Message;
  } cases[] = {
      {"no keyword", u"form F: T\nend\n", "F.dfm(1): 'object', 'inherited' or 'inline' expected"},
      {"no end", u"object F: T\n  A = 1\n", "F.dfm(3): 'end' expected"},
      {"no value", u"object F: T\n  A = )\nend", "F.dfm(2): Invalid property value"},
      {"no equals", u"object F: T\n  A 1\nend", "F.dfm(2): '=' expected"},
      {"unterminated string", u"object F: T\n\n  A = 'abc\nend", "F.dfm(3): Unterminated string"},
      {"bad code", u"object F: T\n  A = #70000\nend", "F.dfm(2): Invalid character code"},
      {"no string after plus", u"object F: T\n  A = 'a' +\n  1\nend", "F.dfm(3): String expected"},
      {"odd hex", u"object F: T\n  A = {\n  ABC}\nend",
       "F.dfm(3): Odd number of hex digits in binary value"},
      {"not hex", u"object F: T\n  A = {AG}\nend", "F.dfm(2): Invalid binary value"},
      {"open binary", u"object F: T\n  A = {AB", "F.dfm(2): '}' expected"},
      {"open list", u"object F: T\n  A = (1", "F.dfm(2): ')' expected"},
      {"bad set", u"object F: T\n  A = [a b]\nend", "F.dfm(2): ',' or ']' expected"},
      {"bad item", u"object F: T\n  A = <\n    x\n  >\nend", "F.dfm(3): 'item' expected"},
      {"integer too big", u"object F: T\n  A = 99999999999999999999\nend",
       "F.dfm(2): Integer out of range"},
      {"bad number", u"object F: T\n  A = 12ab\nend", "F.dfm(2): Invalid number"},
      {"bad currency", u"object F: T\n  A = 1E300c\nend",
       "F.dfm(2): Invalid floating point number"},
      {"text after the end", u"object F: T\nend\nobject G: T\nend\n",
       "F.dfm(3): Unexpected text after the end of the form"},
      {"name too long", u"object F: T\n  " + std::u16string(256, u'x') + u" = 1\nend",
       "F.dfm(2): Name too long"},
      {"CR line ends count", u"object F: T\r  A = 1\r  B 2\rend", "F.dfm(3): '=' expected"},
  };
  TFormConvertOptions options;
  options.FileName = "F.dfm";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      ObjectTextToBinary(c.Text, options);
      ADD_FAILURE() << "no error";
    } catch (const EFormTextError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
}

TEST(FormBadInput, ResourceHeaderProblemsAreReported) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    const char* Message;
  } cases[] = {
      {"name not ended", Hex("FF 0A 00 'TFORM1'"), "X.dfm: Resource name not ended at offset 9"},
      {"cut short", Hex("FF 0A 00 'TFORM1' 00 30 10 05"),
       "X.dfm: Resource header cut short at offset 13"},
      {"length beyond the file", Hex("FF 0A 00 41 00 30 10 10 00 00 00 'TPF0'"),
       "X.dfm: Resource length 16 exceeds the 4 bytes after the header at offset 7"},
      {"negative length", Hex("FF 0A 00 41 00 30 10 FF FF FF FF 'TPF0'"),
       "X.dfm: Resource length -1 exceeds the 4 bytes after the header at offset 7"},
      {"stream error offsets count from the file's start",
       Hex("FF 0A 00 41 00 30 10 05 00 00 00 'TPF1' 00"),
       "X.dfm: Invalid stream format: signature TPF0 expected at offset 11"},
  };
  TFormConvertOptions options;
  options.FileName = "X.dfm";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    try {
      ReadBinaryForm(c.Bytes, options);
      ADD_FAILURE() << "no error";
    } catch (const EFormStreamError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
}

}  // namespace
}  // namespace zan
