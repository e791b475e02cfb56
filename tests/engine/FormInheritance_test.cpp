// Form inheritance across a run's scope: whole runs over small hand-made
// trees (ancestors, descendants, frames used inline, chains of three levels;
// folder runs with and without sub-folders, project runs), each checked with
// an independent reader of units against forms (AgreementCheck.h), and the
// light readers the run uses for unit headings and form headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "AgreementCheck.h"
#include "ReplacerTestUtil.h"
#include "engine/phases/FormInheritance.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormRewriter.h"
#include "rtl/dfm/FormFile.h"

namespace zan::test {
namespace {

// The building blocks: an ancestor form with two objects of source classes,
// descendants of one and two levels, and a frame with a form embedding it.
const std::map<std::string, std::string> kFiles = {
    {"Unit1.pas",
     "unit Unit1;\ninterface\nuses Forms, DB, DBTables;\ntype\n  TForm1 = class(TForm)\n"
     "    Query1: TQuery;\n    Table1: TTable;\n  end;\nimplementation\n{$R *.dfm}\nend.\n"},
    {"Unit1.dfm",
     "object Form1: TForm1\n  object Query1: TQuery\n    SQL.Strings = (\n      'select 1')\n"
     "  end\n  object Table1: TTable\n    TableName = 'a'\n  end\nend\n"},
    // Names no source class at all: only its form holds them.
    {"Unit2.pas",
     "unit Unit2;\ninterface\nuses Forms, Unit1;\ntype\n  TForm2 = class(Unit1.TForm1)\n"
     "  end;\nimplementation\n{$R *.dfm}\nend.\n"},
    {"Unit2.dfm",
     "inherited Form2: TForm2\n  inherited Query1: TQuery\n    SQL.Strings = (\n"
     "      'select 2')\n  end\n  inherited Table1: TTable\n  end\nend\n"},
    // Adds an object of its own.
    {"Unit3.pas",
     "unit Unit3;\ninterface\nuses Forms, DBTables, Unit2;\ntype\n  TForm3 = class(TForm2)\n"
     "    Query3: TQuery;\n  end;\nimplementation\n{$R *.dfm}\nend.\n"},
    {"Unit3.dfm",
     "inherited Form3: TForm3\n  inherited Query1: TQuery\n  end\n  inherited Table1: TTable\n"
     "  end\n  object Query3: TQuery\n  end\nend\n"},
    {"Frame1.pas",
     "unit Frame1;\ninterface\nuses Forms, DBTables;\ntype\n  TFrame1 = class(TFrame)\n"
     "    Table1: TTable;\n  end;\nimplementation\n{$R *.dfm}\nend.\n"},
    {"Frame1.dfm", "object Frame1: TFrame1\n  object Table1: TTable\n  end\nend\n"},
    {"Host.pas",
     "unit Host;\ninterface\nuses Forms, Frame1;\ntype\n  THost = class(TForm)\n"
     "    Frame11: TFrame1;\n  end;\nimplementation\n{$R *.dfm}\nend.\n"},
    {"Host.dfm",
     "object Host: THost\n  inline Frame11: TFrame1\n    inherited Table1: TTable\n"
     "      TableName = 'b'\n    end\n  end\nend\n"},
};

enum class TScope { Flat, Recursive, Project };

struct TFamilyCase {
  const char* Name;
  /// "Unit1" puts Unit1.pas and Unit1.dfm at the root, "sub/Unit1" in sub.
  std::vector<std::string> Units;
  TScope Scope;
  std::vector<std::string> ProjectUnits = {};  // the units the project lists
  /// Each warning: the descendant's form, then the ancestor's (or frame's).
  std::vector<std::pair<std::string, std::string>> Warnings = {};
};

class FormInheritanceTest : public ReplacerTest {
 protected:
  void SetUp() override {
    ReplacerTest::SetUp();
    InstallFormConversion(*Replacer);
    Options->MakeBackup = false;
    Options->WriteLog = false;
  }
  void AddUnit(const std::string& where) {
    const std::string bare =
        where.substr(where.rfind('/') == std::string::npos ? 0 : where.rfind('/') + 1);
    for (const char* ext : {".pas", ".dfm"})
      Fs.AddFile(u"/work/" + U(where + ext), kFiles.at(bare + ext));
  }
  void UseProject(const std::vector<std::string>& units) {
    std::string dpr = "program P;\nuses\n  Forms";
    for (const std::string& unit : units) {
      dpr += ",\n  " + unit.substr(unit.rfind('/') + 1) + " in '" + unit + ".pas'";
      Selected.push_back(U(unit.substr(unit.rfind('/') + 1)) + u".pas");
    }
    Fs.AddFile(u"/work/P.dpr", dpr + ";\nbegin\nend.\n");
    OpenProject(u"/work/P.dpr");
  }
  std::vector<std::string> Disagreements() const {
    auto tree = Fs.FilesUnder(u"/work");
    std::erase_if(tree, [](const auto& file) {
      return file.first.starts_with(u"RBackup") || file.first.starts_with(u".");
    });
    return TreeDisagreements(tree);
  }

