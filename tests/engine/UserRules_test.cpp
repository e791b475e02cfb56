// Rule files: what valid files load to (a compact dump per table row), the
// exact message of every kind of mistake, and the `uses` edits they drive.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/catalogue/Replacer.h"
#include "engine/catalogue/ZanReplacer.h"
#include "engine/rewrite/SourceRewriter.h"
#include "engine/rewrite/UsesEdits.h"
#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

constexpr int kBDE = 0;

std::string U8(const std::u16string& text) {
  return Utf16ToUtf8(text);
}

/// "line:rule" per rule in rule order, joined by " | ": pairs "pair S>T/R",
/// property rules "C.N>R{a=b}" or "C.N drop", constants "C.N=V", units
/// "+U"/"-U", target classes "class N<I(p1,p2)".
std::string Dump(const TUserRules& rules) {
  std::vector<std::pair<int, std::string>> items;
  for (const TUserClassPair& pair : rules.Form().Pairs)
    items.emplace_back(pair.Rule, "pair " + U8(pair.Source) + ">" + U8(pair.Target) +
                                      (pair.RulesOf.empty() ? "" : "/" + U8(pair.RulesOf)));
  for (const TUserPropertyRule& rule : rules.Form().Properties) {
    std::string text = U8(rule.ClassName) + "." + U8(rule.Name);
    text += rule.Drop ? " drop" : ">" + U8(rule.Rename);
    if (!rule.Values.empty()) {
      std::string values;
      for (const auto& [from, to] : rule.Values)
        values += (values.empty() ? "" : ",") + U8(from) + "=" + U8(to);
      text += "{" + values + "}";
    }
    items.emplace_back(rule.Rule, text);
  }
  for (const TUserSetRule& rule : rules.Form().Sets)
    items.emplace_back(rule.Rule, U8(rule.ClassName) + "." + U8(rule.Name) + "=" + U8(rule.Value));
  for (const TUserUsesUnit& unit : rules.AddedUnits())
    items.emplace_back(unit.Rule, "+" + U8(unit.Name));
  for (const TUserUsesUnit& unit : rules.RemovedUnits())
    items.emplace_back(unit.Rule, "-" + U8(unit.Name));
  for (const TUserTargetClass& target : rules.TargetClasses()) {
    std::string properties;
    for (const std::u16string& name : target.Properties)
      (properties += properties.empty() ? "" : ",") += U8(name);
    items.emplace_back(target.Rule, "class " + U8(target.Name) + "<" + U8(target.Inherits) + "(" +
                                        properties + ")");
  }
  std::sort(items.begin(), items.end());
  std::string dump;
  for (const auto& [rule, text] : items)
    dump += (dump.empty() ? "" : " | ") +
            std::to_string(rules.Entries().at(static_cast<size_t>(rule)).Line) + ":" + text;
  return dump;
}

struct TFormatCase {
  std::string Text;
  std::string Expected;  // the dump, or the exact message of the error
};

/// `count` copies of `part` joined by `separator`.
std::string Repeat(std::string_view part, int count, std::string_view separator = "") {
  std::string text;
  for (int i = 0; i < count; ++i) (text += i ? separator : "") += part;
  return text;
}

const std::string kTooDeep =
    "nested more than 64 levels deep (table headers, dotted keys, inline tables and arrays)";

