// Single-byte code pages whose ASCII bytes are ASCII take blocks of ASCII
// without their tables; these cases put non-ASCII characters at every
// position around such blocks and compare with converting one character at a
// time, which never reaches the block path. Code pages whose bytes below 128
// are not ASCII (864 maps '%' to U+066A, 500 is EBCDIC) must not take it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "rtl/Encoding.h"
#include "rtl/SysUtils.h"

namespace zan {
namespace {

const int kCodePages[] = {1252, 1250, 1251, 1253, 1255, 437, 850, 866, 864, 500};

bool Known(int codePage) {
  try {
    AnsiToUnicode("", codePage);
    return true;
  } catch (const EEncodingError&) {
    return false;
  }
}

/// Byte strings: a run of ASCII (controls included) of every length up to 40 followed by a
/// non-ASCII byte and more ASCII, ASCII including '%', and non-ASCII only.
std::vector<std::string> SampleBytes() {
  std::mt19937 gen(1);
  std::vector<std::string> samples;
  auto ascii = [&](size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>(gen() % 0x80);
    return s;
  };
  for (size_t run = 0; run <= 40; ++run) {
    char high = static_cast<char>(0x80 + gen() % 0x80);
    samples.push_back(ascii(run) + high + ascii(40 - run));
    samples.push_back(ascii(run) + high + high + ascii(run));
  }
  samples.push_back(std::string(50, '%') + "100%");
  std::string high;
  for (int b = 0x80; b < 0x100; ++b) high += static_cast<char>(b);
  samples.push_back(high);
  return samples;
}

TEST(AnsiCodePages, DecodingAgreesWithOneByteAtATime) {
  ASSERT_TRUE(Known(864) && Known(500)) << "iconv lacks the code pages without ASCII";
  for (int codePage : kCodePages) {
    if (!Known(codePage)) continue;
    SCOPED_TRACE(codePage);
    for (const std::string& bytes : SampleBytes()) {
      std::u16string expected;
      for (char b : bytes) expected += AnsiToUnicode(std::string(1, b), codePage);
      EXPECT_EQ(AnsiToUnicode(bytes, codePage), expected) << bytes;
    }
  }
  if (Known(864)) {
    EXPECT_EQ(AnsiToUnicode(std::string(20, '%'), 864), std::u16string(20, u'\u066A'));
  }
}

TEST(AnsiCodePages, EncodingAgreesWithOneCharacterAtATime) {
  for (int codePage : kCodePages) {
    if (!Known(codePage)) continue;
    SCOPED_TRACE(codePage);
    // A character the code page has, ones it lacks, a surrogate pair (one
    // character, one default character) and a lone surrogate.
    const std::u16string inPage = AnsiToUnicode("\xE9", codePage);
    const std::u16string others[] = {inPage, u"\u4E00", u"\U0001F600", u"\xD800", u"%"};
    for (size_t run = 0; run <= 40; ++run) {
      for (const std::u16string& other : others) {
        std::u16string ascii(run, u'a');
        std::u16string text = ascii + other + std::u16string(40 - run, u'z') + other;
        std::string expected;
        bool expectedLossless = true;
        for (size_t i = 0; i < text.size();) {
          size_t n = (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                         ? 2
                         : 1;
          bool lossless = true;
          expected += UnicodeToAnsi(text.substr(i, n), codePage, &lossless);
          expectedLossless = expectedLossless && lossless;
          i += n;
        }
        SCOPED_TRACE(testing::Message()
                     << "run " << run << " before U+" << std::hex << static_cast<int>(other[0]));
        bool lossless = true;
        EXPECT_EQ(UnicodeToAnsi(text, codePage, &lossless), expected);
        EXPECT_EQ(lossless, expectedLossless);
      }
    }
  }
  if (Known(864)) {
    EXPECT_EQ(UnicodeToAnsi(std::u16string(20, u'\u066A'), 864), std::string(20, '%'));
  }
  if (Known(500)) {
    EXPECT_EQ(UnicodeToAnsi(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 500).substr(0, 3), "\xC1\xC2\xC3");
  }
}

}  // namespace
}  // namespace zan
