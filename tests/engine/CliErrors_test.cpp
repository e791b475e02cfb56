// The command line's failure paths on copies of a sample project: usage
// errors name their option, exit 2 and touch nothing; a run that raises exits
// 3 with one line on stderr and every original untouched; restore --dry-run
// tells which backups are there; --classes widens what a converted object keeps;
// a mistake in a rule file stops the run before anything is written;
// mistyped names get a suggestion, help fits the width.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "engine/CliTestUtil.h"

namespace zan::test {
namespace {

namespace fs = std::filesystem;

class CliErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZAN_REQUIRE_ZANMIG();
    Copy = Temp.path() / "app";
    CopyTopLevelFiles(fs::path(ZAN_SOURCE_DIR) / "examples" / "BDE", Copy);
    Originals = FolderContents(Copy);
  }
  void ExpectUntouched() { EXPECT_TRUE(FolderContents(Copy) == Originals); }

  TempDir Temp;
  fs::path Copy;
  std::map<std::string, std::string> Originals;
};

TEST_F(CliErrorsTest, UsageErrorsNameTheOptionAndTouchNothing) {
  struct TCase {
    const char* Args;
    const char* Named;  // what stderr must mention
  } cases[] = {
      {"replace --library BDE --dir . --bogus", "--bogus"},
      {"replace --library Paradox --dir .", "--library"},
      {"replace --library BDE", "--dir"},
      {"replace --library BDE --dir . --connection-defs none.ini", "--connection-defs"},
      {"replace --library BDE --dir . --driver-config none.ini", "--driver-config"},
      {"replace --library BDE --dir . --no-backup --backup-dir b", "--backup-dir"},
      {"--codepage 12345 replace --library BDE --dir .", "--codepage"},
      {"--classes none.txt replace --library BDE --dir .", "--classes"},
      {"convert MainForm.dfm out.dfm", "--to-text"},
      {"convert MainForm.dfm out.dfm --to-text --to-binary", "--to-"},
      {"convert MainForm.dfm", "OUT"},
      {"restore", "UNDO_FILE"},
      {"libraries --all", "--all"},
      // Mistyped names are told before anything else is checked.
      {"", "a command is required: replace, restore, convert, libraries or todo"},
      {"replce --library BDE --dir .", "unknown command replce; did you mean replace?"},
      {"--verison", "unknown option --verison; did you mean --version?"},
      {"replace --libary BDE --dir .", "unknown option --libary; did you mean --library?"},
      {"replace --library BDE --dir . --rec", "unknown option --rec; did you mean --recursive?"},
      {"replace --library FireDC --dir .", "unknown library \"FireDC\""},
      {"replace --library FireDC --dir .", "did you mean FireDAC?"},
      {"restore --dryrun x", "unknown option --dryrun; did you mean --dry-run?"},
      {"replace --library BDE --dir . --dry-run --strcit",
       "unknown option --strcit; did you mean --strict?"},
      {"replace -x", "unknown option -x; the short options are -h and -V"},
      {"replace -d",
       "unknown option -d; did you mean --dir, --driver-config, --dry-run or --diff?"},
      {"--codepage abc libraries", "--codepage: \"abc\" is not a code page number"},
      {"replace --library BDE --dir . extra", "unexpected argument extra"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args);
    TCliRun run = RunZanmig(Copy, c.Args);
    EXPECT_EQ(run.Exit, 2) << run.Err;
    EXPECT_TRUE(run.Err.starts_with("zanmig: error: ")) << run.Err;
    EXPECT_NE(run.Err.find(c.Named), std::string::npos) << run.Err;
    ExpectUntouched();
  }
}

