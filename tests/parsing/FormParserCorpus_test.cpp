// Every object of every form of the shared corpus, text forms and binary
// forms read as text, goes through the form parser and must parse.
#include <gtest/gtest.h>

#include <iostream>

#include "common/TestUtil.h"
#include "parsing/FormParser.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"

namespace zan {
namespace {

std::u16string DecodeForm(const std::string& bytes, const std::filesystem::path& path) {
  if (test::IsBinaryForm(bytes)) {
    TFormConvertOptions options;
    options.FileName = path.string();
    options.CodePage = 1252;
    return ReadBinaryForm(bytes, options).Text;
  }
  if (bytes.starts_with(kUtf8Bom))
    return Utf8ToUtf16(std::string_view(bytes).substr(kUtf8Bom.size()));
  return AnsiToUnicode(bytes);
}

// The line of `text` that holds the 1-based position `pos` (as UTF-8).
std::string LineAt(const std::u16string& text, int pos) {
  const size_t at = std::min(static_cast<size_t>(std::max(pos, 1) - 1), text.size());
  size_t start = at == 0 ? 0 : text.rfind(u'\n', at - 1);
  start = start == std::u16string::npos ? 0 : start + 1;
  const size_t end = text.find(u'\n', at);
  return Utf16ToUtf8(Trim(text.substr(start, end == std::u16string::npos ? end : end - start)));
}

TEST(FormParserCorpusTest, EveryObjectOfEveryForm) {
  ZAN_REQUIRE_CORPUS();
  TFormParser parser;
  int files[2] = {0, 0}, objects[2] = {0, 0}, parsed[2] = {0, 0};
  int shown = 0;
  for (const auto& path : test::CorpusFiles()) {
    const std::string bytes = test::ReadFileBytes(path);
    const int binary = test::IsBinaryForm(bytes) ? 1 : 0;
    ++files[binary];
    const std::u16string text = DecodeForm(bytes, path);
    // Every line whose first word is an object keyword followed by a blank.
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      size_t keyword = start;
      while (keyword < end && (text[keyword] == u' ' || text[keyword] == u'\t')) ++keyword;
      const std::u16string_view line = std::u16string_view(text).substr(keyword, end - keyword);
      if (StartsText(u"object ", line) || StartsText(u"inherited ", line) ||
          StartsText(u"inline ", line)) {
        ++objects[binary];
        int pos = static_cast<int>(keyword) + 1;
        if (parser.ParseString(text, u"<object>", pos))
          ++parsed[binary];
        else if (shown++ < 10)
          ADD_FAILURE() << path << ": not parsed, stuck at: " << LineAt(text, parser.FarthestPos());
      }
      start = end + 1;
    }
  }
  for (int binary : {0, 1})
    std::cout << (binary ? "Binary" : "Text") << " forms: " << files[binary]
              << ", objects: " << objects[binary] << ", parsed: " << parsed[binary] << "\n";
  EXPECT_EQ(files[0], 1516);
  EXPECT_EQ(files[1], 1255);
  EXPECT_GE(objects[0], 86000);
  EXPECT_EQ(parsed[0], objects[0]);
  EXPECT_EQ(parsed[1], objects[1]);
}

}  // namespace
}  // namespace zan
