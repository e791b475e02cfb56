// The forms of a run converted on two threads give exactly what converting
// them one by one gives: the same files, log, undo file, report and errors.
// The disk allows the two threads; the same file system behind a wrapper
// does not, so the run goes one by one.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "ReplacerTestUtil.h"
#include "common/TestUtil.h"
#include "engine/catalogue/Replacer.h"
#include "engine/catalogue/ZanReplacer.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "support/JsonSchema.h"

namespace zan::test {
namespace {

namespace fs = std::filesystem;

/// Every file under `root` by relative path, with `root` in file contents
/// replaced by "<root>" and the log's time stamp dropped.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes = ReadFileBytes(entry.path());
    for (size_t at; (at = bytes.find(root.string())) != std::string::npos;)
      bytes.replace(at, root.string().size(), "<root>");
    if (entry.path().filename() == "Wiz_Log.txt") {
      const size_t time = bytes.find("Created at:");
      if (time != std::string::npos) bytes.erase(time, bytes.find('\n', time) - time);
    }
    files[fs::relative(entry.path(), root).string()] = bytes;
  }
  return files;
}

struct TRunOutcome {
  std::map<std::string, std::string> Files;
  std::string Report;  // without the number of lanes
  std::string Error;
  int Lanes = 0;
};

class FormLanesTest : public ::testing::Test {
 protected:
  /// The forms given, each with a unit naming it, in sub-folders of ten.
  void MakeTree(const fs::path& root, const std::vector<std::string>& forms) {
    for (size_t i = 0; i < forms.size(); ++i) {
      const fs::path folder = root / ("sub" + std::to_string(i / 10));
      fs::create_directories(folder);
      const std::string stem = "Form" + std::to_string(i);
      WriteFileBytes(folder / (stem + ".pas"),
                     "unit " + stem + ";\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n" +
                         "{$R *.dfm}\r\nend.\r\n");
      WriteFileBytes(folder / (stem + ".dfm"), forms[i]);
    }
  }

  TRunOutcome Run(const std::vector<std::string>& forms, bool oneByOne) {
    const fs::path root = FTemp.path() / (oneByOne ? "one" : "lanes");
    MakeTree(root, forms);
    TZanCatalogue catalogue;
    TReplaceOptions& options = catalogue.Options();
    options.Dest = sdDirectory;
    options.Directory = Utf8ToUtf16(root.string());
    options.IncludeSubDirs = true;
    options.MakeBackup = true;
    options.BackupDir = Utf8ToUtf16((root / "RBackup").string());
    options.WriteLog = true;
    TComponentReplacer& replacer = catalogue.Replacer(0);
    TFileSystemWrapper wrapper(RealFileSystem());
    TRunReport report;
    const TRunContext context = TestRunContext(
        replacer, oneByOne ? static_cast<TFileSystem&>(wrapper) : RealFileSystem(), &report);
    TRunOutcome outcome;
    try {
      PlanAndExecute(context);
    } catch (const zan::Exception& e) {
      outcome.Error = e.what();
      for (size_t at; (at = outcome.Error.find(root.string())) != std::string::npos;)
        outcome.Error.replace(at, root.string().size(), "<root>");
    }
    outcome.Files = Tree(root);
    outcome.Lanes = std::exchange(report.FormLanes, 0);
    report.StartTime.clear();  // the two runs start at different times
    outcome.Report = report.ToJson();
    for (const std::string& violation :
         SchemaViolations(nlohmann::json::parse(outcome.Report), ReportSchema(ZAN_SOURCE_DIR)))
      ADD_FAILURE() << violation;
    for (size_t at; (at = outcome.Report.find(root.string())) != std::string::npos;)
      outcome.Report.replace(at, root.string().size(), "<root>");
    return outcome;
  }

  void ExpectSameRuns(const std::vector<std::string>& forms) {
    const TRunOutcome lanes = Run(forms, false);
    const TRunOutcome one = Run(forms, true);
    // The lanes did run (a machine with one processor converts one by one).
    EXPECT_EQ(lanes.Lanes, std::thread::hardware_concurrency() >= 2 ? 2 : 0);
    EXPECT_EQ(one.Lanes, 0);
    EXPECT_EQ(lanes.Error, one.Error);
    EXPECT_EQ(lanes.Report, one.Report);
    ASSERT_EQ(lanes.Files.size(), one.Files.size());
    for (const auto& [name, bytes] : one.Files) {
      ASSERT_TRUE(lanes.Files.contains(name)) << name;
      EXPECT_TRUE(lanes.Files.at(name) == bytes) << name;
    }
  }

  /// The test forms of the BDE, each three times.
  static std::vector<std::string> TestForms() {
    std::vector<std::string> forms;
    for (int copy = 0; copy < 3; ++copy)
      for (const auto& entry :
           fs::directory_iterator(fs::path(ZAN_SOURCE_DIR) / "tests/data/forms"))
        if (entry.path().filename().string().find(".expected") == std::string::npos)
          forms.push_back(ReadFileBytes(entry.path()));
    return forms;
  }

  TempDir FTemp;
};

TEST_F(FormLanesTest, ConvertingOnTwoThreadsChangesNothingInTheOutcome) {
  const std::vector<std::string> forms = TestForms();
  ASSERT_GE(forms.size(), 20u);
  ExpectSameRuns(forms);
}

TEST_F(FormLanesTest, AFailingFormStopsBothRunsAlike) {
  std::vector<std::string> forms = TestForms();
  // Text around a converted object that is no form text: the check before
  // writing refuses it, in the middle of the forms.
  forms[forms.size() / 2] =
      "object F: TForm\r\n  Caption = 'a' 'b'\r\n  object Q: TQuery\r\n  end\r\nend\r\n";
  const TRunOutcome lanes = Run(forms, false);
  EXPECT_NE(lanes.Error.find("is not valid form text"), std::string::npos) << lanes.Error;
  ExpectSameRuns(forms);
  // Every original as it was: only the log was written.
  for (const auto& [name, bytes] : lanes.Files) {
    if (name.starts_with("RBackup") || name == "Wiz_Log.txt") continue;
    const size_t index = std::stoul(name.substr(name.find("Form") + 4));
    const bool unit = name.ends_with(".pas");
    if (!unit) {
      EXPECT_TRUE(bytes == forms[index]) << name;
    }
  }
}

TEST_F(FormLanesTest, CorpusFormsConvertAlikeOnTwoThreads) {
  ZAN_REQUIRE_CORPUS();
  std::vector<std::string> forms;
  for (const fs::path& file : CorpusFiles({".dfm"})) {
    std::string bytes = ReadFileBytes(file);
    if (bytes.find("TQuery") == std::string::npos && bytes.find("TTable") == std::string::npos)
      continue;
    forms.push_back(std::move(bytes));
    if (forms.size() == 120) break;
  }
  ExpectSameRuns(forms);
}

}  // namespace
}  // namespace zan::test
