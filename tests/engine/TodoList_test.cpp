// The to-do list a run leaves in its report: source units still used (every
// unit of the library, scoped names too), properties the code uses that the
// conversion dropped or renamed (with advice a Delphi developer knows),
// classes of the library left in code but not the project's own, handlers
// and `except on` clauses with library types, the BDE's global session,
// objects left unconverted, connections and data sets written disconnected,
// external routines that keep source classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ReplacerTestUtil.h"
#include "engine/phases/TodoList.h"
#include "engine/rewrite/FormRewriter.h"

namespace zan::test {
namespace {

class TodoListTest : public ReplacerTest {
 protected:
  /// Runs the catalogue's `library` over /work holding `files` (name, text).
  TRunReport Run(int library, const std::vector<std::pair<std::u16string, std::string>>& files) {
    TMemoryFileSystem memory;
    for (const auto& [name, text] : files) memory.AddFile(u"/work/" + name, text);
    MakeReplacer(library, &memory);
    InstallFormConversion(*Replacer);
    TRunReport report;
    report.Library = std::u16string(CatalogueLibraries()[static_cast<size_t>(library)].Name);
    RunReport = &report;
    EXPECT_TRUE(ReplacerTest::Run());
    RunReport = nullptr;
    for (const auto& [name, text] : files) Converted[name] = memory.Contents(u"/work/" + name);
    return report;
  }
  std::map<std::u16string, std::string> Converted;
};

/// "file:line kind" of every place the converted units mark with a comment
/// `//! kind kind ...` at the end of the line.
std::vector<std::string> Marked(const std::map<std::u16string, std::string>& units) {
  std::vector<std::string> places;
  for (const auto& [name, text] : units) {
    if (!name.ends_with(u".pas")) continue;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
      const size_t marker = line.find("//!");
      if (marker == std::string::npos) continue;
      std::istringstream kinds(line.substr(marker + 3));
      for (std::string kind; kinds >> kind;)
        places.push_back(S(name) + ":" + std::to_string(number) + " " + kind);
    }
  }
  std::sort(places.begin(), places.end());
  return places;
}

TEST_F(TodoListTest, EveryMarkedLineIsListedAndEveryOtherLineStaysQuiet) {
  struct TCase {
    const char* Name;
    int Library;
    std::vector<std::pair<std::u16string, std::string>> Files;
  };
  const TCase cases[] = {
      {"every unit of the library in a uses clause, scoped names too",
       1,
       {{u"A.pas",
         "unit A;\ninterface\nuses SysUtils, IBQuery, IBSQLMonitor, //! uses uses\n"
         "  IBX.IBEvents, IBXTools, MyIBUnit; //! uses\nimplementation\n"
         "uses IBServices; //! uses\nend.\n"}}},
      {"FireDAC: every FireDAC unit, handlers, except on, the project's own class",
       10,
       {{u"A.pas",
         "unit A;\ninterface\nuses\n  System.SysUtils, FireDAC.Stan.Intf, FireDAC.Comp.Client, "
         "//! uses uses\n  FireDAC.Phys.PG, Data.DB; //! uses\ntype\n"
         "  TFDVSESession = class(TObject) end;\n"
         "var S: TFDVSESession; M: TFDMemTable; Q: TFDQuery; //! class\n"
         "implementation\n"
         "procedure TDM.Q1UpdateRecord(ASender: TDataSet; ARequest: TFDUpdateRequest; //! "
         "handler\n  var AAction: TFDErrorAction; AOptions: TFDUpdateRowOptions); //! handler "
         "handler\nbegin\n  { TFDMemTable in a comment } S := 'TFDMemTable';\n  try\n  except\n"
         "    on E: EFDDBEngineException do Log(E.Message); //! exception\n"
         "    on FireDAC.Stan.Error.EFDException do ; //! exception\n"
         "    on E: Exception do ;\n  end;\nend;\nend.\n"}}},
      {"IBX: handlers and except on, a class another unit of the run declares",
       1,
       {{u"A.pas",
         "unit A;\ninterface\nuses Own;\nvar L: TIBOwnLog; M: TIBSQLMonitor; //! class\n"
         "  T: TIBTransaction; F: TIBStringField;\nimplementation\n"
         "procedure TDM.QUpdateRecord(DataSet: TDataSet; UpdateKind: TUpdateKind;\n"
         "  var UpdateAction: TIBUpdateAction); //! handler\n"
         "procedure Later(Log: TIBOwnLog);\nbegin\n  try except on E: EIBInterBaseError do "
         "raise; end; //! exception\nend;\nend.\n"},
        {u"Own.pas",
         "unit Own;\ninterface\ntype\n  TIBOwnLog = class;\n"
         "  TIBOwnLog = class(TComponent) end;\nimplementation\nend.\n"}}},
      {"BDE: the global session, its class and the BDE's units",
       0,
       {{u"A.pas",
         "unit A;\ninterface\nuses DBTables, Bde, BDEConst, DB; //! uses uses uses\n"
         "var MySession: TSession; //! class\n  Q: TQuery; E: EDBEngineError;\n"
         "implementation\nprocedure P;\nbegin\n  Session.AddPassword('x'); //! session\n"
         "  Sessions.CurrentSession := MySession; //! session\n  MySession.Active := True;\n"
         "  Self.Session.Close;\n  try except on E: EDBEngineError do ; end;\nend;\nend.\n"}}},
      {"BDE: a Session the project declares is its own",
       0,
       {{u"A.pas", "unit A;\ninterface\nuses B;\nimplementation\nbegin\n  Session.Open;\nend.\n"},
        {u"B.pas", "unit B;\ninterface\nvar Session: TMyConnection;\nimplementation\nend.\n"}}},
      {"ADO: scoped units, its parameter classes and errors",
       2,
       {{u"A.pas",
         "unit A;\ninterface\nuses ADODB, Data.Win.ADODB, ADOInt; //! uses uses uses\n"
         "var P: TParameter; C: TADOConnection; //! class\nimplementation\nbegin\n"
         "  try except on E: EADOError do ; end; //! exception\nend.\n"}}},
      {"AnyDAC: its units by prefix; ADO's classes are not AnyDAC's",
       9,
       {{u"A.pas",
         "unit A;\ninterface\nuses uADStanIntf, uADCompClient, daADStanOption, ADODB; //! "
         "uses uses uses\nvar X: TADOQuery; Q: TADQuery;\n  M: TADMemTable; //! class\n"
         "implementation\nend.\n"}}},
      {"FIBPlus: pFIB and FIB units, update actions",
       11,
       {{u"A.pas",
         "unit A;\ninterface\nuses FIBDatabase, pFIBDataSet, FIBQuery, SIBEABase, Fibonacci; //! "
         "uses uses uses uses\nimplementation\nprocedure TDM.DSUpdateRecord(DataSet: TDataSet;\n"
         "  var UpdateAction: TFIBUpdateAction); //! handler\nbegin\nend;\nend.\n"}}},
      {"Kyrel: the unit named Kyr and its siblings",
       3,
       {{u"A.pas",
         "unit A;\ninterface\nuses Kyr, KyrSmart, Kyrgyz; //! uses uses\nimplementation\n"
         "end.\n"}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Converted.clear();
    const TRunReport report = Run(c.Library, c.Files);
    std::vector<std::string> listed;
    for (const TRunReport::TTodoItem& item : report.Todo)
      if (item.Line > 0)
        listed.push_back(S(item.FileName.substr(6)) + ":" + std::to_string(item.Line) + " " +
                         S(item.Kind));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, Marked(Converted));
  }
}

TEST_F(TodoListTest, WhatEachPlaceSaysAndWhatToDo) {
  struct TCase {
    const char* Name;
    int Library;
    const char* Unit;
    const char* Form;               // nullptr: none
    std::vector<std::string> Todo;  // "kind line:column what -- action"
  };
  const TCase cases[] = {
      {"source units stay in the uses clause",
       1,
       "unit A;\r\ninterface\r\nuses IBQuery,\r\n  IBDatabase;\r\nvar Q: TIBQuery;\r\nend.\r\n",
       nullptr,
       {"uses 3:6 the source unit IBQuery is still used -- remove it once nothing in the unit "
        "needs it",
        "uses 4:3 the source unit IBDatabase is still used -- remove it once nothing in the unit "
        "needs it"}},
      {"library classes without a counterpart, each place (the persistent fields have one)",
       1,
       "var F: TIBStringField; G: TIBStringField;\r\n B: TIBBCDField; Q: TIBQuery; "
       "I: TIBFoo.TX; M: TIBSQLMonitor; N: TIBSQLMonitor;",
       nullptr,
       {"class 2:33 TIBFoo is still used -- the catalogue does not convert it: replace it by hand",
        "class 2:47 TIBSQLMonitor is still used -- the catalogue does not convert it: replace it "
        "by hand",
        "class 2:65 TIBSQLMonitor is still used -- the catalogue does not convert it: replace it "
        "by hand"}},
      {"handlers, except on and the BDE session",
       0,
       "procedure TF.Q(var A: TSessionList);\r\nbegin\r\n  Session.Open;\r\n"
       "  try except on E: ENoResultSet do ; end;\r\nend;",
       nullptr,
       {"handler 1:23 TSessionList in the parameters of TF.Q -- the converted objects pass other "
        "types: declare the parameter with the target's type (a handler as the target's event "
        "declares it)",
        "session 3:3 Session.Open -- the target has no session: do it with the connection "
        "(TZanConnection)",
        "exception 4:20 on ENoResultSet -- the converted code raises the target's exceptions: "
        "catch EZanError"}},
      {"code using properties the conversion dropped",
       0,
       "unit A; {$R *.dfm}\r\nprocedure P;\r\nbegin\r\n  Q.SessionName := 'S';\r\n"
       "  Q.SQL.Clear; X.SessionName := '';\r\nend;",
       "object F: TF\r\n  object Q: TQuery\r\n    SessionName = 'S'\r\n    SQL.Strings = (\r\n"
       "      'select 1')\r\n  end\r\nend\r\n",
       {"property 4:5 Q.SessionName -- TZanQuery has no counterpart of SessionName: remove the "
        "code or rewrite it"}},
      {"a connection's parameters: the property each one became, or what the list became",
       10,
       "unit A; {$R *.dfm}\r\nbegin\r\n  C.Params.Values['Database'] := 'x';\r\n"
       "  C.Params.Values['User_Name'] := 'y'; C.Params.Database := 'z';\r\n"
       "  C.Params.Clear; C.Params.Values['Pooled'] := 'True'; C.Params.Add('Database=db');\r\n  "
       "C.Connected := True;\r\nend.",
       "object F: TF\r\n  object C: TFDConnection\r\n    Params.Strings = (\r\n"
       "      'DriverID=PG'\r\n      'Database=shop'\r\n      'User_Name=sa')\r\n"
       "    Connected = True\r\n  end\r\nend\r\n",
       {"property 3:5 C.Params -- use Database of TZanConnection",
        "property 4:5 C.Params -- use Username of TZanConnection",
        "property 4:42 C.Params -- use Database of TZanConnection",
        "property 5:5 C.Params -- TZanConnection has no Params; the form's Params became "
        "ProviderName, Database, Username",
        "property 5:21 C.Params -- TZanConnection has no Params; the form's Params became "
        "ProviderName, Database, Username",
        "property 5:58 C.Params -- use Database of TZanConnection"}},
      {"ADO parameters: ParamByName and Params",
       2,
       "unit A; {$R *.dfm}\r\nbegin\r\n  Q.Parameters.ParamByName('N').Value := 1;\r\n"
       "  Q.Parameters[0].Value := 2; Q.SQL.Text := '';\r\nend.",
       "object F: TF\r\n  object Q: TADOQuery\r\n    Parameters = <\r\n      item\r\n"
       "        Name = 'N'\r\n        DataType = ftInteger\r\n        Value = 1\r\n      end>\r\n"
       "    SQL.Strings = (\r\n      'select * from T where N = :N')\r\n  end\r\nend\r\n",
       {"property 3:5 Q.Parameters -- use ParamByName of TZanQuery",
        "property 4:5 Q.Parameters -- use Params of TZanQuery"}},
      {"IBX: the database of a data set, its SQL kept",
       1,
       "unit A; {$R *.dfm}\r\nbegin\r\n  Q.Database := D; Q.Database.Connected := True;\r\n"
       "  Q.Transaction := T; Q.SQL.Text := '';\r\nend.",
       "object F: TF\r\n  object D: TIBDatabase\r\n    DatabaseName = 'srv:/db.fdb'\r\n  end\r\n"
       "  object Q: TIBQuery\r\n    Database = D\r\n    Transaction = T\r\n"
       "    SQL.Strings = (\r\n      'select 1')\r\n  end\r\nend\r\n",
       {"property 3:5 Q.Database -- use Connection of TZanQuery",
        "property 3:22 Q.Database -- use Connection of TZanQuery"}},
      {"FIBPlus: SelectSQL; a master parameter rewritten in SQL leaves the code's SQL alone",
       11,
       "unit A; {$R *.dfm}\r\nbegin\r\n  Q.SelectSQL.Text := 'x'; Q.SQL.Add('y');\r\nend.",
       "object F: TF\r\n  object Q: TpFIBDataSet\r\n    SelectSQL.Strings = (\r\n"
       "      'select * from T where M = ?ID')\r\n  end\r\nend\r\n",
       {"property 3:5 Q.SelectSQL -- use SQL of TZanQuery"}},
      {"connections and data sets that would connect to nothing, written disconnected",
       2,
       "unit A; {$R *.dfm}\r\n",
       "object F: TF\r\n  object C: TADOConnection\r\n    Connected = True\r\n"
       "    ConnectionString = 'Provider=MSDASQL.1;DSN=Shop'\r\n  end\r\n"
       "  object T: TADOTable\r\n    Active = True\r\n  end\r\nend\r\n",
       {"connection 0:0 C: Connected = True was written False -- set Server or Database (or "
        "ConnectString) of TZanConnection, then Connected = True",
        "connection 0:0 T: Active = True was written False -- set Connection of TZanTable, then "
        "Active = True"}},
      {"routines declared external keep the source classes of their headings",
       0,
       "unit A;\r\ninterface\r\nprocedure Show(Q: TQuery); stdcall;\r\n  external 'people.dll';\r\n"
       "function Find(T: TTable): TTable; external 'people.dll' index 3;\r\n"
       "procedure Log(const S: string); external 'people.dll';\r\nimplementation\r\nend.\r\n",
       nullptr,
       {"external 3:19 the library expects the source class -- TQuery stays in the heading of the "
        "external routine Show: pass it an object of that class",
        "external 5:18 the library expects the source class -- TTable stays in the heading of the "
        "external routine Find: pass it an object of that class"}},
      {"nothing left", 0, "var Q: TQuery;", nullptr, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::pair<std::u16string, std::string>> files = {{u"A.pas", c.Unit}};
    if (c.Form) files.push_back({u"A.dfm", c.Form});
    const TRunReport report = Run(c.Library, files);
    std::vector<std::string> todo;
    for (const TRunReport::TTodoItem& item : report.Todo) {
      EXPECT_EQ(item.FileName, item.Kind == u"connection" ? u"/work/A.dfm" : u"/work/A.pas");
      todo.push_back(S(item.Kind) + " " + std::to_string(item.Line) + ":" +
                     std::to_string(item.Column) + " " + S(item.What) + " -- " + S(item.Action));
    }
    EXPECT_EQ(todo, c.Todo);
  }
}

TEST(TodoList, ClassPrefixesOfTheLibraries) {
  EXPECT_EQ(LibraryClassPrefixes(u"ibx"), std::vector<std::u16string>{u"TIB"});
  EXPECT_EQ(LibraryClassPrefixes(u"FIBPlus"), (std::vector<std::u16string>{u"TpFIB", u"TFIB"}));
  EXPECT_TRUE(LibraryClassPrefixes(u"BDE").empty());
}

}  // namespace
}  // namespace zan::test