TEST_F(CliErrorsTest, HelpFitsTheWidthAndVersionNamesTheBuild) {
  // Not a terminal: the width comes from $COLUMNS.
  setenv("COLUMNS", "64", 1);
  for (const char* help :
       {"--help", "-h", "replace --help", "restore --help", "convert --help", "libraries --help"}) {
    SCOPED_TRACE(help);
    TCliRun run = RunZanmig(Copy, help);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_TRUE(run.Out.starts_with("Usage: zanmig ")) << run.Out;
    std::istringstream lines(run.Out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 64u) << line;
    // Placeholders are shown once, without the parser's own words.
    for (const char* noise : {"REQUIRED", "UNDO_FILE UNDO_FILE", ":FILE", "TEXT"})
      EXPECT_EQ(run.Out.find(noise), std::string::npos) << noise << " in\n" << run.Out;
  }
  unsetenv("COLUMNS");
  const std::regex version(R"(zanmig \d+\.\d+\.\d+ \((git [0-9a-f]+(-dirty)?, )?\w+\)\n)");
  for (const char* flag : {"--version", "-V"}) {
    TCliRun run = RunZanmig(Copy, flag);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_TRUE(std::regex_match(run.Out, version)) << run.Out;
  }
}

TEST_F(CliErrorsTest, OutputThatCannotBeWrittenIsAnError) {
  const char* exe = std::getenv("ZANMIG_EXE");
  const fs::path program = exe ? fs::path(exe) : fs::path(ZAN_BINARY_DIR) / "zanmig";
  const fs::path err = Temp.path() / "full.err";
  for (const char* args :
       {"libraries", "--help", "replace --help", "-V", "replace --library BDE --dir . --dry-run"}) {
    SCOPED_TRACE(args);
    const std::string command = "cd '" + Copy.string() + "' && '" + program.string() + "' " + args +
                                " >/dev/full 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_NE(ReadFileBytes(err).find("zanmig: error: cannot write to standard output"),
              std::string::npos)
        << ReadFileBytes(err);
  }
  ExpectUntouched();
  // A form given on standard input must be one: empty or plain text is refused.
  WriteFileBytes(Temp.path() / "empty.txt", "");
  WriteFileBytes(Temp.path() / "plain.txt", "hello\n");
  for (const char* input : {"empty.txt", "plain.txt"}) {
    SCOPED_TRACE(input);
    TCliRun run = RunZanmig(Copy, std::string("convert - - --to-text <../") + input);
    EXPECT_EQ(run.Exit, 3) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
  // "--" ends the options: a file whose name starts with a dash.
  WriteFileBytes(Copy / "-m.dfm", Originals.at("MainForm.dfm"));
  TCliRun dashed = RunZanmig(Copy, "convert --to-text -- -m.dfm ../out.dfm");
  EXPECT_EQ(dashed.Exit, 0) << dashed.Err;
  fs::remove(Copy / "-m.dfm");
}

