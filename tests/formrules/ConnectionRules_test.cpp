// What lets a converted connection connect, one table per library: ADO
// connection strings, providers and parameters; BDE sort orders and stored
// connections; the IBX and FIBPlus provider, isolation, master parameters and
// alerter; the FireDAC login dialog. Each row gives the converted entries,
// what the report shows as dropped, and what was written disconnected.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"

namespace zan::test {
namespace {

struct TConnectionCase {
  const char* Source;
  const char* Target;
  const char* Props;
  const char* Expected;
  const char* Dropped = "";
  const char* Disconnected = "";
};

std::ostream& operator<<(std::ostream& os, const TConnectionCase& c) {
  return os << c.Source << " { " << c.Props << " }";
}

class ConnectionRules : public testing::TestWithParam<TConnectionCase> {};

TEST_P(ConnectionRules, Converts) {
  const TConnectionCase& c = GetParam();
  TConvertSetup setup;
  setup.Aliases[u"Shop"] = u"Database1";
  ExpectConverted(c.Source, c.Target, c.Props, c.Expected, setup);
  const TConverted converted = Convert(c.Source, c.Target, c.Props, setup);
  EXPECT_EQ(converted.Dropped, c.Dropped);
  EXPECT_EQ(converted.Disconnected, c.Disconnected);
}

constexpr const char* kSetProvider =
    "Connected: set ProviderName of TZanConnection, then Connected = True";
constexpr const char* kSetTarget =
    "Connected: set Server or Database (or ConnectString) of TZanConnection, then Connected = True";
constexpr const char* kSetBoth =
    "Connected: set ProviderName and Server or Database (or ConnectString) of TZanConnection, "
    "then Connected = True";

INSTANTIATE_TEST_SUITE_P(
    Ado, ConnectionRules,
    testing::Values(
        // The string of a typical SQL Server project: everything has a place.
        TConnectionCase{
            "TADOConnection", "TZanConnection",
            "Connected = True\n"
            "ConnectionString = 'Provider=SQLOLEDB.1;Password=secret;User ID=sa;Initial "
            "Catalog=Shop;Data Source=DBSRV\\SQLEXPRESS'\n"
            "LoginPrompt = False",
            "ProviderName = 'SQL Server'\nConnected = True\n"
            "Server = 'DBSRV\\SQLEXPRESS'\nDatabase = 'Shop'\nUsername = 'sa'\n"
            "Password = 'secret'\nLoginPrompt = False"},
        // Keys in any case, blanks around, values in either quote (the
        // separator inside them and a doubled quote), a Windows login;
        // what has no place is reported with its value.
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "ConnectionString = ' provider = SQLNCLI11 ; server=\"tcp:db,1433\" ; "
                        "DATABASE = ''My;Db'' ;uid=u;pwd=\"p\"\"w\";Persist Security Info=False;"
                        "Integrated Security=SSPI'",
                        "ProviderName = 'SQL Server'\nServer = 'tcp:db,1433'\n"
                        "Database = 'My;Db'\nUsername = 'u'\nPassword = 'p\"w'\n"
                        "SpecificOptions.Strings = (|'SQL Server.Authentication=auWindows'|)",
                        "ConnectionString.Persist Security Info = False"},
        // The string in pieces, as the IDE writes a long one; the provider
        // property repeats the string's provider.
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "ConnectionString = \n"
                        "  'Provider=MSOLEDBSQL.1;Initial Catalog=Sales;Data Source=SQL' +\n"
                        "  'SRV01'\n"
                        "Provider = 'MSOLEDBSQL.1'",
                        "ProviderName = 'SQL Server'\nServer = 'SQLSRV01'\nDatabase = 'Sales'",
                        "Provider = 'MSOLEDBSQL.1'"},
        // Access: the data source is the database file.
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "ConnectionString = 'Provider=Microsoft.ACE.OLEDB.12.0;Data "
                        "Source=C:\\data\\shop.accdb;Mode=Share Deny None'\n"
                        "Connected = True",
                        "ProviderName = 'Access'\nDatabase = 'C:\\data\\shop.accdb'\n"
                        "Connected = True",
                        "ConnectionString.Mode = Share Deny None"},
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "ConnectionString = 'Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb'",
                        "ProviderName = 'Access'\nDatabase = 'a.mdb'"},
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "ConnectionString = 'Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User "
                        "ID=scott;Password=tiger'",
                        "ProviderName = 'Oracle'\nServer = 'ORCL'\nUsername = 'scott'\n"
                        "Password = 'tiger'"},
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "ConnectionString = 'Provider=MSDAORA.1;Network Address=orasrv'",
                        "ProviderName = 'Oracle'\nServer = 'orasrv'"},
        // ODBC through a data source name: a provider, but nothing to connect
        // to; stored connected, it is written disconnected.
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "Connected = True\n"
                        "ConnectionString = 'Provider=MSDASQL.1;Extended Properties=\"DSN=Shop\"'",
                        "ProviderName = 'ODBC'\nConnected = False",
                        "ConnectionString.Extended Properties = DSN=Shop", kSetTarget},
        // A provider without a counterpart: reported, and no provider.
        TConnectionCase{"TADOConnection", "TZanConnection",
                        "Connected = True\n"
                        "ConnectionString = 'Provider=IBMDADB2.1;Data Source=SAMPLE'",
                        "Connected = False\nServer = 'SAMPLE'",
                        "ConnectionString.Provider = IBMDADB2.1", kSetProvider},
        // The provider property alone.
        TConnectionCase{"TADOConnection", "TZanConnection", "Provider = 'SQLOLEDB'",
                        "ProviderName = 'SQL Server'"},
        // The parameters become the target's parameter data: name, type,
        // direction (input when not stored) and value (none when Null).
        TConnectionCase{"TADOQuery", "TZanQuery",
                        "Connection = conSales\n"
                        "Parameters = <\n"
                        "  item\n"
                        "    Name = 'CustNo'\n"
                        "    Attributes = [paNullable]\n"
                        "    DataType = ftInteger\n"
                        "    Precision = 10\n"
                        "    Size = 4\n"
                        "    Value = 1221\n"
                        "  end\n"
                        "  item\n"
                        "    Name = 'Total'\n"
                        "    DataType = ftCurrency\n"
                        "    Direction = pdOutput\n"
                        "    Value = Null\n"
                        "  end>\n"
                        "Active = True",
                        "Connection = conSales\n"
                        "ParamData = <|item|Name = 'CustNo'|DataType = ftInteger|"
                        "ParamType = ptInput|Value = 1221|end|item|Name = 'Total'|"
                        "DataType = ftCurrency|ParamType = ptOutput|end>\n"
                        "Active = True"},
        TConnectionCase{"TADOStoredProc", "TZanStoredProc",
                        "Parameters = <\n  item\n    Name = 'RETURN_VALUE'\n"
                        "    Direction = pdReturnValue\n  end>",
                        "ParamData = <|item|Name = 'RETURN_VALUE'|ParamType = ptResult|end>"},
        TConnectionCase{"TADOCommand", "TZanSQL", "Parameters = <>", "", "Parameters = <>"},
        // A data set stored open without a connection is written closed.
        TConnectionCase{"TADOTable", "TZanTable", "TableName = 'T'\nActive = True",
                        "TableName = 'T'\nActive = False", "",
                        "Active: set Connection of TZanTable, then Active = True"}));

