// The units a project run takes: the `uses` entries of a unit, and the
// closure of hand-made projects under them.
#include <gtest/gtest.h>

#include "ReplacerTestUtil.h"
#include "engine/phases/ProjectClosure.h"
#include "engine/report/RunReport.h"
#include "engine/restore/RestoreRun.h"
#include "engine/rewrite/FormRewriter.h"
#include "ide/ProjectFile.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

TEST(ProjectClosureTest, UsesEntries) {
  struct TCase {
    const char16_t* Text;
    const char* Entries;  // "Name" or "Name in path", joined by "|"
  };
  const TCase cases[] = {
      // Both clauses of a unit, every branch of a conditional, comments.
      {u"unit A; interface uses B, {$IFDEF W} Windows {$ELSE} Posix.Unistd {$ENDIF}; type T = "
       u"class end; implementation uses (* C2, *) C { D }, // E\r\n F; end.",
       "B|Windows|Posix.Unistd|C|F"},
      // A program's one clause with `in` paths (a quote doubled), a form
      // comment, and nothing read after it.
      {u"program P; {$APPTYPE GUI} uses Forms, U1 in 'U1.pas' {Form1}, Data . Mod in "
       u"'d\\it''s.pas'; var s: string = 'uses X;'; begin end.",
       "Forms|U1 in U1.pas|Data.Mod in d\\it's.pas"},
      {u"LIBRARY L; USES Lib1; exports F; begin end.", "Lib1"},
      {u"program P; begin Uses := 1 end.", ""},
      // An implementation without a clause ends the reading.
      {u"unit A; interface implementation procedure X; begin end; initialization end.", ""},
      {u"unit A; interface uses B, C", "B|C"},  // unterminated
      {u"package Pk; requires rtl; contains A in 'A.pas';", ""},
  };
  for (const TCase& c : cases) {
    std::string joined;
    for (const TUsesEntry& entry : ReadUsesEntries(c.Text))
      joined += (joined.empty() ? "" : "|") + Utf16ToUtf8(entry.Name) +
                (entry.InPath.empty() ? "" : " in " + Utf16ToUtf8(entry.InPath));
    EXPECT_EQ(joined, c.Entries) << Utf16ToUtf8(c.Text);
  }
}

/// A unit `name` whose interface uses `intf` and implementation `impl`.
std::string Unit(const std::string& name, const std::string& intf, const std::string& impl = "") {
  return "unit " + name + ";\r\ninterface\r\n" + (intf.empty() ? "" : "uses " + intf + ";\r\n") +
         "implementation\r\n" + (impl.empty() ? "" : "uses " + impl + ";\r\n") + "end.\r\n";
}

const std::string kDpr =
    "program P;\r\nuses\r\n  Forms,\r\n  A in 'A.pas' {Form1};\r\nbegin\r\nend.\r\n";

/// A .dproj of /p/P.dpr whose Debug configuration searches `searchPath`.
std::string Dproj(const std::string& searchPath) {
  return "<Project><PropertyGroup><MainSource>P.dpr</MainSource>"
         "<Config Condition=\"'$(Config)'==''\">Debug</Config></PropertyGroup>"
         "<PropertyGroup Condition=\"'$(Config)'=='Debug' or '$(Cfg_1)'!=''\"><Cfg_1>true</Cfg_1>"
         "</PropertyGroup><PropertyGroup Condition=\"'$(Cfg_1)'!=''\"><DCC_UnitSearchPath>" +
         searchPath +
         ";$(DCC_UnitSearchPath)</DCC_UnitSearchPath></PropertyGroup>"
         "<ItemGroup><DCCReference Include=\"A.pas\"/></ItemGroup></Project>";
}

struct TClosureCase {
  const char* Name;
  std::vector<std::pair<std::u16string, std::string>> Files;  // besides /p/P.dpr
  const char16_t* Project;                                    // /p/P.dpr or a .dproj
  bool FollowUses;
  bool WithProgram;
  const char* Units;     // "path=reason", joined by "|"; or the error
  const char* Warnings;  // joined by "|"
};