TEST_F(CliErrorsTest, MissingInputsGetOneClearLine) {
  struct TCase {
    const char* Args;
    std::string Err;
  } cases[] = {
      {"replace --library BDE --dir gone",
       "zanmig: error: Folder \"" + (Copy / "gone").string() + "\" does not exist.\n"},
      {"restore gone.reu",
       "zanmig: error: Undo file \"" + (Copy / "gone.reu").string() + "\" does not exist.\n"},
      {"convert gone.dfm out.dfm --to-text",
       "zanmig: error: Form file \"" + (Copy / "gone.dfm").string() + "\" does not exist.\n"},
      {"restore .", "zanmig: error: No undo file in folder \"" + Copy.string() + "\": neither \"" +
                        (Copy / "RBackup" / "RExpert.reu").string() + "\" nor \"" +
                        (Copy / "RExpert.reu").string() + "\" exists.\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args);
    TCliRun run = RunZanmig(Copy, c.Args);
    EXPECT_EQ(run.Exit, 3);
    EXPECT_EQ(run.Err, c.Err);
    ExpectUntouched();
  }
  // A run that cannot start still writes the report asked for, with the error.
  const fs::path report = Temp.path() / "gone.json";
  TCliRun gone =
      RunZanmig(Copy, "replace --library BDE --dir gone --report '" + report.string() + "'");
  EXPECT_EQ(gone.Exit, 3);
  const nlohmann::json written = ReadValidReport(report);
  EXPECT_EQ(written["completed"], false);
  EXPECT_EQ(written["errors"],
            nlohmann::json::array({"Folder \"" + (Copy / "gone").string() + "\" does not exist."}));
  // A damaged form is refused with its name; nothing is written.
  std::string cut = Originals.at("MainForm.dfm");
  cut.resize(cut.size() - 40);
  WriteFileBytes(Temp.path() / "Cut.dfm", cut);
  WriteFileBytes(Temp.path() / "Bad.dfm", "object Form1: TForm1\r\n  Caption = 'open\r\nend\r\n");
  for (const char* args :
       {"convert ../Cut.dfm out.dfm --to-text", "convert ../Bad.dfm out.dfm --to-binary"}) {
    SCOPED_TRACE(args);
    TCliRun run = RunZanmig(Copy, args);
    EXPECT_EQ(run.Exit, 3);
    EXPECT_NE(run.Err.find(".dfm"), std::string::npos) << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    ExpectUntouched();
  }
  TCliRun project = RunZanmig(Copy, "replace --library BDE --project Gone.dpr");
  EXPECT_EQ(project.Exit, 3);
  EXPECT_NE(project.Err.find("Gone.dpr"), std::string::npos);
  EXPECT_EQ(std::count(project.Err.begin(), project.Err.end(), '\n'), 1);
  ExpectUntouched();
}

TEST_F(CliErrorsTest, ADamagedFormStopsTheRunWithEveryOriginalUntouched) {
  // The binary main form cut short: the run raises while it reads the form.
  std::string form = Originals.at("MainForm.dfm");
  form.resize(form.size() / 2);
  WriteFileBytes(Copy / "MainForm.dfm", form);
  Originals = FolderContents(Copy);
  const fs::path report = Temp.path() / "report.json";
  TCliRun run = RunZanmig(Copy, "replace --library BDE --project Orders.dpr --no-log --report '" +
                                    report.string() + "'");
  EXPECT_EQ(run.Exit, 3);
  EXPECT_EQ(run.Out, "");
  EXPECT_NE(run.Err.find("MainForm.dfm"), std::string::npos) << run.Err;
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
  // Backups made before the error stay; the originals and the undo file do not change.
  auto after = FolderContents(Copy);
  EXPECT_FALSE(after.contains("RBackup/RExpert.reu"));
  std::erase_if(after, [](const auto& file) { return file.first.starts_with("RBackup/"); });
  EXPECT_TRUE(after == Originals);
  const std::string json = ReadFileBytes(report);
  (void)ReadValidReport(report);
  EXPECT_NE(json.find("\"completed\": false"), std::string::npos);
  EXPECT_NE(json.find("MainForm.dfm"), std::string::npos);
}

TEST_F(CliErrorsTest, RestoreDryRunListsEveryFileAndItsBackup) {
  ASSERT_EQ(RunZanmig(Copy, "replace --library BDE --dir . --quiet").Exit, 0);
  const auto converted = FolderContents(Copy);
  TCliRun dry = RunZanmig(Copy, "restore --dry-run RBackup/RExpert.reu");
  EXPECT_EQ(dry.Exit, 0) << dry.Err;
  EXPECT_NE(dry.Out.find((Copy / "DataModule.pas").string() + " <- " +
                         (Copy / "RBackup" / "DataModule.~pas").string() + "\n"),
            std::string::npos)
      << dry.Out;
  EXPECT_NE(dry.Out.find("4 of 4 backup(s) present.\n"), std::string::npos) << dry.Out;
  // The folder of the run, or its backup folder, names the same undo file.
  for (const char* folder : {".", "RBackup", "RBackup/"})
    EXPECT_EQ(RunZanmig(Copy, std::string("restore --dry-run ") + folder).Out, dry.Out) << folder;
  fs::remove(Copy / "RBackup" / "MainForm.~pas");
  dry = RunZanmig(Copy, "restore --dry-run RBackup/RExpert.reu");
  EXPECT_EQ(dry.Exit, 1);
  EXPECT_NE(dry.Out.find("MainForm.~pas (backup missing)\n"), std::string::npos) << dry.Out;
  EXPECT_NE(dry.Out.find("3 of 4 backup(s) present.\n"), std::string::npos);
  auto now = FolderContents(Copy);
  EXPECT_EQ(now.size() + 1, converted.size());
  for (const auto& [name, bytes] : now) EXPECT_TRUE(converted.at(name) == bytes) << name;
  // The real restore refuses too, and puts nothing back.
  TCliRun restore = RunZanmig(Copy, "restore RBackup/RExpert.reu");
  EXPECT_EQ(restore.Exit, 1);
  EXPECT_EQ(restore.Out, "");
  // It names what it refuses.
  EXPECT_EQ(restore.Err, "zanmig: error: " + (Copy / "MainForm.pas").string() +
                             ": backup missing\nzanmig: error: nothing was restored\n"
                             "zanmig: error: Failed to restore files.\n");
  EXPECT_TRUE(FolderContents(Copy) == now);
}

TEST_F(CliErrorsTest, WhatRestoreAndTodoEchoFromAFileIsCutAndEscaped) {
  // A line of the undo file that names no file, with terminal escapes in it.
  const std::string x300(300, 'x'), x1000(1000, 'x');
  fs::create_directories(Copy / "RBackup");
  WriteFileBytes(Copy / "RBackup" / "RExpert.reu", "\x1b]0;owned\x07" + x300 + "\r\n");
  const std::string shown = "\\x1B]0;owned\\x07" + std::string(190, 'x') + "...";
  TCliRun dry = RunZanmig(Copy, "restore --dry-run .");
  EXPECT_EQ(dry.Exit, 1);
  EXPECT_EQ(dry.Out, shown +
                         " <-  (backup missing)\n0 of 1 backup(s) present.\n1 file(s) refused: "
                         "restore puts nothing back, even with --force.\n");
  TCliRun restore = RunZanmig(Copy, "restore .");
  EXPECT_EQ(restore.Exit, 1);
  EXPECT_EQ(restore.Err, "zanmig: error: " + shown +
                             ": backup missing\nzanmig: error: nothing was restored\n"
                             "zanmig: error: Failed to restore files.\n");
  fs::remove_all(Copy / "RBackup");

  // A report whose to-do list has fields of the wrong type, or texts to escape.
  const fs::path report = Temp.path() / "run.json";
  const std::string named = "zanmig: error: \"" + report.string() + "\"";
  struct TCase {
    std::string Json;
    int Exit;
    std::string Out, Err;
  } cases[] = {
      {R"({"todo": [{"file": "A.pas"}, {"file": 7}]})", 3, "",
       named + ": to-do item 2 has a \"file\" that is not a string\n"},
      {R"({"todo": [{"what": ["x"]}]})", 3, "",
       named + ": to-do item 1 has a \"what\" that is not a string\n"},
      {R"({"todo": [{"line": "12"}]})", 3, "",
       named + ": to-do item 1 has a \"line\" that is not a whole number\n"},
      {R"({"todo": [{"line": 1, "column": 2.5}]})", 3, "",
       named + ": to-do item 1 has a \"column\" that is not a whole number\n"},
      {R"({"todo": [{"kind": 1}]})", 3, "",
       named + ": to-do item 1 has a \"kind\" that is not a string\n"},
      {R"({"todo": [{"count": true}]})", 3, "",
       named + ": to-do item 1 has a \"count\" that is not a whole number\n"},
      {R"({"todo": ["A.pas"]})", 3, "", named + ": to-do item 1 is not an object\n"},
      {R"({"todo": {"file": "A.pas"}})", 3, "",
       named + " holds no to-do list (a report of zanmig 1?)\n"},
      // A file named relative to the report's folder, outside the current one;
      // a place without a line; an item without a kind.
      {R"({"todo": [{"file": "A\u001b[2J.pas", "line": 3, "column": 4, "kind": "uses", )"
       R"("what": ")" +
           x1000 +
           R"(y", "action": "fix\u202Eit", "extra": {}}, )"
           R"({"file": "app/B.dfm", "kind": "object", "what": "Q", "action": "a"}, {}]})",
       0,
       Temp.path().string() + "/A\\x1B[2J.pas:3:4: uses: " + x1000 +
           "... -- fix\\u202Eit\nB.dfm: object: Q -- a\ntodo: \n\n     1 uses\n     1 object\n"
           "     1 todo\n3 places need your attention.\n",
       ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Json.substr(0, 100));
    WriteFileBytes(report, c.Json);
    TCliRun run = RunZanmig(Copy, "todo '" + report.string() + "'");
    EXPECT_EQ(run.Exit, c.Exit);
    EXPECT_EQ(run.Out, c.Out);
    EXPECT_EQ(run.Err, c.Err);
  }
}

