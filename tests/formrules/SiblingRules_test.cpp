// Rules of the sibling libraries: provider entry, option lines, drops, the
// numeric type, Boolean and event-list conversions.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"
#include "formrules/RuleUtils.h"

namespace zan::test {
namespace {

class SiblingRules : public testing::TestWithParam<TConvertCase> {};

TEST_P(SiblingRules, Converts) {
  const TConvertCase& c = GetParam();
  ExpectConverted(c.Source, c.Target, c.Props, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fenmark, SiblingRules,
    testing::Values(
        // The provider comes once and first; options gather in one list in
        // the order they come; what the target publishes goes through.
        TConvertCase{"TFenConnection", "TZanConnection",
                     "Options.Encrypt = True\nAuthentication = auServer\n"
                     "Options.DefaultLockTimeout = 100\nServer = 'srv'\nUsername = 'sa'\n"
                     "Options.NumericType = ntFloat\nLeft = 8",
                     "ProviderName = 'SQL Server'\nSpecificOptions.Strings = ("
                     "|'SQL Server.Encrypt=True'|'SQL Server.Authentication=auServer'|"
                     "'SQL Server.LockTimeout=100'|)\nServer = 'srv'\nUsername = 'sa'\n"
                     // not a standard connection's rule: "Options" is published
                     "Options.NumericType = ntFloat\nLeft = 8"},
        TConvertCase{"TFenCompactConnection", "TZanConnection",
                     "Options.DefaultLockTimeout = 100\nOptions.NumericType = NTFLOAT\n"
                     "InitMode = imReadOnly\nOptions.FlushInterval = 10",
                     "ProviderName = 'SQL Server'\nSpecificOptions.Strings = ("
                     "|'SQL Server.CompactDefaultLockTimeout=100'|'SQL Server.CompactInitMode="
                     "imReadOnly'|'SQL Server.CompactFlushInterval=10'|)\n"
                     "Options.EnableBCD = False\nOptions.EnableFMTBCD = False"},
        // Option names in the lists compare in any letter case; single names exactly.
        TConvertCase{
            "TFenQuery", "TZanQuery",
            "FETCHALL = False\nCursorType = ctDefaultResultSet\nOptions.DMLRefresh = True\n"
            "options.dmlrefresh = True\nConnection = C1\nSQL.Strings = (\n  'x')",
            "SpecificOptions.Strings = (|'SQL Server.FETCHALL=False'|)\n"
            "DMLRefresh = True\noptions.dmlrefresh = True\nConnection = C1\n"
            "SQL.Strings = (|'x')"},
        TConvertCase{"TFenSQL", "TZanSQL", "CommandTimeout = 5\nPermitPrepare = False",
                     "SpecificOptions.Strings = (|'SQL Server.CommandTimeout=5'|)"},
        TConvertCase{"TFenMetaData", "TZanMetaData",
                     "StedProcName = 'a'\nStoredProcName = 'b'\nTableName = 'T'\nConnection = C1",
                     "Connection = C1"},
        TConvertCase{
            "TFenLoader", "TZanLoader", "KeepNulls = True\nTableName = 'T'",
            "SpecificOptions.Strings = (|'SQL Server.KeepNulls=True'|)\nTableName = 'T'"}));

INSTANTIATE_TEST_SUITE_P(
    Kyrel, SiblingRules,
    testing::Values(
        TConvertCase{
            "TKyrSession", "TZanConnection",
            "ConnectPrompt = False\nNeverConnect = True\nOptions.Charset = 'CL8MSWIN1251'\n"
            "ThreadSafety = False\nServer = 'orcl'",
            "ProviderName = 'Oracle'\nLoginPrompt = False\nKeepDesignConnected = True\n"
            "SpecificOptions.Strings = (|'Oracle.Charset=CL8MSWIN1251'|)\n"
            "Server = 'orcl'"},
        // The session's name is written as it stands (unquoted); data set
        // class names of that group compare in any letter case.
        TConvertCase{"TKyrQuery", "TZanQuery",
                     "Session = Conn1\nFetchAll = True\nNonBlocking = True",
                     "Connection = Conn1\nSpecificOptions.Strings = (|'Oracle.FetchAll=True'|)"},
        TConvertCase{"TSMARTQUERY", "TZanQuery", "Session = Conn1", "Connection = Conn1"},
        TConvertCase{"TKyrSQL", "TZanSQL", "Session = Conn1\nAutoCommit = True",
                     "Connection = Conn1\nSpecificOptions.Strings = (|'Oracle.AutoCommit=True'|)"},
        TConvertCase{"TConnectDialog", "TZanConnectDialog", "ReadAliases = True",
                     "UseServerHistory = False"},
        TConvertCase{"TConnectDialog", "TZanConnectDialog", "ReadAliases = false",
                     "UseServerHistory = True"},
        TConvertCase{
            "TKyrTransaction", "TZanTransaction",
            "DefaultSession = S1\nSession = S2\nTransactionName = 'T'",
            "SpecificOptions.Strings = (|'Oracle.DefaultConnection=S1'|)\nConnection = S2"},
        TConvertCase{"TKyrLoader", "TZanLoader", "Session = S1\nLoadMode = lmDirect",
                     "Connection = S1\nSpecificOptions.Strings = (|'Oracle.DirectPath=True'|)"},
        TConvertCase{"TKyrLoader", "TZanLoader", "LoadMode = lmDML",
                     "SpecificOptions.Strings = (|'Oracle.DirectPath=False'|)"}));

INSTANTIATE_TEST_SUITE_P(
    TrindleSarvoElvast, SiblingRules,
    testing::Values(
        TConvertCase{"TTrnConnection", "TZanConnection",
                     "Params.Strings = (\n  'x=1')\nSQLDialect = 3\nOptions.Role = 'R'\n"
                     "EnableMemos = True\nDatabase = 'db.fdb'",
                     "ProviderName = 'InterBase'\nSpecificOptions.Strings = ("
                     "|'InterBase.SQLDialect=3'|'InterBase.Role=R'|)\nDatabase = 'db.fdb'"},
        TConvertCase{"TTrnQuery", "TZanQuery", "KeyGenerator = 'GEN'\nAutoCommit = True",
                     "SpecificOptions.Strings = (|'InterBase.KeyGenerator=GEN'|)"},
        TConvertCase{"TTrnAlerter", "TZanAlerter", "Events.Strings = (\n  'A'\n  'B''s')",
                     "Events = 'A;B''s'"},
        TConvertCase{"TSarConnection", "TZanConnection",
                     "SSLOptions.Key = 'k.pem'\nOptions.NumericType = ntBCD\nIOHandler = H1\n"
                     "Port = 3306",
                     "ProviderName = 'MySQL'\nSpecificOptions.Strings = (|'MySQL.SSLKey=k.pem'|)\n"
                     "Options.EnableBCD = True\nOptions.EnableFMTBCD = False\nPort = 3306"},
        TConvertCase{"TSarEmbConnection", "TZanConnection",
                     "Options.NumericType = ntFmtBcd\nOptions.Compress = True",
                     "ProviderName = 'MySQL'\nSpecificOptions.Strings = (|'MySQL.Embedded=True'|"
                     "'MySQL.Compress=True'|)\nOptions.EnableBCD = False\n"
                     "Options.EnableFMTBCD = True"},
        TConvertCase{"TSarQuery", "TZanQuery", "Limit = 10\nOptions.EnableBoolean = False",
                     "SpecificOptions.Strings = (|'MySQL.EnableBoolean=False'|)"},
        TConvertCase{"TElvConnection", "TZanConnection",
                     "SSLOptions.Mode = smRequire\nEnableComposites = True\nSchema = 'public'",
                     "ProviderName = 'PostgreSQL'\nSpecificOptions.Strings = ("
                     "|'PostgreSQL.SSLMode=smRequire'|'PostgreSQL.Schema=public'|)"},
        // No rules of its own: the target class decides.
        TConvertCase{"TWenConnection", "TZanConnection",
                     "Database = 'a.db'\nOptions.ForceCreateDatabase = True\nDirect = True",
                     "Database = 'a.db'\nOptions.ForceCreateDatabase = True"}));

TEST(SiblingRulesTest, ProviderComesOnceForEachObject) {
  // The second object starts with an empty output list again.
  TZanFormParser parser;
  parser.SetNewClassName(u"TZanConnection");
  const std::u16string text =
      u"object A: TElvConnection\r\n  Server = 'a'\r\nend\r\n"
      u"object B: TElvConnection\r\n  Server = 'b'\r\nend\r\n";
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  EXPECT_EQ(DumpOutput(parser), "ProviderName = 'PostgreSQL'\nServer = 'b'");
}

// When the parser backtracks over a property it restores the state saved
// before it and reads the property again; the second read must not add the
// provider or an option line twice. (Here every property is read, taken back
// and read again, as a backtracking parse may do.)
TEST(SiblingRulesTest, ReReadAfterBacktrackingAddsNothingTwice) {
  struct TRereading : TZanFormParser {
    void ConvertProperty(const std::u16string& name, const std::u16string& value) override {
      TFormParseState saved(*this);
      saved.Assign(FormState());
      TZanFormParser::ConvertProperty(name, value);
      FormState().Assign(saved);
      TZanFormParser::ConvertProperty(name, value);
    }
  } parser;
  parser.SetNewClassName(u"TZanConnection");
  const std::u16string text =
      u"object C: TSarEmbConnection\r\n  Options.Direct = True\r\n"
      u"  Options.Compress = True\r\nend\r\n";
  int pos = 1;
  ASSERT_TRUE(parser.ParseString(text, u"<object>", pos));
  EXPECT_EQ(DumpOutput(parser),
            "ProviderName = 'MySQL'\n"
            "SpecificOptions.Strings = (|'MySQL.Embedded=True'|'MySQL.Direct=True'|"
            "'MySQL.Compress=True'|)");
}

TEST(SiblingRulesTest, ConnectionWithoutPropertiesHasNoProvider) {
  EXPECT_EQ(Convert("TFenConnection", "TZanConnection", "").Dump, "");
}

TEST(SiblingRulesTest, NonBooleanReadAliasesStopsTheConversion) {
  try {
    Convert("TConnectDialog", "TZanConnectDialog", "ReadAliases = Maybe");
    FAIL() << "no error";
  } catch (const EPropertyValueError& e) {
    EXPECT_STREQ(e.what(),
                 "'Maybe' is not a valid boolean value (property ReadAliases of object Obj1)");
  }
}

}  // namespace
}  // namespace zan::test
