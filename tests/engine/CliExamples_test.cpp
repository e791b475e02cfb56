// The sample projects of examples/ run through the built zanmig: each one
// converts to exactly its golden files (examples/<library>/expected/), a dry
// run touches nothing, the report accounts for every file and form object,
// restore gives back the originals byte for byte, and every form survives a
// binary <-> text round trip through `zanmig convert`, also through pipes.
// The rule-file sample (examples/rules) converts with its rules.toml to its
// golden files too.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "engine/CliTestUtil.h"
#include "engine/rewrite/FormFileText.h"
#include "rtl/Strings.h"

namespace zan::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(ZAN_SOURCE_DIR) / "examples";

/// The samples of one library each, named after it (the rule-file sample has
/// its own test).
std::vector<std::string> SampleLibraries() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(kExamples, ec))
    if (entry.is_directory() && !fs::exists(entry.path() / "rules.toml"))
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ProjectFile(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().extension() == ".dpr") return entry.path().filename().string();
  return "";
}

/// The project's files after a run in `folder`, without what the run adds
/// beside them.
std::map<std::string, std::string> ProjectFilesIn(const fs::path& folder) {
  auto files = FolderContents(folder);
  std::erase_if(files, [](const auto& file) {
    return file.first == "Wiz_Log.txt" || file.first.starts_with("RBackup/");
  });
  return files;
}

/// The whole report against its golden copy tests/data/reports/<name>.json,
/// paths made relative to the project and the start time and tool version
/// masked (ZAN_UPDATE_GOLDEN=1 writes the goldens anew).
void ExpectGoldenReport(const fs::path& report, const fs::path& project, const std::string& name) {
  std::string golden = ReadFileBytes(report);
  for (size_t at; (at = golden.find(project.string())) != std::string::npos;)
    golden.replace(at, project.string().size(), "<project>");
  nlohmann::ordered_json masked = nlohmann::ordered_json::parse(golden);
  masked["startTime"] = "<time>";
  masked["toolVersion"] = "<version>";
  golden = masked.dump(2) + "\n";
  const fs::path goldenFile = fs::path(ZAN_SOURCE_DIR) / "tests/data/reports" / (name + ".json");
  const char* update = std::getenv("ZAN_UPDATE_GOLDEN");
  if (update && *update && std::string(update) != "0") WriteFileBytes(goldenFile, golden);
  EXPECT_EQ(golden, ReadFileBytes(goldenFile)) << "differs from " << goldenFile.string();
}

class CliExamplesTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ZAN_REQUIRE_ZANMIG();
    Sample = kExamples / GetParam();
    Copy = Temp.path() / GetParam();
    CopyTopLevelFiles(Sample, Copy);
    Originals = FolderContents(Copy);
  }
  std::map<std::string, std::string> ProjectFiles() { return ProjectFilesIn(Copy); }

  TempDir Temp;
  fs::path Sample, Copy;
  std::map<std::string, std::string> Originals;
};