INSTANTIATE_TEST_SUITE_P(
    Bde, ConnectionRules,
    testing::Values(
        // An alias says nothing the target can use: stored connected, the
        // database is written disconnected.
        TConnectionCase{"TDatabase", "TZanConnection",
                        "AliasName = 'IBLocal'\nConnected = True\nDatabaseName = 'Shop'",
                        "Connected = False", "AliasName = 'IBLocal'\nDatabaseName = 'Shop'",
                        kSetBoth},
        TConnectionCase{"TDatabase", "TZanConnection",
                        "Connected = 1\nParams.Strings = (\n  'SERVER NAME=srv:c:\\db\\shop.gdb')",
                        "Connected = False\nServer = 'srv:c:\\db\\shop.gdb'", "", kSetProvider},
        TConnectionCase{"TDatabase", "TZanConnection", "Connected = False", "Connected = False"},
        // A table's index fields are its sort order unless it has a master.
        TConnectionCase{"TTable", "TZanTable", "IndexFieldNames = 'NAME'\nTableName = 'CUSTOMER'",
                        "IndexFieldNames = 'NAME'\nTableName = 'CUSTOMER'"},
        TConnectionCase{"TTable", "TZanTable",
                        "IndexFieldNames = 'CUST_NO'\nMasterFields = 'CUST_NO'\n"
                        "MasterSource = dsCustomer",
                        "DetailFields = 'CUST_NO'\nMasterFields = 'CUST_NO'\n"
                        "MasterSource = dsCustomer"},
        TConnectionCase{"TwwTable", "TZanTable", "IndexFieldNames = 'ID'",
                        "IndexFieldNames = 'ID'"},
        // Open data sets: with a database found they stay open.
        TConnectionCase{"TQuery", "TZanQuery", "Active = True\nDatabaseName = 'Shop'",
                        "Active = True\nConnection = Database1"},
        TConnectionCase{"TQuery", "TZanQuery", "Active = True\nDatabaseName = 'Other'",
                        "Active = False", "DatabaseName = 'Other'",
                        "Active: set Connection of TZanQuery, then Active = True"}));