TEST(ProjectClosureTest, HandMadeProjects) {
  const std::string searchWarning =
      "Search path entry \"$(BDS)\\lib\" of project \"/p/P.dproj\" holds a macro that cannot be "
      "expanded; no unit is looked for there.";
  const TClosureCase cases[] = {
      {"interface and implementation, transitively, breadth first",
       {{u"/p/A.pas", Unit("A", "Classes, B", "SysUtils, C")},
        {u"/p/B.pas", Unit("B", "D")},
        {u"/p/C.pas", Unit("C", "")},
        {u"/p/D.pas", Unit("D", "")}},
       u"/p/P.dpr",
       true,
       true,
       "/p/A.pas=listed|/p/P.dpr=program|/p/B.pas=reached from A.pas|/p/C.pas=reached from "
       "A.pas|/p/D.pas=reached from B.pas",
       ""},
      {"a cycle",
       {{u"/p/A.pas", Unit("A", "B")}, {u"/p/B.pas", Unit("B", "", "A, b")}},
       u"/p/P.dpr",
       true,
       true,
       "/p/A.pas=listed|/p/P.dpr=program|/p/B.pas=reached from A.pas",
       ""},
      {"no uses followed: the listed units only",
       {{u"/p/A.pas", Unit("A", "B")}, {u"/p/B.pas", Unit("B", "")}},
       u"/p/P.dpr",
       false,
       true,
       "/p/A.pas=listed",
       ""},
      {"a selection: no program, its own closure",
       {{u"/p/A.pas", Unit("A", "B")}, {u"/p/B.pas", Unit("B", "")}},
       u"/p/P.dpr",
       true,
       false,
       "/p/A.pas=listed|/p/B.pas=reached from A.pas",
       ""},
      {"below the project folder, dotted and in any case, beside the naming unit first",
       {{u"/p/A.pas", Unit("A", "Data.Core, R")},
        {u"/p/lib/deep/data.core.PAS", Unit("Data.Core", "", "N")},
        {u"/p/lib/deep/N.pas", Unit("N", "Q")},
        {u"/p/lib/deep/Q.pas", Unit("Q", "")},
        {u"/p/a/Q.pas", Unit("Q", "")},
        {u"/p/y/R.pas", Unit("R", "")},
        {u"/p/x/R.pas", Unit("R", "")}},
       u"/p/P.dpr",
       true,
       true,
       "/p/A.pas=listed|/p/P.dpr=program|/p/lib/deep/data.core.PAS=reached from A.pas|/p/x/"
       "R.pas=reached from A.pas|/p/lib/deep/N.pas=reached from data.core.PAS|/p/lib/deep/"
       "Q.pas=reached from N.pas",
       "Unit \"R\" is found in several folders below the project folder; the run takes "
       "\"/p/x/R.pas\" (also found: \"/p/y/R.pas\")."},
      {"the backup folder and hidden folders are not searched",
       {{u"/p/A.pas", Unit("A", "Z")},
        {u"/p/RBackup/Z.pas", Unit("Z", "")},
        {u"/p/.svn/Z.pas", Unit("Z", "")}},
       u"/p/P.dpr",
       true,
       true,
       "/p/A.pas=listed|/p/P.dpr=program",
       ""},
      {"`in` paths relative to the naming file, and the project's modules by name",
       {{u"/p/A.pas", Unit("A", "X in '..\\ext\\x.pas', Y in 'y.inc'", "M")},
        {u"/ext/X.pas", Unit("X", "")},
        {u"/p/y.inc", Unit("Y", "")},
        {u"/p/M.pas", Unit("M", "")},
        {u"/p/P.dpr", "program P;\r\nuses A in 'A.pas', M in 'mods\\M.pas';\r\nbegin end.\r\n"},
        {u"/p/mods/M.pas", Unit("M", "")}},
       u"/p/P.dpr",
       true,
       false,
       "/p/A.pas=listed|/ext/X.pas=reached from A.pas|/p/mods/M.pas=reached from A.pas",
       ""},
      {"the search path of the active configuration, after the project folder",
       {{u"/p/A.pas", Unit("A", "S, T")},
        {u"/p/T.pas", Unit("T", "")},
        {u"/shared/Debug/S.pas", Unit("S", "")},
        {u"/shared/Debug/T.pas", Unit("T", "")},
        {u"/shared/Release/S.pas", Unit("S", "")},
        {u"/p/P.dproj", Dproj("..\\shared\\$(Config);$(BDS)\\lib")}},
       u"/p/P.dproj",
       true,
       true,
       "/p/A.pas=listed|/p/P.dpr=program|/shared/Debug/S.pas=reached from A.pas|/p/T.pas=reached "
       "from A.pas",
       searchWarning.c_str()},
      {"two files of one bare name",
       {{u"/p/A.pas", Unit("A", "U in 'one\\Util.pas', V in 'two\\Util.pas'")},
        {u"/p/one/Util.pas", Unit("U", "")},
        {u"/p/two/Util.pas", Unit("V", "")}},
       u"/p/P.dpr",
       true,
       true,
       "Files \"/p/one/Util.pas\" and \"/p/two/Util.pas\" have the same name; a project run keeps "
       "its changed files and backups in one folder and cannot take both.",
       ""},
  };
  for (const TClosureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryFileSystem fs;
    fs.AddFile(u"/p/P.dpr", kDpr);
    for (const auto& [path, contents] : c.Files) fs.AddFile(path, contents);
    TClosureOptions options;
    options.FollowUses = c.FollowUses;
    options.WithProgram = c.WithProgram;
    options.SkipFolders = {u"/p/RBackup"};
    std::string units, warnings;
    try {
      const TProjectClosure closure =
          TProjectClosure::Build(fs, ReadProjectFile(fs, c.Project), {u"/p/A.pas"}, options);
      for (const TProjectClosure::TUnit& unit : closure.Units())
        units +=
            (units.empty() ? "" : "|") + Utf16ToUtf8(unit.Path) + "=" + Utf16ToUtf8(unit.Reason);
      for (const std::u16string& warning : closure.Warnings())
        warnings += (warnings.empty() ? "" : "|") + Utf16ToUtf8(warning);
    } catch (const Exception& e) {
      units = e.what();
    }
    EXPECT_EQ(units, c.Units);
    EXPECT_EQ(warnings, c.Warnings);
  }
}