TEST_P(CliExamplesTest, ConvertsToTheGoldenFilesAndRestores) {
  const auto expected = FolderContents(Sample / "expected");
  ASSERT_EQ(expected.size(), Originals.size()) << "every project file has its golden copy";
  const fs::path report = Temp.path() / "report.json";
  TCliRun run = RunZanmig(Copy, "replace --library " + GetParam() + " --project " +
                                    ProjectFile(Copy) + " --report '" + report.string() + "'");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  // The result line, the summary, and last the command that undoes the run.
  EXPECT_TRUE(
      run.Out.starts_with("Replace procedure was performed sucessfully.\nFiles: 5 processed"))
      << run.Out;
  const std::string undo = "To undo the run: zanmig ";
  const size_t undoAt = run.Out.rfind(undo);
  ASSERT_NE(undoAt, std::string::npos) << run.Out;
  const std::string restoreArgs =
      run.Out.substr(undoAt + undo.size(), run.Out.size() - undoAt - undo.size() - 1);
  EXPECT_EQ(restoreArgs, "restore '" + (Copy / "RBackup" / "RExpert.reu").string() + "'");
  EXPECT_EQ(run.Err, "");
  const auto converted = ProjectFiles();
  for (const auto& [name, bytes] : expected) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(converted.contains(name));
    EXPECT_TRUE(converted.at(name) == bytes) << "differs from expected/" << name;
  }
  EXPECT_EQ(converted.size(), expected.size());

  const auto json = ReadValidReport(report);
  EXPECT_TRUE(json["completed"]);
  EXPECT_TRUE(json["result"]);
  EXPECT_TRUE(json["errors"].empty());
  EXPECT_TRUE(json["warnings"].empty());
  EXPECT_EQ(json["filesProcessed"], 5);  // the two units, the program and the forms
  int changed = 0;
  for (const auto& [name, bytes] : expected) changed += Originals.at(name) != bytes;
  EXPECT_EQ(json["filesChanged"], changed);
  EXPECT_EQ(json["backups"].size(), static_cast<size_t>(changed));
  EXPECT_EQ(json["undoFile"], (Copy / "RBackup" / "RExpert.reu").string());
  EXPECT_FALSE(json["formObjects"].empty());
  for (const auto& object : json["formObjects"]) EXPECT_TRUE(object["converted"]) << object.dump();
  ExpectGoldenReport(report, Copy, Sample.filename().string());

  // The folder of the run names its undo file too.
  EXPECT_EQ(RunZanmig(Copy, "restore --dry-run .").Exit, 0);
  TCliRun restore = RunZanmig(Copy, restoreArgs);
  ASSERT_EQ(restore.Exit, 0) << restore.Err;
  EXPECT_TRUE(ProjectFiles() == Originals);
}

TEST_P(CliExamplesTest, DryRunListsTheChangesAndTouchesNothing) {
  const fs::path report = Temp.path() / "dry.json";
  TCliRun run = RunZanmig(Copy, "replace --library " + GetParam() +
                                    " --dir . --dry-run --report '" + report.string() + "'");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  const auto json = ReadValidReport(report);
  EXPECT_TRUE(json["dryRun"]);
  EXPECT_TRUE(json["backups"].empty());
  EXPECT_TRUE(json["undoFile"].is_null());
  EXPECT_TRUE(json["logFile"].is_null());
  EXPECT_EQ(json["filesProcessed"], 5);  // the project file too: a folder run takes it
  EXPECT_FALSE(json["formObjects"].empty());
  EXPECT_NE(run.Out.find("MainForm.pas: "), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("DataModule.dfm: "), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find(" file(s) would change.\n"), std::string::npos);
  EXPECT_TRUE(FolderContents(Copy) == Originals) << "a dry run wrote or changed a file";
}

TEST_P(CliExamplesTest, FormsSurviveABinaryTextRoundTrip) {
  for (const std::string form : {"MainForm.dfm", "DataModule.dfm"}) {
    SCOPED_TRACE(form);
    const std::string original = Originals.at(form);
    const bool binary = IsBinaryForm(original);
    const char* first = binary ? "--to-text" : "--to-binary";
    const char* second = binary ? "--to-binary" : "--to-text";
    ASSERT_EQ(RunZanmig(Copy, "convert " + form + " step1 " + first).Exit, 0);
    const std::string step1 = ReadFileBytes(Copy / "step1");
    EXPECT_NE(IsBinaryForm(step1), binary);
    if (!binary) {  // a resource header named after the root class is added
      EXPECT_EQ(step1.substr(0, 3), std::string("\xFF\x0A\x00", 3));
      const std::string root = form == "MainForm.dfm" ? "TFRMMAIN" : "TDMDATA";
      EXPECT_EQ(step1.substr(3, root.size() + 1), root + '\0');
    }
    ASSERT_EQ(RunZanmig(Copy, "convert step1 step2 " + std::string(second)).Exit, 0);
    const std::string back = ReadFileBytes(Copy / "step2");
    if (binary || original.find("\r\n") != std::string::npos)
      EXPECT_TRUE(back == original);
    else  // text comes back as the host writes it: CRLF line ends
      EXPECT_EQ(back.size(), original.size() + std::count(original.begin(), original.end(), '\n'));
    // Converting to the form a file already has leaves its bytes as they are.
    ASSERT_EQ(RunZanmig(Copy, "convert " + form + " same " + second).Exit, 0);
    EXPECT_TRUE(ReadFileBytes(Copy / "same") == original);
  }
}