TEST_F(CliErrorsTest, ClassesFileKeepsPropertiesTheRegistryDidNotKnow) {
  WriteFileBytes(Temp.path() / "classes.txt", "# the session is kept\nTZanQuery: SessionName\n");
  ASSERT_EQ(RunZanmig(Copy,
                      "--classes ../classes.txt replace --library BDE --dir . --no-backup "
                      "--no-log --quiet")
                .Exit,
            0);
  const std::string text = ReadFileBytes(Copy / "DataModule.dfm");
  const size_t query = text.find("object qryOrders: TZanQuery");
  ASSERT_NE(query, std::string::npos);
  EXPECT_LT(text.find("SessionName = 'Default'", query), text.find("object qryOrdersOrderNo"));
  // Without the file the property is dropped (it is not a property of TZanQuery).
  CopyTopLevelFiles(fs::path(ZAN_SOURCE_DIR) / "examples" / "BDE", Temp.path() / "plain");
  ASSERT_EQ(
      RunZanmig(Temp.path() / "plain", "replace --library BDE --dir . --no-backup --no-log").Exit,
      0);
  const std::string plain = ReadFileBytes(Temp.path() / "plain" / "DataModule.dfm");
  EXPECT_EQ(plain.find("SessionName", plain.find("object qryOrders: TZanQuery")),
            std::string::npos);
}

