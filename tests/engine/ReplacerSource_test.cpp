// Source-unit rewriting: class names, `uses` clauses of every source library,
// comments, strings, encodings. Each case runs a whole folder run over one unit.
#include <gtest/gtest.h>

#include "ReplacerTestUtil.h"
#include "engine/files/TextFile.h"
#include "engine/report/RunReport.h"
#include "parsing/PasParser.h"

namespace zan::test {
namespace {

enum : int { kBDE = 0, kIBX = 1, kADO = 2, kKyrel = 3, kAnyDAC = 9, kFireDAC = 10, kFIBPlus = 11 };

struct TRewriteCase {
  int Library;
  const char* Input;
  const char* Expected;  // nullptr: the unit stays as it is
  int Changes;
};

class SourceRewriteTest : public ReplacerTest {
 protected:
  /// Runs `library` over a folder holding `bytes` as /work/U.pas; returns the
  /// unit's bytes afterwards and the change count of its log line.
  std::string Rewrite(int library, const std::string& bytes, int& changes,
                      const std::u16string& unit = u"/work/U.pas") {
    MakeReplacer(library, &Fs);
    Options->MakeBackup = false;
    Options->WriteLog = false;
    Fs.AddFile(unit, bytes);
    TRunReport report;
    RunReport = &report;
    EXPECT_TRUE(Run());
    EXPECT_EQ(report.Files.size(), 1u);
    changes = report.Files.empty() ? -1 : report.Files[0].Changes;
    return File(unit);
  }
};

const TRewriteCase kRewriteCases[] = {
    // The first source unit of a uses clause gets the target units after it.
    {kBDE, "uses Windows, DBTables, Forms;",
     "uses Windows, DBTables, Zan, Quillbase, Rowquill, Forms;", 1},
    {kBDE, "uses dbtables;", "uses dbtables, Zan, Quillbase, Rowquill;", 1},
    // A target unit the clause names already is not added again (second runs,
    // runs for two libraries), in any letter case; none missing: no change.
    {kBDE, "uses DBTables, Zan;", "uses DBTables, Quillbase, Rowquill, Zan;", 1},
    {kBDE, "uses DBTables, Zan, Quillbase, Rowquill;", nullptr, 0},
    {kBDE, "uses Forms, QUILLBASE, DBTables, zan.x, Rowquill;",
     "uses Forms, QUILLBASE, DBTables, Zan, zan.x, Rowquill;", 1},
    {kIBX, "uses IBQuery, Zan, Quillbase, Rowquill, DBTables;", nullptr, 0},
    {kKyrel, "uses Kyr, Zan, Quillbase, Rowquill;",
     "uses Kyr, OracleZanProvider, Zan, Quillbase, Rowquill;", 1},
    {kBDE, "interface uses DBTables; implementation uses DBTables;",
     "interface uses DBTables, Zan, Quillbase, Rowquill; implementation uses DBTables;", 1},
    {kBDE, "uses {$IFDEF X} DBTables {$ENDIF} ;",
     "uses {$IFDEF X} DBTables, Zan, Quillbase, Rowquill {$ENDIF} ;", 1},
    {kBDE, "uses Bde.DBTables, Forms;", "uses Bde.DBTables, Zan, Quillbase, Rowquill, Forms;", 1},
    // An entry with its file stays whole: the units follow its path (and the
    // form comment that belongs to it).
    {kBDE, "uses DBTables in 'DBTables.pas';",
     "uses DBTables in 'DBTables.pas', Zan, Quillbase, Rowquill;", 1},
    {kBDE, "uses Forms, DBTables in '..\\bde\\DBTables.pas' {dm}, Unit2;",
     "uses Forms, DBTables in '..\\bde\\DBTables.pas' {dm}, Zan, Quillbase, Rowquill, Unit2;", 1},
    {kBDE, "uses DBTables\n  in 'DBTables.pas' // bde\n  ;",
     "uses DBTables\n  in 'DBTables.pas', Zan, Quillbase, Rowquill // bde\n  ;", 1},
    // ... and not when another clause of the unit names it (twice would not compile).
    {kBDE, "unit U; interface uses DBTables; implementation uses zan; end.",
     "unit U; interface uses DBTables, Quillbase, Rowquill; implementation uses zan; end.", 1},
    // No source unit, but a class renamed: the target units go at the end of
    // the interface clause (after conditional entries and comments, never
    // behind a line comment), into every clause of a conditional, or into a
    // new clause after `interface` (after the program heading).
    {kBDE,
     "unit U; interface uses Windows{$IFDEF X}, Forms{$ENDIF}; var Q: TQuery; implementation end.",
     "unit U; interface uses Windows{$IFDEF X}, Forms{$ENDIF}, Zan, Quillbase, Rowquill; "
     "var Q: TZanQuery; implementation end.",
     2},
    {kBDE, "unit U;\ninterface\nuses\n  Windows, { UI }\n  Forms // last\n  ;\nvar Q: TQuery;\n",
     "unit U;\ninterface\nuses\n  Windows, { UI }\n  Forms, Zan, Quillbase, Rowquill // last\n  ;\n"
     "var Q: TZanQuery;\n",
     2},
    {kBDE,
     "unit U; interface {$IFDEF FPC} uses LCLIntf; {$ELSE} uses Windows; {$ENDIF} var Q: TQuery;",
     "unit U; interface {$IFDEF FPC} uses LCLIntf, Zan, Quillbase, Rowquill; {$ELSE} uses Windows, "
     "Zan, Quillbase, Rowquill; {$ENDIF} var Q: TZanQuery;",
     3},
    // A ";" in the branches of a conditional: the units go before it, after
    // the last entry outside it (or right after `uses`), so every build has them.
    {kBDE,
     "unit U; interface uses Classes, {$IFDEF MSWINDOWS} Windows; {$ELSE} Unix; {$ENDIF} "
     "var Q: TQuery; implementation end.",
     "unit U; interface uses Classes, Zan, Quillbase, Rowquill, {$IFDEF MSWINDOWS} Windows; "
     "{$ELSE} Unix; {$ENDIF} var Q: TZanQuery; implementation end.",
     2},
    {kBDE,
     "unit U; interface uses Classes {$IFDEF A}, Windows {$IFDEF B}, X{$ENDIF}; (*$ELSE*), Unix; "
     "{$ENDIF} var Q: TQuery;",
     "unit U; interface uses Classes, Zan, Quillbase, Rowquill {$IFDEF A}, Windows {$IFDEF B}, "
     "X{$ENDIF}; (*$ELSE*), Unix; {$ENDIF} var Q: TZanQuery;",
     2},
    {kBDE, "unit U; interface uses {$IFDEF W} Windows; {$ELSE} Unix; {$ENDIF} var Q: TQuery;",
     "unit U; interface uses Zan, Quillbase, Rowquill, {$IFDEF W} Windows; {$ELSE} Unix; {$ENDIF} "
     "var Q: TZanQuery;",
     2},
    {kBDE, "unit U; interface uses Classes, {$IFDEF W} DBTables; {$ELSE} Unix; {$ENDIF}",
     "unit U; interface uses Classes, Zan, Quillbase, Rowquill, {$IFDEF W} DBTables; {$ELSE} "
     "Unix; {$ENDIF}",
     1},
    {kBDE,
     "unit U; interface uses Forms; implementation procedure P; var Q: TQuery; begin end; end.",
     "unit U; interface uses Forms, Zan, Quillbase, Rowquill; implementation procedure P; "
     "var Q: TZanQuery; begin end; end.",
     2},
    {kBDE, "unit U;\r\ninterface\r\nvar Q: TQuery;\r\nimplementation\r\nuses zan;\r\nend.",
     "unit U;\r\ninterface\r\n\r\nuses\r\n  Quillbase, Rowquill;\r\nvar Q: TZanQuery;\r\n"
     "implementation\r\nuses zan;\r\nend.",
     2},
    {kBDE, "unit U;\ninterface // public\nvar Q: TQuery;\n",
     "unit U;\ninterface // public\n\nuses\n  Zan, Quillbase, Rowquill;\nvar Q: TZanQuery;\n", 2},
    {kBDE, "unit U; interface {$I defs.inc} var Q: TQuery;",
     "unit U; interface\r\n\r\nuses\r\n  Zan, Quillbase, Rowquill; {$I defs.inc} var Q: TZanQuery;",
     2},
    {kBDE, "library L;\nuses\n  Data in 'sub\\Data.pas' {dmData};\nvar D: TDatabase;\nbegin end.",
     "library L;\nuses\n  Data in 'sub\\Data.pas' {dmData}, Zan, Quillbase, Rowquill;\n"
     "var D: TZanConnection;\nbegin end.",
     2},
    {kBDE, "program P(Input);\rvar D: TDatabase;\rbegin end.",
     "program P(Input);\r\ruses\r  Zan, Quillbase, Rowquill;\rvar D: TZanConnection;\rbegin end.",
     2},
    // Nothing renamed in code, or no unit heading: no target units.
    {kBDE, "unit U; interface uses Forms; { TQuery } implementation end.",
     "unit U; interface uses Forms; { TZanQuery } implementation end.", 1},
    {kBDE, "unit U; var Q: TQuery;", "unit U; var Q: TZanQuery;", 1},
    {kBDE, "package P; requires vcl; var Q: TQuery;", "package P; requires vcl; var Q: TZanQuery;",
     1},
    // Outside a uses clause the unit name is left alone.
    {kBDE, "x := DBTables;", nullptr, 0},
    // Class names in code, in any letter case; the target as the pair writes it.
    {kBDE, "var Q: tquery;", "var Q: TZanQuery;", 1},
    // A class qualified with a source unit loses the qualifier (the target
    // class is not in it); any other qualifier stays.
    {kBDE, "Q := DBTables.TQuery.Create(nil);", "Q := TZanQuery.Create(nil);", 1},
    {kBDE, "Table1: DBTables.TTable; T: Bde.DBTables.TTable; U: dbtables.ttable;",
     "Table1: TZanTable; T: TZanTable; U: TZanTable;", 3},
    {kBDE, "unit U; interface uses DBTables; var T: DBTables.TTable; implementation end.",
     "unit U; interface uses DBTables, Zan, Quillbase, Rowquill; var T: TZanTable; "
     "implementation end.",
     2},
    {kBDE, "T: MyData.TTable; F: DBTables.TField; X := DBTables.Session;",
     "T: MyData.TZanTable; F: DBTables.TField; X := DBTables.Session;", 1},
    {kADO, "Q: Data.Win.ADODB.TADOQuery;", "Q: TZanQuery;", 1},
    {kFireDAC, "Q: FireDAC.Comp.Client.TFDQuery; R: FireDACExtra.TFDQuery;",
     "Q: TZanQuery; R: FireDACExtra.TZanQuery;", 2},
    // A routine declared external keeps the classes of its heading: the
    // library behind it expects them.
    {kBDE, "procedure Show(Q: TQuery); external 'people.dll';", nullptr, 0},
    {kBDE,
     "function Find(T: TTable): DBTables.TQuery; stdcall; external 'people.dll' name 'Find';\n"
     "procedure Log(Q: TQuery); cdecl; overload; external 'lib' index 3;\n"
     "procedure Ext(Q: TQuery); external name 'Ext';",
     nullptr, 0},
    {kBDE,
     "procedure A(Q: TQuery); stdcall; procedure B(Q: TQuery); stdcall; external 'x'; "
     "var Q: TQuery; type TP = procedure(Q: TQuery) of object;",
     "procedure A(Q: TZanQuery); stdcall; procedure B(Q: TQuery); stdcall; external 'x'; "
     "var Q: TZanQuery; type TP = procedure(Q: TZanQuery) of object;",
     3},
    {kBDE, "except on E: EDBEngineError do", "except on E: EZanError do", 1},
    {kBDE, "T: TTable; W: TwwTable; B: TBatchMove;", "T: TZanTable; W: TZanTable; B: TLxBatchMove;",
     3},
    {kBDE, "TQueryHelper = class", nullptr, 0},
    // Strings never change; comments do, and each rename counts.
    {kBDE, "s := 'TQuery';", nullptr, 0},
    {kBDE, "{ TQuery and TTable }", "{ TZanQuery and TZanTable }", 2},
    {kBDE, "// a TQuery\r\n", "// a TZanQuery\r\n", 1},
    {kBDE, "(* TDatabase *)", "(* TZanConnection *)", 1},
    {kBDE, "{ 'TQuery' }", nullptr, 0},
    {kBDE, "{$R *.dfm} {$R *.res}", nullptr, 0},
    // IBX: nine source units, only the first met is extended.
    {kIBX, "uses IBQuery, IBDatabase;", "uses IBQuery, Zan, Quillbase, Rowquill, IBDatabase;", 1},
    {kIBX, "uses IBUpdateSQL;", "uses IBUpdateSQL, Zan, Quillbase, Rowquill;", 1},
    {kIBX, "D: TIBDATASET;", "D: TZanQuery;", 1},
    // FIBPlus: its own target text, Zan in the middle.
    {kFIBPlus, "uses FIBDatabase;",
     "uses FIBDatabase, Quillbase, Rowquill, TslSQLMonitor, TslAlerter, TslScript, "
     "InterBaseZanProvider, Zan, ZanScript, ZanAlerter, ZanSQLMonitor;",
     1},
    // Dotted unit names: the whole name, or one of its names.
    {kFireDAC, "uses FireDAC.Stan.Intf, FireDAC.Comp.Client;",
     "uses FireDAC.Stan.Intf, Zan, Quillbase, Rowquill, FireDAC.Comp.Client;", 1},
    {kFireDAC, "uses FireDAC.Comp.Client;", nullptr, 0},
    {kFireDAC, "uses firedac.stan.intf;", "uses firedac.stan.intf, Zan, Quillbase, Rowquill;", 1},
    {kFireDAC, "Q: TFDQuery; S: TFDScript;", "Q: TZanQuery; S: TZanScript;", 2},
    {kADO, "uses Data.Win.ADODB;", "uses Data.Win.ADODB, Zan, Quillbase, Rowquill;", 1},
    {kAnyDAC, "uses uADStanIntf; var L: TADPhysPgDriverLink;",
     "uses uADStanIntf, Zan, Quillbase, Rowquill; var L: TPostgreSQLZanProvider;", 2},
};

TEST_F(SourceRewriteTest, RewritesUnitsAsTheCatalogueSays) {
  for (const TRewriteCase& c : kRewriteCases) {
    SCOPED_TRACE(c.Input);
    int changes = -1;
    const std::string out = Rewrite(c.Library, c.Input, changes);
    EXPECT_EQ(out, c.Expected ? c.Expected : c.Input);
    EXPECT_EQ(changes, c.Changes);
    // A second run changes nothing.
    EXPECT_EQ(Rewrite(c.Library, out, changes), out);
    EXPECT_EQ(changes, 0);
  }
}

TEST_F(SourceRewriteTest, EveryLibraryExtendsItsUnitsAndRenamesItsClasses) {
  for (int library = 0; library < static_cast<int>(CatalogueLibraries().size()); ++library) {
    const TLibraryInfo& info = CatalogueLibraries()[static_cast<size_t>(library)];
    SCOPED_TRACE(S(std::u16string(info.Name)));
    // The last of its source units, then the first and last of its classes.
    const std::u16string_view units = info.SourceUnits;
    const std::u16string unit(units.substr(units.rfind(u',') + 1));
    const TReplacePair& first = info.Pairs.front();
    const TReplacePair& last = info.Pairs.back();
    const std::u16string input = u"uses SysUtils, " + unit + u"; var A: " +
                                 std::u16string(first.OldComp) + u"; B: " +
                                 std::u16string(last.OldComp) + u";";
    const std::u16string expected = u"uses SysUtils, " + unit + std::u16string(info.TargetUses) +
                                    u"; var A: " + std::u16string(first.NewComp) + u"; B: " +
                                    std::u16string(last.NewComp) + u";";
    int changes = -1;
    EXPECT_EQ(Rewrite(library, S(input), changes), S(expected));
    EXPECT_EQ(changes, 3);
  }
}

/// The upper-cased names of every `uses` clause of `text` as the project's
/// Pascal lexer reads them (dotted names whole), in text order.
std::vector<std::u16string> UsesNames(const std::u16string& text) {
  TPasParser lexer(text);
  std::vector<std::u16string> names;
  std::u16string name;
  bool inUses = false;
  for (;;) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexEnd) break;
    if (lexeme.Code == kwUses) inUses = true;
    if (!inUses) continue;
    if (lexeme.Code == lexIdent || (lexeme.Code == symDot && !name.empty())) {
      name += AnsiUpperCase(lexeme.Text);
      continue;
    }
    if (!name.empty()) names.push_back(name);
    name.clear();
    if (lexeme.Code == symSemicolon) inUses = false;
  }
  return names;
}