/// The converted objects of a form text that would connect to nothing when
/// the form loads: connections stored connected without a provider and a
/// server, database or connect string, data sets stored open without a
/// connection or through a connection of the form that connects to nothing.
/// One "Name: reason" line each.
std::string ConnectedToNothing(const std::string& form) {
  struct TObject {
    std::string Name, Class;
    std::map<std::string, std::string> Props;  // the object's own properties
  };
  std::vector<TObject> open;
  std::string found;
  auto trim = [](std::string s) {
    s.erase(0, s.find_first_not_of(" \t"));
    s.erase(s.find_last_not_of(" \t\r") + 1);
    return s;
  };
  auto lower = [](std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  };
  std::set<std::string> nowhere;  // connections without a provider or a target, lower case
  std::vector<std::pair<std::string, std::string>> through;  // open data sets, their connection
  auto check = [&](const TObject& o) {
    auto has = [&](const char* name) { return o.Props.contains(name); };
    auto isTrue = [&](const char* name) { return has(name) && o.Props.at(name) == "True"; };
    if (o.Class == "TZanConnection" &&
        (!has("ProviderName") || !(has("Server") || has("Database") || has("ConnectString")))) {
      if (isTrue("Connected")) found += o.Name + ": connected without a provider and a target\n";
      nowhere.insert(lower(o.Name));
    }
    static const std::set<std::string> kDataSets = {"TZanQuery", "TZanTable", "TZanStoredProc",
                                                    "TZanMetaData", "TZanAlerter"};
    if (kDataSets.contains(o.Class) && isTrue("Active")) {
      if (!has("Connection"))
        found += o.Name + ": open without a connection\n";
      else
        through.emplace_back(o.Name, o.Props.at("Connection"));
    }
  };
  std::istringstream lines(form);
  for (std::string line; std::getline(lines, line);) {
    line = trim(line);
    for (const char* keyword : {"object ", "inherited ", "inline "})
      if (line.starts_with(keyword)) {
        const std::string header = line.substr(std::string(keyword).size());
        const size_t colon = header.find(':');
        TObject o;
        o.Name = colon == std::string::npos ? "" : trim(header.substr(0, colon));
        o.Class = trim(header.substr(colon == std::string::npos ? 0 : colon + 1));
        o.Class = o.Class.substr(0, o.Class.find(' '));
        open.push_back(std::move(o));
      }
    if (line == "end" && !open.empty()) {
      check(open.back());
      open.pop_back();
    } else if (!open.empty() && line.find(" = ") != std::string::npos) {
      open.back().Props[line.substr(0, line.find(" = "))] = line.substr(line.find(" = ") + 3);
    }
  }
  // A data set may come before its connection.
  for (const auto& [name, connection] : through)
    if (nowhere.contains(lower(connection.substr(connection.rfind('.') + 1))))
      found += name + ": open through " + connection + ", which connects to nothing\n";
  return found;
}

// The goldens are what the run writes (the test above): no converted
// connection or data set in them connects to nothing when its form loads.
TEST_P(CliExamplesTest, NoConvertedConnectionConnectsToNothing) {
  int objects = 0;
  for (const auto& [name, bytes] : FolderContents(Sample / "expected")) {
    if (!name.ends_with(".dfm")) continue;
    // Binary forms are read as text, as the run reads them.
    const std::string text = Utf16ToUtf8(ReadFormFile(bytes, Utf8ToUtf16(name), 1252).Text);
    EXPECT_EQ(ConnectedToNothing(text), "") << name;
    objects += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }
  EXPECT_GT(objects, 0) << "no form read";
}

