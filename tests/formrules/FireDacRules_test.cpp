// FireDAC and AnyDAC rules.
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

class FireDacRules : public testing::TestWithParam<TConvertCase> {};

TEST_P(FireDacRules, Converts) {
  const TConvertCase& c = GetParam();
  ExpectConverted(c.Source, c.Target, c.Props, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Connection, FireDacRules,
    testing::Values(
        // The provider comes first, then the table's order, whatever the list's.
        TConvertCase{"TFDConnection", "TZanConnection",
                     "Params.Strings = (\n  'User_Name=sa'\n  'Database=db'\n  'server=srv'\n"
                     "  'DriverID=MSSQL')\nLoginPrompt = False",
                     "ProviderName = 'SQL Server'\nDatabase = 'db'\nServer = 'srv'\n"
                     "Username = 'sa'\nLoginPrompt = False"},
        // An Oracle database is a server: two "Server" entries.
        TConvertCase{"TADConnection", "TZanConnection",
                     "Params.Strings = (\n  'DriverID=Ora'\n  'Database=orcl'\n  'Server=h')",
                     "ProviderName = 'Oracle'\nServer = 'orcl'\nServer = 'h'"},
        TConvertCase{"TFDConnection", "TZanConnection", "Params.Strings = (\n  'DriverID=FB')",
                     "ProviderName = 'ODBC'"},
        // Driver ids compare exactly.
        TConvertCase{"TFDConnection", "TZanConnection", "Params.Strings = (\n  'DriverID=mssql')",
                     "ProviderName = 'ODBC'"},
        // Without a driver id the options have an empty provider part.
        TConvertCase{"TFDConnection", "TZanConnection",
                     "Params.Strings = (\n  'ApplicationName=App'\n  'Port=3050'\n"
                     "  'Pooled=True'\n  'POOL_MaximumItems=50'\n  'POOL_ExpireTimeout=9000'\n"
                     "  'LoginTimeout=30'\n  'MetaCurSchema=dbo'\n  'CharacterSet=utf8')",
                     "Port = 3050\nPooling = True\nPoolingOptions.ConnectionLifetime = 9000\n"
                     "PoolingOptions.MaxPoolSize = 50\n"
                     "SpecificOptions.Strings = (|'.ApplicationName=App'|'.Schema=dbo'|"
                     "'.Charset=utf8'|)\nConnectionTimeout = 30"},
        // USESSL writes the protocol whatever its value, and the SSL files.
        TConvertCase{"TFDConnection", "TZanConnection",
                     "Params.Strings = (\n  'DriverID=MySQL'\n  'UseSSL=False'\n"
                     "  'SSL_ca=ca.pem'\n  'SSL_key=k.pem')",
                     "ProviderName = 'MySQL'\nSpecificOptions.Strings = (|'MySQL.Protocol=mpSSL'|"
                     "'MySQL.SSLKey=k.pem'|'MySQL.SSLCACert=ca.pem'|)"},
        TConvertCase{"TFDConnection", "TZanConnection",
                     "Params.Strings = (\n  'DriverID=MSSQL'\n  'Encrypt=Yes'\n"
                     "  'OSAuthent=yes'\n  'VendorLib=x.dll')",
                     "ProviderName = 'SQL Server'\nSpecificOptions.Strings = ("
                     "|'SQL Server.Encrypt=True'|'SQL Server.Authentication=auWindows'|"
                     "'SQL Server.ClientLibrary=x.dll'|)"},
        TConvertCase{"TFDConnection", "TZanConnection",
                     "Params.Strings = (\n  'DriverID=SQLite'\n  'Encrypt=aes-256'\n"
                     "  'ForeignKeys=Off')",
                     "ProviderName = 'SQLite'\nSpecificOptions.Strings = ("
                     "|'SQLite.ForeignKeys=False'|'SQLite.EncryptionAlgorithm=leAES256'|)"},
        // A value that is no number or name is written quoted.
        TConvertCase{"TFDConnection", "TZanConnection", "Params.Strings = (\n  'Port=30 50')",
                     "Port = '30 50'"},
        // An empty list converts nothing; the list is not published.
        TConvertCase{"TFDConnection", "TZanConnection", "Params.Strings = (\n  '')", ""}));

INSTANTIATE_TEST_SUITE_P(
    DataSets, FireDacRules,
    testing::Values(
        TConvertCase{"TFDQuery", "TZanQuery",
                     "Connection = FDConnection1\n"
                     "FetchOptions.Unidirectional = True\n"
                     "SQL.Strings = (\n  'select * from T where ID = :ID and &W')\n"
                     "ParamData = <\n  item\n    Name = 'ID'\n    DataType = ftInteger\n  end>\n"
                     "MacroData = <\n  item\n    Value = Null\n    Name = 'W'\n"
                     "    DataType = mdIdentifier\n  end>",
                     "Connection = FDConnection1\nUnidirectional = True\n"
                     "SQL.Strings = (|'select * from T where ID = :ID and &W')\n"
                     "ParamData = <|item|Name = 'ID'|DataType = ftInteger|end>\n"
                     "MacroData = <|item|Value = Null|Name = 'W'|end>"},
        // Typed numbers and an item without properties reach the rules as
        // written and are written back so.
        TConvertCase{"TFDQuery", "TZanQuery",
                     "ParamData = <\n  item\n    Name = 'LIMIT'\n    DataType = ftCurrency\n"
                     "    Value = 10000c\n  end\n  item\n  end\n  item\n    Value = 1.5s\n  end>",
                     "ParamData = <|item|Name = 'LIMIT'|DataType = ftCurrency|Value = 10000c|end|"
                     "item|end|item|Value = 1.5s|end>"},
        TConvertCase{"TFDCommand", "TZanSQL",
                     "CommandText.Strings = (\n  'delete from T')\n"
                     "FetchOptions.Unidirectional = True",
                     "SQL.Strings = (|'delete from T')\nUnidirectional = True"},
        TConvertCase{"TADCommand", "TZanSQL",
                     "CommandText.Strings = (\n  'delete from T')\n"
                     "FetchOptions.Unidirectional = True",
                     "SQL.Strings = (|'delete from T')"}));

INSTANTIATE_TEST_SUITE_P(
    Others, FireDacRules,
    testing::Values(
        TConvertCase{"TFDScript", "TZanScript",
                     "Connection = C1\n"
                     "ScriptOptions.CommandSeparator = ';'\n"
                     "SQLScripts = <\n"
                     "  item\n"
                     "    Name = 'First'\n"
                     "    SQL.Strings = (\n"
                     "      'create table A (ID integer)'\n"
                     "      'a')\n"
                     "  end\n"
                     "  item\n"
                     "    SQL.Strings = (\n"
                     "      'insert into A values (' +\n"
                     "        '1)'\n"
                     "      'x'#13#10'y')\n"
                     "  end>",
                     "Connection = C1\nDelimiter = ';'\n"
                     "SQL.Strings = ('create table A (ID integer)'|'a'|"
                     "'insert into A values (' + '1)'|'x'#13#10'y'|)"},
        // The separator is re-quoted as valid form text.
        TConvertCase{"TADScript", "TZanScript", "ScriptOptions.CommandSeparator = ''''",
                     "Delimiter = ''''"},
        TConvertCase{"TFDScript", "TZanScript", "ScriptOptions.CommandSeparator = #9",
                     "Delimiter = #9"},
        TConvertCase{"TFDScript", "TZanScript", "SQLScripts = <>", "SQL.Strings = ()"},
        // After a "SQL" name the strings up to ")" or the end of the text count.
        TConvertCase{"TFDScript", "TZanScript",
                     "SQLScripts = <\n  item\n    Name = SQL\n    Description = 'x'\n  end>",
                     "SQL.Strings = ('x'|)"},
        TConvertCase{"TFDMetaInfoQuery", "TZanMetaData",
                     "Connection = C1\nMetaInfoKind = mkIndexFields\nObjectName = 'T'",
                     "Connection = C1\nMetaDataKind = 'IndexColumns'"},
        TConvertCase{"TADMetaInfoQuery", "TZanMetaData", "MetaInfoKind = mkGenerators", ""},
        TConvertCase{
            "TFDDataMove", "TLxBatchMove",
            "Source = Q1\nDestination = Q2\nMode = dmAppendUpdate\n"
            "Options = [poClearDest]\nMappings = <\n  item\n    SourceFieldName = 'A'\n"
            "  end>",
            "Source = Q1\nDestination = Q2\nMode = bmAppendUpdate\nAbortOnProblem = False"},
        TConvertCase{"TADDataMove", "TLxBatchMove",
                     "Mode = dmAlwaysInsert\n"
                     "Options = [poAbortOnExc, poClearDest]",
                     ""},
        TConvertCase{"TFDEventAlerter", "TZanAlerter",
                     "Connection = C1\nNames.Strings = (\n  'EV1'\n  'EV2')\n"
                     "Options.AutoRegister = True\nOptions.Timeout = 100",
                     "Connection = C1\nName = 'EV1;EV2'\nAutoRegister = True"},
        TConvertCase{"TADEventAlerter", "TZanAlerter", "Names.Strings = (\n  'EV1')",
                     "Name = 'EV1'"},
        // Transactions, update objects and driver links reach the base rules.
        TConvertCase{"TFDPhysIBDriverLink", "TInterBaseZanProvider",
                     "VendorLib = 'fbclient.dll'\nLeft = 1", "Left = 1"},
        TConvertCase{"TFDUpdateSQL", "TZanUpdateSQL",
                     "Connection = C1\nModifySQL.Strings = (\n  'update T')",
                     "ModifySQL.Strings = (|'update T')"}));

// A connection definition kept outside the project: its section of the
// definition file, then the section of the same name of the driver file.
class ConnectionDefinition : public testing::Test {
 protected:
  void SetUp() override {
    fs.AddFile(u"/defs/FDConnectionDefs.ini",
               "[Other]\nDriverID=PG\n\n"
               "[Main]\nDriverID=IB\nDatabase=C:\\data\\main.fdb\nUser_Name=SYSDBA\n"
               "Password=it's\n");
    fs.AddFile(u"/defs/FDDrivers.ini", "[Main]\nVendorLib=fbclient.dll\n[IB]\nVendorLib=no\n");
    setup.ConnectionDefFileName = u"/defs/FDConnectionDefs.ini";
    setup.DriverConfFileName = u"/defs/FDDrivers.ini";
    setup.FileSystem = &fs;
  }
  TMemoryFileSystem fs;
  TConvertSetup setup;
};

TEST_F(ConnectionDefinition, TakesEveryParameterFromTheIniFiles) {
  ExpectConverted("TFDConnection", "TZanConnection",
                  "ConnectionDefName = 'Main'\nParams.Strings = (\n  'ConnectionDef=Main')",
                  "ProviderName = 'InterBase'\nDatabase = 'C:\\data\\main.fdb'\n"
                  "Username = 'SYSDBA'\nPassword = 'it''s'\n"
                  "SpecificOptions.Strings = (|'InterBase.ClientLibrary=fbclient.dll'|)",
                  setup);
}

TEST_F(ConnectionDefinition, ParametersOfTheFormAreReplaced) {
  ExpectConverted("TFDConnection", "TZanConnection",
                  "Params.Strings = (\n  'DriverID=MSSQL'\n  'Server=x'\n  'ConnectionDef=Other')",
                  "ProviderName = 'PostgreSQL'", setup);
}

TEST_F(ConnectionDefinition, MissingDefinitionOrFileGivesNothing) {
  ExpectConverted("TFDConnection", "TZanConnection", "Params.Strings = (\n  'ConnectionDef=None')",
                  "", setup);
  setup.ConnectionDefFileName = u"/defs/missing.ini";
  ExpectConverted("TFDConnection", "TZanConnection", "Params.Strings = (\n  'ConnectionDef=Main')",
                  "SpecificOptions.Strings = (|'.ClientLibrary=fbclient.dll'|)", setup);
  fs.SetUnreadable(u"/defs/FDDrivers.ini");
  ExpectConverted("TFDConnection", "TZanConnection", "Params.Strings = (\n  'ConnectionDef=Main')",
                  "", setup);
}

}  // namespace
}  // namespace zan::test