/// The upper-cased units of a target list (", Zan, Quillbase").
std::vector<std::u16string> TargetUnitNames(std::u16string_view list) {
  std::vector<std::u16string> names;
  for (size_t start = 0; start < list.size();) {
    const size_t comma = std::min(list.find(u',', start), list.size());
    if (const std::u16string name = Trim(list.substr(start, comma - start)); !name.empty())
      names.push_back(AnsiUpperCase(name));
    start = comma + 1;
  }
  return names;
}

/// `pattern` with "\n" as `lineBreak` and the markers filled in: %old% and
/// %new% a class pair, %uses% the target list (", Zan, ..."), %clause% the
/// list as a clause of its own holds it ("Zan, ...").
std::string Expand(std::string pattern, const std::string& lineBreak, const TLibraryInfo& info) {
  const TReplacePair& pair = info.Pairs.front();
  const std::string uses = S(std::u16string(info.TargetUses));
  const std::pair<std::string, std::string> markers[] = {
      {"\n", lineBreak},
      {"%old%", S(std::u16string(pair.OldComp))},
      {"%new%", S(std::u16string(pair.NewComp))},
      {"%uses%", uses},
      {"%clause%", uses.substr(2)},
  };
  for (const auto& [marker, text] : markers)
    for (size_t at = pattern.find(marker); at != std::string::npos;
         at = pattern.find(marker, at + text.size()))
      pattern.replace(at, marker.size(), text);
  return pattern;
}