  std::vector<std::u16string> Selected;  // the project's units, by bare name
};

TEST_F(FormInheritanceTest, AncestorsAndDescendantsAgreeOrAreNamedInAWarning) {
  const TFamilyCase cases[] = {
      {"ancestor and a descendant naming no source class", {"Unit1", "Unit2"}, TScope::Flat},
      {"a chain of three levels", {"Unit1", "Unit2", "Unit3"}, TScope::Flat},
      {"a chain over sub-folders, recursive", {"Unit1", "a/Unit2", "a/b/Unit3"}, TScope::Recursive},
      {"a frame and the form that embeds it", {"Frame1", "Host"}, TScope::Flat},
      {"a project that holds the whole chain",
       {"Unit1", "Unit2", "Unit3"},
       TScope::Project,
       {"Unit1", "Unit2", "Unit3"}},
      {"a descendant in a sub-folder of a flat run",
       {"Unit1", "sub/Unit2"},
       TScope::Flat,
       {},
       {{"sub/Unit2.dfm", "Unit1.dfm"}}},
      {"the third level in a sub-folder",
       {"Unit1", "Unit2", "sub/Unit3"},
       TScope::Flat,
       {},
       {{"sub/Unit3.dfm", "Unit2.dfm"}}},
      {"an ancestor in a sub-folder of a flat run",
       {"sub/Unit1", "Unit2"},
       TScope::Flat,
       {},
       {{"Unit2.dfm", "sub/Unit1.dfm"}}},
      {"the form embedding a frame in a sub-folder",
       {"Frame1", "sub/Host"},
       TScope::Flat,
       {},
       {{"sub/Host.dfm", "Frame1.dfm"}}},
      {"a project without the descendants",
       {"Unit1", "Unit2", "lib/Unit3", "Frame1", "Host"},
       TScope::Project,
       {"Unit1", "Frame1"},
       // The third level streams the ancestor's objects too.
       {{"Unit2.dfm", "Unit1.dfm"}, {"lib/Unit3.dfm", "Unit1.dfm"}, {"Host.dfm", "Frame1.dfm"}}},
      // The descendant's unit reaches its ancestor through uses: both convert.
      {"a project that lists only the descendant", {"Unit1", "Unit2"}, TScope::Project, {"Unit2"}},
      // Copies in the backup folder or a hidden folder are no part of the tree.
      {"copies of a descendant", {"Unit1", "RBackup/Unit2", ".svn/Unit2"}, TScope::Flat},
  };
  for (const TFamilyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const auto& [path, contents] : Fs.FilesUnder(u"/work")) Fs.RemoveFile(u"/work/" + path);
    SetBorlandIDEServices(nullptr);
    Options->Dest = sdDirectory;
    Selected.clear();
    Options->IncludeSubDirs = c.Scope == TScope::Recursive;
    for (const std::string& unit : c.Units) AddUnit(unit);
    if (c.Scope == TScope::Project) UseProject(c.ProjectUnits);
    TRunReport report;
    TRunContext context = Context();
    context.Report = &report;
    for (int run = 1; run <= 2; ++run) {
      SCOPED_TRACE(run);
      const auto before = Fs.FilesUnder(u"/work");
      report.Clear();
      TRunPlan plan = Plan(context, {Selected, true});
      ASSERT_TRUE(Execute(plan));
      if (run == 2) {
        EXPECT_EQ(Fs.FilesUnder(u"/work"), before);
      }
      // Every warning names both forms; the to-do entry the one outside.
      ASSERT_EQ(report.Warnings.size(), c.Warnings.size());
      for (const auto& [desc, anc] : c.Warnings) {
        const std::string both[] = {"\"/work/" + desc + "\"", "\"/work/" + anc + "\""};
        EXPECT_TRUE(std::any_of(report.Warnings.begin(), report.Warnings.end(),
                                [&](auto& w) {
                                  return S(w).find(both[0]) != std::string::npos &&
                                         S(w).find(both[1]) != std::string::npos;
                                }))
            << desc << " and " << anc << " in no warning";
      }
      size_t todo = 0;
      for (const TRunReport::TTodoItem& item : report.Todo)
        if (item.Kind == u"inheritance") ++todo;
      EXPECT_EQ(todo, c.Warnings.size());
      // What disagrees is what a warning names, and a warning names a
      // disagreement.
      const std::vector<std::string> disagreements = Disagreements();
      EXPECT_EQ(disagreements.empty(), c.Warnings.empty());
      for (const std::string& found : disagreements) {
        bool named = false;
        for (const auto& [desc, anc] : c.Warnings) named = named || found.starts_with(desc + ":");
        EXPECT_TRUE(named) << found;
      }
    }
  }
}

// With KeepGoing, a form the run cannot convert is left with its unit, and
// so is its whole family in the scope: every ancestor and descendant, every
// frame it embeds or form embedding it; other forms are converted.
TEST_F(FormInheritanceTest, AFormLeftAsItWasTakesItsFamilyWithIt) {
  // A string list whose closing parenthesis is lost, in the first object of
  // a source class.
  const std::string kDamaged = "      SQL.Strings = (\n        'x'\n";
  struct TCase {
    const char* Name;
    const char* Broken;  // the unit whose form is damaged
    std::vector<std::string> Left;
  } cases[] = {
      {"the last of three levels", "Unit3", {"Unit1.dfm", "Unit2.dfm", "Unit3.dfm"}},
      {"the middle level", "Unit2", {"Unit1.dfm", "Unit2.dfm", "Unit3.dfm"}},
      {"the form embedding a frame", "Host", {"Frame1.dfm", "Host.dfm"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    for (const auto& [path, contents] : Fs.FilesUnder(u"/work")) Fs.RemoveFile(u"/work/" + path);
    for (const char* unit : {"Unit1", "Unit2", "Unit3", "Frame1", "Host"}) AddUnit(unit);
    const std::u16string broken = u"/work/" + U(c.Broken) + u".dfm";
    const std::string form = Fs.Contents(broken);
    const size_t at = form.find('\n', std::min(form.find(": TQuery"), form.find(": TTable"))) + 1;
    Fs.AddFile(broken, form.substr(0, at) + kDamaged + form.substr(at));
    TRunReport report;
    TRunContext context = Context();
    context.Report = &report;
    context.KeepGoing = true;
    TRunPlan plan = Plan(context, {{}, true});
    ASSERT_TRUE(Execute(plan));
    std::vector<std::string> left;
    for (const auto& entry : report.LeftFiles) left.push_back(S(entry.FileName).substr(6));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.Left);
    for (const std::string& file : c.Left) {
      const std::string unit = file.substr(0, file.find('.')) + ".pas";
      EXPECT_EQ(Fs.Contents(u"/work/" + U(unit)), kFiles.at(unit));
    }
    EXPECT_EQ(Disagreements(), std::vector<std::string>{});
    // The rest of the tree is converted.
    for (const auto& file : report.Files) {
      const std::string name = S(file.FileName).substr(6);
      const bool wasLeft = std::find(left.begin(), left.end(), name) != left.end();
      EXPECT_TRUE(!name.ends_with(".dfm") || wasLeft || file.Changed) << name;
    }
  }
}

TEST_F(FormInheritanceTest, TheCheckerFindsEachKindOfDisagreement) {
  // Guards the checker itself: a field, an inherited object and an object
  // inside an inline frame that disagree, and a qualified field that agrees.
  const std::map<std::u16string, std::string> tree = {
      {u"A.pas", "type\n  TA = class(TForm)\n    Q: DBTables.TQuery;\n    T: TZanTable;\n  end;\n"},
      {u"A.dfm", "object A: TA\n  object Q: TQuery\n  end\n  object T: TTable\n  end\nend\n"},
      {u"B.pas", "type\n  TB = class(TA)\n  end;\n"},
      {u"B.dfm", "INHERITED B : TB\n  inherited Q: TZanQuery\n  END\nend\n"},
      {u"F.pas", "type\n  TF = class(TFrame)\n    X: TQuery;\n  end;\n"},
      {u"F.dfm", "object F: TF\n  object X: TQuery\n  end\nend\n"},
      {u"H.dfm",
       "object H: TH\n  inline F1: TF\n    inherited X: TZanQuery\n    end\n  end\nend\n"},
  };
  EXPECT_EQ(TreeDisagreements(tree),
            (std::vector<std::string>{"A.dfm: T is TTABLE, its field TZANTABLE",
                                      "B.dfm: Q is TZANQUERY, its field TQUERY",
                                      "B.dfm: inherited Q is TZANQUERY, the ancestor's TQUERY",
                                      "H.dfm: inherited X is TZANQUERY, the ancestor's TQUERY"}));
}

TEST(FormInheritanceReaders, UnitHeadings) {
  struct TCase {
    const char* Text;
    const char* Expected;  // "Name(Parent)" each, then the forms
  } cases[] = {
      {"type TA = class(TForm) end; TB = class(Unit1.TA); TC = class sealed (TB) end;",
       "TA(TForm) TB(TA) TC(TB)"},
      {"type TA = class; TR = class of TA; TH = class helper for TA; TP = class end;", "TH() TP()"},
      // Comments and strings hide what looks like a heading; {$R} names forms.
      {"{ TX = class(TY) } s := 'TZ = class(TW)'; {$R *.dfm} {$R Other.dfm} {$R *.res}",
       "/u/Unit1.DFM /u/Other.dfm"},
      {"type\n  TA<T> = class(TList<T>)\n  TB = CLASS ( TA )", "TB(TA)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    const TUnitHeadings headings = ScanUnitHeadings(U(c.Text), u"/u/Unit1.pas");
    std::string got;
    for (const TUnitHeadings::TClass& heading : headings.Classes)
      got += (got.empty() ? "" : " ") + S(heading.Name) + "(" + S(heading.Parent) + ")";
    for (const std::u16string& form : headings.Forms) got += (got.empty() ? "" : " ") + S(form);
    EXPECT_EQ(got, c.Expected);
  }
}

TEST(FormInheritanceReaders, FormHeaders) {
  const std::string text =
      "INHERITED F : TF\r\n  Caption = 'object X: TQuery'\r\n  inline Fr: TFrame1 [1]\r\n"
      "    inherited Q: TQuery\r\n    end\r\n  end\r\n  object TTable\r\n  end\r\nend\r\n";
  const char* expected =
      "inherited F:TF@1 inline Fr:TFrame1@3 inherited Q:TQuery@4 object :TTable@7";
  auto dump = [](const std::vector<TFormHeader>& headers, bool lines) {
    std::string got;
    for (const TFormHeader& h : headers)
      got += (got.empty() ? "" : " ") + S(h.Keyword) + " " + S(h.Name) + ":" + S(h.ClassName) +
             (lines ? "@" + std::to_string(h.Line) : "");
    return got;
  };
  EXPECT_EQ(dump(ReadFormHeaders(text), true), expected);
  // The same form binary (no lines there), and bytes that are no form.
  std::string binaryExpected = expected;
  binaryExpected = std::regex_replace(binaryExpected, std::regex("@\\d"), "");
  EXPECT_EQ(dump(ReadFormHeaders(WriteBinaryForm(U(text))), false), binaryExpected);
  EXPECT_TRUE(ReadFormHeaders("TPF0\x05garbage").empty());
}

}  // namespace
}  // namespace zan::test
