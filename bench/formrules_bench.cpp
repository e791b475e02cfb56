// layer: formrules
// Conversion throughput per source library: a connection, a data set with its
// SQL and a third component of each library, parsed, converted and written
// back, as the replacer does for every object of a source class. Objects are
// of similar size across libraries, so objects/s compare the rules' cost.
#include <benchmark/benchmark.h>

#include <deque>
#include <string>
#include <vector>

#include "formrules/ZanFormParser.h"
#include "rtl/Strings.h"

namespace zan {
namespace {

struct TSample {
  const char16_t* Target;
  const char16_t* Text;
};

constexpr const char16_t* kQueryBody =
    u"    SQL.Strings = (\r\n"
    u"      'select C.ID, C.NAME, C.CITY, O.TOTAL'\r\n"
    u"      'from CUSTOMER C join ORDERS O on O.CUSTOMER_ID = C.ID'\r\n"
    u"      'where C.ID = :ID')\r\n"
    u"    BeforeOpen = QueryBeforeOpen\r\n"
    u"    AfterScroll = QueryAfterScroll\r\n"
    u"    Left = 120\r\n"
    u"    Top = 16\r\n";

std::vector<TSample> Samples(const std::u16string& library) {
  std::vector<TSample> s;
  static std::deque<std::u16string> texts;  // keeps the built texts where they are
  auto add = [&](const char16_t* target, std::u16string text) {
    texts.push_back(std::move(text));
    s.push_back({target, texts.back().c_str()});
  };
  auto query = [&](const std::u16string& cls, const std::u16string& extra) {
    add(u"TZanQuery", u"  object Query1: " + cls + u"\r\n" + extra + kQueryBody + u"  end\r\n");
  };
  if (library == u"BDE") {
    add(u"TZanConnection",
        u"  object Database1: TDatabase\r\n    AliasName = 'Sales'\r\n"
        u"    DatabaseName = 'SalesDB'\r\n    LoginPrompt = False\r\n    Params.Strings = (\r\n"
        u"      'USER NAME=SYSDBA'\r\n      'PASSWORD=masterkey'\r\n      'SERVER NAME=srv')\r\n"
        u"    SessionName = 'Default'\r\n    Left = 16\r\n    Top = 16\r\n  end\r\n");
    query(u"TQuery", u"    DatabaseName = 'SalesDB'\r\n    DataSource = DataSource1\r\n");
    add(u"TZanTable",
        u"  object Table1: TTable\r\n    DatabaseName = 'SalesDB'\r\n    IndexDefs = <>\r\n"
        u"    IndexFieldNames = 'ID'\r\n    MasterSource = DataSource1\r\n"
        u"    TableName = 'CUSTOMER'\r\n    Left = 16\r\n    Top = 64\r\n  end\r\n");
  } else if (library == u"IBX") {
    add(u"TZanConnection",
        u"  object IBDatabase1: TIBDatabase\r\n    DatabaseName = 'srv:C:\\data\\sales.gdb'\r\n"
        u"    Params.Strings = (\r\n      'user_name=SYSDBA'\r\n      'password=masterkey'\r\n"
        u"      'lc_ctype=WIN1252')\r\n    LoginPrompt = False\r\n"
        u"    DefaultTransaction = IBTransaction1\r\n    Left = 16\r\n    Top = 16\r\n  end\r\n");
    query(u"TIBQuery", u"    Database = IBDatabase1\r\n    Transaction = IBTransaction1\r\n");
    add(u"TZanTransaction",
        u"  object IBTransaction1: TIBTransaction\r\n    DefaultDatabase = IBDatabase1\r\n"
        u"    DefaultAction = TACommitRetaining\r\n    Params.Strings = (\r\n"
        u"      'read_committed'\r\n      'rec_version'\r\n      'nowait')\r\n"
        u"    Left = 16\r\n    Top = 64\r\n  end\r\n");
  } else if (library == u"ADO") {
    add(u"TZanConnection",
        u"  object ADOConnection1: TADOConnection\r\n"
        u"    ConnectionString = 'Provider=SQLOLEDB.1;Integrated Security=SSPI;Data Source=srv'\r\n"
        u"    DefaultDatabase = 'Sales'\r\n    LoginPrompt = False\r\n"
        u"    Provider = 'SQLOLEDB.1'\r\n    Left = 16\r\n    Top = 16\r\n  end\r\n");
    query(u"TADOQuery", u"    Connection = ADOConnection1\r\n    DataSource = DataSource1\r\n");
    add(u"TZanQuery",
        u"  object ADODataSet1: TADODataSet\r\n    Connection = ADOConnection1\r\n"
        u"    CursorType = ctStatic\r\n    CommandText = 'select * from CUSTOMER where ID = "
        u":ID'\r\n"
        u"    Parameters = <>\r\n    Left = 16\r\n    Top = 64\r\n  end\r\n");
  } else if (library == u"FireDAC") {
    add(u"TZanConnection",
        u"  object FDConnection1: TFDConnection\r\n    Params.Strings = (\r\n"
        u"      'Database=sales'\r\n      'User_Name=sa'\r\n      'Password=secret'\r\n"
        u"      'Server=srv'\r\n      'ApplicationName=Sales'\r\n      'DriverID=MSSQL')\r\n"
        u"    LoginPrompt = False\r\n    Left = 16\r\n    Top = 16\r\n  end\r\n");
    query(u"TFDQuery",
          u"    Connection = FDConnection1\r\n    FetchOptions.Unidirectional = True\r\n");
    add(u"TZanScript",
        u"  object FDScript1: TFDScript\r\n    SQLScripts = <\r\n      item\r\n"
        u"        Name = 'Init'\r\n        SQL.Strings = (\r\n"
        u"          'create table T (ID integer)'\r\n          'insert into T values (1)')\r\n"
        u"      end>\r\n    Connection = FDConnection1\r\n"
        u"    ScriptOptions.CommandSeparator = ';'\r\n    Left = 16\r\n    Top = 64\r\n  end\r\n");
  } else if (library == u"FIBPlus") {
    add(u"TZanConnection",
        u"  object pFIBDatabase1: TpFIBDatabase\r\n    DBName = 'srv:C:\\data\\sales.fdb'\r\n"
        u"    DBParams.Strings = (\r\n      'user_name=SYSDBA'\r\n      'password=masterkey'\r\n"
        u"      'lc_ctype=UTF8')\r\n    UseLoginPrompt = False\r\n"
        u"    LibraryName = 'fbclient.dll'\r\n    Left = 16\r\n    Top = 16\r\n  end\r\n");
    add(u"TZanQuery",
        u"  object pFIBDataSet1: TpFIBDataSet\r\n    SelectSQL.Strings = (\r\n"
        u"      'select C.ID, C.NAME, C.CITY, O.TOTAL'\r\n"
        u"      'from CUSTOMER C join ORDERS O on O.CUSTOMER_ID = C.ID')\r\n"
        u"    AutoUpdateOptions.UpdateTableName = 'CUSTOMER'\r\n"
        u"    AutoUpdateOptions.KeyFields = 'ID'\r\n    oFetchAll = True\r\n"
        u"    DataSource = DataSource1\r\n    Left = 120\r\n    Top = 16\r\n  end\r\n");
    add(u"TZanTransaction",
        u"  object pFIBTransaction1: TpFIBTransaction\r\n    DefaultDatabase = pFIBDatabase1\r\n"
        u"    TimeoutAction = TARollback\r\n    TPBMode = tpbReadCommitted\r\n"
        u"    Left = 16\r\n    Top = 64\r\n  end\r\n");
  } else {
    // The sibling libraries: connection, query and a third class each.
    struct TSibling {
      const char16_t* Name;
      const char16_t* Connection;
      const char16_t* Query;
      const char16_t* Options;
      const char16_t* DataSource;
    };
    static const TSibling kSiblings[] = {
        {u"Fenmark", u"TFenConnection", u"TFenQuery",
         u"    Options.Encrypt = True\r\n    Options.ApplicationName = 'Sales'\r\n"
         u"    Options.DefaultLockTimeout = 100\r\n",
         u"TFenDataSource"},
        {u"Kyrel", u"TKyrSession", u"TKyrQuery",
         u"    ConnectPrompt = False\r\n    Options.Charset = 'AL32UTF8'\r\n"
         u"    HomeName = 'OraClient'\r\n",
         u"TKyrDataSource"},
        {u"Trindle", u"TTrnConnection", u"TTrnQuery",
         u"    ClientLibrary = 'fbclient.dll'\r\n    SQLDialect = 3\r\n"
         u"    Options.Charset = 'UTF8'\r\n",
         u"TTrnDataSource"},
        {u"Sarvo", u"TSarConnection", u"TSarQuery",
         u"    Options.Charset = 'utf8'\r\n    Options.NumericType = ntFmtBcd\r\n"
         u"    SSLOptions.Key = 'client-key.pem'\r\n",
         u"TSarDataSource"},
        {u"Elvast", u"TElvConnection", u"TElvQuery",
         u"    Schema = 'public'\r\n    Options.UseUnicode = True\r\n"
         u"    SSLOptions.Mode = smRequire\r\n",
         u"TElvDataSource"},
        {u"Wenrod", u"TWenConnection", u"TWenQuery",
         u"    Options.ForceCreateDatabase = True\r\n    Direct = True\r\n"
         u"    ClientLibrary = 'sqlite3.dll'\r\n",
         u"TWenDataSource"},
    };
    for (const TSibling& sib : kSiblings) {
      if (library != sib.Name) continue;
      add(u"TZanConnection", u"  object Connection1: " + std::u16string(sib.Connection) + u"\r\n" +
                                 sib.Options +
                                 u"    Server = 'srv'\r\n    Username = 'sa'\r\n"
                                 u"    LoginPrompt = False\r\n    Left = 16\r\n    Top = 16\r\n"
                                 u"  end\r\n");
      query(sib.Query, u"    Connection = Connection1\r\n    FetchAll = True\r\n");
      add(u"TZanDataSource", u"  object DataSource1: " + std::u16string(sib.DataSource) +
                                 u"\r\n    DataSet = Query1\r\n    AutoEdit = False\r\n"
                                 u"    OnDataChange = DataSourceDataChange\r\n    Left = 16\r\n    "
                                 u"Top = 64\r\n  end\r\n");
    }
  }
  return s;
}

template <class TParser>
void Run(benchmark::State& state, const char16_t* library) {
  const std::vector<TSample> samples = Samples(library);
  TParser parser;
  parser.SetOnGetPropertyValue(
      [](const std::u16string&, const std::u16string&) { return std::u16string(u"Database1"); });
  int64_t objects = 0;
  int64_t chars = 0;
  for (auto _ : state) {
    for (const TSample& sample : samples) {
      const std::u16string_view text(sample.Text);
      parser.SetNewClassName(sample.Target);
      int pos = 3;  // after the indentation
      if (!parser.ParseString(text, u"<object>", pos)) {
        state.SkipWithError("sample object does not parse");
        return;
      }
      benchmark::DoNotOptimize(parser.MakeObject(1));
      ++objects;
      chars += static_cast<int64_t>(text.size());
    }
  }
  state.counters["objects/s"] =
      benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kIsRate);
  state.counters["chars/object"] = static_cast<double>(chars) / static_cast<double>(objects);
}

void BM_Convert(benchmark::State& state, const char16_t* library) {
  Run<TZanFormParser>(state, library);
}

// The same objects through the parser whose hook keeps every property: what
// the parse and the rewriting cost without the rules.
void BM_ParseOnly(benchmark::State& state, const char16_t* library) {
  Run<TFormParser>(state, library);
}

BENCHMARK_CAPTURE(BM_ParseOnly, BDE, u"BDE");
BENCHMARK_CAPTURE(BM_ParseOnly, FireDAC, u"FireDAC");
BENCHMARK_CAPTURE(BM_Convert, BDE, u"BDE");
BENCHMARK_CAPTURE(BM_Convert, IBX, u"IBX");
BENCHMARK_CAPTURE(BM_Convert, ADO, u"ADO");
BENCHMARK_CAPTURE(BM_Convert, FireDAC, u"FireDAC");
BENCHMARK_CAPTURE(BM_Convert, FIBPlus, u"FIBPlus");
BENCHMARK_CAPTURE(BM_Convert, Fenmark, u"Fenmark");
BENCHMARK_CAPTURE(BM_Convert, Kyrel, u"Kyrel");
BENCHMARK_CAPTURE(BM_Convert, Trindle, u"Trindle");
BENCHMARK_CAPTURE(BM_Convert, Sarvo, u"Sarvo");
BENCHMARK_CAPTURE(BM_Convert, Elvast, u"Elvast");
BENCHMARK_CAPTURE(BM_Convert, Wenrod, u"Wenrod");

}  // namespace
}  // namespace zan