TEST_F(SourceRewriteTest, EveryLibraryAddsItsUnitsWhereItRenamedClassesWithoutSourceUnits) {
  struct TShape {
    const char* Name;
    const char16_t* File;
    const char* Input;
    const char* Expected;
  };
  const TShape shapes[] = {
      {"interface uses without source units", u"/work/U.pas",
       "unit U;\n\ninterface\n\nuses\n  SysUtils, Classes;\n\ntype\n  TDM = class(TDataModule)\n"
       "    A: %old%;\n  end;\n\nimplementation\n\nend.\n",
       "unit U;\n\ninterface\n\nuses\n  SysUtils, Classes%uses%;\n\ntype\n  TDM = "
       "class(TDataModule)\n"
       "    A: %new%;\n  end;\n\nimplementation\n\nend.\n"},
      {"no uses clause", u"/work/U.pas",
       "unit U;\n\ninterface\n\ntype\n  TDM = class(TDataModule)\n    A: %old%;\n  end;\n\n"
       "implementation\n\nend.\n",
       "unit U;\n\ninterface\n\nuses\n  %clause%;\n\ntype\n  TDM = class(TDataModule)\n"
       "    A: %new%;\n  end;\n\nimplementation\n\nend.\n"},
      {"a program", u"/work/P.dpr",
       "program P;\n\nuses\n  Forms,\n  Data in 'Data.pas' {dmData};\n\n{$R *.res}\n\nvar\n"
       "  A: %old%;\n\nbegin\nend.\n",
       "program P;\n\nuses\n  Forms,\n  Data in 'Data.pas' {dmData}%uses%;\n\n{$R *.res}\n\nvar\n"
       "  A: %new%;\n\nbegin\nend.\n"},
  };
  for (int library = 0; library < static_cast<int>(CatalogueLibraries().size()); ++library) {
    const TLibraryInfo& info = CatalogueLibraries()[static_cast<size_t>(library)];
    for (const TShape& shape : shapes) {
      for (const std::string lineBreak : {"\r\n", "\n"}) {
        SCOPED_TRACE(S(std::u16string(info.Name)) + ", " + shape.Name +
                     (lineBreak == "\n" ? ", LF" : ", CRLF"));
        int changes = -1;
        const std::string out =
            Rewrite(library, Expand(shape.Input, lineBreak, info), changes, shape.File);
        EXPECT_EQ(out, Expand(shape.Expected, lineBreak, info));
        EXPECT_EQ(changes, 2);
        const std::vector<std::u16string> names = UsesNames(U(out));
        for (const std::u16string& target : TargetUnitNames(info.TargetUses))
          EXPECT_EQ(std::count(names.begin(), names.end(), target), 1) << S(target);
        // A second run over a unit that still holds a source class renames
        // it and adds no unit again.
        std::string again = out;
        const std::string converted = "A: " + S(std::u16string(info.Pairs.front().NewComp));
        again.replace(again.find(converted), converted.size(),
                      "A: " + S(std::u16string(info.Pairs.front().OldComp)));
        EXPECT_EQ(Rewrite(library, again, changes, shape.File), out);
        EXPECT_EQ(changes, 1);
        Fs.RemoveFile(shape.File);
      }
    }
  }
}

