// The converter over every form file of the shared corpus: binary forms come
// back byte for byte through text (and their text through a fresh stream), text forms parse, and
// those written in the host's own layout come back unchanged through binary.
#include <gtest/gtest.h>

#include "common/TestUtil.h"
#include "rtl/Encoding.h"
#include "rtl/dfm/FormFile.h"

namespace zan {
namespace {

/// Text of a text form file as the run reads it: UTF-8 with its mark, else ANSI.
std::u16string DecodeTextForm(const std::string& bytes) {
  if (bytes.compare(0, 3, kUtf8Bom) == 0) return Decode(bytes.substr(3), TTextEncoding::Utf8);
  return AnsiToUnicode(bytes, 1252);
}

TEST(FormCorpus, EveryBinaryFormComesBackByteForByte) {
  ZAN_REQUIRE_CORPUS();
  int forms = 0, withHints = 0, withExtra = 0;
  for (const auto& path : test::CorpusFiles({".dfm"})) {
    std::string bytes = test::ReadFileBytes(path);
    if (!test::IsBinaryForm(bytes)) continue;
    ++forms;
    TFormConvertOptions options;
    options.FileName = path.string();
    options.CodePage = 1252;
    try {
      TBinaryFormText form = ReadBinaryForm(bytes, options);
      std::string back = WriteBinaryForm(form.Text, &form.Layout, options);
      EXPECT_TRUE(back == bytes) << path;
      // Read afresh, as the convert command does, the text gives a stream
      // whose text is the same: binary -> text -> binary -> text is stable.
      EXPECT_EQ(ReadBinaryForm(WriteBinaryForm(form.Text, nullptr, options), options).Text,
                form.Text)
          << path;
      withHints += !form.Layout.Info.Hints.empty();
      withExtra += form.Layout.HasExtraData();
    } catch (const Exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  EXPECT_EQ(forms, 1255);
  EXPECT_EQ(withExtra, 1);  // IconsF.dfm and its 6,924 trailing bytes
  std::cout << forms << " binary forms, " << withHints << " with value hints\n";
}

TEST(FormCorpus, TextFormsInHostLayoutComeBackUnchanged) {
  ZAN_REQUIRE_CORPUS();
  int forms = 0, canonical = 0;
  for (const auto& path : test::CorpusFiles({".dfm"})) {
    std::string bytes = test::ReadFileBytes(path);
    if (test::IsBinaryForm(bytes)) continue;
    ++forms;
    TFormConvertOptions options;
    options.FileName = path.string();
    options.CodePage = 1252;
    bool crlf = bytes.find("\r\n") != std::string::npos;
    options.LineBreak = crlf ? u"\r\n" : u"\n";
    std::u16string text = DecodeTextForm(bytes);
    try {
      std::string stream = ObjectTextToBinary(text, options);
      std::u16string back = ObjectBinaryToText(stream, options);
      if (text.size() && text[0] == 0xFEFF) text.erase(0, 1);
      canonical += back == text;
    } catch (const Exception& e) {
      ADD_FAILURE() << e.what();
    }
  }
  EXPECT_EQ(forms, 1516);
  std::cout << canonical << " of " << forms << " text forms in the host's layout\n";
  EXPECT_GT(canonical, 1400);
}

}  // namespace
}  // namespace zan
