// The `zanmig` command line, run as a program over real temporary folders:
// its sub-commands, its exit status (0/1/2/3) and what it prints. Skipped when
// the executable has not been built.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "CliTestUtil.h"
#include "common/TestUtil.h"

namespace zan::test {
namespace {

namespace fs = std::filesystem;

struct TCliResult {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* exe = std::getenv("ZANMIG_EXE");
    FExe = exe ? fs::path(exe) : fs::path(ZAN_BINARY_DIR) / "zanmig";
    if (!fs::exists(FExe)) GTEST_SKIP() << "zanmig not built at " << FExe;
    Root = Temp.path();
  }
  TCliResult Run(const std::string& args, const std::string& env = {}) {
    const fs::path out = Root / "stdout.txt";
    const fs::path err = Root / "stderr.txt";
    const std::string command = "cd '" + Root.string() + "' && " + env + " '" + FExe.string() +
                                "' " + args + " >'" + out.string() + "' 2>'" + err.string() +
                                "' </dev/null";
    const int status = std::system(command.c_str());
    TCliResult result;
    result.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = ReadFileBytes(out);
    result.Err = ReadFileBytes(err);
    fs::remove(out);
    fs::remove(err);
    return result;
  }
  void Write(const std::string& relative, const std::string& bytes) {
    fs::create_directories((Root / relative).parent_path());
    WriteFileBytes(Root / relative, bytes);
  }
  std::string Read(const std::string& relative) { return ReadFileBytes(Root / relative); }

  TempDir Temp;
  fs::path Root;

 protected:
  fs::path FExe;
};

TEST_F(CliTest, Libraries) {
  TCliResult r = Run("libraries");
  EXPECT_EQ(r.Exit, 0);
  EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 12);
  EXPECT_NE(r.Out.find("10  FireDAC  FireDAC.Stan.Intf  (23 pairs)\n"), std::string::npos);
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  fs::create_directories(Root / "src");
  Write("P.dpr", "program P; begin end.");
  for (const char* args : {"", "bogus", "replace --dir src", "replace --library Nope --dir src",
                           "replace --library 12 --dir src", "replace --library BDE",
                           "replace --library BDE --dir src --project P.dpr",
                           "replace --library BDE --project P.dpr --recursive",
                           "replace --library BDE --dir src --unit U.pas",
                           "replace --library BDE --dir src --no-backup --backup-dir b",
                           "replace --library BDE --dir src --diff --report -", "restore",
                           "--codepage 99999 libraries"}) {
    SCOPED_TRACE(args);
    TCliResult r = Run(args);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_FALSE(r.Err.empty());
    EXPECT_TRUE(r.Out.empty() || r.Out.find("Usage") != std::string::npos);
  }
  EXPECT_EQ(Run("--version").Exit, 0);
  EXPECT_EQ(Run("replace --help").Exit, 0);
}

TEST_F(CliTest, ReplaceReportAndRestore) {
  const std::string unit = "unit U;\r\nuses DBTables;\r\nvar Q: TQuery;\r\nend.\r\n";
  Write("app/U.pas", unit);
  Write("app/sub/V.pas", "var T: TTable;");
  TCliResult dry = Run("replace --library bde --dir app --recursive --dry-run");
  EXPECT_EQ(dry.Exit, 0);
  EXPECT_EQ(dry.Out, "U.pas: 2 change(s)\nsub/V.pas: 1 change(s)\n2 of 2 file(s) would change.\n");
  EXPECT_EQ(Read("app/U.pas"), unit);
  EXPECT_FALSE(fs::exists(Root / "app/Wiz_Log.txt"));
  EXPECT_FALSE(fs::exists(Root / "app/RBackup"));

  TCliResult r = Run("replace --library 0 --dir app --report out/report.json --quiet");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Out, "Replace procedure was performed sucessfully.\n");
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(Read("app/U.pas"),
            "unit U;\r\nuses DBTables, Zan, Quillbase, Rowquill;\r\nvar Q: TZanQuery;\r\nend.\r\n");
  EXPECT_EQ(Read("app/sub/V.pas"), "var T: TTable;");  // not recursive
  EXPECT_EQ(Read("app/RBackup/U.~pas"), unit);
  const auto report = ReadValidReport(Root / "out/report.json");
  EXPECT_EQ(report["filesProcessed"], 1);
  EXPECT_EQ(report["filesChanged"], 1);
  EXPECT_EQ(report["files"][0]["changes"], 2);
  EXPECT_EQ(report["undoFile"], (Root / "app/RBackup/RExpert.reu").string());
  EXPECT_TRUE(report["errors"].empty());

  TCliResult restore = Run("restore app/RBackup/RExpert.reu");
  EXPECT_EQ(restore.Exit, 0);
  EXPECT_EQ(restore.Out, "Files were succefully restored.\n");
  EXPECT_EQ(Read("app/U.pas"), unit);

  // In a backup folder of its own: a restore locks the tree above it, and
  // the temporary folder's parent is shared with other tests' runs.
  Write("none/RBackup/empty.reu", "");
  TCliResult failed = Run("restore none/RBackup/empty.reu");
  EXPECT_EQ(failed.Exit, 1);
  EXPECT_EQ(failed.Out, "");
  EXPECT_EQ(failed.Err,
            "zanmig: error: the undo file names no file\nzanmig: error: nothing was restored\n"
            "zanmig: error: Failed to restore files.\n");
  TCliResult missing = Run("restore nowhere.reu");
  EXPECT_EQ(missing.Exit, 3);
  EXPECT_EQ(missing.Err, "zanmig: error: Undo file \"" + (Root / "nowhere.reu").string() +
                             "\" does not exist.\n");
}