TEST_F(SourceRewriteTest, KeepsTheByteOrderMarkAndEncodingOfTheUnit) {
  const std::u16string input = u"// Größe – naïve\r\nvar Q: TQuery;\r\n";
  const std::u16string expected = u"// Größe – naïve\r\nvar Q: TZanQuery;\r\n";
  for (auto encoding : {TTextEncoding::Ansi, TTextEncoding::Utf8, TTextEncoding::Utf16LE}) {
    SCOPED_TRACE(S(EncodingName(encoding, 1252)));
    int changes = -1;
    const std::string out = Rewrite(kBDE, EncodeTextFile(input, encoding, u"U.pas", 1252), changes);
    EXPECT_EQ(out, EncodeTextFile(expected, encoding, u"U.pas", 1252));
    EXPECT_EQ(changes, 1);
  }
  // The marks themselves: UTF-8 keeps EF BB BF (Delphi needs it), UTF-16 FF FE.
  EXPECT_EQ(EncodeTextFile(u"a", TTextEncoding::Utf8, u"U.pas", 1252),
            "\xEF\xBB\xBF"
            "a");
  EXPECT_EQ(EncodeTextFile(u"a", TTextEncoding::Utf16LE, u"U.pas", 1252), std::string("\xFF\xFE"
                                                                                      "a\0",
                                                                                      4));
}