TEST(CliExamples, TheSweepFindsAConnectionConnectedToNothing) {
  EXPECT_EQ(ConnectedToNothing("object F: TForm\r\n"
                               "  object Db: TZanConnection\r\n    Connected = True\r\n"
                               "    ProviderName = 'InterBase'\r\n  end\r\n"
                               "  object Q: TZanQuery\r\n    Active = True\r\n"
                               "    object QID: TIntegerField\r\n      Connection = X\r\n"
                               "    end\r\n  end\r\n"
                               "  object T: TZanTable\r\n    Connection = F.db\r\n"
                               "    Active = True\r\n  end\r\nend\r\n"),
            "Db: connected without a provider and a target\nQ: open without a connection\n"
            "T: open through F.db, which connects to nothing\n");
}

INSTANTIATE_TEST_SUITE_P(Samples, CliExamplesTest, ::testing::ValuesIn(SampleLibraries()),
                         [](const auto& info) { return info.param; });

TEST(CliExamples, AnObjectTheGrammarCannotReadStopsTheRunOrLeavesItsForm) {
  ZAN_REQUIRE_ZANMIG();
  TempDir temp;
  const fs::path copy = temp.path() / "app";
  CopyTopLevelFiles(kExamples / "FireDAC", copy);
  // An object the form grammar cannot read (a property without a value)
  // makes its form one that cannot be converted: the unit would otherwise
  // declare a class its form does not stream.
  std::string form = ReadFileBytes(copy / "MainForm.dfm");
  const std::string header = "object qryLookup: TFDQuery\r\n";
  const size_t at = form.find(header);
  ASSERT_NE(at, std::string::npos);
  form.insert(at + header.size(), "    Broken\r\n");
  WriteFileBytes(copy / "MainForm.dfm", form);
  const auto originals = ProjectFilesIn(copy);
  TCliRun run = RunZanmig(copy, "replace --library FireDAC --dir . --dry-run");
  EXPECT_EQ(run.Exit, 3) << run.Err;
  EXPECT_NE(run.Err.find("Cannot convert object \"qryLookup\" in form file"), std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("MainForm.dfm\": the form grammar does not match the object (stuck at "
                         "line "),
            std::string::npos)
      << run.Err;
  run = RunZanmig(copy, "replace --library FireDAC --dir . --no-backup --no-log --keep-going");
  EXPECT_EQ(run.Exit, 5) << run.Err;
  EXPECT_EQ(ReadFileBytes(copy / "MainForm.dfm"), form);
  EXPECT_EQ(ProjectFilesIn(copy).at("MainForm.pas"), originals.at("MainForm.pas"));
}

