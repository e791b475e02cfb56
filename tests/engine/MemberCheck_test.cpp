// The member check of a replace run and --fix-code: small projects in which
// every line that must be listed carries a marker comment, `{TODO:member}`
// or `{TODO:member=advice}`, and every other line must stay quiet; then the
// fixes, as text before and after, and a second run that changes nothing.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "ReplacerTestUtil.h"
#include "engine/rewrite/FormRewriter.h"
#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"

namespace zan::test {
namespace {

class MemberCheckTest : public ReplacerTest {
 protected:
  struct TFile {
    const char* Path;
    const char* Text;
  };

  /// Runs library `library` over `files` in `fs` and returns the report.
  /// `rules`: the text of a rule file (nullptr: none).
  TRunReport Run(TMemoryFileSystem& fs, int library, const std::vector<TFile>& files, bool fixCode,
                 const char* rules = nullptr) {
    fs.AddFolder(u"/work");
    for (const TFile& file : files) fs.AddFile(U(file.Path), file.Text);
    MakeReplacer(library, &fs);
    Rules.reset();
    Registry.reset();
    if (rules) {
      Rules = std::make_unique<TUserRules>();
      Rules->LoadFromText(rules, u"rules.toml", library);
      Registry = std::make_unique<TClassRegistry>();
      Registry->AddClassesOf(TClassRegistry::Global());
      Rules->RegisterTargetClasses(*Registry);
    }
    InstallFormConversion(*Replacer);
    Options->FixCode = fixCode;
    TRunReport report;
    report.Library = std::u16string(CatalogueLibraries()[static_cast<size_t>(library)].Name);
    EXPECT_TRUE(RunInto(report));
    return report;
  }
  /// A run in the fixture's context with the rules of the last Run, into `report`.
  bool RunInto(TRunReport& report) {
    TRunContext context = Context();
    if (Rules) {
      context.UserRules = Rules.get();
      context.ClassRegistry = Registry.get();
    }
    context.Report = &report;
    return ReplacerTest::Run(context);
  }