INSTANTIATE_TEST_SUITE_P(
    Ibx, ConnectionRules,
    testing::Values(
        // The provider comes first, whatever the first property is.
        TConnectionCase{"TIBDatabase", "TZanConnection",
                        "Connected = True\nDatabaseName = 'srv:C:\\db\\EMP.GDB'",
                        "ProviderName = 'InterBase'\nConnected = True\n"
                        "Database = 'srv:C:\\db\\EMP.GDB'"},
        TConnectionCase{"TIBDatabase", "TZanConnection", "Connected = True\nLoginPrompt = False",
                        "ProviderName = 'InterBase'\nConnected = False\nLoginPrompt = False", "",
                        kSetTarget},
        // Isolation from the transaction's parameter lines; the others are
        // reported one by one.
        TConnectionCase{"TIBTransaction", "TZanTransaction",
                        "Params.Strings = (\n  'read_committed'\n  'rec_version'\n  'nowait')",
                        "IsolationLevel = ilReadCommitted",
                        "Params.Strings = 'rec_version'\nParams.Strings = 'nowait'"},
        TConnectionCase{"TIBTransaction", "TZanTransaction",
                        "Params.Strings = (\n  'concurrency'\n  'nowait')",
                        "IsolationLevel = ilSnapshot", "Params.Strings = 'nowait'"},
        TConnectionCase{"TIBTransaction", "TZanTransaction", "Params.Strings = (\n  'Consistency')",
                        "IsolationLevel = ilIsolated"},
        TConnectionCase{"TIBTransaction", "TZanTransaction",
                        "Params.Strings = (\n  'isc_tpb_read_committed'\n  'isc_tpb_wait')",
                        "IsolationLevel = ilReadCommitted", "Params.Strings = 'isc_tpb_wait'"},
        TConnectionCase{"TIBTransaction", "TZanTransaction", "Params.Strings = (\n  'write')", "",
                        "Params.Strings = (|'write')"},
        // Sort order or detail fields; the master link may come after them.
        TConnectionCase{"TIBTable", "TZanTable", "IndexFieldNames = 'LAST_NAME'",
                        "IndexFieldNames = 'LAST_NAME'"},
        TConnectionCase{"TIBDataSet", "TZanQuery",
                        "IndexFieldNames = 'DEPT_NO'\nDataSource = dsDepartment",
                        "DetailFields = 'DEPT_NO'\nMasterSource = dsDepartment"},
        TConnectionCase{"TIBQuery", "TZanQuery",
                        "Active = True\nDatabase = IBDatabase1\nIndexFieldNames = 'A'",
                        "Active = True\nConnection = IBDatabase1\nIndexFieldNames = 'A'"}));

