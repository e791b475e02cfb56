// Every object of a source class in the forms of the shared corpus (text
// forms, and binary forms read as text) is converted with the rules and must
// come out as valid form text.
#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "common/TestUtil.h"
#include "formrules/ConvertTestUtil.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"

namespace zan::test {
namespace {

// The class pairs of the libraries that the corpus holds (the catalogue's).
struct TPair {
  const char* Library;
  const char16_t* Source;
  const char16_t* Target;
};
constexpr TPair kPairs[] = {
    {"BDE", u"TDatabase", u"TZanConnection"},
    {"BDE", u"TQuery", u"TZanQuery"},
    {"BDE", u"TwwQuery", u"TZanQuery"},
    {"BDE", u"TTable", u"TZanTable"},
    {"BDE", u"TwwTable", u"TZanTable"},
    {"BDE", u"TStoredProc", u"TZanStoredProc"},
    {"BDE", u"TwwStoredProc", u"TZanStoredProc"},
    {"BDE", u"TUpdateSQL", u"TZanUpdateSQL"},
    {"BDE", u"TBatchMove", u"TLxBatchMove"},
    {"IBX", u"TIBDatabase", u"TZanConnection"},
    {"IBX", u"TIBTransaction", u"TZanTransaction"},
    {"IBX", u"TIBQuery", u"TZanQuery"},
    {"IBX", u"TIBSQL", u"TZanQuery"},
    {"IBX", u"TIBDataset", u"TZanQuery"},
    {"IBX", u"TIBTable", u"TZanTable"},
    {"IBX", u"TIBStoredProc", u"TZanStoredProc"},
    {"IBX", u"TIBUpdateSQL", u"TZanUpdateSQL"},
    {"ADO", u"TADOConnection", u"TZanConnection"},
    {"ADO", u"TADOCommand", u"TZanSQL"},
    {"ADO", u"TADODataSet", u"TZanQuery"},
    {"ADO", u"TADOTable", u"TZanTable"},
    {"ADO", u"TADOQuery", u"TZanQuery"},
    {"ADO", u"TADOStoredProc", u"TZanStoredProc"},
    {"AnyDAC", u"TADConnection", u"TZanConnection"},
    {"AnyDAC", u"TADTransaction", u"TZanTransaction"},
    {"AnyDAC", u"TADCommand", u"TZanSQL"},
    {"AnyDAC", u"TADQuery", u"TZanQuery"},
    {"AnyDAC", u"TADTable", u"TZanTable"},
    {"AnyDAC", u"TADStoredProc", u"TZanStoredProc"},
    {"AnyDAC", u"TADScript", u"TZanScript"},
    {"AnyDAC", u"TADMetaInfoQuery", u"TZanMetaData"},
    {"AnyDAC", u"TADUpdateSQL", u"TZanUpdateSQL"},
    {"AnyDAC", u"TADDataMove", u"TLxBatchMove"},
    {"AnyDAC", u"TADEventAlerter", u"TZanAlerter"},
    {"AnyDAC", u"TADGUIxLoginDialog", u"TZanConnectDialog"},
    {"FireDAC", u"TFDConnection", u"TZanConnection"},
    {"FireDAC", u"TFDTransaction", u"TZanTransaction"},
    {"FireDAC", u"TFDCommand", u"TZanSQL"},
    {"FireDAC", u"TFDQuery", u"TZanQuery"},
    {"FireDAC", u"TFDTable", u"TZanTable"},
    {"FireDAC", u"TFDStoredProc", u"TZanStoredProc"},
    {"FireDAC", u"TFDScript", u"TZanScript"},
    {"FireDAC", u"TFDMetaInfoQuery", u"TZanMetaData"},
    {"FireDAC", u"TFDUpdateSQL", u"TZanUpdateSQL"},
    {"FireDAC", u"TFDDataMove", u"TLxBatchMove"},
    {"FireDAC", u"TFDEventAlerter", u"TZanAlerter"},
    {"FireDAC", u"TFDGUIxLoginDialog", u"TZanConnectDialog"},
};

const TPair* FindPair(std::u16string_view cls) {
  for (const TPair& pair : kPairs)
    if (SameText(cls, pair.Source)) return &pair;
  return nullptr;
}

std::u16string DecodeForm(const std::string& bytes) {
  if (IsBinaryForm(bytes)) {
    TFormConvertOptions options;
    options.CodePage = 1252;
    return ReadBinaryForm(bytes, options).Text;
  }
  if (bytes.starts_with(kUtf8Bom)) return Utf8ToUtf16(std::string_view(bytes).substr(3));
  return AnsiToUnicode(bytes, 1252);
}

struct TCount {
  int Found = 0, Converted = 0, Invalid = 0;
};

TEST(CorpusTest, ConvertedObjectsAreValidFormText) {
  ZAN_REQUIRE_CORPUS();
  TZanFormParser parser;
  parser.SetOnGetPropertyValue(
      [](const std::u16string&, const std::u16string& alias) -> std::u16string {
        return alias.empty() ? u"" : u"Database1";
      });
  TFormParser reader;
  std::map<std::string, TCount> counts;
  int shown = 0;

  for (const auto& file : CorpusFiles()) {
    const std::u16string text = DecodeForm(ReadFileBytes(file));
    size_t lineStart = 0;
    while (lineStart < text.size()) {
      size_t lineEnd = text.find(u'\n', lineStart);
      if (lineEnd == std::u16string::npos) lineEnd = text.size();
      size_t k = lineStart;
      while (k < lineEnd && text[k] == u' ') ++k;
      const std::u16string_view line = std::u16string_view(text).substr(k, lineEnd - k);
      const size_t colon = line.find(u':');
      if (colon != std::u16string_view::npos &&
          (StartsText(u"object ", line) || StartsText(u"inherited ", line) ||
           StartsText(u"inline ", line))) {
        std::u16string_view cls = line.substr(colon + 1);
        while (!cls.empty() && cls.front() == u' ') cls.remove_prefix(1);
        cls = cls.substr(0, cls.find_first_of(u" \r["));
        if (const TPair* pair = FindPair(cls)) {
          TCount& count = counts[pair->Library];
          ++count.Found;
          parser.SetNewClassName(pair->Target);
          int pos = static_cast<int>(k) + 1;
          if (parser.ParseString(text, u"<object>", pos)) {
            ++count.Converted;
            const std::u16string out = parser.MakeObject(static_cast<int>((k - lineStart) / 2));
            int outPos = static_cast<int>(out.find_first_not_of(u' ')) + 1;
            const bool valid = reader.ParseString(out, u"<object>", outPos) &&
                               outPos == static_cast<int>(out.size()) + 1;
            // At most one provider, first, and at most one option list.
            int providers = 0, optionLists = 0;
            for (int i = 0; i < parser.PropsCount(); ++i) {
              providers += parser.PropName(i) == u"ProviderName";
              optionLists += parser.PropName(i) == u"SpecificOptions.Strings";
            }
            const bool providerFirst =
                providers == 0 || (providers == 1 && parser.PropName(0) == u"ProviderName");
            if (!valid || !providerFirst || optionLists > 1) {
              ++count.Invalid;
              if (shown++ < 5) ADD_FAILURE() << file << ":\n" << Utf16ToUtf8(out);
            }
          }
        }
      }
      lineStart = lineEnd + 1;
    }
  }

  int converted = 0;
  for (const auto& [library, c] : counts) {
    std::cout << library << ": " << c.Found << " objects, " << c.Converted << " converted, "
              << c.Invalid << " invalid\n";
    EXPECT_EQ(c.Invalid, 0) << library;
    EXPECT_EQ(c.Converted, c.Found) << library;
    converted += c.Converted;
  }
  EXPECT_GE(converted, 3900);
}

}  // namespace
}  // namespace zan::test
