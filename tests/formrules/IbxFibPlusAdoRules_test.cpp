// IBX, FIBPlus and ADO rules, and the two rules that serve every class.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"

namespace zan::test {
namespace {

class IbxFibPlusAdoRules : public testing::TestWithParam<TConvertCase> {};

TEST_P(IbxFibPlusAdoRules, Converts) {
  const TConvertCase& c = GetParam();
  TConvertSetup setup;
  setup.Aliases[u"Emp"] = u"IBDatabase1";
  ExpectConverted(c.Source, c.Target, c.Props, c.Expected, setup);
}

INSTANTIATE_TEST_SUITE_P(
    Ibx, IbxFibPlusAdoRules,
    testing::Values(
        // Parameter list: login properties and the InterBase options in one
        // list; the list itself is not published by the target.
        TConvertCase{"TIBDatabase", "TZanConnection",
                     "DatabaseName = 'C:\\db\\EMP.GDB'\n"
                     "Params.Strings = (\n"
                     "  'USER_NAME=SYSDBA'\n"
                     "  'password=x'\n"
                     "  'lc_ctype=WIN1252'\n"
                     "  'Sql_Role_Name=ADMIN')\n"
                     "LoginPrompt = False\n"
                     "DefaultTransaction = IBTransaction1\n"
                     "IdleTimer = 0",
                     "ProviderName = 'InterBase'\n"
                     "Database = 'C:\\db\\EMP.GDB'\nUsername = 'SYSDBA'\nPassword = 'x'\n"
                     "SpecificOptions.Strings = (|'InterBase.Charset=WIN1252'|"
                     "'InterBase.Role=ADMIN'|)\n"
                     "LoginPrompt = False\nDefaultTransaction = IBTransaction1"},
        // Quotes and characters outside ASCII in a value stay valid form text.
        TConvertCase{"TIBDatabase", "TZanConnection",
                     "Params.Strings = (\n  'user_name=O''Brien'\n  'password=p'#228'ss')",
                     "ProviderName = 'InterBase'\nUsername = 'O''Brien'\nPassword = 'p'#228'ss'"},
        // Without login parameters the list adds nothing.
        TConvertCase{"TIBDatabase", "TZanConnection", "Params.Strings = (\n  'x=1')",
                     "ProviderName = 'InterBase'"},
        // A data set's database name goes through the alias lookup.
        TConvertCase{"TIBQuery", "TZanQuery", "DatabaseName = 'Emp'", "Connection = IBDatabase1"},
        // IBX names its database component directly: the link is kept.
        TConvertCase{"TIBQuery", "TZanQuery",
                     "Database = IBDatabase1\nTransaction = IBTransaction1",
                     "Connection = IBDatabase1\nTransaction = IBTransaction1"},
        TConvertCase{"TIBTransaction", "TZanTransaction",
                     "DefaultDatabase = IBDatabase1\nDefaultAction = TACommitRetaining\n"
                     "Params.Strings = (\n  'read_committed')",
                     "DefaultConnection = IBDatabase1\nDefaultCloseAction = TACommitRetaining\n"
                     "IsolationLevel = ilReadCommitted"},
        TConvertCase{"TIBDataSet", "TZanQuery",
                     "SelectSQL.Strings = (\n  'select * from T')\n"
                     "RefreshSQL.Strings = (\n  'r')\nInsertSQL.Strings = (\n  'i')\n"
                     "ModifySQL.Strings = (\n  'm')\nDeleteSQL.Strings = (\n  'd')",
                     "SQL.Strings = (|'select * from T')\nSQLRefresh.Strings = (|'r')\n"
                     "SQLInsert.Strings = (|'i')\nSQLUpdate.Strings = (|'m')\n"
                     "SQLDelete.Strings = (|'d')"},
        // A data set's master (its fields fill the parameters) is kept as its
        // master source, as the other libraries' data sets keep theirs.
        TConvertCase{"TIBDataSet", "TZanQuery", "DataSource = DS1", "MasterSource = DS1"},
        // Class names compare exactly: another letter case gets no data set rule.
        TConvertCase{"TIBDataset", "TZanQuery", "SelectSQL.Strings = (\n  'x')", ""},
        // IndexFieldNames is the detail side of master/detail, also for the
        // engine's tables and TwwTable; without a master it is a sort order.
        TConvertCase{"TIBQuery", "TZanQuery", "IndexFieldNames = 'ID'\nDataSource = DS1",
                     "DetailFields = 'ID'\nMasterSource = DS1"},
        TConvertCase{"TTable", "TZanTable", "MasterSource = DS1\nIndexFieldNames = 'ID'",
                     "MasterSource = DS1\nDetailFields = 'ID'"},
        TConvertCase{"TwwTable", "TZanTable", "IndexFieldNames = 'ID'\nMasterSource = DS1",
                     "DetailFields = 'ID'\nMasterSource = DS1"},
        TConvertCase{"TTable", "TZanTable", "IndexFieldNames = 'ID'", "IndexFieldNames = 'ID'"},
        TConvertCase{"TADOTable", "TZanTable", "IndexFieldNames = 'ID'",
                     "IndexFieldNames = 'ID'"}));

INSTANTIATE_TEST_SUITE_P(
    Ado, IbxFibPlusAdoRules,
    testing::Values(
        TConvertCase{"TADOConnection", "TZanConnection",
                     "ConnectionString = 'Provider=SQLOLEDB.1'\nDefaultDatabase = 'Sales'\n"
                     "LoginPrompt = False",
                     "ProviderName = 'SQL Server'\nDatabase = 'Sales'\nLoginPrompt = False"},
        TConvertCase{"TADODataSet", "TZanQuery",
                     "Connection = ADOConnection1\nCommandText = 'select * from T'\n"
                     "DataSource = DS1\nParameters = <>",
                     "Connection = ADOConnection1\nSQL.Strings = ('select * from T')\n"
                     "MasterSource = DS1"},
        // A long command text broken into joined pieces stays one item.
        TConvertCase{"TADOCommand", "TZanSQL", "CommandText = \n  'select a, b, c ' +\n  'from T'",
                     "SQL.Strings = (|'select a, b, c ' +|'from T')"},
        TConvertCase{"TADOStoredProc", "TZanStoredProc",
                     "ProcedureName = 'GetAll;1'\nDataSource = DS1",
                     "StoredProcName = 'GetAll;1'\nMasterSource = DS1"}));

INSTANTIATE_TEST_SUITE_P(
    FibPlus, IbxFibPlusAdoRules,
    testing::Values(
        TConvertCase{
            "TpFIBDatabase", "TZanConnection",
            "DBName = 'srv:C:\\db.fdb'\n"
            "DBParams.Strings = (\n  'user_name=SYSDBA'\n  'lc_ctype=UTF8')\n"
            "UseLoginPrompt = False\nLibraryName = 'fbclient.dll'",
            "ProviderName = 'InterBase'\nDatabase = 'srv:C:\\db.fdb'\nUsername = 'SYSDBA'\n"
            "SpecificOptions.Strings = (|'InterBase.Charset=UTF8'|"
            "'InterBase.ClientLibrary=fbclient.dll'|)\nLoginPrompt = False"},
        TConvertCase{"TpFIBTransaction", "TZanTransaction",
                     "DefaultDatabase = pFIBDatabase1\nTimeoutAction = TARollback\n"
                     "TPBMode = tpbReadCommitted",
                     "DefaultConnection = pFIBDatabase1\nDefaultCloseAction = TARollback\n"
                     "IsolationLevel = ilReadCommitted"},
        TConvertCase{"TpFIBTransaction", "TZanTransaction", "TPBMode = tpbOther", ""},
        TConvertCase{"TpFIBDataSet", "TZanQuery",
                     "SelectSQL.Strings = (\n  's')\nUpdateSQL.Strings = (\n  'u')\n"
                     "AutoUpdateOptions.UpdateTableName = 'T'\n"
                     "AutoUpdateOptions.KeyFields = 'ID'\n"
                     "AutoUpdateOptions.GeneratorName = 'GEN_T'\n"
                     "AutoUpdateOptions.GeneratorStep = 1\n"
                     "poAskRecordCount = True\noTrimCharFields = False\noFetchAll = True\n"
                     "DataSource = DS1\nDatabase = pFIBDatabase1",
                     "SQL.Strings = (|'s')\nSQLUpdate.Strings = (|'u')\nUpdatingTable = 'T'\n"
                     "KeyFields = 'ID'\n"
                     "SpecificOptions.Strings = (|'InterBase.KeyGenerator=GEN_T'|"
                     "'InterBase.GeneratorStep=1'|'InterBase.FetchAll=True'|)\n"
                     "Options.QueryRecCount = True\nOptions.TrimFixedChar = False\n"
                     "MasterSource = DS1\nConnection = pFIBDatabase1"},
        TConvertCase{"TpFIBScripter", "TZanScript", "Script.Strings = (\n  'create table T')",
                     "SQL.Strings = (|'create table T')"},
        TConvertCase{"TSIBfibEventAlerter", "TZanAlerter",
                     "Events.Strings = (\n  'EV1'\n  'EV2'\n  'EV3')", "Events = 'EV1;EV2;EV3'"},
        TConvertCase{"TSIBfibEventAlerter", "TZanAlerter", "Events.Strings = ()", "Events = ''"},
        // Search conditions are macros, whatever the class.
        TConvertCase{"TpFIBDataSet", "TZanQuery", "Conditions = <>", "Macros = <>"}));

}  // namespace
}  // namespace zan::test