TEST_F(SourceRewriteTest, AnUndecodableUnitStopsTheRunNamingIt) {
  struct TCase {
    int CodePage;
    std::string Bytes;
    const char* Message;
  };
  const TCase cases[] = {
      {1252, "\xEF\xBB\xBFvar Q: TQuery; \xC3\x28", "Cannot decode file \"/work/B.pas\" as UTF-8."},
      {1252, std::string("\xFF\xFEQ\0\0", 5), "Cannot decode file \"/work/B.pas\" as UTF-16LE."},
      {932, "var Q: TQuery; \x81\x20", "Cannot decode file \"/work/B.pas\" as code page 932."},
  };
  Options->MakeBackup = false;
  Fs.AddFile(u"/work/A.pas", "var Q: TQuery;");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message);
    SetAnsiCodePage(c.CodePage);
    Fs.AddFile(u"/work/B.pas", c.Bytes);
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const EEncodingError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
    SetAnsiCodePage(1252);
    EXPECT_EQ(File(u"/work/A.pas"), "var Q: TQuery;");
    EXPECT_TRUE(TempLeftovers().empty());
  }
}

/// A replacer that renames classes its own way in code (not in comments).
class TPrefixReplacer : public TComponentReplacer {
 public:
  using TComponentReplacer::TComponentReplacer;
  std::u16string ReplaceClassName(const std::u16string& oldName,
                                  const std::u16string& newName) override {
    return oldName == newName ? newName : u"My" + newName;
  }
};

