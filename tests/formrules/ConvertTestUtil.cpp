#include "formrules/ConvertTestUtil.h"

#include "formrules/RuleUtils.h"
#include "rtl/Strings.h"

namespace zan::test {

std::string DumpOutput(const TFormParser& parser) {
  std::string dump;
  for (int i = 0; i < parser.PropsCount(); ++i) {
    if (i > 0) dump += "\n";
    dump += Utf16ToUtf8(parser.PropName(i)) + " = ";
    const TStringList& lines = parser.PropValue(i);
    for (int k = 0; k < lines.Count(); ++k) {
      if (k > 0) dump += "|";
      dump += Utf16ToUtf8(Trim(lines[k]));
    }
  }
  return dump;
}

TConverted Convert(std::string_view sourceClass, std::string_view targetClass,
                   std::string_view props, const TConvertSetup& setup, bool lf) {
  const std::u16string eol = lf ? u"\n" : u"\r\n";
  std::u16string text = Utf8ToUtf16(setup.Keyword) + u" Obj1: " + Utf8ToUtf16(sourceClass) + eol;
  size_t pos = 0;
  while (!props.empty() && pos <= props.size()) {
    size_t end = props.find('\n', pos);
    if (end == std::string_view::npos) end = props.size();
    text += u"  " + Utf8ToUtf16(props.substr(pos, end - pos)) + eol;
    pos = end + 1;
  }
  text += u"end" + eol;

  TZanFormParser parser;
  parser.SetClassRegistry(setup.Registry);
  parser.SetNewClassName(Utf8ToUtf16(targetClass));
  parser.SetConnectionDefFileName(setup.ConnectionDefFileName);
  parser.SetDriverConfFileName(setup.DriverConfFileName);
  parser.SetFileSystem(setup.FileSystem);
  parser.SetUserRules(setup.UserRules);
  parser.SetBdeAliases(setup.BdeAliases);
  auto aliases = setup.Aliases;
  parser.SetOnGetPropertyValue([aliases](const std::u16string&, const std::u16string& alias) {
    auto it = aliases.find(alias);
    return it == aliases.end() ? std::u16string() : it->second;
  });

  TConverted result;
  int start = 1;
  result.Parsed = parser.ParseString(text, u"<object>", start);
  result.Dump = DumpOutput(parser);
  if (result.Parsed) result.Text = parser.MakeObject(0);
  result.UserRules = parser.AppliedUserRules();
  for (const TZanFormParser::TPropertyTrace& trace : parser.PropertyTraces()) {
    if (!trace.Outputs.empty()) continue;
    std::string value;
    for (const std::u16string& line : SplitLines(trace.Value))
      (value += value.empty() ? "" : "|") += Utf16ToUtf8(Trim(line));
    (result.Dropped += result.Dropped.empty() ? "" : "\n") +=
        Utf16ToUtf8(trace.Name) + " = " + value;
  }
  for (const TZanFormParser::TDisconnected& d : parser.Disconnected())
    (result.Disconnected += result.Disconnected.empty() ? "" : "\n") +=
        Utf16ToUtf8(d.Property) + ": " + Utf16ToUtf8(d.Action);
  return result;
}

void ExpectConverted(std::string_view sourceClass, std::string_view targetClass,
                     std::string_view props, std::string_view expected,
                     const TConvertSetup& setup) {
  SCOPED_TRACE(std::string(sourceClass) + " -> " + std::string(targetClass) + " { " +
               std::string(props) + " }");
  const TConverted crlf = Convert(sourceClass, targetClass, props, setup, false);
  ASSERT_TRUE(crlf.Parsed) << "the input object does not parse";
  EXPECT_EQ(crlf.Dump, expected);

  const TConverted lf = Convert(sourceClass, targetClass, props, setup, true);
  EXPECT_EQ(lf.Dump, crlf.Dump) << "LF line ends convert differently";

  // The converted object is valid form text and reads back to what was added.
  TFormParser reader;
  int pos = 1;
  ASSERT_TRUE(reader.ParseString(crlf.Text, u"<object>", pos)) << "not valid form text:\n"
                                                               << Utf16ToUtf8(crlf.Text);
  EXPECT_EQ(static_cast<size_t>(pos), crlf.Text.size() + 1);
  EXPECT_EQ(DumpOutput(reader), crlf.Dump);
}

}  // namespace zan::test
