// The to-do list a run leaves in its report: source units still used,
// properties the code uses that the conversion dropped or renamed, classes
// the catalogue does not convert, objects left unconverted, connections and
// data sets written disconnected, external routines that keep source classes.
#include <gtest/gtest.h>

#include "ReplacerTestUtil.h"
#include "engine/FormRewriter.h"
#include "engine/TodoList.h"

namespace zan::test {
namespace {

class TodoListTest : public ReplacerTest {};

TEST_F(TodoListTest, PlacesThatStillNeedTheUser) {
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
      {"library classes without a counterpart, counted per unit (the persistent fields have one)",
       1,
       "var F: TIBStringField; G: TIBStringField;\r\n B: TIBBCDField; Q: TIBQuery; "
       "I: TIBFoo.TX; M: TIBSQLMonitor; N: TIBSQLMonitor;",
       nullptr,
       {"class 0:0 TIBFoo is used 1 time(s) -- the catalogue does not convert it: replace it by "
        "hand",
        "class 0:0 TIBSQLMonitor is used 2 time(s) -- the catalogue does not convert it: "
        "replace it by hand"}},
      {"code using properties the conversion dropped",
       0,
       "unit A; {$R *.dfm}\r\nprocedure P;\r\nbegin\r\n  Q.SessionName := 'S';\r\n"
       "  Q.SQL.Clear; X.SessionName := '';\r\nend;",
       "object F: TF\r\n  object Q: TQuery\r\n    SessionName = 'S'\r\n    SQL.Strings = (\r\n"
       "      'select 1')\r\n  end\r\nend\r\n",
       {"property 4:5 Q.SessionName -- TZanQuery has no counterpart of SessionName: remove the "
        "code or rewrite it"}},
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
    TMemoryFileSystem memory;
    memory.AddFile(u"/work/A.pas", c.Unit);
    if (c.Form) memory.AddFile(u"/work/A.dfm", c.Form);
    MakeReplacer(c.Library, &memory);
    InstallFormConversion(*Replacer);
    TRunReport report;
    report.Library = std::u16string(CatalogueLibraries()[static_cast<size_t>(c.Library)].Name);
    RunReport = &report;
    ASSERT_TRUE(Run());
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