TEST_F(SourceRewriteTest, ReplaceClassNameAppliesToCodeOnly) {
  TPrefixReplacer replacer(u"DBTables", u", Zan", *Options);
  replacer.AddReplacePair(u"TQuery", u"TZanQuery");
  Options->MakeBackup = false;
  Options->WriteLog = false;
  Fs.AddFile(u"/work/U.pas", "Q: TQuery; { TQuery }");
  EXPECT_TRUE(PlanAndExecute(TestRunContext(replacer, Fs)));
  EXPECT_EQ(File(u"/work/U.pas"), "Q: MyTZanQuery; { TZanQuery }");
  EXPECT_EQ(replacer.GetNewClassName(u"tquery"), u"MyTZanQuery");
  EXPECT_EQ(replacer.GetNewClassName(u"TOther"), u"TOther");
}

TEST_F(SourceRewriteTest, AnIdenticalReplacementCountsButLeavesNoFile) {
  TComponentReplacer replacer(u"DBTables", u", Zan", *Options);
  replacer.AddReplacePair(u"TSame", u"TSame");
  Options->MakeBackup = false;
  Fs.AddFile(u"/work/U.pas", "X: TSame;");
  TRunResults results;
  EXPECT_TRUE(PlanAndExecute(TestRunContext(replacer, Fs), &results));
  EXPECT_NE(File(u"/work/Wiz_Log.txt").find("1 change(s)"), std::string::npos);
  EXPECT_EQ(results.ChangedFilesCount, 0);
  EXPECT_EQ(Fs.WrittenFiles(), std::vector<std::u16string>{u"/work/Wiz_Log.txt"});
}

}  // namespace
}  // namespace zan::test