TEST(UserRules, ValidFilesLoadTo) {
  const TFormatCase cases[] = {
      {"", ""},
      {"# only a comment\nlibrary = \"bde\"", ""},
      {"\xEF\xBB\xBF"
       "library = \"BDE\"\n[[pair]]\nsource = \"TA\"\ntarget = \"TB\"",
       "2:pair TA>TB"},
      // The example of doc/rules.md.
      {"library = \"BDE\"\n"
       "[[pair]]\nsource = \"TOrdersQuery\"\ntarget = \"TOrdersQuery\"\nrules-of = \"tquery\"\n"
       "[[pair]]\nsource = \"TVendorTable\"\ntarget = \"TZanTable\"\n"
       "[[property]]\nclass = \"TVendorTable\"\nname = \"VendorLink\"\nrename = \"Connection\"\n"
       "values = { \"vlNone\" = \"nil\" }\n"
       "[[property]]\nclass = \"TVendorTable\"\nname = \"CacheSize\"\ndrop = true\n"
       "[[set]]\nclass = \"TVendorTable\"\nname = \"FetchAll\"\nvalue = \"True\"\n"
       "[uses]\nadd = [\"ZanVendorHelpers\"]\nremove = [\"VendorData\"]\n"
       "[[target-class]]\nname = \"TOrdersQuery\"\ninherits = \"TZanQuery\"\n"
       "properties = [\"OrderStatus\"]\n",
       "2:pair TOrdersQuery>TOrdersQuery/tquery | 6:pair TVendorTable>TZanTable | "
       "9:TVendorTable.VendorLink>Connection{vlNone=nil} | 14:TVendorTable.CacheSize drop | "
       "18:TVendorTable.FetchAll=True | 23:+ZanVendorHelpers | 24:-VendorData | "
       "25:class TOrdersQuery<TZanQuery(OrderStatus)"},
      // Rules are numbered in line order whatever their kind; "*" is every
      // class; dotted names for properties and units; drop = false renames.
      {"[[set]]\nclass = \"*\"\nname = \"Options.Fetch\"\nvalue = \"'all'\"\n"
       "[[property]]\nclass = \"*\"\nname = \"Options.Cache\"\nrename = \"Cache.Size\"\ndrop = "
       "false\n"
       "[uses]\nadd = [\"Zan.Helpers\",\n  \"Zan.More\"]",
       "1:*.Options.Fetch='all' | 5:*.Options.Cache>Cache.Size | 11:+Zan.Helpers | 12:+Zan.More"},
      // Tables written inline; identifiers in any script.
      {"pair = [{ source = \"TÄnderung\", target = \"TZanQuery\" }]\n"
       "target-class = [{ name = \"TÄnderung\" }]",
       "1:pair TÄnderung>TZanQuery | 2:class TÄnderung<()"},
      // Form text of one value: sets, strings joined, binary data. Dots and
      // brackets in strings, comments and multi-line strings are no nesting;
      // 64 levels are allowed.
      {"[[set]] # [" + Repeat("a", 100, ".") +
           "]\nclass = \"*\"\nname = \"Font.Style\"\n"
           "value = \"[fsBold, fsItalic]\"\n[[set]]\nclass = \"TA\"\nname = \"Hint\"\n"
           "value = \"'a.b.c[[[' + 'x'#13\"\n[[set]]\nclass = \"TA\"\nname = \"Data\"\n"
           "value = '''{0A0B}'''\n"
           "[[property]]\nclass = \"TA\"\nname = \"P\"\nrename = \"Q\"\n"
           "values = { \"" +
           Repeat("k", 70, ".") + "\" = \"'['\" }",
       "1:*.Font.Style=[fsBold, fsItalic] | 5:TA.Hint='a.b.c[[[' + 'x'#13 | 9:TA.Data={0A0B} | "
       "13:TA.P>Q{" +
           Repeat("k", 70, ".") + "='['}"},
  };
  for (const TFormatCase& c : cases) {
    SCOPED_TRACE(c.Text.substr(0, 200));
    TUserRules rules;
    ASSERT_NO_THROW(rules.LoadFromText(c.Text, u"rules.toml", kBDE));
    EXPECT_EQ(Dump(rules), c.Expected);
  }
}

