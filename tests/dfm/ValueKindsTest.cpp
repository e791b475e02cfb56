// Every value kind in both directions: the host's text for the bytes, and the
// bytes the host's writer chooses for the text.
#include <gtest/gtest.h>

#include "dfm/FormTestUtil.h"
#include "rtl/dfm/FormStream.h"

namespace zan {
namespace {

using test::Hex;

struct TValueCase {
  const char* Name;
  std::string Bytes;  // the value: type byte and data
  std::string Text;   // the value's text after "P = "
};

/// Checks bytes -> text and text -> bytes, and that the text reads back the
/// same with LF line ends.
void ExpectBothWays(const TValueCase& c) {
  SCOPED_TRACE(c.Name);
  std::string stream = test::FormWithValue(c.Bytes);
  std::u16string text = test::TextWithValue(c.Text);
  EXPECT_EQ(Utf16ToUtf8(ObjectBinaryToText(stream)), Utf16ToUtf8(text));
  EXPECT_EQ(ObjectTextToBinary(text), stream);
  TFormConvertOptions lf;
  lf.LineBreak = u"\n";
  std::u16string lfText = ObjectBinaryToText(stream, lf);
  EXPECT_EQ(lfText.find(u'\r'), std::u16string::npos);
  EXPECT_EQ(ObjectTextToBinary(lfText), stream);
}

std::string Repeat(char c, size_t n) {
  return std::string(n, c);
}

TEST(FormValues, ScalarsConvertBothWays) {
  const TValueCase cases[] = {
      {"int8", Hex("02 05"), "5"},
      {"int8 negative", Hex("02 FF"), "-1"},
      {"int8 lowest", Hex("02 80"), "-128"},
      {"int16", Hex("03 C8 00"), "200"},
      {"int16 negative", Hex("03 7F FF"), "-129"},
      {"int32", Hex("04 70 11 01 00"), "70000"},
      {"int32 lowest", Hex("04 00 00 00 80"), "-2147483648"},
      {"int64", Hex("13 00 F2 05 2A 01 00 00 00"), "5000000000"},
      {"int64 lowest", Hex("13 00 00 00 00 00 00 00 80"), "-9223372036854775808"},
      {"extended", Hex("05 00 00 00 00 00 00 00 C0 FF 3F"), "1.500000000000000000"},
      {"extended hundred", Hex("05 00 00 00 00 00 00 00 C8 05 40"), "100.000000000000000000"},
      {"extended zero", Hex("05 00 00 00 00 00 00 00 00 00 00"), "0.000000000000000000"},
      {"extended negative", Hex("05 00 00 00 00 00 00 00 80 FF BF"), "-1.000000000000000000"},
      {"extended small", Hex("05 00 00 00 00 00 00 00 80 F2 3F"), "0.000122070312500000"},
      {"extended large", Hex("05 00 00 62 AC C5 EB 78 AD 41 40"), "1E20"},
      {"single", Hex("0F 00 00 C0 3F"), "1.5s"},
      {"currency", Hex("10 39 30 00 00 00 00 00 00"), "12345c"},
      {"date", Hex("11 00 00 00 00 80 D2 E4 40"), "42644d"},
      {"date with time", Hex("11 00 00 00 00 00 00 E0 3F"), "0.5d"},
      {"empty string", Hex("06 00"), "''"},
      {"string", Hex("06 03 'abc'"), "'abc'"},
      {"quote", Hex("06 04 'it' 27 's'"), "'it'#39's'"},
      {"line break", Hex("06 04 'a' 0D 0A 'b'"), "'a'#13#10'b'"},
      {"only codes", Hex("06 02 09 7F"), "#9#127"},
      {"utf8", Hex("14 04 00 00 00 D0 AF D1 8F"), "#1071#1103"},
      {"utf8 mixed", Hex("14 04 00 00 00 'C' C3 B3 'd'"), "'C'#243'd'"},
      {"utf8 astral", Hex("14 04 00 00 00 F0 9F 98 80"), "#55357#56832"},
      {"ident", Hex("07 05 'clRed'"), "clRed"},
      {"dotted ident", Hex("07 0A 'DM.Connect'"), "DM.Connect"},
      {"ident starting with a dot", Hex("07 06 '.Owner'"), ".Owner"},
      {"ident with dots", Hex("07 0C 'DM.Q1.Field1'"), "DM.Q1.Field1"},
      {"false", Hex("08"), "False"},
      {"true", Hex("09"), "True"},
      {"nil", Hex("0D"), "nil"},
      {"null", Hex("00"), "Null"},
      {"empty set", Hex("0B 00"), "[]"},
      {"set", Hex("0B 06 'akLeft' 05 'akTop' 00"), "[akLeft, akTop]"},
      {"numeric set", Hex("0B 01 '0' 01 '5' 00"), "[0, 5]"},
      {"empty binary", Hex("0A 00 00 00 00"), "{}"},
      {"short binary", Hex("0A 03 00 00 00 01 AB FF"), "{01ABFF}"},
      {"empty list", Hex("01 00"), "()"},
      {"empty collection", Hex("0E 00"), "<>"},
  };
  for (const TValueCase& c : cases) ExpectBothWays(c);
}

TEST(FormValues, LongValuesAreLaidOutOverLines) {
  std::string s64 = Repeat('a', 64), s65 = Repeat('b', 65), s300 = Repeat('c', 300);
  std::string bin32(32, '\x11'), bin40(40, '\x22');
  const TValueCase cases[] = {
      {"64 characters stay on the line", Hex("06 40") + s64, ("'" + s64 + "'")},
      {"65 characters", Hex("06 41") + s65, ("\r\n    '" + s65.substr(0, 64) + "' +\r\n    'b'")},
      {"a code counts as one character", Hex("06 41") + Repeat('d', 63) + "\r" + "e",
       ("\r\n    '" + Repeat('d', 63) + "'#13 +\r\n    'e'")},
      {"over 255 is a long string", Hex("0C 2C 01 00 00") + s300,
       ("\r\n    '" + s300.substr(0, 64) + "' +\r\n    '" + s300.substr(0, 64) + "' +\r\n    '" +
        s300.substr(0, 64) + "' +\r\n    '" + s300.substr(0, 64) + "' +\r\n    '" +
        s300.substr(0, 44) + "'")},
      {"32 bytes go on their own line", Hex("0A 20 00 00 00") + bin32,
       ("{\r\n    " + Repeat('1', 64) + "}")},
      {"40 bytes", Hex("0A 28 00 00 00") + bin40,
       ("{\r\n    " + Repeat('2', 64) + "\r\n    " + Repeat('2', 16) + "}")},
      {"string list", Hex("01 06 01 '=' 06 02 '<>' 00"), "(\r\n    '='\r\n    '<>')"},
      {"long item of a list", Hex("01 06 41") + s65 + Hex("06 01 'x' 00"),
       ("(\r\n    \r\n      '" + s65.substr(0, 64) + "' +\r\n      'b'\r\n    'x')")},
      {"nested list", Hex("01 01 02 01 00 00"), "(\r\n    (\r\n      1))"},
      {"collection", Hex("0E 01 04 'Kind' 07 05 'skSum' 00 01 00 00"),
       "<\r\n    item\r\n      Kind = skSum\r\n    end\r\n    item\r\n    end>"},
      {"collection with indexes", Hex("0E 02 03 01 01 'A' 02 01 00 02 07 01 00 00"),
       "<\r\n    item [3]\r\n      A = 1\r\n    end\r\n    item [7]\r\n    end>"},
      {"collection in a collection", Hex("0E 01 05 'Items' 0E 01 01 'X' 09 00 00 00 00"),
       "<\r\n    item\r\n      Items = <\r\n        item\r\n          X = True\r\n"
       "        end>\r\n    end>"},
  };
  for (const TValueCase& c : cases) ExpectBothWays(c);
}

TEST(FormValues, ObjectHeadersConvertBothWays) {
  struct THeaderCase {
    const char* Name;
    std::string Bytes;
    const char* Text;
  } cases[] = {
      {"object", Hex("'TPF0' 06 'TForm1' 05 'Form1' 00 00"), "object Form1: TForm1\r\nend\r\n"},
      {"no name", Hex("'TPF0' 06 'TPanel' 00 00 00"), "object TPanel\r\nend\r\n"},
      {"inherited", Hex("'TPF0' F1 06 'TForm2' 05 'Form2' 00 00"),
       "inherited Form2: TForm2\r\nend\r\n"},
      {"inline", Hex("'TPF0' F4 07 'TFrame1' 07 'Frame11' 00 00"),
       "inline Frame11: TFrame1\r\nend\r\n"},
      {"child position", Hex("'TPF0' F2 02 02 06 'TLabel' 02 'L1' 00 00"),
       "object L1: TLabel [2]\r\nend\r\n"},
      {"inherited with child position", Hex("'TPF0' F3 03 2C 01 06 'TLabel' 02 'L1' 00 00"),
       "inherited L1: TLabel [300]\r\nend\r\n"},
      {"children and properties",
       Hex("'TPF0' 06 'TForm1' 05 'Form1' 04 'Left' 02 0A 00"
           " 07 'TButton' 02 'B1' 03 'Top' 02 01 00 00"
           " 06 'TPanel' 02 'P1' 00 07 'TButton' 02 'B2' 00 00 00 00"),
       "object Form1: TForm1\r\n  Left = 10\r\n  object B1: TButton\r\n    Top = 1\r\n  end\r\n"
       "  object P1: TPanel\r\n    object B2: TButton\r\n    end\r\n  end\r\nend\r\n"},
      {"non-ASCII names are UTF-8",
       Hex("'TPF0' 06 'TForm1' 0C D0 9A D0 BD D0 BE D0 BF D0 BA D0 B0 00 00"),
       "object \xD0\x9A\xD0\xBD\xD0\xBE\xD0\xBF\xD0\xBA\xD0\xB0: TForm1\r\nend\r\n"},
      {"property names with dots", Hex("'TPF0' 05 'TForm' 00 09 'Font.Name' 06 01 'x' 00 00"),
       "object TForm\r\n  Font.Name = 'x'\r\nend\r\n"},
      // Properties named like the keywords are properties, not keywords.
      {"property names that are keywords",
       Hex("'TPF0' 05 'TForm' 00 03 'End' 02 01 09 'End.Value' 02 02 06 'Object' 02 03"
           " 06 'inline' 02 04 09 'Inherited' 02 05 05 'Items' 0E 01 03 'end' 02 06 00 00 00 00"),
       "object TForm\r\n  End = 1\r\n  End.Value = 2\r\n  Object = 3\r\n  inline = 4\r\n"
       "  Inherited = 5\r\n  Items = <\r\n    item\r\n      end = 6\r\n    end>\r\nend\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Utf16ToUtf8(ObjectBinaryToText(c.Bytes)), c.Text);
    EXPECT_EQ(ObjectTextToBinary(Utf8ToUtf16(c.Text)), c.Bytes);
  }
}

TEST(FormValues, FloatsThatAreNoNumberComeBackThroughTheirText) {
  // NAN and the infinities are written as identifiers: within a run the
  // stream comes back byte for byte, and text read afresh keeps the text.
  const std::string values[] = {
      Hex("05 00 00 00 00 00 00 00 C0 FF 7F"),  // extended NAN
      Hex("05 00 00 00 00 00 00 00 80 FF 7F"),  // extended INF
      Hex("05 00 00 00 00 00 00 00 80 FF FF"),  // extended -INF
      Hex("0F 00 00 80 FF"),                    // single -INF
      Hex("11 00 00 00 00 00 00 F0 FF"),        // date -INF
  };
  for (size_t i = 0; i < std::size(values); ++i) {
    SCOPED_TRACE(i);
    const std::string stream = test::FormWithValue(values[i]);
    TFormStreamInfo info;
    const std::u16string text = ObjectBinaryToText(stream, {}, &info);
    EXPECT_EQ(ObjectTextToBinary(text, {}, &info), stream);
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), text);
  }
}

TEST(FormValues, TextReaderAcceptsWhatOtherWritersProduce) {
  // Older files, other editors: these read to the bytes given, though the
  // host would lay them out differently.
  const TValueCase cases[] = {
      {"fifteen digits", Hex("05 00 00 00 00 00 00 00 C0 FE 3F"), "0.75"},
      {"exponent", Hex("05 00 00 62 AC C5 EB 78 AD 41 40"), "1E+20"},
      {"hex integer", Hex("03 FF 00"), "$FF"},
      {"keyword in other case", Hex("09"), "TRUE"},
      {"joined pieces", Hex("06 04 'abcd'"), "'ab' +\r\n 'cd'"},
      {"hex code", Hex("06 01 0A"), "#$0A"},
      {"raw character", Hex("14 02 00 00 00 C3 A9"), "'\xC3\xA9'"},
      {"lower-case hex", Hex("0A 02 00 00 00 AB CD"), "{ab cd}"},
      {"suffix in upper case", Hex("0F 00 00 C0 3F"), "1.5S"},
  };
  for (const TValueCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ObjectTextToBinary(test::TextWithValue(c.Text)), test::FormWithValue(c.Bytes));
  }
  // A byte-order mark and LF line ends.
  EXPECT_EQ(ObjectTextToBinary(u"\uFEFFobject F: TForm\n  P = 1\nend\n"),
            test::FormWithValue(Hex("02 01")));
}

}  // namespace
}  // namespace zan
