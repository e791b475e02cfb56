// The base rules and the property filter, through the whole conversion chain.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"

namespace zan::test {
namespace {

class BaseRules : public testing::TestWithParam<TConvertCase> {};

TEST_P(BaseRules, Converts) {
  const TConvertCase& c = GetParam();
  TConvertSetup setup;
  setup.Aliases[u"Sales"] = u"SalesConnection";
  ExpectConverted(c.Source, c.Target, c.Props, c.Expected, setup);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BaseRules,
    testing::Values(
        // B1 and B3: a database keeps its login, not its name or its list.
        TConvertCase{"TDatabase", "TZanConnection",
                     "DatabaseName = 'Sales'\n"
                     "Params.Strings = (\n"
                     "  'user name=SYSDBA'\n"
                     "  'PASSWORD=x'\n"
                     "  'SERVER NAME=srv')\n"
                     "LoginPrompt = False",
                     "Username = 'SYSDBA'\nPassword = 'x'\nServer = 'srv'\nLoginPrompt = False"},
        // Empty and missing parameters add nothing; a long value broken into
        // joined pieces reads whole.
        TConvertCase{"TDatabase", "TZanConnection",
                     "Params.Strings = (\n"
                     "  'USER NAME='\n"
                     "  ''\n"
                     "  'SERVER NAME=C:\\Program Files\\Common Files\\Shared\\Data\\empl' +\n"
                     "    'oyee.gdb')",
                     "Server = 'C:\\Program Files\\Common Files\\Shared\\Data\\employee.gdb'"},
        // B2: a data set's database name is the connection that declares it.
        TConvertCase{"TQuery", "TZanQuery",
                     "DatabaseName = 'Sales'\nSQL.Strings = (\n  'select 1')",
                     "Connection = SalesConnection\nSQL.Strings = (|'select 1')"},
        TConvertCase{"TTable", "TZanTable", "DatabaseName = 'Unknown'\nTableName = 'T1'",
                     "TableName = 'T1'"},
        // B4: a query's data source is its master source (also for TwwQuery,
        // a TQuery descendant); a table's data source is not published.
        TConvertCase{"TQuery", "TZanQuery", "DataSource = DS1", "MasterSource = DS1"},
        TConvertCase{"TwwQuery", "TZanQuery", "DataSource = DS1", "MasterSource = DS1"},
        TConvertCase{"TTable", "TZanTable", "DataSource = DS1\nMasterSource = DS2",
                     "MasterSource = DS2"},
        // B5: the engine's parameter data is kept; another class's is not
        // published by the target.
        TConvertCase{"TStoredProc", "TZanStoredProc",
                     "ParamData = <\n  item\n    DataType = ftInteger\n    Name = 'ID'\n  end>",
                     "ParamData = <|item|DataType = ftInteger|Name = 'ID'|end>"},
        TConvertCase{"TwwStoredProc", "TZanStoredProc", "ParamData = <>", "ParamData = <>"},
        TConvertCase{"TClientDataSet", "TZanQuery", "ParamData = <>", ""},
        // B6 and B7: index definitions go; the designer position stays; the
        // first segment of a dotted name decides; events survive.
        TConvertCase{"TTable", "TZanTable",
                     "IndexDefs = <>\n"
                     "TableType = ttParadox\n"
                     "Filter.Unknown = 1\n"
                     "Options.Anything = True\n"
                     "BeforeOpen = TableBeforeOpen\n"
                     "OnCalcFields = TableCalcFields\n"
                     "Tag = 5\n"
                     "Left = 10\n"
                     "Top = 20",
                     "Filter.Unknown = 1\nOptions.Anything = True\nBeforeOpen = TableBeforeOpen\n"
                     "OnCalcFields = TableCalcFields\nTag = 5\nLeft = 10\nTop = 20"},
        // Property names compare exactly in the base rules: "left" is no
        // designer position, "beforeopen" is a published event.
        TConvertCase{"TTable", "TZanTable", "left = 1\nbeforeopen = X", "beforeopen = X"},
        // The engine's batch move keeps what the target batch move publishes.
        TConvertCase{
            "TBatchMove", "TLxBatchMove",
            "Destination = T2\nMappings.Strings = (\n  'A=B')\nMode = batAppend\n"
            "Transliterate = False\nSource = T1",
            "Destination = T2\nMappings.Strings = (|'A=B')\nMode = batAppend\nSource = T1"},
        // An unregistered target class filters nothing.
        TConvertCase{"TQuery", "TNoSuchClass", "Anything = 1\nIndexDefs = <>", "Anything = 1"}));

TEST(BaseRulesTest, WithoutAliasLookupDatabaseNameIsDropped) {
  TZanFormParser parser;
  parser.SetNewClassName(u"TZanQuery");
  std::u16string text = u"object Q: TQuery\r\n  DatabaseName = 'Sales'\r\n  Tag = 1\r\nend\r\n";
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  EXPECT_EQ(DumpOutput(parser), "Tag = 1");
}

TEST(BaseRulesTest, DroppedPropertiesAreThoseThatLeaveNothing) {
  TZanFormParser parser;
  parser.SetNewClassName(u"TZanConnection");
  const std::u16string text =
      u"object D: TDatabase\r\n  DatabaseName = 'X'\r\n  Params.Strings = (\r\n"
      u"    'USER NAME=a')\r\n  SessionName = 'Default'\r\n  Left = 1\r\n"
      u"  TransIsolation = tiDirtyRead\r\nend\r\n";
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  const std::vector<std::u16string> expected = {u"DatabaseName", u"SessionName", u"TransIsolation"};
  EXPECT_EQ(parser.DroppedProperties(), expected);
  pos = 1;
  EXPECT_FALSE(parser.ParseString(u"object D: TDatabase\r\n  A = 1\r\n", u"<object>", pos));
  EXPECT_TRUE(parser.DroppedProperties().empty());
}

TEST(BaseRulesTest, EmptyRegistryDisablesTheFilter) {
  TClassRegistry empty;
  TConvertSetup setup;
  setup.Registry = &empty;
  ExpectConverted("TTable", "TZanTable", "TableType = ttParadox\nIndexDefs = <>",
                  "TableType = ttParadox", setup);
}

}  // namespace
}  // namespace zan::test