TEST(UserRules, MistakesAreNamedWithFileAndLine) {
  const TFormatCase cases[] = {
      {"library = \"BDE\"\n[[pair]\n",
       "rules.toml:2: syntax error: Error while parsing table header: expected ']', saw '\\n'"},
      {"[pairs]\nsource = \"TA\"", "rules.toml:1: unknown key \"pairs\" (did you mean \"pair\"?)"},
      {"colour = 1", "rules.toml:1: unknown key \"colour\""},
      {"[[pair]]\nsorce = \"TA\"\ntarget = \"TB\"",
       "rules.toml:2: unknown key \"sorce\" in [[pair]] (did you mean \"source\"?)"},
      {"[uses]\nadded = [\"A\"]",
       "rules.toml:2: unknown key \"added\" in [uses] (did you mean \"add\"?)"},
      {"[[target-class]]\nname = \"TA\"\nparents = \"TB\"",
       "rules.toml:3: unknown key \"parents\" in [[target-class]]"},
      {"pair = \"TA\"", "rules.toml:1: \"pair\" must be tables written [[pair]]"},
      {"uses = [\"A\"]", "rules.toml:1: \"uses\" must be a table written [uses]"},
      {"[[pair]]\nsource = \"TA\"", "rules.toml:1: [[pair]] needs \"target\""},
      {"[[set]]\nclass = \"TA\"\nvalue = \"1\"", "rules.toml:1: [[set]] needs \"name\""},
      {"[[pair]]\nsource = 1\ntarget = \"TB\"", "rules.toml:2: \"source\" must be a string"},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\ndrop = \"yes\"",
       "rules.toml:4: \"drop\" must be true or false"},
      {"[uses]\nremove = \"A\"", "rules.toml:2: \"remove\" must be an array of strings"},
      {"[uses]\nadd = [\"A\", 2]", "rules.toml:2: \"add\" must be an array of strings"},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\nrename = \"Q\"\nvalues = { a = 1 }",
       "rules.toml:5: \"values\" must be a table of strings: { \"old\" = \"new\" }"},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\nrename = \"Q\"\nvalues = { a = \"\" }",
       "rules.toml:5: \"values\" maps \"a\" to nothing"},
      {"[[pair]]\nsource = \"TA\"\ntarget = \"TB\"\nrules-of = \"TFDQuery\"",
       "rules.toml:4: \"rules-of\" names TFDQuery, which is no source class of BDE"},
      {"[[pair]]\nsource = \"tquery\"\ntarget = \"TB\"",
       "rules.toml:1: the pair for tquery clashes with the built-in pair TQuery -> TZanQuery of "
       "BDE"},
      {"[[pair]]\nsource = \"TA\"\ntarget = \"TB\"\n\n[[pair]]\nsource = \"ta\"\ntarget = \"TC\"",
       "rules.toml:5: a second pair for ta (the first is at rules.toml:1)"},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\nrename = \"Q\"\ndrop = true",
       "rules.toml:1: [[property]] has both \"rename\" and \"drop\""},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"",
       "rules.toml:1: [[property]] needs \"rename\" or \"drop = true\""},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\ndrop = true\nvalues = { a = \"b\" }",
       "rules.toml:5: \"values\" needs \"rename\""},
      {"[[pair]]\nsource = \"T A\"\ntarget = \"TB\"",
       "rules.toml:2: \"T A\" is not a Pascal identifier"},
      {"[[pair]]\nsource = \"TA\"\ntarget = \"*\"",
       "rules.toml:3: \"*\" is not a Pascal identifier"},
      {"[[set]]\nclass = \"A.B\"\nname = \"P\"\nvalue = \"1\"",
       "rules.toml:2: \"A.B\" is not a Pascal identifier"},
      {"[[property]]\nclass = \"TA\"\nname = \"1P\"\ndrop = true",
       "rules.toml:3: \"1P\" is not a Pascal name (identifiers joined by \".\")"},
      {"[uses]\nadd = [\"Zan..Helpers\"]",
       "rules.toml:2: \"Zan..Helpers\" is not a Pascal name (identifiers joined by \".\")"},
      {"[[target-class]]\nname = \"TA\"\nproperties = [\"Options.Foo\"]",
       "rules.toml:3: \"Options.Foo\" is not a Pascal identifier"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"\"", "rules.toml:4: \"value\" is empty"},
      {"library = \"IBX\"", "rules.toml:1: the rules are for IBX, the run converts BDE"},
      {"library = \"Paradox\"", "rules.toml:1: unknown library \"Paradox\""},
      // Constants and mapped values are one value of form text on one line:
      // written into a form, anything else could end the object and add others.
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"1\\n  end\\n  object Evil: TButton\"",
       "rules.toml:4: \"value\" holds a line break: form text must be one line"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"\"\"\n1\\rend\"\"\"",
       "rules.toml:4: \"value\" holds a line break: form text must be one line"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"1 end object Evil: TButton end\"",
       "rules.toml:4: \"value\" is not one value of form text"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"1\\u000Bend\"",
       "rules.toml:4: \"value\" is not one value of form text"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"[a, b) end\"",
       "rules.toml:4: \"value\" is not one value of form text"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"'open\"",
       "rules.toml:4: \"value\" is not one value of form text"},
      {"[[set]]\nclass = \"TA\"\nname = \"P\"\nvalue = \"<item end> end\"",
       "rules.toml:4: \"value\" is not one value of form text"},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\nrename = \"Q\"\n"
       "values = { a = \"x\\r\\nend\" }",
       "rules.toml:5: \"values\" maps \"a\" to text that holds a line break: form text must be "
       "one line"},
      {"[[property]]\nclass = \"TA\"\nname = \"P\"\nrename = \"Q\"\nvalues = { a = \"x; y\" }",
       "rules.toml:5: \"values\" maps \"a\" to text that is not one value of form text"},
      // How deep tables and keys nest, and how many keys a file holds, is
      // bounded before the parser sees the text; 64 levels are allowed.
      {"[" + Repeat("a", 64, ".") + "]", "rules.toml:1: unknown key \"a\""},
      {"a = " + Repeat("[", 63) + Repeat("]", 63), "rules.toml:1: unknown key \"a\""},
      {"library = \"BDE\"\n[" + Repeat("a", 65, ".") + "]", "rules.toml:2: " + kTooDeep},
      {"[[" + Repeat("a", 40000, ".") + "]]", "rules.toml:1: " + kTooDeep},
      {"[" + Repeat("a", 40, ".") + "]\n" + Repeat("b", 25, " . ") + " = 1",
       "rules.toml:2: " + kTooDeep},
      {"a = " + Repeat("[", 64) + Repeat("]", 64), "rules.toml:1: " + kTooDeep},
      {"a = [\n" + Repeat("{ b = ", 40000), "rules.toml:2: " + kTooDeep},
      {"[a]\n'quoted.key'.\"also.one\" = { b.c = [ { d = [" + Repeat("[", 60) + "] } ] }",
       "rules.toml:2: " + kTooDeep},
      {"colour = \"\"\"\n" + Repeat("[", 70) + "\\\n\"\"\"\nshade = '''\n\"\"\"'''\n[" +
           Repeat("a", 65, ".") + "]",
       "rules.toml:6: " + kTooDeep},
      {Repeat("a = 1", 1000001, "\n"), "rules.toml:1000001: more than 1000000 keys"},
      {"t = { " + Repeat("a = 1", 1000001, ", ") + " }", "rules.toml:1: more than 1000000 keys"},
  };
  for (const TFormatCase& c : cases) {
    SCOPED_TRACE(c.Text.substr(0, 200));
    TUserRules rules;
    rules.LoadFromText("[[pair]]\nsource = \"TKept\"\ntarget = \"TZanQuery\"", u"first.toml", kBDE);
    try {
      rules.LoadFromText(c.Text, u"rules.toml", kBDE);
      ADD_FAILURE() << "loaded";
    } catch (const EUserRulesError& e) {
      EXPECT_EQ(std::string(e.what()), c.Expected);
    }
    EXPECT_EQ(Dump(rules), "1:pair TKept>TZanQuery") << "a file that fails adds nothing";
  }
}