  std::unique_ptr<TUserRules> Rules;
  std::unique_ptr<TClassRegistry> Registry;
};

/// "file:line" -> the advice of the markers in `files` ("" for none).
std::map<std::string, std::string> Markers(
    const std::vector<std::pair<std::string, std::string>>& files) {
  std::map<std::string, std::string> markers;
  for (const auto& [path, text] : files) {
    int line = 1;
    size_t start = 0;
    while (start <= text.size()) {
      const size_t end = std::min(text.find('\n', start), text.size());
      const std::string row = text.substr(start, end - start);
      if (const size_t at = row.find("{TODO:member"); at != std::string::npos) {
        const size_t close = row.find('}', at);
        const std::string inside = row.substr(at + 12, close - at - 12);
        markers[path + ":" + std::to_string(line)] = inside.empty() ? "" : inside.substr(1);
      }
      ++line;
      start = end + 1;
    }
  }
  return markers;
}

TEST_F(MemberCheckTest, ListsEveryMarkedPlaceAndNoOther) {
  struct TCase {
    const char* Name;
    int Library;
    std::vector<TFile> Files;
    const char* Rules = nullptr;
  };
  const TCase cases[] = {
      {"a data module's objects used from another unit, with, Self, parameters and results",
       0,
       {{"/work/DM.pas",
         "unit DM;\r\ninterface\r\nuses DBTables;\r\ntype\r\n"
         "  TDataModule1 = class(TDataModule)\r\n    Table1: TTable;\r\n    Query1: TQuery;\r\n"
         "    procedure Prepare;\r\n    property Orders: TQuery read Query1;\r\n  end;\r\n\r\n"
         "var\r\n  DataModule1: TDataModule1;\r\n\r\n"
         "implementation\r\n\r\nprocedure TDataModule1.Prepare;\r\nbegin\r\n"
         "  Self.Query1.Shuffle; {TODO:member}\r\n"
         "  Table1.IndexName := 'PRIMARY'; {TODO:member=set IndexFieldNames to the index's "
         "fields}\r\n"
         "  Table1.Open; Query1.SQL.Text := 'select 1'; Query1.ParamByName('A').AsInteger := 1;\r\n"
         "end;\r\n\r\nend.\r\n"},
        {"/work/Main.pas",
         "unit Main;\r\ninterface\r\nuses SysUtils, DM;\r\n"
         "function First(T: TTable): TQuery;\r\nimplementation\r\n\r\n"
         "function First(T: TTable): TQuery;\r\nvar\r\n  Q: TQuery;\r\n  S: string;\r\nbegin\r\n"
         "  DataModule1.Table1.IndexName := 'PRIMARY'; {TODO:member=set IndexFieldNames to the "
         "index's fields}\r\n"
         "  DataModule1.Table1.FieldByName('ID').AsInteger := 1; "
         "DataModule1.Table1.Fields[0].Clear;\r\n"
         "  T.IndexName := ''; {TODO:member=set IndexFieldNames to the index's fields}\r\n"
         "  Result.DatabaseName := 'Shop'; {TODO:member=use Connection}\r\n"
         "  Q.Close; Q.SQL.Add('x'); S := Q.Name; Q.Free;\r\n"
         "  with DataModule1.Query1 do\r\n  begin\r\n"
         "    Close;\r\n"
         "    DatabaseName := 'Shop'; {TODO:member=use Connection}\r\n"
         "    S := UpperCase(S); Open;\r\n"
         "  end;\r\n"
         "  with DataModule1 do Table1.Locate('ID', 1, []);\r\n"
         "  with DataModule1 do Query1.UnknownMember; {TODO:member}\r\n"
         "  TQuery(T).Shuffle; {TODO:member}\r\n"
         "  (Sender as TTable).Shuffle; {TODO:member}\r\n"
         "  DM.DataModule1.Orders.Shuffle; {TODO:member}\r\n"
         "  S.Length; Edit1.IndexName := '';\r\n"
         "end;\r\n\r\nend.\r\n"}}},
      {"ADO transactions and parameters",
       2,
       {{"/work/A.pas",
         "unit A;\r\ninterface\r\nuses ADODB;\r\nvar\r\n  Conn: TADOConnection;\r\n"
         "  Q: TADOQuery;\r\nimplementation\r\nprocedure Save;\r\nbegin\r\n"
         "  Conn.BeginTrans; {TODO:member=use StartTransaction}\r\n"
         "  Q.Parameters.ParamByName('ID').Value := 1; {TODO:member=use ParamByName}\r\n"
         "  Q.Parameters[0].Value := 2; {TODO:member=use ParamByName or Params}\r\n"
         "  with Conn do CommitTrans; {TODO:member=use Commit}\r\n"
         "  if Conn.InTransaction then Conn.RollbackTrans; {TODO:member=use Rollback}\r\n"
         "  Q.Connection.Commit; Q.ExecSQL;\r\n"
         "end;\r\nend.\r\n"}}},
      {"FIBPlus and IBX members",
       11,
       {{"/work/F.pas",
         "unit F;\r\ninterface\r\nuses pFIBDataSet, pFIBDatabase;\r\ntype\r\n"
         "  TF = class(TForm)\r\n    DS: TpFIBDataSet;\r\n    Tr: TpFIBTransaction;\r\n"
         "    procedure Go(Sender: TObject);\r\n  end;\r\nimplementation\r\n"
         "procedure TF.Go(Sender: TObject);\r\nbegin\r\n"
         "  DS.SQLs.SelectSQL.Text := 'select 1'; {TODO:member=use SQL}\r\n"
         "  DS.FBN('NAME').AsString := 'x'; {TODO:member=use FieldByName}\r\n"
         "  DS.CloseOpen(True); {TODO:member=call Close, then Open}\r\n"
         "  Tr.DefaultDatabase := nil; {TODO:member=use DefaultConnection}\r\n"
         "  DS.SelectSQL.Clear; {TODO:member=use SQL}\r\n"
         "  Tr.StartTransaction; DS.Transaction.Commit; DS.Open;\r\n"
         "end;\r\nend.\r\n"}}},
      {"a rule file's target class with members of its own; one without any is not checked",
       0,
       {{"/work/R.pas",
         "unit R;\r\ninterface\r\nuses DBTables;\r\nvar\r\n  O: TOrdersQuery; V: TVendorTable;\r\n"
         "implementation\r\nbegin\r\n  O.RecalcTotals; O.OrderStatus := 1; O.Open;\r\n"
         "  O.Shuffle; {TODO:member}\r\n  V.Anything;\r\nend.\r\n"}},
       "[[pair]]\nsource = \"TOrdersQuery\"\ntarget = \"TOrdersQuery\"\nrules-of = \"TQuery\"\n"
       "[[pair]]\nsource = \"TVendorTable\"\ntarget = \"TVendorTable\"\n"
       "[[target-class]]\nname = \"TOrdersQuery\"\ninherits = \"TZanQuery\"\n"
       "properties = [\"OrderStatus\"]\nmembers = [\"RecalcTotals\"]\n"
       "[[target-class]]\nname = \"TVendorTable\"\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryFileSystem memory;
    const TRunReport report = Run(memory, c.Library, c.Files, false, c.Rules);
    std::vector<std::pair<std::string, std::string>> texts;
    for (const TFile& file : c.Files) texts.emplace_back(file.Path, file.Text);
    std::map<std::string, std::string> listed;
    for (const TRunReport::TTodoItem& item : report.Todo)
      if (item.Kind == u"member") {
        const std::string place = S(item.FileName) + ":" + std::to_string(item.Line);
        EXPECT_FALSE(listed.contains(place)) << place << ": listed twice";
        listed[place] = S(item.Action);
      }
    EXPECT_EQ(listed, Markers(texts));
  }
}

TEST_F(MemberCheckTest, OnePlaceIsListedOnce) {
  // The form conversion dropped SessionName: the `property` entry names the place.
  const TRunReport report =
      Run(Fs, 0,
          {{"/work/A.pas",
            "unit A;\r\ninterface\r\ntype\r\n  TF = class(TForm)\r\n    Q: TQuery;\r\n"
            "    procedure Go;\r\n  end;\r\nimplementation\r\n{$R *.dfm}\r\n"
            "procedure TF.Go;\r\nbegin\r\n  Q.SessionName := 'S'; Q.Shuffle;\r\nend;\r\nend.\r\n"},
           {"/work/A.dfm",
            "object F: TF\r\n  object Q: TQuery\r\n    SessionName = 'S'\r\n  end\r\nend\r\n"}},
          false);
  std::vector<std::string> places;
  for (const TRunReport::TTodoItem& item : report.Todo)
    places.push_back(S(item.Kind) + " " + std::to_string(item.Line) + ":" +
                     std::to_string(item.Column));
  EXPECT_EQ(places, (std::vector<std::string>{"property 15:5", "member 15:27"}));
}

TEST_F(MemberCheckTest, FixCodeRenamesWhatIsOneToOne) {
  struct TCase {
    const char* Name;
    int Library;
    const char* Before;  // after "unit A;\r\ninterface\r\n"
    const char* After;
    std::vector<std::string> Fixes;  // "line:column [before] -> [after]"
  };
  const std::string head = "unit A;\r\ninterface\r\n";
  const TCase cases[] = {
      {"ADO transactions and parameters",
       2,
       "uses Classes;\r\nvar\r\n  C: TADOConnection; Q: TADOQuery;\r\nimplementation\r\nbegin\r\n"
       "  C.BeginTrans; Q.Parameters.ParamByName('A').Value := 1;\r\n"
       "  with C do begin CommitTrans; RollbackTrans; end;\r\n"
       "  Q.Parameters[0].Value := 1;\r\nend.\r\n",
       "uses Classes, Zan, Quillbase, Rowquill;\r\nvar\r\n  C: TZanConnection; Q: TZanQuery;\r\n"
       "implementation\r\nbegin\r\n"
       "  C.StartTransaction; Q.ParamByName('A').Value := 1;\r\n"
       "  with C do begin Commit; Rollback; end;\r\n"
       "  Q.Parameters[0].Value := 1;\r\nend.\r\n",
       {"8:5 [BeginTrans] -> [StartTransaction]", "8:19 [Parameters.ParamByName] -> [ParamByName]",
        "9:19 [CommitTrans] -> [Commit]", "9:32 [RollbackTrans] -> [Rollback]"}},
      {"FIBPlus texts and FBN; FBN without a call stays",
       11,
       "uses Classes;\r\nvar\r\n  D: TpFIBDataSet;\r\nimplementation\r\nbegin\r\n"
       "  D.SQLs.SelectSQL.Text := ''; D.SelectSQL.Clear; D.FBN('A').Clear; P := @D.FBN;\r\n"
       "end.\r\n",
       "uses Classes, Quillbase, Rowquill, TslSQLMonitor, TslAlerter, TslScript, "
       "InterBaseZanProvider, Zan, ZanScript, ZanAlerter, ZanSQLMonitor;\r\nvar\r\n"
       "  D: TZanQuery;\r\nimplementation\r\nbegin\r\n"
       "  D.SQL.Text := ''; D.SQL.Clear; D.FieldByName('A').Clear; P := @D.FBN;\r\n"
       "end.\r\n",
       {"8:5 [SQLs.SelectSQL] -> [SQL]", "8:34 [SelectSQL] -> [SQL]",
        "8:53 [FBN] -> [FieldByName]"}},
      {"IBX: a data set's Database, not the connection's",
       1,
       "uses Classes;\r\nvar\r\n  Q: TIBQuery; DB: TIBDatabase;\r\nimplementation\r\nbegin\r\n"
       "  Q.Database := DB; DB.Database := 'shop.fdb';\r\nend.\r\n",
       "uses Classes, Zan, Quillbase, Rowquill;\r\nvar\r\n  Q: TZanQuery; DB: TZanConnection;\r\n"
       "implementation\r\nbegin\r\n"
       "  Q.Connection := DB; DB.Database := 'shop.fdb';\r\nend.\r\n",
       {"8:5 [Database] -> [Connection]"}},
      {"a source unit nothing is left of goes",
       0,
       "uses DBTables, Classes;\r\nvar\r\n  qryOrders: TQuery; btnGo: TObject;\r\n"
       "implementation\r\nend.\r\n",
       "uses Zan, Quillbase, Rowquill, Classes;\r\nvar\r\n  qryOrders: TZanQuery; btnGo: "
       "TObject;\r\n"
       "implementation\r\nend.\r\n",
       {"3:6 [DBTables, ] -> []"}},
      {"after a fix, the last one; one in a conditional stays",
       1,
       "uses Classes, IBQuery, {$IFDEF X}IBDatabase,{$ENDIF} SysUtils;\r\nvar\r\n  Q: TIBQuery;\r\n"
       "implementation\r\nbegin\r\n  Q.Database := nil;\r\nend.\r\n",
       "uses Classes, Zan, Quillbase, Rowquill, {$IFDEF X}IBDatabase,{$ENDIF} SysUtils;\r\nvar\r\n"
       "  Q: TZanQuery;\r\nimplementation\r\nbegin\r\n  Q.Connection := nil;\r\nend.\r\n",
       {"8:5 [Database] -> [Connection]", "3:13 [, IBQuery] -> []"}},
      {"a source unit stays while something of it is left",
       2,
       "uses ADODB;\r\nconst\r\n  L = ltBatchOptimistic; K = cmdText;\r\nvar\r\n"
       "  Q: TADOQuery;\r\nimplementation\r\nend.\r\n",
       "uses ADODB, Zan, Quillbase, Rowquill;\r\nconst\r\n  L = ltBatchOptimistic; K = cmdText;\r\n"
       "var\r\n  Q: TZanQuery;\r\nimplementation\r\nend.\r\n",
       {}},
      {"so does one beside a class of the library the catalogue does not convert",
       1,
       "uses IBQuery;\r\nvar\r\n  Q: TIBQuery; E: TIBEvents;\r\nimplementation\r\nend.\r\n",
       "uses IBQuery, Zan, Quillbase, Rowquill;\r\nvar\r\n  Q: TZanQuery; E: TIBEvents;\r\n"
       "implementation\r\nend.\r\n",
       {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryFileSystem memory;
    const std::string before = head + c.Before;
    TRunReport report = Run(memory, c.Library, {{"/work/A.pas", before.c_str()}}, true);
    EXPECT_EQ(memory.Contents(u"/work/A.pas"), head + c.After);
    std::vector<std::string> fixes;
    for (const TRunReport::TCodeFix& fix : report.CodeFixes)
      fixes.push_back(std::to_string(fix.Line) + ":" + std::to_string(fix.Column) + " [" +
                      S(fix.Before) + "] -> [" + S(fix.After) + "]");
    EXPECT_EQ(fixes, c.Fixes);
    // Fixed places and removed units are not to-do entries.
    for (const TRunReport::TTodoItem& item : report.Todo) {
      if (item.Kind == u"uses") {  // "the source unit NAME is still used"
        const std::string what = S(item.What);
        EXPECT_NE(std::string(c.After).find(what.substr(16, what.find(" is ") - 16)),
                  std::string::npos);
      }
      for (const TRunReport::TCodeFix& fix : report.CodeFixes)
        EXPECT_FALSE(item.Line == fix.Line && item.Column == fix.Column) << S(item.What);
    }
    // The backup holds the original; a second run changes nothing.
    EXPECT_EQ(memory.Contents(u"/work/RBackup/A.~pas"), before);
    report = TRunReport();
    report.Library = std::u16string(CatalogueLibraries()[static_cast<size_t>(c.Library)].Name);
    EXPECT_TRUE(RunInto(report));
    EXPECT_EQ(report.ChangedFileCount(), 0);
    EXPECT_TRUE(report.CodeFixes.empty());
    EXPECT_EQ(memory.Contents(u"/work/A.pas"), head + c.After);
  }
}

TEST_F(MemberCheckTest, AUnitChangedOnlyByFixesIsPublishedAndRestored) {
  // Main holds no source class: only the fix changes it.
  Fs.AddFile(
      u"/work/DM.pas",
      "unit DM;\r\ninterface\r\nvar\r\n  Conn: TADOConnection;\r\nimplementation\r\nend.\r\n");
  const std::string main =
      "unit Main;\r\ninterface\r\nuses DM;\r\nimplementation\r\nbegin\r\n"
      "  Conn.BeginTrans;\r\nend.\r\n";
  Fs.AddFile(u"/work/Main.pas", main);
  MakeReplacer(2, &Fs);
  Options->FixCode = true;
  TRunReport report;
  ASSERT_TRUE(RunInto(report));
  EXPECT_EQ(report.ChangedFileCount(), 2);
  EXPECT_NE(File(u"/work/Main.pas").find("Conn.StartTransaction;"), std::string::npos);
  EXPECT_NE(report.ToJson().find("\"codeFixes\""), std::string::npos);
  ASSERT_TRUE(Restore(u"/work/RBackup/RExpert.reu"));
  EXPECT_EQ(File(u"/work/Main.pas"), main);
}

TEST_F(MemberCheckTest, EveryCutOfAUnitIsReadWithoutHarm) {
  // The reading is light: a unit cut anywhere (mid-declaration, mid-body)
  // must not stop the run, and neither must the fixes.
  const std::string unit =
      "unit A;\r\ninterface\r\nuses ADODB;\r\ntype\r\n  TF = class(TForm)\r\n"
      "    C: TADOConnection;\r\n    procedure Go(const A: array of Integer; var B); virtual;\r\n"
      "    property P[I: Integer]: Integer read F; default;\r\n  end;\r\n"
      "  R = record case Integer of 0: (X: Integer); end;\r\nvar F: TF;\r\nimplementation\r\n"
      "function TF.Go(const A: array of Integer; var B): TADOQuery;\r\nvar Q: TADOQuery;\r\n"
      "  procedure Inner; begin Q.Parameters.ParamByName('A'); end;\r\nbegin\r\n"
      "  with F.C do begin BeginTrans; try Result := Q; finally CommitTrans; end; end;\r\n"
      "  case 1 of 1: Q.FBN('X'); end;\r\nend;\r\ninitialization\r\n  F.C.BeginTrans;\r\nend.\r\n";
  for (size_t cut = 0; cut <= unit.size(); ++cut) {
    SCOPED_TRACE(cut);
    TMemoryFileSystem memory;
    EXPECT_NO_THROW(Run(memory, 2, {{"/work/A.pas", unit.substr(0, cut).c_str()}}, true));
  }
  // And units of the words and symbols the reading acts on, in any order.
  const char* words[] = {"unit",
                         "uses",
                         "type",
                         "var",
                         "class",
                         "record",
                         "begin",
                         "end",
                         "case",
                         "try",
                         "with",
                         "do",
                         "as",
                         "in",
                         "of",
                         "asm",
                         "label",
                         "property",
                         "procedure",
                         "function",
                         "implementation",
                         "C",
                         "C.BeginTrans",
                         "TF",
                         "(",
                         ")",
                         "[",
                         "]",
                         ".",
                         ";",
                         ":",
                         ",",
                         "=",
                         "<",
                         ">",
                         "'x'",
                         "Self",
                         "external"};
  std::mt19937 random(29);
  for (int soup = 0; soup < 300; ++soup) {
    std::string text = "unit A; interface uses ADODB; var C: TADOConnection; ";
    for (int word = 0; word < 40; ++word)
      text += std::string(words[random() % std::size(words)]) + " ";
    SCOPED_TRACE(text);
    TMemoryFileSystem memory;
    EXPECT_NO_THROW(Run(memory, 2, {{"/work/A.pas", text.c_str()}}, true));
  }
}

}  // namespace
}  // namespace zan::test