TEST_F(CliErrorsTest, RuleFileMistakesStopTheRunBeforeAnythingIsWritten) {
  const fs::path rules = Temp.path() / "rules";
  fs::create_directories(rules);
  WriteFileBytes(rules / "good.toml", "[[pair]]\nsource = \"TMine\"\ntarget = \"TZanQuery\"\n");
  WriteFileBytes(rules / "clash.toml", "\n[[pair]]\nsource = \"TQuery\"\ntarget = \"TMine\"\n");
  WriteFileBytes(rules / "again.toml", "[[pair]]\nsource = \"tmine\"\ntarget = \"TMine\"\n");
  WriteFileBytes(rules / "ancestor.toml",
                 "[[target-class]]\nname = \"TMine\"\ninherits = \"TNo\"\n");
  const std::string dir = rules.string() + "/";
  struct TCase {
    const char* Args;
    std::string Message;
  } cases[] = {
      {"--rules ../rules/good.toml --rules ../rules/clash.toml",
       dir + "clash.toml:2: the pair for TQuery clashes with the built-in pair TQuery -> "
             "TZanQuery of BDE"},
      {"--rules ../rules/good.toml --rules ../rules/again.toml",
       dir + "again.toml:1: a second pair for tmine (the first is at " + dir + "good.toml:1)"},
      {"--rules ../rules/ancestor.toml",
       dir + "ancestor.toml:1: \"inherits\" names TNo, which is no registered class"},
      {"--rules ../rules/none.toml",
       dir + "none.toml: cannot read the rules: No such file or directory"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args);
    TCliRun run =
        RunZanmig(Copy, std::string("replace --library BDE --dir . --report out/r.json ") + c.Args);
    EXPECT_EQ(run.Exit, 2);
    EXPECT_EQ(run.Err, "zanmig: error: " + c.Message + "\n");
    ExpectUntouched();  // no backup folder, log or report
  }
  TCliRun other =
      RunZanmig(Copy, "replace --library IBX --dir . --rules ../rules/good.toml --dry-run");
  EXPECT_EQ(other.Exit, 0) << other.Err;  // a file without `library` suits every run
}