TEST(UserRules, FilesAddUpAndAreCheckedAgainstEachOther) {
  TMemoryFileSystem fs;
  fs.AddFile(u"/p/a.toml", "[[pair]]\nsource = \"TA\"\ntarget = \"TZanQuery\"\n");
  fs.AddFile(u"/p/b.toml", "\n[uses]\nadd = [\"X\"]\n[[pair]]\nsource = \"Ta\"\ntarget = \"TB\"\n");
  TUserRules rules;
  rules.LoadFromFile(fs, u"/p/a.toml", kBDE);
  EXPECT_THROW(
      {
        try {
          rules.LoadFromFile(fs, u"/p/b.toml", kBDE);
        } catch (const EUserRulesError& e) {
          EXPECT_STREQ(e.what(), "/p/b.toml:4: a second pair for Ta (the first is at /p/a.toml:1)");
          throw;
        }
      },
      EUserRulesError);
  try {
    rules.LoadFromFile(fs, u"/p/none.toml", kBDE);
    ADD_FAILURE() << "loaded";
  } catch (const EUserRulesError& e) {
    EXPECT_STREQ(e.what(), "/p/none.toml: cannot read the rules: No such file or directory");
  }
  ASSERT_EQ(rules.Entries().size(), 1u);
  EXPECT_EQ(rules.PlaceOf(0), u"/p/a.toml:1");
  ASSERT_NE(rules.FindTarget(u"ta"), nullptr);
  EXPECT_EQ(*rules.FindTarget(u"ta"), u"TZanQuery");
  EXPECT_EQ(rules.FindTarget(u"TQuery"), nullptr);
}