/// Whole project runs over a small application: a .dproj whose program
/// declares and creates a TQuery and lists one unit, which reaches a unit
/// in a sub-folder, which reaches a unit with a form in the search path
/// outside the project folder.
class ProjectClosureRunTest : public ReplacerTest {
 protected:
  void SetUp() override {
    ReplacerTest::SetUp();
    InstallFormConversion(*Replacer);
    Fs.AddFile(u"/work/P.dproj", Dproj("..\\shared\\$(Config)"));
    Fs.AddFile(
        u"/work/P.dpr",
        "program P;\r\nuses\r\n  Forms,\r\n  A in 'A.pas';\r\nvar\r\n  Q: TQuery;\r\nbegin\r\n"
        "  Q := TQuery.Create(nil);\r\nend.\r\n");
    Fs.AddFile(u"/work/A.pas",
               "unit A;\r\ninterface\r\nuses Classes;\r\nimplementation\r\nuses "
               "Helper;\r\nvar\r\n  T: TTable;\r\nend.\r\n");
    Fs.AddFile(u"/work/sub/Helper.pas",
               "unit Helper;\r\ninterface\r\nuses DBTables, Lib;\r\ntype\r\n  THelper = class\r\n "
               "   Q: TQuery;\r\n  end;\r\nimplementation\r\nend.\r\n");
    Fs.AddFile(
        u"/shared/Debug/Lib.pas",
        "unit Lib;\r\ninterface\r\nuses DBTables, Forms;\r\ntype\r\n  TLib = class(TForm)\r\n"
        "    Query1: TQuery;\r\n  end;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
    Fs.AddFile(u"/shared/Debug/Lib.dfm",
               "object Lib: TLib\r\n  object Query1: TQuery\r\n  end\r\nend\r\n");
    OpenProject(u"/work/P.dproj");
    Options->Directory.clear();
  }

  bool Run(bool followUses) {
    TRunContext context = Context();
    context.FollowUses = followUses;
    context.Report = &Report;
    Report.Clear();
    Options->ModuleList = u"A.pas";
    return ReplacerTest::Run(context);
  }

  /// The application's files: the project folder and the search path folder
  /// without the run's backups and log.
  std::map<std::u16string, std::string> Application() const {
    std::map<std::u16string, std::string> files;
    for (const auto& [path, bytes] : Fs.FilesUnder(u"/"))
      if (!path.starts_with(u"work/RBackup/") && path != u"work/Wiz_Log.txt" &&
          !path.starts_with(u"tmp/"))
        files.emplace(path, bytes);
    return files;
  }

  TRunReport Report;
};

TEST_F(ProjectClosureRunTest, TheWholeApplicationIsConvertedAndRestored) {
  const auto before = Application();
  ASSERT_TRUE(Run(true));
  std::string reasons;
  for (const TRunReport::TFileEntry& file : Report.Files)
    reasons += Utf16ToUtf8(file.FileName) + "=" + Utf16ToUtf8(file.Reason) + "|";
  EXPECT_EQ(reasons,
            "/work/A.pas=listed|/work/P.dpr=program|/work/sub/Helper.pas=reached from "
            "A.pas|/shared/Debug/Lib.pas=reached from Helper.pas|/shared/Debug/Lib.dfm=|");
  EXPECT_EQ(Report.ChangedFileCount(), 5);
  // The program's own code, and a unit and its form outside the project
  // folder, agree with each other.
  EXPECT_EQ(File(u"/work/P.dpr"),
            "program P;\r\nuses\r\n  Forms,\r\n  A in 'A.pas', Zan, Quillbase, Rowquill;\r\nvar\r\n"
            "  Q: TZanQuery;\r\nbegin\r\n  Q := TZanQuery.Create(nil);\r\nend.\r\n");
  EXPECT_NE(File(u"/shared/Debug/Lib.pas").find("Query1: TZanQuery;"), std::string::npos);
  EXPECT_NE(File(u"/shared/Debug/Lib.dfm").find("object Query1: TZanQuery"), std::string::npos);
  EXPECT_NE(File(u"/work/RBackup/RExpert.reu").find("/shared/Debug/Lib.pas="), std::string::npos);

  // A second run finds nothing left to do.
  const auto converted = Application();
  ASSERT_TRUE(Run(true));
  EXPECT_EQ(Report.ChangedFileCount(), 0);
  EXPECT_TRUE(Application() == converted);

  // Restore locks the folder outside the tree it writes into, and gives
  // back every byte, outside the project folder too.
  {
    std::unique_ptr<TFolderLock> held;
    std::u16string holder;
    ASSERT_TRUE(Fs.LockFolder(u"/shared/Debug", held, holder).Ok());
    EXPECT_THROW(RestoreFromUndoFile(RestoreContext(Fs), u"/work/RBackup/RExpert.reu"), EFileError);
    EXPECT_TRUE(Application() == converted);
  }
  EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(Fs), u"/work/RBackup/RExpert.reu"));
  EXPECT_TRUE(Application() == before);
}