// The rule-file sample: a project's own TQuery descendant and a vendor's
// table, converted with the rules of its rules.toml (the run leaves the rule
// file and expected/ alone), to its golden files; the report says which rule
// did what, and restore gives back every byte.
TEST(CliExamples, RulesSampleConvertsWithItsRuleFile) {
  ZAN_REQUIRE_ZANMIG();
  TempDir temp;
  const fs::path sample = kExamples / "rules";
  const fs::path copy = temp.path() / "rules";
  fs::create_directories(copy);
  fs::copy(sample, copy, fs::copy_options::recursive);
  const auto originals = ProjectFilesIn(copy);
  const fs::path report = temp.path() / "report.json";
  TCliRun run = RunZanmig(
      copy, "replace --library BDE --dir . --rules rules.toml --report '" + report.string() + "'");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  auto converted = ProjectFilesIn(copy);
  const auto expected = FolderContents(sample / "expected");
  for (const auto& [name, bytes] : expected) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(converted.contains(name));
    EXPECT_TRUE(converted.at(name) == bytes) << "differs from expected/" << name;
    EXPECT_TRUE(converted.at("expected/" + name) == bytes) << "expected/" << name << " changed";
    converted.erase("expected/" + name);
  }
  EXPECT_EQ(converted.size(), expected.size()) << "expected/ was converted too";

  const auto json = ReadValidReport(report);
  EXPECT_TRUE(json["completed"]);
  ASSERT_EQ(json["userRules"].size(), 11u);
  for (const auto& rule : json["userRules"]) EXPECT_GT(rule["applied"], 0) << rule.dump();
  ExpectGoldenReport(report, copy, "rules");

  // A second run changes nothing: TOrdersQuery, paired with itself, cannot
  // be told from an unconverted one, and must come out as it went in.
  const auto once = ProjectFilesIn(copy);
  ASSERT_EQ(RunZanmig(copy, "replace --library BDE --dir . --rules rules.toml").Exit, 0);
  EXPECT_TRUE(ProjectFilesIn(copy) == once);

  TCliRun restore = RunZanmig(copy, "restore RBackup/RExpert.reu");
  ASSERT_EQ(restore.Exit, 0) << restore.Err;
  EXPECT_TRUE(ProjectFilesIn(copy) == originals);
}

TEST(CliExamples, ConvertStreamsIntoPipesAndReadsStandardInput) {
  ZAN_REQUIRE_ZANMIG();
  TempDir temp;
  const fs::path folder = temp.path();
  fs::copy_file(kExamples / "BDE" / "MainForm.dfm", folder / "Form.dfm");
  const std::string binary = ReadFileBytes(folder / "Form.dfm");
  ASSERT_TRUE(IsBinaryForm(binary));
  ASSERT_EQ(RunZanmig(folder, "convert Form.dfm Form.txt --to-text").Exit, 0);
  const std::string text = ReadFileBytes(folder / "Form.txt");
  const char* exe = std::getenv("ZANMIG_EXE");
  std::string zanmig = "'";
  zanmig += (exe ? fs::path(exe) : fs::path(ZAN_BINARY_DIR) / "zanmig").string();
  zanmig += "'";
  // Each script runs zanmig as "$Z" and leaves its exit status in "rc" and
  // what it wrote in "result".
  const struct {
    const char* Script;
    const std::string& Expected;
  } cases[] = {
      // A link to the standard output as /dev/stdout is one (made here: a
      // zanmig that replaced links to pipes would replace the machine's).
      {R"(ln -s /proc/self/fd/1 stdout; )"
       R"({ "$Z" convert Form.dfm stdout --to-text; echo $? >rc; } | cat >result)",
       text},
      {R"({ cat Form.txt | "$Z" convert - - --to-binary; echo $? >rc; } | cat >result)", binary},
      {R"("$Z" convert - - --to-text <Form.dfm >result; echo $? >rc)", text},
      {R"(mkfifo fifo; timeout 20 cat fifo >result & )"
       R"("$Z" convert Form.dfm fifo --to-text; echo $? >rc; wait)",
       text},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Script);
    fs::remove(folder / "result");
    fs::remove(folder / "fifo");
    const std::string command =
        "cd '" + folder.string() + "' && Z=" + zanmig + " && (" + c.Script + ") 2>err";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(folder / "rc"), "0\n") << ReadFileBytes(folder / "err");
    EXPECT_TRUE(ReadFileBytes(folder / "result") == c.Expected);
    // A pipe that is written into stays a pipe, a link to one a link.
    if (fs::exists(folder / "fifo")) {
      EXPECT_TRUE(fs::is_fifo(folder / "fifo"));
    }
    if (fs::exists(fs::symlink_status(folder / "stdout"))) {
      EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "stdout")));
    }
  }
}

TEST(CliExamples, EveryLibraryHasASample) {
  EXPECT_EQ(SampleLibraries().size(), 12u);
}

}  // namespace
}  // namespace zan::test