TEST(UserRules, TargetClassesStartWithTheirAncestorsProperties) {
  TClassRegistry registry;
  registry.RegisterClass(u"TZanQuery", {u"Connection", u"SQL"});
  TUserRules rules;
  rules.LoadFromText(
      "[[target-class]]\nname = \"TOrdersQuery\"\ninherits = \"TZanQuery\"\n"
      "properties = [\"OrderStatus\"]\n"
      "[[target-class]]\nname = \"TArchiveQuery\"\ninherits = \"TOrdersQuery\"\n",
      u"rules.toml", kBDE);
  rules.RegisterTargetClasses(registry);
  const TRegisteredClass* archive = registry.FindClass(u"TArchiveQuery");
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archive->PublishedProperties(),
            (std::vector<std::u16string>{u"Connection", u"SQL", u"OrderStatus"}));

  rules.LoadFromText("\n[[target-class]]\nname = \"TX\"\ninherits = \"TNone\"", u"more.toml", kBDE);
  try {
    rules.RegisterTargetClasses(registry);
    ADD_FAILURE() << "registered";
  } catch (const EUserRulesError& e) {
    EXPECT_STREQ(e.what(), "more.toml:2: \"inherits\" names TNone, which is no registered class");
  }
}

TEST(UsesEdits, RemovedEntriesTakeTheirSeparatorAndEmptyClausesGo) {
  const std::vector<TUserUsesUnit> units = {{u"VendorData", 7}, {u"Vendor.Grid", 8}};
  struct TCase {
    const char* Text;
    const char* Expected;
    int Removed;
  } cases[] = {
      {"uses A, VendorData, B;", "uses A, B;", 1},
      {"uses VendorData, A;", "uses A;", 1},
      {"uses A, VendorData;", "uses A;", 1},
      {"uses A, vendordata, VENDOR.GRID;", "uses A;", 2},
      {"uses VendorData, A, Vendor.Grid;", "uses A;", 2},
      {"uses A,\r\n  VendorData in '..\\lib\\VendorData.pas' {vendor},\r\n  B;", "uses A,\r\n  B;",
       1},
      {"interface\r\n\r\nuses\r\n  VendorData, Vendor.Grid;\r\n\r\ntype",
       "interface\r\n\r\n\r\ntype", 2},
      {"program P; uses VendorData; begin", "program P;  begin", 1},
      // Two clauses; a name that only starts like a listed one stays.
      {"uses VendorDataX, VendorData;\nimplementation\nuses Vendor, VendorData, C;",
       "uses VendorDataX;\nimplementation\nuses Vendor, C;", 2},
      // A clause the edit does not follow is left as it is.
      {"uses A{$IFDEF V}, VendorData{$ENDIF};", nullptr, 0},
      {"uses A, VendorData", nullptr, 0},
      {"uses A, B;", nullptr, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    std::u16string text = Utf8ToUtf16(c.Text);
    const std::vector<int> removed = RemoveUsesEntries(text, units);
    EXPECT_EQ(U8(text), c.Expected ? c.Expected : c.Text);
    EXPECT_EQ(removed.size(), static_cast<size_t>(c.Removed));
  }
  EXPECT_EQ(
      TargetUnitsWith(u", Zan, Quillbase", {{u"ZanHelpers", 1}, {u"zan", 2}, {u"ZanHelpers", 3}}),
      u", Zan, Quillbase, ZanHelpers");
}

TEST(UsesEdits, UnitsTheRunChangesGetThemAndOthersStayAsTheyAre) {
  TZanCatalogue catalogue;
  TUserRules rules;
  rules.LoadFromText(
      "[[pair]]\nsource = \"TVendorTable\"\ntarget = \"TZanTable\"\n"
      "[uses]\nadd = [\"ZanHelpers\", \"Zan\"]\nremove = [\"VendorData\"]",
      u"rules.toml", kBDE);
  TSourceRewriter rewriter(catalogue.Replacer(kBDE), &rules);
  struct TCase {
    const char* Text;
    const char* Expected;
    std::vector<int> Rules;  // the rules applied, in rule order
  } cases[] = {
      {"uses DBTables, VendorData;\nvar T: TVendorTable;",
       "uses DBTables, Zan, Quillbase, Rowquill, ZanHelpers;\nvar T: TZanTable;",
       {0, 1, 3}},
      // Only what the clause lacks is added; a unit without the library's
      // unit gets none, but loses the listed ones once it changes.
      {"uses DBTables, Zan, ZanHelpers;",
       "uses DBTables, Quillbase, Rowquill, Zan, ZanHelpers;",
       {}},
      {"uses VendorData;\nvar T: TVendorTable;", "var T: TZanTable;", {0, 3}},
      {"uses Classes, VendorData;\n{ no class of the library }", nullptr, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    const TSourceRewrite rewrite = rewriter.Rewrite(Utf8ToUtf16(c.Text));
    EXPECT_EQ(U8(rewrite.Text), c.Expected ? c.Expected : c.Text);
    EXPECT_EQ(rewrite.UserRules, c.Rules);
  }
}

}  // namespace
}  // namespace zan::test
