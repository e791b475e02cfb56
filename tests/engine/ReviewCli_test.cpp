// A run you can review: `zanmig replace --diff` prints what patch -p1 and
// git apply turn a copy of the original tree into the run's result with,
// a run refuses files with uncommitted work in git unless --allow-dirty,
// and a backup folder the run makes tells git to ignore it. Runs the built
// `zanmig` (and patch and git where installed) over temporary trees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "CliTestUtil.h"
#include "common/TestUtil.h"

namespace zan::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(ZAN_SOURCE_DIR) / "examples";
constexpr const char* kSucceeded = "Replace procedure was performed sucessfully.\n";

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

/// Runs `command` with sh in `folder`; its exit status.
int Shell(const fs::path& folder, const std::string& command) {
  const int status = std::system(("cd '" + folder.string() + "' && " + command).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteTree(const fs::path& root, const std::map<std::string, std::string>& files) {
  for (const auto& [name, bytes] : files) {
    fs::create_directories((root / name).parent_path());
    WriteFileBytes(root / name, bytes);
  }
}

/// The folder's files, without what a run writes beside them.
std::map<std::string, std::string> Sources(const fs::path& folder) {
  auto files = FolderContents(folder);
  std::erase_if(files, [](const auto& file) {
    return file.first == "Wiz_Log.txt" || file.first.starts_with("RBackup/") ||
           file.first.starts_with(".git/");
  });
  return files;
}

const std::string kForm =
    "object F: TForm\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'select 1')\r\n"
    "  end\r\nend\r\n";

// The diff of a run, applied to a copy of the tree as it was, gives the
// tree the run left, byte for byte; a binary form is shown as text and
// left alone by both tools. The dry run prints the same diff.
TEST(ReviewCli, TheDiffAppliedToACopyGivesTheRunsResult) {
  ZAN_REQUIRE_ZANMIG();
  if (!Installed("patch") && !Installed("git")) GTEST_SKIP() << "neither patch nor git installed";
  const struct {
    const char* name;
    std::map<std::string, std::string> files;  // empty: examples/BDE
    const char* args;
    const char* binaryForm;
  } cases[] = {
      {"CRLF, LF and no final newline",
       {{"Crlf.pas",
         "unit Crlf;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\n"
         "implementation\r\nend.\r\n"},
        {"Lf.pas", "unit Lf;\nuses DBTables;\nvar T: TTable;\nend.\n"},
        {"Bare.pas", "var D: TDatabase;"},
        {"Same.pas", "unit Same;\r\nend.\r\n"}},
       "--dir .",
       nullptr},
      {"sub-folders, a blank, a quote and a backslash in names, a text form",
       {{"Top.pas", "var Q: TQuery;\n"},
        {"sub/My Form.pas",
         "unit MyForm;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n"
         "{$R *.dfm}\r\nend.\r\n"},
        {"sub/My Form.dfm", kForm},
        {"sub/deeper/V.pas", "var T: TTable;"},
        {"sub/q\"uote\\d.pas", "var T: TTable;\n"}},
       "--dir . --recursive",
       nullptr},
      {"a project with a binary form", {}, "--project Orders.dpr", "MainForm.dfm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir temp;
    const fs::path run = temp.path() / "run";
    if (c.files.empty())
      CopyTopLevelFiles(kExamples / "BDE", run);
    else
      WriteTree(run, c.files);
    const auto before = Sources(run);
    for (const char* copy : {"patch", "git"})
      fs::copy(run, temp.path() / copy, fs::copy_options::recursive);

    TCliRun dry = RunZanmig(run, std::string("replace --library BDE --diff --dry-run ") + c.args);
    ASSERT_EQ(dry.Exit, 0) << dry.Err;
    TCliRun real = RunZanmig(run, std::string("replace --library BDE --diff --quiet ") + c.args);
    ASSERT_EQ(real.Exit, 0) << real.Err;
    ASSERT_TRUE(real.Out.ends_with(kSucceeded)) << real.Out;
    const std::string diff = real.Out.substr(0, real.Out.size() - std::strlen(kSucceeded));
    EXPECT_TRUE(dry.Out.starts_with(diff)) << dry.Out;
    EXPECT_NE(diff.find("diff --git a/"), std::string::npos) << diff;
    if (c.binaryForm) {
      EXPECT_NE(diff.find(std::string("# Binary form ") + c.binaryForm +
                          " shown as text; not applicable\n"),
                std::string::npos)
          << diff;
    }
    auto expected = Sources(run);
    if (c.binaryForm) expected[c.binaryForm] = before.at(c.binaryForm);
    EXPECT_TRUE(expected != before);

    // The whole standard output is applied, the result line after the diff included.
    WriteFileBytes(temp.path() / "run.diff", real.Out);
    const struct {
      const char* tool;
      const char* command;
    } tools[] = {{"patch", "patch -p1 -s -i ../run.diff"},
                 {"git", "git apply -p1 --whitespace=nowarn ../run.diff"}};
    for (const auto& tool : tools) {
      SCOPED_TRACE(tool.tool);
      if (!Installed(tool.tool)) continue;
      EXPECT_EQ(Shell(temp.path() / tool.tool, tool.command + std::string(" 2>&1")), 0);
      EXPECT_TRUE(Sources(temp.path() / tool.tool) == expected);
    }
  }
}

// Files the run would change that hold uncommitted work (modified, staged
// or untracked) stop the run before anything changes, named; --allow-dirty
// runs, a dry run warns, and neither a modified file the run leaves alone
// nor a tree outside git stops it. The backup folder never shows up in git.
TEST(ReviewCli, UncommittedWorkStopsTheRun) {
  ZAN_REQUIRE_ZANMIG();
  if (!Installed("git")) GTEST_SKIP() << "git is not installed";
  const std::string refused =
      "zanmig: error: 1 file(s) the run would change have uncommitted "
      "changes: ";
  const std::string advice = "; commit or stash them first, or run with --allow-dirty\n";
  const struct {
    const char* name;
    const char* dirt;  // a shell command run after the commit
    const char* args;
    int exit;
    std::string err;
  } cases[] = {
      {"clean", "true", "", 0, ""},
      {"modified", "echo '// x' >>U.pas", "", 3, refused + "U.pas (modified)" + advice},
      {"staged", "echo '// x' >>U.pas && git add U.pas", "", 3,
       refused + "U.pas (staged)" + advice},
      {"untracked in a sub-folder", "mkdir -p 'sub dir' && echo 'var T: TTable;' >'sub dir/N.pas'",
       "", 3, refused + "sub dir/N.pas (untracked)" + advice},
      {"allowed", "echo '// x' >>U.pas", "--allow-dirty", 0, ""},
      {"a modified file the run leaves", "echo '// x' >>Other.pas", "", 0, ""},
      {"a dry run warns", "echo '// x' >>U.pas", "--dry-run", 0,
       "zanmig: warning: 1 file(s) the run would change have uncommitted changes: U.pas "
       "(modified); a run without --dry-run refuses them unless --allow-dirty\n"},
      {"not a git tree", "rm -rf .git && echo '// x' >>U.pas", "", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir temp;
    const fs::path repo = temp.path() / "repo";
    WriteTree(repo, {{"U.pas", "unit U;\nuses DBTables;\nvar Q: TQuery;\nend.\n"},
                     {"Other.pas", "unit Other;\nend.\n"}});
    ASSERT_EQ(Shell(repo,
                    "git init -q . && git add -A && git -c user.name=t -c user.email=t@t -c "
                    "commit.gpgsign=false commit -qm first && " +
                        std::string(c.dirt)),
              0);
    const auto before = Sources(repo);
    TCliRun r = RunZanmig(repo, std::string("replace --library BDE --dir . --recursive ") + c.args);
    EXPECT_EQ(r.Exit, c.exit) << r.Out << r.Err;
    EXPECT_EQ(r.Err, c.err);
    if (c.exit != 0 || std::string(c.args) == "--dry-run") {
      EXPECT_TRUE(Sources(repo) == before);
      EXPECT_FALSE(fs::exists(repo / "RBackup/RExpert.reu"));
      continue;
    }
    EXPECT_NE(ReadFileBytes(repo / "U.pas").find("TZanQuery"), std::string::npos);
    if (!fs::exists(repo / ".git")) continue;
    const fs::path status = temp.path() / "status.txt";
    ASSERT_EQ(
        Shell(repo, "git status --porcelain --untracked-files=all >'" + status.string() + "'"), 0);
    EXPECT_EQ(ReadFileBytes(status).find("RBackup"), std::string::npos) << ReadFileBytes(status);
  }
}

// The ".gitignore" goes only into a backup folder the run makes; restore and
// later runs pass over it.
TEST(ReviewCli, OnlyANewBackupFolderGetsAGitignore) {
  ZAN_REQUIRE_ZANMIG();
  TempDir temp;
  const std::string unit = "var Q: TQuery;\n";
  WriteTree(temp.path(), {{"app/U.pas", unit}, {"mine/notes.txt", "mine"}, {"other/V.pas", unit}});
  ASSERT_EQ(RunZanmig(temp.path(), "replace --library BDE --dir app").Exit, 0);
  EXPECT_EQ(ReadFileBytes(temp.path() / "app/RBackup/.gitignore"), "*\n");
  ASSERT_EQ(RunZanmig(temp.path(), "replace --library BDE --dir other --backup-dir mine").Exit, 0);
  EXPECT_FALSE(fs::exists(temp.path() / "mine/.gitignore"));

  TCliRun restore = RunZanmig(temp.path(), "restore app");
  EXPECT_EQ(restore.Exit, 0) << restore.Err;
  EXPECT_EQ(ReadFileBytes(temp.path() / "app/U.pas"), unit);
  TCliRun again = RunZanmig(temp.path(), "replace --library BDE --dir app");
  EXPECT_EQ(again.Exit, 0) << again.Err;
  EXPECT_EQ(ReadFileBytes(temp.path() / "app/RBackup/.gitignore"), "*\n");
  EXPECT_EQ(RunZanmig(temp.path(), "restore --dry-run app").Exit, 0);
}

}  // namespace
}  // namespace zan::test