TEST_F(ProjectClosureRunTest, ListedUnitsOnlyAndLockedOutsideFolders) {
  const auto before = Application();
  ASSERT_TRUE(Run(false));
  ASSERT_EQ(Report.Files.size(), 1u);
  EXPECT_EQ(Report.Files[0].Reason, u"listed");
  for (const char16_t* untouched :
       {u"work/P.dpr", u"work/sub/Helper.pas", u"shared/Debug/Lib.pas", u"shared/Debug/Lib.dfm"})
    EXPECT_EQ(Application().at(untouched), before.at(untouched)) << Utf16ToUtf8(untouched);
  ASSERT_TRUE(RestoreFromUndoFile(RestoreContext(Fs), u"/work/RBackup/RExpert.reu"));

  // Another run working on the search path folder stops this one before
  // anything is written.
  std::unique_ptr<TFolderLock> held;
  std::u16string holder;
  ASSERT_TRUE(Fs.LockFolder(u"/shared", held, holder).Ok());
  try {
    Run(true);
    ADD_FAILURE() << "no refusal";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Another zanmig run (this process, which holds \"/shared\") is working on "
              "\"/shared/Debug\"; nothing was changed. Try again when it has finished.");
  }
  EXPECT_TRUE(Application() == before);
}

}  // namespace
}  // namespace zan::test