TEST_F(CliErrorsTest, PipesInEveryRoleAreSkippedOrRefusedNeverWaitedOn) {
  const fs::path outside = Temp.path() / "inputs";
  fs::create_directories(outside);
  const struct {
    fs::path Fifo;
    std::string Args;
    int Exit;
    std::string Err;  // what stderr must hold
  } cases[] = {
      {Copy / "Pipe.pas", "--dir . --no-log --no-backup", 0,
       "zanmig: warning: File \"" + (Copy / "Pipe.pas").string() +
           "\" is not a regular file (a pipe, device or socket); it is left as it is.\n"},
      {Copy / "Wiz_Log.txt", "--dir .", 3,
       "zanmig: error: Cannot create file \"" + (Copy / "Wiz_Log.txt").string() +
           "\". Not a regular file\n"},
      {Copy / "RBackup" / "RExpert.reu", "--dir . --no-log", 3,
       (Copy / "RBackup" / "RExpert.reu").string()},
      {outside / "rules.toml", "--dir . --rules ../inputs/rules.toml", 2,
       "zanmig: error: " + (outside / "rules.toml").string() +
           ": cannot read the rules: Not a regular file\n"},
      {outside / "classes.txt", "--dir .", 2, "--classes: Cannot open file \""},
      {outside / "defs.ini", "--dir . --connection-defs ../inputs/defs.ini", 2,
       "zanmig: error: --connection-defs: \"" + (outside / "defs.ini").string() +
           "\" is not a regular file\n"},
      {outside / "drivers.ini", "--dir . --driver-config ../inputs/drivers.ini", 2,
       "zanmig: error: --driver-config: \"" + (outside / "drivers.ini").string() +
           "\" is not a regular file\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Fifo.string());
    fs::remove_all(Copy);
    CopyTopLevelFiles(fs::path(ZAN_SOURCE_DIR) / "examples" / "BDE", Copy);
    fs::create_directories(Copy / "RBackup");
    TFifoWatchdog watchdog({c.Fifo});
    const std::string global =
        c.Fifo.filename() == "classes.txt" ? "--classes ../inputs/classes.txt " : "";
    const TCliRun run = RunZanmig(Copy, global + "replace --library BDE " + c.Args);
    EXPECT_EQ(run.Exit, c.Exit) << run.Err;
    EXPECT_NE(run.Err.find(c.Err), std::string::npos) << run.Err;
    EXPECT_TRUE(fs::is_fifo(c.Fifo));
    if (c.Exit != 0) ExpectUntouched();
    fs::remove(c.Fifo);
  }
}

TEST_F(CliErrorsTest, TheReportGoesIntoStreamsAndNeverOverTheRunsOwnFiles) {
  WriteFileBytes(Temp.path() / "rules.toml",
                 "[[pair]]\nsource = \"TMine\"\ntarget = \"TZanQuery\"\n");
  fs::create_symlink(Copy / "MainForm.pas", Temp.path() / "link.json");
  const struct {
    std::string Report;
    std::string Extra;
    std::string Role;
  } refused[] = {
      {"MainForm.pas", "", "a unit or form of the run"},
      {"./MainForm.dfm", "", "a unit or form of the run"},
      {"../link.json", "", "a unit or form of the run"},
      {"Wiz_Log.txt", "", "the run's log"},
      {"RBackup/RExpert.reu", "", "in the backup folder (backups, undo file)"},
      {"../rules.toml", "--rules ../rules.toml", "a rule file of the run"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.Report);
    const TCliRun run =
        RunZanmig(Copy, "replace --library BDE --dir . --report " + c.Report + " " + c.Extra);
    EXPECT_EQ(run.Exit, 2) << run.Err;
    const std::string shown = (fs::path(Copy) / c.Report).lexically_normal().string();
    EXPECT_TRUE(run.Err.starts_with("zanmig: error: --report: \"" + shown + "\" is " + c.Role +
                                    "; the report would overwrite it\n"))
        << run.Err;
    ExpectUntouched();
    EXPECT_FALSE(fs::exists(Copy / "RBackup"));
  }

  // Streams are written into; what cannot take a report is refused up front,
  // and a report that cannot be written at the end fails the run.
  const fs::path pipe = Temp.path() / "pipe", readOnly = Temp.path() / "ro.json";
  const fs::path socketPath = Temp.path() / "sock";
  TFifoWatchdog watchdog({pipe}, 60);
  WriteFileBytes(readOnly, "old");
  fs::permissions(readOnly, fs::perms::owner_read);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.string().copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const struct {
    std::string Report;
    bool Reader;  // a thread reads the pipe meanwhile
    int Exit;
    std::string Err;
  } streams[] = {
      {"-", false, 0, "Replace procedure was performed sucessfully.\n"},
      {"/dev/stdout", false, 0, "Replace procedure was performed sucessfully.\n"},
      {"/dev/null", false, 0, ""},
      {pipe.string(), true, 0, ""},
      {pipe.string(), false, 1, "\". No process reads the pipe\n"},
      {readOnly.string(), false, 1, "Permission denied\n"},
      {socketPath.string(), false, 3,
       "cannot be written: it is neither a file, a pipe nor a terminal\n"},
  };
  for (const auto& c : streams) {
    SCOPED_TRACE(c.Report + (c.Reader ? " (read)" : ""));
    fs::remove_all(Copy);
    CopyTopLevelFiles(fs::path(ZAN_SOURCE_DIR) / "examples" / "BDE", Copy);
    std::string received;
    std::thread reader;
    if (c.Reader) reader = std::thread([&] { received = ReadFileBytes(pipe); });
    const TCliRun run = RunZanmig(Copy, "replace --library BDE --dir . --report " + c.Report);
    if (reader.joinable()) reader.join();
    EXPECT_EQ(run.Exit, c.Exit) << run.Err;
    EXPECT_NE(run.Err.find(c.Err), std::string::npos) << run.Err;
    const bool toStdout = c.Report == "-" || c.Report == "/dev/stdout";
    const std::string& json = toStdout ? run.Out : received;
    if (toStdout || c.Reader) {
      EXPECT_TRUE(nlohmann::json::parse(json)["completed"]);
    }
    // The originals are converted whenever the run itself went through.
    EXPECT_EQ(FolderContents(Copy) == Originals, c.Exit == 3);
  }
  ::close(sock);
  EXPECT_TRUE(fs::is_fifo(pipe));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(ReadFileBytes(readOnly), "old");
}

// The alias file: a mistake stops the run before anything is written (the
// mistakes themselves are tabled in tests/formrules/BdeAliases_test.cpp);
// a good file gives the sample's database its provider and server.
TEST_F(CliErrorsTest, AliasFileMistakesStopTheRunAndAGoodFileIsUsed) {
  const fs::path aliases = Temp.path() / "aliases";
  fs::create_directories(aliases);
  WriteFileBytes(aliases / "bad.ini", "[Orders]\r\nTYPE=MSSQL\r\nSERVER NAME srv\r\n");
  TCliRun bad = RunZanmig(
      Copy, "replace --library BDE --dir . --report out/r.json --aliases ../aliases/bad.ini");
  EXPECT_EQ(bad.Exit, 2);
  EXPECT_EQ(bad.Err, "zanmig: error: " + (aliases / "bad.ini").string() +
                         ":3: expected [ALIAS] or NAME=VALUE\n");
  ExpectUntouched();

  const std::string dataModule = ReadFileBytes(Copy / "DataModule.dfm");
  const size_t alias = dataModule.find("AliasName = '");
  ASSERT_NE(alias, std::string::npos) << "the BDE sample names an alias";
  const size_t from = alias + 13;
  const std::string name = dataModule.substr(from, dataModule.find('\'', from) - from);
  WriteFileBytes(aliases / "good.ini",
                 "[" + name + "]\nTYPE=MSSQL\nSERVER NAME=srv\nDATABASE NAME=Orders\n");
  TCliRun good = RunZanmig(
      Copy, "replace --library BDE --project Orders.dpr --no-backup --aliases ../aliases/good.ini");
  ASSERT_EQ(good.Exit, 0) << good.Err;
  const std::string converted = ReadFileBytes(Copy / "DataModule.dfm");
  EXPECT_NE(converted.find("ProviderName = 'SQL Server'"), std::string::npos) << converted;
  EXPECT_NE(converted.find("Server = 'srv'"), std::string::npos) << converted;
}

}  // namespace
}  // namespace zan::test
