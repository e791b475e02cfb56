// The BDE alias file: what a TDatabase's alias becomes, and the mistakes in
// the file, each named with the file and the line.
#include "formrules/BdeAliases.h"

#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"
#include "rtl/Strings.h"

namespace zan::test {
namespace {

constexpr std::u16string_view kAliasFile =
    u"; written from the BDE administrator's list\r\n"
    u"[IBLocal]\r\n"
    u"TYPE=INTRBASE\r\n"
    u"SERVER NAME=dbsrv:C:\\db\\employee.gdb\r\n"
    u"USER NAME=SYSDBA\r\n"
    u"[ Shop ]\n"
    u"type = mssql\n"
    u"SERVER NAME = DBSRV\\SQLEXPRESS\n"
    u"DATABASE NAME = Shop\n"
    u"USER NAME = sa\n"
    u"PASSWORD = 'o''k'\n"
    u"OPEN MODE = READ/WRITE\n"
    u"[Ledger]\n"
    u"TYPE=ORACLE\n"
    u"SERVER NAME=LEDGER_TNS\n"
    u"[Sybase]\n"
    u"TYPE=SYBASE\n"
    u"SERVER NAME=syb\n"
    u"[Host]\n"
    u"TYPE=DB2\n"
    u"DATABASE NAME=SAMPLE\n"
    u"[DBDEMOS]\n"
    u"TYPE=STANDARD\n"
    u"PATH=C:\\Data\n";

struct TAliasCase {
  const char* Props;
  const char* Expected;
  const char* Dropped = "";
  const char* Disconnected = "";
};

std::ostream& operator<<(std::ostream& os, const TAliasCase& c) {
  return os << c.Props;
}

class BdeAliasRules : public testing::TestWithParam<TAliasCase> {};

TEST_P(BdeAliasRules, Converts) {
  const TBdeAliases aliases = TBdeAliases::Parse(kAliasFile, u"aliases.ini");
  TConvertSetup setup;
  setup.BdeAliases = &aliases;
  const TAliasCase& c = GetParam();
  ExpectConverted("TDatabase", "TZanConnection", c.Props, c.Expected, setup);
  const TConverted converted = Convert("TDatabase", "TZanConnection", c.Props, setup);
  EXPECT_EQ(converted.Dropped, c.Dropped);
  EXPECT_EQ(converted.Disconnected, c.Disconnected);
}

INSTANTIATE_TEST_SUITE_P(
    Aliases, BdeAliasRules,
    testing::Values(
        // InterBase: the server name names the database.
        TAliasCase{"AliasName = 'IBLocal'\nConnected = True\nDatabaseName = 'Emp'",
                   "ProviderName = 'InterBase'\nConnected = True\n"
                   "Database = 'dbsrv:C:\\db\\employee.gdb'\nUsername = 'SYSDBA'",
                   "DatabaseName = 'Emp'"},
        // Any letter case; the database's own parameters win over the alias.
        TAliasCase{"AliasName = 'SHOP'\nConnected = True\n"
                   "Params.Strings = (\n  'USER NAME=clerk'\n  'PASSWORD=pw')",
                   "ProviderName = 'SQL Server'\nConnected = True\nUsername = 'clerk'\n"
                   "Password = 'pw'\nServer = 'DBSRV\\SQLEXPRESS'\n"
                   "Database = 'Shop'"},
        TAliasCase{"AliasName = 'Shop'",
                   "ProviderName = 'SQL Server'\nServer = 'DBSRV\\SQLEXPRESS'\nDatabase = 'Shop'\n"
                   "Username = 'sa'\nPassword = '''o''''k'''"},
        TAliasCase{"AliasName = 'Ledger'", "ProviderName = 'Oracle'\nServer = 'LEDGER_TNS'"},
        TAliasCase{"AliasName = 'Sybase'", "ProviderName = 'ASE'\nServer = 'syb'"},
        TAliasCase{"AliasName = 'Host'", "ProviderName = 'DB2'\nDatabase = 'SAMPLE'"},
        // A local driver has no counterpart, and an alias the file does not
        // hold says nothing: the database stays disconnected.
        TAliasCase{"AliasName = 'DBDEMOS'\nConnected = True", "Connected = False",
                   "AliasName = 'DBDEMOS'",
                   "Connected: set ProviderName and Server or Database (or ConnectString) of "
                   "TZanConnection, then Connected = True"},
        TAliasCase{"AliasName = 'Nowhere'", "", "AliasName = 'Nowhere'"},
        // Without an alias, the driver name gives the provider the same way.
        TAliasCase{"DriverName = 'INTRBASE'\nParams.Strings = (\n  'SERVER NAME=srv:/db/a.gdb')",
                   "ProviderName = 'InterBase'\nDatabase = 'srv:/db/a.gdb'"},
        TAliasCase{"DriverName = 'MSSQL'\nParams.Strings = (\n  'SERVER NAME=srv')",
                   "ProviderName = 'SQL Server'\nServer = 'srv'"},
        TAliasCase{"DriverName = 'PARADOX'", "", "DriverName = 'PARADOX'"}));

TEST(BdeAliasRules, WithoutAFileTheAliasIsDropped) {
  const TConverted c = Convert("TDatabase", "TZanConnection", "AliasName = 'IBLocal'");
  EXPECT_EQ(c.Dump, "");
  EXPECT_EQ(c.Dropped, "AliasName = 'IBLocal'");
}

struct TAliasFileError {
  const char16_t* Text;
  const char* Message;
};

class BdeAliasFileErrors : public testing::TestWithParam<TAliasFileError> {};

TEST_P(BdeAliasFileErrors, NameFileAndLine) {
  try {
    TBdeAliases::Parse(GetParam().Text, u"/p/aliases.ini");
    FAIL() << "no error for " << Utf16ToUtf8(GetParam().Text);
  } catch (const EBdeAliasError& e) {
    EXPECT_STREQ(e.what(), GetParam().Message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, BdeAliasFileErrors,
    testing::Values(
        TAliasFileError{u"TYPE=INTRBASE\n",
                        "/p/aliases.ini:1: NAME=VALUE before the first [ALIAS]"},
        TAliasFileError{u"[A]\nTYPE INTRBASE\n",
                        "/p/aliases.ini:2: expected [ALIAS] or NAME=VALUE"},
        TAliasFileError{u"[A]\r\n\r\n[B\r\n", "/p/aliases.ini:3: expected [ALIAS] or NAME=VALUE"},
        TAliasFileError{u"[A]\n=x\n", "/p/aliases.ini:2: expected [ALIAS] or NAME=VALUE"},
        TAliasFileError{u"; c\n[ ]\n", "/p/aliases.ini:2: an alias needs a name between [ and ]"},
        TAliasFileError{u"[A]\nTYPE=MSSQL\n[a]\n",
                        "/p/aliases.ini:3: the alias a is defined twice"},
        TAliasFileError{u"[A]\nuser name=x\nUSER NAME=y\n",
                        "/p/aliases.ini:3: USER NAME is given twice for the alias A"},
        TAliasFileError{u"[A]\nTYPE=\n",
                        "/p/aliases.ini:2: TYPE needs a driver name (INTRBASE, MSSQL, ORACLE, DB2, "
                        "SYBASE)"}));

}  // namespace
}  // namespace zan::test
