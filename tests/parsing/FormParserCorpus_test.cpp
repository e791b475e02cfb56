// Every object of every text form of the shared corpus goes through the form
// parser: most must parse, and the others fail for known reasons only.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <regex>

#include "common/TestUtil.h"
#include "parsing/FormParser.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace zan {
namespace {

std::u16string DecodeForm(const std::string& bytes) {
  if (bytes.starts_with(kUtf8Bom))
    return Utf8ToUtf16(std::string_view(bytes).substr(kUtf8Bom.size()));
  return AnsiToUnicode(bytes);
}

// The line of `text` that holds the 1-based position `pos`, and the line
// before it (as UTF-8, for matching).
std::pair<std::string, std::string> LinesAt(const std::u16string& text, int pos) {
  size_t at = std::min(static_cast<size_t>(std::max(pos, 1) - 1), text.size());
  size_t start = at == 0 ? 0 : text.rfind(u'\n', at - 1);
  start = start == std::u16string::npos ? 0 : start + 1;
  size_t end = text.find(u'\n', at);
  std::u16string line =
      text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
  std::u16string previous;
  if (start >= 2) {
    size_t before = text.rfind(u'\n', start - 2);
    before = before == std::u16string::npos ? 0 : before + 1;
    previous = text.substr(before, start - 1 - before);
  }
  return {Utf16ToUtf8(Trim(line)), Utf16ToUtf8(Trim(previous))};
}

// Why an object did not parse, judged from the line where the parse got
// farthest. Each reason is a construct the form grammar does not describe.
std::string Reason(const std::u16string& text, int farthest) {
  static const std::regex childPosition(R"(^(object|inherited|inline)\s+\w+\s*:\s*\w+\s*\[\d+\]$)",
                                        std::regex::icase);
  static const std::regex noName(R"(^(object|inherited|inline)\s+[^\s:]+$)", std::regex::icase);
  static const std::regex suffix(R"(^[\w.]+\s*=\s*-?[\d.]+(E[-+]?\d+)?[cs]$)", std::regex::icase);
  static const std::regex identifierList(R"(^[A-Za-z_]\w*\)?$)");
  static const std::regex identifierListStart(R"(^[\w.]+\s*=\s*\($)");
  auto [line, previous] = LinesAt(text, farthest);
  for (char c : line)
    if (static_cast<unsigned char>(c) >= 0x80)
      return "non-ASCII letter in a name, or character above #255";
  if (std::regex_match(line, childPosition)) return "child position [n] in a header";
  // The parse of a header without a name gets as far as the next line.
  if (std::regex_match(line, noName) || std::regex_match(previous, noName))
    return "header without a name";
  if ((line == "end" || line == "end>") && previous == "item")
    return "collection item without properties";
  if (std::regex_match(line, suffix)) return "number with a type suffix (c, s)";
  if (std::regex_match(line, identifierList) && (std::regex_match(previous, identifierListStart) ||
                                                 std::regex_match(previous, identifierList)))
    return "identifiers in parentheses";
  return "other: " + line.substr(0, 60);
}

TEST(FormParserCorpusTest, EveryObjectOfEveryTextForm) {
  ZAN_REQUIRE_CORPUS();
  TFormParser parser;
  int files = 0, objects = 0, parsed = 0;
  std::map<std::string, int> reasons;
  for (const auto& path : test::CorpusFiles()) {
    const std::string bytes = test::ReadFileBytes(path);
    if (test::IsBinaryForm(bytes)) continue;
    ++files;
    const std::u16string text = DecodeForm(bytes);
    // Every line whose first word is an object keyword followed by a blank.
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      size_t keyword = start;
      while (keyword < end && (text[keyword] == u' ' || text[keyword] == u'\t')) ++keyword;
      const std::u16string_view line = std::u16string_view(text).substr(keyword, end - keyword);
      if (StartsText(u"object ", line) || StartsText(u"inherited ", line) ||
          StartsText(u"inline ", line)) {
        ++objects;
        int pos = static_cast<int>(keyword) + 1;
        if (parser.ParseString(text, u"<object>", pos))
          ++parsed;
        else
          ++reasons[Reason(text, parser.FarthestPos())];
      }
      start = end + 1;
    }
  }
  std::cout << "Text forms: " << files << ", objects: " << objects << ", parsed: " << parsed << " ("
            << (objects ? 100.0 * parsed / objects : 0) << "%)\nNot parsed, by reason:\n";
  int other = 0;
  for (const auto& [reason, count] : reasons) {
    std::cout << "  " << count << "  " << reason << "\n";
    if (reason.starts_with("other")) other += count;
  }
  EXPECT_GE(files, 1500);
  EXPECT_GE(parsed, 84000);
  EXPECT_GE(parsed * 100, objects * 97);
  EXPECT_EQ(other, 0) << "objects that fail for a reason not understood";
}

}  // namespace
}  // namespace zan