TEST_F(CliTest, ProjectRunsAndTheirErrors) {
  Write("p/P.dpr",
        "program P;\r\nuses\r\n  A in 'src\\A.pas',\r\n  B in 'src\\B.pas';\r\nbegin end.\r\n");
  Write("p/src/A.pas", "var Q: TFDQuery;");
  Write("p/src/B.pas", "var C: TFDConnection;");
  TCliResult wrong = Run("replace --library FireDAC --project p/P.dpr --unit C.pas");
  EXPECT_EQ(wrong.Exit, 3);
  EXPECT_EQ(wrong.Err, "zanmig: error: Unit \"C.pas\" is not a unit of project \"" +
                           (Root / "p/P.dpr").string() + "\".\n");
  EXPECT_FALSE(fs::exists(Root / "p/Wiz_Log.txt"));

  TCliResult r =
      Run("replace --library FireDAC --project p/P.dpr --unit A.pas --no-backup --no-log");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(Read("p/src/A.pas"), "var Q: TZanQuery;");
  EXPECT_EQ(Read("p/src/B.pas"), "var C: TFDConnection;");
  EXPECT_FALSE(fs::exists(Root / "p/RBackup"));
  EXPECT_FALSE(fs::exists(Root / "p/Wiz_Log.txt"));

  r = Run("replace --library FireDAC --project p/P.dpr");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(Read("p/src/B.pas"), "var C: TZanConnection;");
  EXPECT_EQ(Read("p/RBackup/RExpert.reu"),
            (Root / "p/src/B.pas").string() + "=" + (Root / "p/RBackup/B.~pas").string() + "\r\n");

  // A unit the project reaches outside its folder: left by --no-follow-uses,
  // else converted and named in the summary.
  Write("q/Q.dpr", "program Q;\r\nuses\r\n  M in 'M.pas';\r\nbegin end.\r\n");
  Write("q/M.pas",
        "unit M;\r\ninterface\r\nuses Ext in '..\\ext\\Ext.pas';\r\nimplementation\r\nend.\r\n");
  const std::string ext =
      "unit Ext;\r\ninterface\r\nvar C: TFDConnection;\r\nimplementation\r\nend.\r\n";
  Write("ext/Ext.pas", ext);
  r = Run("replace --library FireDAC --project q/Q.dpr --no-follow-uses --no-backup --no-log");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(Read("ext/Ext.pas"), ext);
  r = Run("replace --library FireDAC --project q/Q.dpr --dry-run");
  EXPECT_EQ(r.Out, "../ext/Ext.pas: 2 change(s)\nUnits outside the project folder: 1\n  " +
                       (Root / "ext/Ext.pas").string() +
                       " (reached from M.pas)\n1 of 3 file(s) would change.\n");
  r = Run("replace --library FireDAC --project q/Q.dpr --no-log");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_NE(Read("ext/Ext.pas").find("var C: TZanConnection;"), std::string::npos);
  EXPECT_NE(r.Out.find("Files: 3 processed, 1 changed.\nUnits outside the project folder: 1\n  " +
                       (Root / "ext/Ext.pas").string() + " (reached from M.pas)\n"),
            std::string::npos)
      << r.Out;

  TCliResult noProject = Run("replace --library FireDAC --project p/Missing.dpr");
  EXPECT_EQ(noProject.Exit, 3);
  EXPECT_NE(noProject.Err.find("Missing.dpr"), std::string::npos);
}