INSTANTIATE_TEST_SUITE_P(
    FibPlus, ConnectionRules,
    testing::Values(
        TConnectionCase{
            "TpFIBDatabase", "TZanConnection", "Connected = True\nDBName = 'srv:/db/wh.fdb'",
            "ProviderName = 'InterBase'\nConnected = True\nDatabase = 'srv:/db/wh.fdb'"},
        // A detail's master parameters; not inside literals, quoted names or
        // comments, also across lines.
        TConnectionCase{"TpFIBDataSet", "TZanQuery",
                        "SelectSQL.Strings = (\n"
                        "  'select * from ITEMS where CUST_NO = ?CUST_NO'\n"
                        "  '  and NOTE <> ''?NOTE'' and \"?A\" = ?_B /* ?C'\n"
                        "  '?D */ and X = ?X -- ?Y')\n"
                        "DataSource = dsCustomer",
                        "SQL.Strings = (|'select * from ITEMS where CUST_NO = :CUST_NO'|"
                        "'  and NOTE <> ''?NOTE'' and \"?A\" = :_B /* ?C'|"
                        "'?D */ and X = :X -- ?Y')\n"
                        "MasterSource = dsCustomer"},
        // Without a master "?NAME" stays as it is.
        TConnectionCase{"TpFIBDataSet", "TZanQuery",
                        "SelectSQL.Strings = (\n  'select * from T where A = ?A')",
                        "SQL.Strings = (|'select * from T where A = ?A')"},
        // The alerter keeps its database and its handler.
        TConnectionCase{"TSIBfibEventAlerter", "TZanAlerter",
                        "Events.Strings = (\n  'NEW_ORDER')\nDatabase = pFIBDatabase1\n"
                        "OnEventAlert = EventAlerterEventAlert",
                        "Events = 'NEW_ORDER'\nConnection = pFIBDatabase1\n"
                        "OnEvent = EventAlerterEventAlert"}));

INSTANTIATE_TEST_SUITE_P(
    FireDac, ConnectionRules,
    testing::Values(TConnectionCase{"TFDConnection", "TZanConnection",
                                    "Params.Strings = (\n  'DriverID=MSSQL'\n  'Server=srv')\n"
                                    "LoginDialog = FDGUIxLoginDialog1\nConnected = True",
                                    "ProviderName = 'SQL Server'\nServer = 'srv'\n"
                                    "ConnectDialog = FDGUIxLoginDialog1\nConnected = True"},
                    TConnectionCase{"TADConnection", "TZanConnection",
                                    "LoginDialog = ADGUIxLoginDialog1\nConnected = True",
                                    "ConnectDialog = ADGUIxLoginDialog1\nConnected = False", "",
                                    kSetBoth}));

// An inherited object stores only what differs from its ancestor, which may
// hold the provider and the server: it is left connected.
TEST(ConnectionRulesInherited, AnInheritedConnectionIsLeftAsStored) {
  TConvertSetup setup;
  setup.Keyword = "inherited";
  const TConverted c = Convert("TIBDatabase", "TZanConnection", "Connected = True", setup);
  ASSERT_TRUE(c.Parsed);
  EXPECT_EQ(c.Dump, "Connected = True");
  EXPECT_EQ(c.Disconnected, "");
}

}  // namespace
}  // namespace zan::test
