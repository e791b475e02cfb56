// Hex data values ({ ... }) of every length and layout: the reader decodes
// runs of digits in blocks and handles blanks and errors apart from them, the
// writer encodes whole blocks of bytes, so lengths and positions around the
// block sizes are what these cases vary.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string_view>

#include "dfm/FormTestUtil.h"
#include "rtl/dfm/FormStream.h"

namespace zan {
namespace {

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string bytes(n, '\0');
  for (char& b : bytes) b = static_cast<char>(gen() & 0xFF);
  return bytes;
}

/// "{" and the pieces and "}", appended in turn. (GCC 12 warns -Wrestrict,
/// wrongly, inside std::string when a literal is put before a temporary.)
std::string Braced(std::initializer_list<std::string_view> pieces) {
  std::string text = "{";
  for (std::string_view piece : pieces) text += piece;
  text += '}';
  return text;
}

std::string HexDigits(std::string_view bytes, bool lowerCase = false) {
  const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    out += digits[static_cast<unsigned char>(c) >> 4];
    out += digits[static_cast<unsigned char>(c) & 15];
  }
  return out;
}

std::string BinaryValue(std::string_view bytes) {
  std::string value = test::Hex("0A");
  int32_t n = static_cast<int32_t>(bytes.size());
  value.append(reinterpret_cast<const char*>(&n), 4);
  return value.append(bytes);
}

/// The host's layout: short values on the property's line, from 32 bytes on
/// lines of 32 bytes each, one level deeper than the property.
std::string HostText(std::string_view bytes) {
  std::string hex = HexDigits(bytes);
  if (bytes.size() < 32) return "{" + hex + "}";
  std::string text = "{";
  for (size_t i = 0; i < hex.size(); i += 64) text += "\r\n    " + hex.substr(i, 64);
  return text + "}";
}

std::u16string FormText(std::string_view valueText) {
  return Utf8ToUtf16("object F: TForm\r\n  P = " + std::string(valueText) + "\r\nend\r\n");
}

/// The message of the error converting `text`.
std::string TextError(const std::u16string& text) {
  TFormConvertOptions options;
  options.FileName = "F.dfm";
  try {
    ObjectTextToBinary(text, options);
  } catch (const EFormTextError& e) {
    return e.what();
  }
  return "no error";
}

/// The same for a form whose property value (starting on line 2) is `valueText`.
std::string ValueError(std::string_view valueText) {
  return TextError(FormText(valueText));
}

TEST(FormBinaryValues, EveryLengthConvertsBothWaysInTheHostLayout) {
  for (size_t n = 0; n <= 100; ++n) {
    SCOPED_TRACE(n);
    std::string bytes = RandomBytes(n, static_cast<uint32_t>(n));
    std::string stream = test::FormWithValue(BinaryValue(bytes));
    std::u16string text = test::TextWithValue(HostText(bytes));
    EXPECT_EQ(Utf16ToUtf8(ObjectBinaryToText(stream)), Utf16ToUtf8(text));
    EXPECT_EQ(ObjectTextToBinary(text), stream);
  }
  // Every byte value, in both letter cases of the digits.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string stream = test::FormWithValue(BinaryValue(all));
  EXPECT_EQ(ObjectTextToBinary(test::TextWithValue(HostText(all))), stream);
  EXPECT_EQ(ObjectTextToBinary(test::TextWithValue(Braced({HexDigits(all, true)}))), stream);
}

TEST(FormBinaryValues, BlanksAnywhereAreSkippedEvenInsideAPair) {
  const std::string bytes = RandomBytes(40, 7);
  const std::string hex = HexDigits(bytes);
  const std::string stream = test::FormWithValue(BinaryValue(bytes));
  const char* blanks[] = {" ", "\r\n", "\n", "\r", "\t  ", "\r\n\r\n  "};
  for (size_t at = 0; at <= hex.size(); ++at) {
    for (const char* blank : blanks) {
      SCOPED_TRACE(testing::Message() << "at " << at << " blank " << testing::PrintToString(blank));
      const std::string text = Braced({hex.substr(0, at), blank, hex.substr(at)});
      EXPECT_EQ(ObjectTextToBinary(FormText(text)), stream);
    }
  }
  // Digits spread one per line, and a second blank in every pair.
  std::string spread = "{";
  for (char c : hex) spread += std::string("\r\n") + c;
  EXPECT_EQ(ObjectTextToBinary(FormText(spread + "}")), stream);
}

TEST(FormBinaryValues, ErrorsNameTheLineOfTheFault) {
  const std::string hex = HexDigits(RandomBytes(40, 11));
  // A bad unit at each position of a long run, with the run on line 2 and on line 4.
  // Units above 255 whose low byte is a digit must not pass for one.
  const std::u16string badUnits[] = {u"G", u"-", u"\u00C4", u"\u0141", u"\u0130", u"\u4E00"};
  for (size_t at = 0; at < hex.size(); ++at) {
    for (const std::u16string& bad : badUnits) {
      SCOPED_TRACE(testing::Message() << "at " << at << " unit " << static_cast<int>(bad[0]));
      const std::string value = Braced({hex.substr(0, at), Utf16ToUtf8(bad), hex.substr(at)});
      EXPECT_EQ(ValueError(value), "F.dfm(2): Invalid binary value");
      const std::string later =
          Braced({"\r\n\r\n", hex.substr(0, at), Utf16ToUtf8(bad), hex.substr(at)});
      EXPECT_EQ(ValueError(later), "F.dfm(4): Invalid binary value");
    }
  }
  // An odd count is reported on the line of the closing brace, wherever the
  // lone digit is; a brace inside an odd run ends it as well.
  for (size_t at = 0; at <= hex.size(); at += 7) {
    SCOPED_TRACE(at);
    std::string odd = hex.substr(0, at) + "A" + hex.substr(at);
    EXPECT_EQ(ValueError("{" + odd + "\r\n\r\n}"),
              "F.dfm(4): Odd number of hex digits in binary value");
    EXPECT_EQ(ValueError(Braced({odd.substr(0, at + 1)})),
              at % 2 == 0 ? "F.dfm(2): Odd number of hex digits in binary value" : "no error");
  }
  // No closing brace: reported on the last line, unless a bad digit comes first.
  EXPECT_EQ(TextError(Utf8ToUtf16("object F: TForm\r\n  P = {" + hex + "\r\n" + hex + "\r\n  ")),
            "F.dfm(4): '}' expected");
  EXPECT_EQ(ValueError("{" + hex + "\r\nX" + hex + "\r\n"), "F.dfm(3): Invalid binary value");
  // Lone CRs and CR LF pairs count one line each, up to the fault.
  EXPECT_EQ(ValueError("{\r\r\n\n" + hex + "Z}"), "F.dfm(5): Invalid binary value");
}

}  // namespace
}  // namespace zan