TEST_F(CliTest, ARaisedErrorExitsWithThreeAndTouchesNothing) {
  const std::string unit = "var Q: TQuery;";
  Write("app/U.pas", unit);
  Write("blocker", "a file where the backup folder should go");
  TCliResult r = Run("replace --library BDE --dir app --backup-dir blocker/RBackup");
  EXPECT_EQ(r.Exit, 3);
  EXPECT_EQ(r.Err, "zanmig: error: Failed to create directory.\n");
  EXPECT_EQ(Read("app/U.pas"), unit);
  TCliResult gone = Run("replace --library BDE --dir nowhere");
  EXPECT_EQ(gone.Exit, 3);
  EXPECT_EQ(gone.Err,
            "zanmig: error: Folder \"" + (Root / "nowhere").string() + "\" does not exist.\n");
}

// Forms are converted on two threads: a form that fails on one while the
// other is busy writing still stops the run with every original untouched
// and no temporary folder left.
TEST_F(CliTest, AFormFailingWhileAnotherIsWrittenTouchesNothing) {
  const std::string good =
      "object F: TForm\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'select 1')\r\n"
      "  end\r\nend\r\n";
  const struct {
    const char* name;
    std::string form;
    const char* error;
  } cases[] = {
      {"not convertible back",
       "object F: TForm\r\n  Caption = 'a' 'b'\r\n  object Q: TQuery\r\n"
       "  end\r\nend\r\n",
       "is not valid form text"},
      {"a damaged binary form",
       std::string("\xFF\x0A\x00", 3) + std::string("F\0\x30\x10\x40\0\0\0", 8) + "TPF0\x05TForm",
       "U12.dfm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Root / "app");
    fs::remove_all(Root / "tmp");
    fs::create_directories(Root / "tmp");
    std::map<std::string, std::string> before;
    for (int i = 10; i < 40; ++i) {
      const std::string stem = "app/U" + std::to_string(i);
      before[stem + ".pas"] = "unit U" + std::to_string(i) +
                              ";\r\ninterface\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n";
      before[stem + ".dfm"] = i == 12 ? c.form : good;
    }
    for (const auto& [name, bytes] : before) Write(name, bytes);
    TCliResult r =
        Run("replace --library BDE --dir app", "TMPDIR='" + (Root / "tmp").string() + "'");
    EXPECT_EQ(r.Exit, 3) << r.Out << r.Err;
    EXPECT_NE(r.Err.find(c.error), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("U12.dfm"), std::string::npos) << r.Err;
    for (const auto& [name, bytes] : before) EXPECT_EQ(Read(name), bytes) << name;
    EXPECT_TRUE(fs::is_empty(Root / "tmp"));
  }
}

TEST_F(CliTest, AnOriginalThatCannotBeReplacedStopsTheRunBeforeAnyIsReplaced) {
  // A read-only original is never overwritten (root included): every
  // original is checked before the first is replaced, so none changes.
  Write("app/U.pas", "var Q: TQuery;");
  Write("app/V.pas", "var T: TTable;");
  chmod((Root / "app/U.pas").c_str(), 0444);
  TCliResult r = Run("replace --library BDE --dir app --no-backup");
  chmod((Root / "app/U.pas").c_str(), 0644);
  EXPECT_EQ(r.Exit, 3) << r.Out << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_NE(r.Err.find("Cannot replace \"" + (Root / "app/U.pas").string() + "\""),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(Read("app/U.pas"), "var Q: TQuery;");
  EXPECT_EQ(Read("app/V.pas"), "var T: TTable;");
}

TEST_F(CliTest, AnInterruptBeforePublishingChangesNothingAndExitsWith130) {
  // Enough units that the run is still converting when the signal comes.
  for (int i = 0; i < 1500; ++i)
    Write("app/sub" + std::to_string(i / 100) + "/U" + std::to_string(i) + ".pas",
          "unit U; uses DBTables; var Q: TQuery; T: TTable; D: TDatabase;\r\n");
  fs::create_directories(Root / "tmp");
  const auto before = FolderContents(Root / "app");
  const std::string command =
      "cd '" + Root.string() + "' || exit 1; TMPDIR='" + (Root / "tmp").string() + "' '" +
      FExe.string() +
      "' replace --library BDE --dir app --recursive --report run.json >out.txt 2>err.txt "
      "</dev/null & p=$!; sleep 0.1; kill -TERM $p; wait $p; echo $? >code.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const int code = std::stoi(ReadFileBytes(Root / "code.txt"));
  if (code == 0) GTEST_SKIP() << "the run finished before the signal came";
  EXPECT_EQ(code, 130) << ReadFileBytes(Root / "err.txt");
  EXPECT_NE(ReadFileBytes(Root / "err.txt").find("interrupted; no original was changed"),
            std::string::npos);
  auto after = FolderContents(Root / "app");
  for (auto it = after.begin(); it != after.end();)
    it = it->first.starts_with("RBackup") || it->first == "Wiz_Log.txt" ? after.erase(it)
                                                                        : std::next(it);
  EXPECT_TRUE(after == before);
  EXPECT_TRUE(fs::is_empty(Root / "tmp"));  // no temporary folder left
  const auto report = ReadValidReport(Root / "run.json");
  EXPECT_FALSE(report["completed"]);
  EXPECT_FALSE(report["errors"].empty());
}

TEST_F(CliTest, AReportThatCannotBeWrittenStopsTheRunBeforeAnythingChanges) {
  Write("app/A.pas", "unit A; uses DBTables; var Q: TQuery;");
  fs::create_directories(Root / "locked");
  fs::permissions(Root / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_directories(Root / "folder.json");
  const auto before = FolderContents(Root / "app");
  std::vector<std::string> reports = {"folder.json"};
  if (geteuid() != 0) reports.push_back("locked/run.json");  // root writes there all the same
  for (const std::string& report : reports) {
    SCOPED_TRACE(report);
    TCliResult r = Run("replace --library BDE --dir app --report " + report);
    EXPECT_EQ(r.Exit, 3);
    EXPECT_NE(r.Err.find("Report file \"" + (Root / report).string() + "\" cannot be written: "),
              std::string::npos)
        << r.Err;
    EXPECT_TRUE(FolderContents(Root / "app") == before);
  }
  fs::permissions(Root / "locked", fs::perms::owner_all);
}

TEST_F(CliTest, StrictFailsOnAnyWarningBeforeAnythingChanges) {
  Write("app/A.pas", "unit A; uses DBTables; {$R *.dfm} var Q: TQuery;");
  Write("app/A.dfm", "not a form");
  const auto before = FolderContents(Root / "app");
  TCliResult r = Run("replace --library BDE --dir app --strict --report run.json");
  EXPECT_EQ(r.Exit, 3) << r.Err;
  EXPECT_EQ(r.Out, "");
  const std::string warning = "File \"" + (Root / "app/A.dfm").string() + "\" named in \"" +
                              (Root / "app/A.pas").string() +
                              "\" is not a form; it is left as it is.";
  EXPECT_NE(
      r.Err.find("--strict: the run met 1 warning(s) and changed nothing; the first: " + warning),
      std::string::npos)
      << r.Err;
  auto after = FolderContents(Root / "app");
  std::erase_if(after, [](const auto& file) {
    return file.first == "Wiz_Log.txt" || file.first.starts_with("RBackup/");
  });
  EXPECT_TRUE(after == before);
  EXPECT_FALSE(fs::exists(Root / "app/RBackup/RExpert.reu"));
  const auto report = ReadValidReport(Root / "run.json");
  EXPECT_FALSE(report["completed"]);
  EXPECT_TRUE(report["options"]["strict"]);
  EXPECT_EQ(report["warnings"][0], warning);
  // Without --strict the same run converts the unit and warns on stderr.
  r = Run("replace --library BDE --dir app --no-backup");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Err, "zanmig: warning: " + warning + "\n");
  EXPECT_EQ(Read("app/A.dfm"), "not a form");
}

TEST_F(CliTest, KeepGoingLeavesABrokenFormWithItsUnitAndExitsWithFive) {
  Write("app/A.pas", "unit A; uses DBTables; {$R *.dfm} var Q: TQuery;");
  Write("app/A.dfm",
        "object F: TF\r\n  Caption = 'a' 'b'\r\n  object Q: TQuery\r\n  end\r\nend\r\n");
  Write("app/B.pas", "var T: TTable;");
  TCliResult r = Run("replace --library BDE --dir app --no-backup");
  EXPECT_EQ(r.Exit, 3) << r.Err;
  EXPECT_EQ(Read("app/B.pas"), "var T: TTable;");
  r = Run("replace --library BDE --dir app --no-backup --keep-going");
  EXPECT_EQ(r.Exit, 5) << r.Err;
  EXPECT_NE(r.Err.find("A.dfm\" is left as it is"), std::string::npos) << r.Err;
  EXPECT_EQ(Read("app/A.pas"), "unit A; uses DBTables; {$R *.dfm} var Q: TQuery;");
  EXPECT_EQ(Read("app/B.pas"), "var T: TZanTable;");
}

// On a terminal (a pseudo-terminal made by `script`) the progress line names
// each file relative to the scanned folder and ends on the number of files
// the run took, although the folder held a form no unit names.
TEST_F(CliTest, ProgressOnATerminalShowsRelativeNamesAndReachesItsTotal) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  Write("app/U.pas", "unit U;\r\ninterface\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n");
  Write("app/U.dfm", "object F: TForm\r\n  object Q: TQuery\r\n  end\r\nend\r\n");
  Write("app/sub/V.pas", "var T: TTable;");
  Write("app/sub/Stray.dfm", "object G: TForm\r\nend\r\n");
  const char* exe = std::getenv("ZANMIG_EXE");
  const fs::path program = exe ? fs::path(exe) : fs::path(ZAN_BINARY_DIR) / "zanmig";
  const fs::path out = Root / "terminal.txt";
  const std::string command = "cd '" + Root.string() + "' && script -qec \"'" + program.string() +
                              "' replace --library BDE --dir app --recursive --no-backup --no-log" +
                              "\" /dev/null >'" + out.string() + "' 2>&1 </dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string shown = ReadFileBytes(out);
  // The plan's two units expected (the stray form no unit names is not);
  // the form U.pas names raises the count when it is met: three taken.
  EXPECT_NE(shown.find("[2/2] sub/V.pas"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\r\033[K[3/3] U.dfm\r\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Replace procedure was performed sucessfully."), std::string::npos);
}

TEST_F(CliTest, TheToDoListOfARunPrintsLikeACompiler) {
  Write("app/A.pas", "uses IBQuery;\nvar Q: TIBQuery; M: TIBSQLMonitor;\n");
  TCliResult r = Run("replace --library IBX --dir app --report run.json");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_NE(r.Out.find("2 places need your attention"), std::string::npos) << r.Out;
  // Files below the current folder relative to it, as an editor opens them
  // from there; others whole.
  const std::string places =
      ":1:6: uses: the source unit IBQuery is still used -- remove it once nothing in the unit "
      "needs it\n{}:2:22: class: TIBSQLMonitor is still used -- the catalogue does not convert "
      "it: replace it by hand\n\n     1 uses\n     1 class\n2 places need your attention.\n";
  auto expected = [&](const std::string& file) {
    std::string text = file + places;
    text.replace(text.find("{}"), 2, file);
    return text;
  };
  r = Run("todo run.json");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Out, expected("app/A.pas"));
  r = Run("todo --json run.json");
  EXPECT_EQ(r.Exit, 0) << r.Err;
  const auto json = nlohmann::json::parse(r.Out);
  ASSERT_EQ(json.size(), 2u);
  EXPECT_EQ(json[1],
            nlohmann::json::parse(R"({"kind": "class", "file": ")" + (Root / "app/A.pas").string() +
                                  R"(", "line": 2, "column": 22, "count": 1, "what": )"
                                  R"("TIBSQLMonitor is still used", "action": "the )"
                                  R"(catalogue does not convert it: replace it by hand"})"));
  fs::create_directories(Root / "elsewhere");
  // (the command runs after a change into a folder beside the files)
  EXPECT_EQ(Run("todo ../run.json", "cd elsewhere &&").Out,
            expected((Root / "app/A.pas").string()));
  Write("bad.json", "not json");
  EXPECT_EQ(Run("todo bad.json").Exit, 3);
}

}  // namespace
}  // namespace zan::test
