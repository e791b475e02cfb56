// Whole files and what the text cannot say: the resource header, extra bytes,
// the string kind of older files, values only hints bring back.
#include <gtest/gtest.h>

#include "dfm/FormTestUtil.h"
#include "rtl/dfm/FormFile.h"

namespace zan {
namespace {

using test::Hex;

const std::string kStream = Hex("'TPF0' 06 'TForm1' 05 'Form1' 04 'Left' 02 0A 00 00");
const std::u16string kText = u"object Form1: TForm1\r\n  Left = 10\r\nend\r\n";

TEST(FormFile, ResourceHeaderIsReadAndWritten) {
  std::string file = Hex("FF 0A 00 'TFORM1' 00 30 10 1A 00 00 00") + kStream;
  TBinaryFormText form = ReadBinaryForm(file);
  EXPECT_EQ(form.Text, kText);
  EXPECT_TRUE(form.Layout.HasResourceHeader);
  EXPECT_EQ(form.Layout.Header.Name, "TFORM1");
  EXPECT_EQ(form.Layout.Header.Size, 26);
  EXPECT_FALSE(form.Layout.HasExtraData());
  // Without the layout the header is made from the root class; with it, as read.
  EXPECT_EQ(WriteBinaryForm(kText), file);
  EXPECT_EQ(WriteBinaryForm(kText, &form.Layout), file);
  EXPECT_EQ(WriteBinaryForm(u"inherited F: TFormX [1]\r\nend"),
            Hex("FF 0A 00 'TFORMX' 00 30 10 12 00 00 00 'TPF0' F3 02 01 06 'TFormX' 01 'F' 00 00"));
}

TEST(FormFile, BareStreamAndExtraBytesArePreserved) {
  TBinaryFormText bare = ReadBinaryForm(kStream);
  EXPECT_FALSE(bare.Layout.HasResourceHeader);
  EXPECT_EQ(WriteBinaryForm(bare.Text, &bare.Layout), kStream);

  // Bytes after the length-given end, and bytes inside it after the stream.
  std::string trailing = Hex("FF 0A 00 'TFORM1' 00 30 10 1A 00 00 00") + kStream + "junk\r\n";
  std::string slack = Hex("FF 0A 00 'TFORM1' 00 30 10 1C 00 00 00") + kStream + "ab";
  for (const std::string* file : {&trailing, &slack}) {
    TBinaryFormText form = ReadBinaryForm(*file);
    EXPECT_TRUE(form.Layout.HasExtraData());
    EXPECT_EQ(form.Text, kText);
    EXPECT_EQ(WriteBinaryForm(form.Text, &form.Layout), *file);
  }
  EXPECT_EQ(ReadBinaryForm(trailing).Layout.Trailing, "junk\r\n");
  EXPECT_EQ(ReadBinaryForm(slack).Layout.Slack, "ab");
}

/// Reads the stream with its info and checks it comes back byte for byte;
/// returns the text.
std::u16string ExpectRoundTrip(const std::string& stream, TFormStreamInfo& info) {
  TFormConvertOptions options;
  options.CodePage = 1252;
  std::u16string text = ObjectBinaryToText(stream, options, &info);
  EXPECT_EQ(ObjectTextToBinary(text, options, &info), stream);
  return text;
}

TEST(FormFile, OlderFilesKeepCodePageStrings) {
  // 'Código' and 'Descrição' as code-page 1252 bytes, as older hosts wrote them.
  std::string stream =
      test::FormWithValue(Hex("01 06 06 'C' F3 'digo' 06 09 'Descri' E7 E3 'o' 00"));
  TFormStreamInfo info;
  std::u16string text = ExpectRoundTrip(stream, info);
  EXPECT_EQ(info.NonAsciiStrings, TStringKind::skAnsi);
  EXPECT_TRUE(info.Hints.empty());
  EXPECT_NE(text.find(u"'C'#243'digo'"), std::u16string::npos);
  // An edited text keeps the file's kind for new strings; a character the code
  // page lacks goes into a wide string rather than being lost.
  TFormConvertOptions options;
  options.CodePage = 1252;
  EXPECT_EQ(ObjectTextToBinary(test::TextWithValue("'N'#250'mero'"), options, &info),
            test::FormWithValue(Hex("06 06 'N' FA 'mero'")));
  EXPECT_EQ(ObjectTextToBinary(test::TextWithValue("#1071"), options, &info),
            test::FormWithValue(Hex("12 01 00 00 00 2F 04")));
  // Newer files store the same text as UTF-8.
  EXPECT_EQ(ObjectTextToBinary(test::TextWithValue("'N'#250'mero'"), options),
            test::FormWithValue(Hex("14 07 00 00 00 'N' C3 BA 'mero'")));
}

TEST(FormFile, WideAndUtf8StreamsKeepTheirKind) {
  struct TCase {
    const char* Name;
    std::string Value;
    TStringKind Kind;
    size_t Hints;
  } cases[] = {
      {"wide", Hex("01 12 01 00 00 00 E0 00 12 01 00 00 00 E9 00 00"), TStringKind::skWide, 0},
      {"utf8", Hex("01 14 02 00 00 00 C3 A0 00"), TStringKind::skUtf8, 0},
      // The majority decides; the others come back through hints.
      {"mixed", Hex("01 12 01 00 00 00 E0 00 14 02 00 00 00 C3 A0 14 02 00 00 00 C3 A9 00"),
       TStringKind::skUtf8, 1},
      // Kinds the writer never chooses for ASCII text.
      {"empty wide string", Hex("12 00 00 00 00"), TStringKind::skUtf8, 1},
      {"short long string", Hex("0C 01 00 00 00 'x'"), TStringKind::skUtf8, 1},
      {"ASCII in UTF-8", Hex("14 01 00 00 00 'x'"), TStringKind::skUtf8, 1},
      {"broken UTF-8", Hex("14 02 00 00 00 C3 28"), TStringKind::skUtf8, 1},
      {"wide unpaired surrogate", Hex("12 01 00 00 00 00 D8"), TStringKind::skWide, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFormStreamInfo info;
    ExpectRoundTrip(test::FormWithValue(c.Value), info);
    EXPECT_EQ(info.NonAsciiStrings, c.Kind);
    EXPECT_EQ(info.Hints.size(), c.Hints);
  }
}

TEST(FormFile, HintsBringBackWhatTheTextCannotSay) {
  const std::string values[] = {
      Hex("05 55 55 55 55 55 55 55 A9 04 40"),  // 42.3333... needs more than 16 digits
      Hex("15 00 00 00 00 00 00 F8 3F"),        // double
      Hex("03 05 00"),                          // int16 holding a small value
      Hex("13 01 00 00 00 00 00 00 00"),        // int64 holding a small value
      Hex("07 04 'true'"),                      // an identifier spelt like a keyword
      Hex("05 00 00 00 00 00 00 00 C0 FF 7F"),  // NaN
      Hex("0F 01 00 C0 3F"),                    // single: 15 digits pin it down
      Hex("10 FF FF FF FF FF FF FF 7F"),        // currency beyond 15 digits
  };
  for (const std::string& v : values) {
    SCOPED_TRACE(testing::PrintToString(v));
    TFormStreamInfo info;
    ExpectRoundTrip(test::FormWithValue(v), info);
  }
  // Object header flags the text cannot show.
  TFormStreamInfo info;
  ExpectRoundTrip(Hex("'TPF0' F0 06 'TForm1' 00 00 00"), info);
  ExpectRoundTrip(Hex("'TPF0' F5 06 'TForm1' 00 00 00"), info);
  ExpectRoundTrip(Hex("'TPF0' F2 03 01 00 06 'TForm1' 00 00 00"), info);
  EXPECT_EQ(info.Hints.size(), 1u);
  // Names in code-page bytes.
  ExpectRoundTrip(Hex("'TPF0' 06 'TForm1' 02 'B' E9 00 00"), info);
  EXPECT_EQ(info.Hints.size(), 1u);
}

TEST(FormFile, HintsDoNotApplyToAnEditedValue) {
  std::string stream = test::FormWithValue(Hex("01 03 05 00 03 06 00 00"));
  TFormStreamInfo info;
  std::u16string text = ExpectRoundTrip(stream, info);
  ASSERT_EQ(info.Hints.size(), 2u);
  // The first value changed, the second did not.
  const size_t five = text.find(u'5');
  ASSERT_NE(five, std::u16string::npos);
  text[five] = u'7';
  EXPECT_EQ(ObjectTextToBinary(text, {}, &info), test::FormWithValue(Hex("01 02 07 03 06 00 00")));
}

}  // namespace
}  // namespace zan
