// Inherited and inline objects store only what differs from their ancestor:
// the rules convert their stored properties as any object's, but add nothing
// that no stored property gives (doc/inherited_objects.md).
#include <gtest/gtest.h>

#include "formrules/ConvertTestUtil.h"

namespace zan::test {
namespace {

struct TKeywordCase {
  const char* Keyword;
  TConvertCase Case;
};

TEST(InheritedObjectsTest, GetNoPropertyThatNoStoredPropertyGives) {
  const TKeywordCase cases[] = {
      // The provider rows (S1, O1, I1, R1, P1) put the provider first into
      // an object declared with `object` only.
      {"object",
       {"TElvConnection", "TZanConnection", "Schema = 'public'",
        "ProviderName = 'PostgreSQL'\nSpecificOptions.Strings = ("
        "|'PostgreSQL.Schema=public'|)"}},
      {"inherited",
       {"TElvConnection", "TZanConnection", "Schema = 'public'",
        "SpecificOptions.Strings = (|'PostgreSQL.Schema=public'|)"}},
      {"inline",
       {"TElvConnection", "TZanConnection", "Schema = 'public'",
        "SpecificOptions.Strings = (|'PostgreSQL.Schema=public'|)"}},
      {"inherited", {"TFenConnection", "TZanConnection", "Server = 'srv'", "Server = 'srv'"}},
      {"INHERITED",
       {"TKyrSession", "TZanConnection", "ConnectPrompt = False", "LoginPrompt = False"}},
      {"inherited", {"TTrnConnection", "TZanConnection", "Port = 3050", "Port = 3050"}},
      {"inherited", {"TSarConnection", "TZanConnection", "Port = 3306", "Port = 3306"}},
      // Nor the fixed option that comes with the embedded server's provider.
      {"object",
       {"TSarEmbConnection", "TZanConnection", "Port = 3306",
        "ProviderName = 'MySQL'\nSpecificOptions.Strings = (|'MySQL.Embedded=True'|)\n"
        "Port = 3306"}},
      {"inherited", {"TSarEmbConnection", "TZanConnection", "Port = 3306", "Port = 3306"}},
      // What a stored property gives is added as to any object: options,
      // the numeric type's two flags, the provider named by the parameters,
      // the data move's flag read off its options.
      {"inherited",
       {"TSarConnection", "TZanConnection", "Options.NumericType = ntBCD",
        "Options.EnableBCD = True\nOptions.EnableFMTBCD = False"}},
      {"inherited",
       {"TFDConnection", "TZanConnection",
        "Params.Strings = (\n  'DriverID=SQLite'\n  'Database=a.db')",
        "ProviderName = 'SQLite'\nDatabase = 'a.db'"}},
      {"inherited",
       {"TFDDataMove", "TLxBatchMove", "Options = [poClearDest]", "AbortOnProblem = False"}},
      // Renames and the base rules are those of any object.
      {"inline",
       {"TQuery", "TZanQuery", "DataSource = DS1\nSessionName = 'S'", "MasterSource = DS1"}},
      {"inherited", {"TIBQuery", "TZanQuery", "Database = DB1", "Connection = DB1"}},
  };
  for (const TKeywordCase& c : cases) {
    SCOPED_TRACE(c.Keyword);
    TConvertSetup setup;
    setup.Keyword = c.Keyword;
    ExpectConverted(c.Case.Source, c.Case.Target, c.Case.Props, c.Case.Expected, setup);
  }
}

}  // namespace
}  // namespace zan::test
