// Whole replace and restore runs over small in-memory trees: folder and
// project scope, the log and the undo file byte for byte, resource discovery,
// restore, and the deliberate behaviours of the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ReplacerTestUtil.h"
#include "engine/files/PublishManifest.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormFileStep.h"
#include "support/FaultyFileSystem.h"

namespace zan::test {
namespace {

constexpr char kUnitA[] =
    "unit A;\r\ninterface\r\nuses Windows, DBTables;\r\ntype TF = class Q: TQuery; end;\r\n"
    "implementation\r\n{$R *.dfm}\r\nend.\r\n";
constexpr char kUnitAConverted[] =
    "unit A;\r\ninterface\r\nuses Windows, DBTables, Zan, Quillbase, Rowquill;\r\n"
    "type TF = class Q: TZanQuery; end;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n";
constexpr char kUnitPlain[] = "unit B;\ninterface\nuses SysUtils;\nimplementation\nend.\n";
constexpr char kLogHead[] =
    "BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus Migration "
    "Wizard log\r\n\r\nCreated at: 2024-05-17 09:30:05\r\n\r\n";

/// A form step that records what it is given and converts nothing.
class TRecordingFormStep : public TFormFileStep {
 public:
  explicit TRecordingFormStep(std::vector<std::u16string>& calls) : FCalls(calls) {}
  TResult ProcessFormFile(const TFormLookup&, const std::u16string& fileName, const std::string&,
                          TRunReport*) override {
    FCalls.push_back(u"convert " + fileName);
    return {};
  }
  void CollectDatabaseNames(TStringList& databaseNames, const std::u16string& fileName,
                            const std::string&) override {
    FCalls.push_back(u"collect " + fileName);
    databaseNames.SetValue(u"Sales", u"DM.Database1");
  }

 private:
  std::vector<std::u16string>& FCalls;
};

class ReplaceRunTest : public ReplacerTest {
 protected:
  void AddFolderTree() {
    Fs.AddFile(u"/work/A.pas", kUnitA);
    Fs.AddFile(u"/work/A.dfm", "object F: TF\r\nend\r\n");
    Fs.AddFile(u"/work/sub/B.pas", kUnitPlain);
    Fs.AddFile(u"/work/sub/C.PAS", "var T: TTable;");
    Fs.AddFile(u"/work/notes.txt", "TQuery");
  }
  /// The originals of the tree, to compare after a failed run.
  std::map<std::u16string, std::string> Originals() const {
    auto tree = Fs.FilesUnder(u"/work");
    for (auto it = tree.begin(); it != tree.end();)
      it = it->first.rfind(u"RBackup", 0) == 0 || it->first == u"Wiz_Log.txt" ? tree.erase(it)
                                                                              : std::next(it);
    return tree;
  }
  void ExpectCleanedUp() {
    EXPECT_TRUE(TempLeftovers().empty());
    EXPECT_EQ(Busy.Started, Busy.Stopped);
  }
};

TEST_F(ReplaceRunTest, FolderRunWithSubFolders) {
  AddFolderTree();
  Options->IncludeSubDirs = true;
  std::vector<std::u16string> formCalls;
  Replacer->SetFormFileStepFactory(
      [&formCalls] { return std::make_unique<TRecordingFormStep>(formCalls); });
  EXPECT_TRUE(Run());

  EXPECT_EQ(File(u"/work/A.pas"), kUnitAConverted);
  EXPECT_EQ(File(u"/work/sub/C.PAS"), "var T: TZanTable;");
  EXPECT_EQ(File(u"/work/sub/B.pas"), kUnitPlain);
  EXPECT_EQ(File(u"/work/RBackup/A.~pas"), kUnitA);
  EXPECT_EQ(File(u"/work/RBackup/sub/C.~PAS"), "var T: TTable;");
  EXPECT_FALSE(Fs.Exists(u"/work/RBackup/sub/B.~pas"));
  EXPECT_EQ(File(u"/work/RBackup/RExpert.reu"),
            "/work/A.pas=/work/RBackup/A.~pas\r\n/work/sub/C.PAS=/work/RBackup/sub/C.~PAS\r\n");
  // The form named by {$R *.dfm} is found although its extension is in lower case.
  EXPECT_EQ(formCalls, std::vector<std::u16string>{u"convert /work/A.dfm"});
  EXPECT_EQ(File(u"/work/Wiz_Log.txt"),
            std::string(kLogHead) +
                "Initializing unit list\r\n\r\n"
                "Creating backup folder\r\n\r\n"
                "Allocating temporary folder\r\n\r\n"
                "Processing file: /work/A.pas\r\n\r\n2 change(s)\r\n\r\n"
                "Processing file: /work/sub/B.pas\r\n\r\nNo changes\r\n\r\n"
                "Processing file: /work/sub/C.PAS\r\n\r\n1 change(s)\r\n\r\n"
                "Processing file: /work/A.dfm\r\n\r\nNo changes\r\n\r\n"
                "Replacing original files with changed versions\r\n\r\n"
                "Backup file: /work/RBackup/RExpert.reu\r\n\r\n"
                "Removing temporary folder\r\n\r\n"
                "Replace procedure was performed sucessfully.\r\n\r\n");
  EXPECT_EQ(Busy.Started, 1);
  EXPECT_EQ(Busy.Steps.size(), 4u);
  EXPECT_TRUE(Shell.Opened.empty());
  EXPECT_TRUE(Results.DatabaseNames.Empty());  // no database names in folder scope
  ExpectCleanedUp();
}

/// Records the folders listed and made, and how often the run asks about a
/// path itself (what it is, whether it is a link).
class TCountingFileSystem : public TFileSystemWrapper {
 public:
  using TFileSystemWrapper::TFileSystemWrapper;
  TFileStatus List(std::u16string_view folder, std::vector<TFolderEntry>& entries) override {
    Listed.emplace_back(folder);
    return TFileSystemWrapper::List(folder, entries);
  }
  TFileStatus MakeFolder(std::u16string_view path) override {
    Made.emplace_back(path);
    return TFileSystemWrapper::MakeFolder(path);
  }
  TFileAttributes GetAttributes(std::u16string_view path) override {
    ++Asked[std::u16string(path)];
    return TFileSystemWrapper::GetAttributes(path);
  }
  bool IsLink(std::u16string_view path) override {
    ++Asked[std::u16string(path)];
    return TFileSystemWrapper::IsLink(path);
  }
  std::vector<std::u16string> Listed, Made;
  std::map<std::u16string, int> Asked;
};

/// The paths that occur more than once in `paths`.
std::vector<std::u16string> Repeated(std::vector<std::u16string> paths) {
  std::sort(paths.begin(), paths.end());
  std::vector<std::u16string> repeated;
  for (size_t i = 1; i < paths.size(); ++i)
    if (paths[i] == paths[i - 1] && (repeated.empty() || repeated.back() != paths[i]))
      repeated.push_back(paths[i]);
  return repeated;
}

TEST_F(ReplaceRunTest, AFolderRunListsEachFolderOnceAndMakesEachFolderOnce) {
  AddFolderTree();
  // A form named in another letter case than its file has, two folders down.
  Fs.AddFile(u"/work/sub/deep/D.pas", kUnitA);
  Fs.AddFile(u"/work/sub/deep/D.DFM", "object F: TF\r\nend\r\n");
  Options->IncludeSubDirs = true;
  TCountingFileSystem counting(Fs);
  UseFileSystem(&counting);
  ASSERT_TRUE(Run());
  EXPECT_NE(File(u"/work/Wiz_Log.txt").find("Processing file: /work/sub/deep/D.DFM"),
            std::string::npos);
  EXPECT_TRUE(Fs.Exists(u"/work/RBackup/sub/deep/D.~pas"));

  for (const char16_t* folder : {u"/work", u"/work/sub", u"/work/sub/deep"})
    EXPECT_EQ(std::count(counting.Listed.begin(), counting.Listed.end(), folder), 1)
        << Utf16ToUtf8(folder);
  EXPECT_EQ(Repeated(counting.Listed), std::vector<std::u16string>{});
  EXPECT_EQ(Repeated(counting.Made), std::vector<std::u16string>{});
  // What the scan's listing told of a file is not asked again.
  for (const char16_t* file : {u"/work/A.pas", u"/work/A.dfm", u"/work/sub/C.PAS",
                               u"/work/sub/deep/D.pas", u"/work/sub/deep/D.DFM"})
    EXPECT_LE(counting.Asked[file], 1) << Utf16ToUtf8(file);
  ExpectCleanedUp();
}

TEST_F(ReplaceRunTest, FolderRunWithoutSubFoldersSkipsThemAndFoldersNamedLikeUnits) {
  AddFolderTree();
  Fs.AddFolder(u"/work/Odd.pas");  // a folder is never taken for a unit
  Options->IncludeSubDirs = false;
  EXPECT_TRUE(Run());
  EXPECT_EQ(File(u"/work/A.pas"), kUnitAConverted);
  EXPECT_EQ(File(u"/work/sub/C.PAS"), "var T: TTable;");
  const std::string log = File(u"/work/Wiz_Log.txt");
  EXPECT_EQ(log.find("sub/"), std::string::npos);
  EXPECT_EQ(log.find("Odd.pas"), std::string::npos);
  ExpectCleanedUp();
}

TEST_F(ReplaceRunTest, ReplaceThenRestoreGivesBackEveryByte) {
  AddFolderTree();
  Fs.AddFile(u"/work/sub/D.pas", "\xEF\xBB\xBF// \xC3\xA9t\xC3\xA9\r\nvar Q: TQuery;\r\n");
  Fs.AddFile(u"/work/E.pas", std::string("\xFF\xFE"
                                         "T\0Q\0u\0e\0r\0y\0",
                                         14));
  Options->IncludeSubDirs = true;
  const auto before = Originals();
  EXPECT_TRUE(Run());
  EXPECT_NE(Originals(), before);
  EXPECT_TRUE(Restore(u"/work/RBackup/RExpert.reu"));
  EXPECT_EQ(Originals(), before);
  // A restore can be repeated; the undo file stays.
  EXPECT_TRUE(Restore(u"/work/RBackup/RExpert.reu"));
  EXPECT_EQ(Originals(), before);
}

TEST_F(ReplaceRunTest, ResourceDirectivesThatNameForms) {
  // The name is read whole, as the compiler reads it, relative to the unit's
  // folder and in any letter case; resources that are not forms name nothing.
  struct TCase {
    const char* Directive;
    const char16_t* Found;  // nullptr: nothing added
    int Warnings = 0;       // a form that is named but not found, or not taken
  };
  const TCase cases[] = {
      {"{$R *.dfm}", u"/work/U.dfm"},
      {"{$R  *.DFM}", u"/work/U.dfm"},
      {"{$R '*.dfm'}", u"/work/U.dfm"},
      {"{$R*.dfm}", nullptr},
      {"{$R Main.dfm}", u"/work/Main.dfm"},
      {"{$r main.DFM}", u"/work/Main.dfm"},
      {"{$RESOURCE Other.nfm}", u"/work/Other.nfm"},
      {"{$R Unit1.dfm}", u"/work/Unit1.dfm"},
      {"{$R Main_Form.dfm}", u"/work/Main_Form.dfm"},
      {"{$R My.Main.dfm}", u"/work/My.Main.dfm"},
      {"{$R 'My Form.dfm'}", u"/work/My Form.dfm"},
      {"{$R\tMAIN_FORM.Dfm }", u"/work/Main_Form.dfm"},
      {"{$R sub\\Inner.dfm}", u"/work/sub/Inner.dfm"},
      {"{$R Main.dfm Main.rc}", u"/work/Main.dfm"},
      {"{$R ..\\Outside.dfm}", nullptr, 2},  // a folder run stays inside its folder
      {"{$R *.res}", nullptr},
      {"{$R icons.res}", nullptr},
      {"{$R Main.dfmx}", nullptr},
      {"{$R Missing.dfm}", nullptr, 1},
      {"{$R 'Unclosed.dfm}", nullptr},
      {"{$R x*.dfm}", nullptr},
      {"{$R-}", nullptr},
  };
  const std::string form = "object F: TF\r\nend\r\n";
  for (const char16_t* name : {u"/work/U.dfm", u"/work/Main_Form.dfm", u"/work/Main.dfm",
                               u"/work/Other.nfm", u"/work/Unit1.dfm", u"/work/My.Main.dfm",
                               u"/work/My Form.dfm", u"/work/sub/Inner.dfm", u"/Outside.dfm"})
    Fs.AddFile(name, form);
  Options->MakeBackup = false;
  Options->WriteLog = false;
  TRunReport report;
  RunReport = &report;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Directive);
    const std::string unit = std::string("unit U; ") + c.Directive + " var Q: TQuery; end.";
    Fs.AddFile(u"/work/U.pas", unit);
    std::vector<std::u16string> calls;
    Replacer->SetFormFileStepFactory(
        [&calls] { return std::make_unique<TRecordingFormStep>(calls); });
    EXPECT_TRUE(Run());
    std::vector<std::u16string> expected;
    if (c.Found) expected.push_back(u"convert " + std::u16string(c.Found));
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(report.Warnings.size(), static_cast<size_t>(c.Warnings));
    // A unit whose form cannot be taken is left as it is, so the two agree.
    const bool unitLeft = c.Warnings == 2;
    EXPECT_EQ(File(u"/work/U.pas") == unit, unitLeft);
  }
}

TEST_F(ReplaceRunTest, AMissingFormIsReportedAndLeftOut) {
  Fs.AddFile(u"/work/U.pas", "{$R *.nfm} var Q: TQuery;");
  TRunReport report;
  RunReport = &report;
  EXPECT_TRUE(Run());
  const std::string warning =
      "Form file \"/work/U.NFM\" named in \"/work/U.pas\" was not found; it is left out.";
  ASSERT_EQ(report.Warnings.size(), 1u);
  EXPECT_EQ(S(report.Warnings[0]), warning);
  EXPECT_NE(File(u"/work/Wiz_Log.txt").find(warning + "\r\n\r\n1 change(s)"), std::string::npos);
  EXPECT_EQ(File(u"/work/U.pas"), "{$R *.nfm} var Q: TZanQuery;");
}

TEST_F(ReplaceRunTest, AFileNamedAsAFormThatIsNoFormIsLeftAloneWithAWarning) {
  using namespace std::string_literals;
  const struct {
    std::string Bytes;
    bool Form;
  } cases[] = {
      {"object F: TF\r\nend\r\n", true},
      {"\xEF\xBB\xBF\r\n  Inherited F: TF\r\nend", true},
      {"inline\tF: TF", true},
      {"\xFF\xFEo\0b\0j\0e\0c\0t\0 \0F\0"s, true},
      {"TPF0\x02TF\x01F\0\0"s, true},
      {"\xFF\x0A\x00TF\0"s, true},
      // No form text, but it declares an object the run replaces: the form
      // step has it, and fails it (FormRun_test).
      {"// tool\r\nOBJECT F : TF\r\n  Inline Q : TQuery\r\n  end\r\nend\r\n", true},
      {"", false},
      {"objects F: TF", false},
      {"object", false},
      {"MAINICON ICON \"app.ico\"", false},
      {"\0\0\0\0\x20\0\0\0"s, false},
  };
  Options->MakeBackup = false;
  Options->WriteLog = false;
  TRunReport report;
  RunReport = &report;
  Fs.AddFile(u"/work/U.pas", "unit U; {$R *.dfm} var Q: TQuery;");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bytes);
    Fs.AddFile(u"/work/U.dfm", c.Bytes);
    std::vector<std::u16string> calls;
    Replacer->SetFormFileStepFactory(
        [&calls] { return std::make_unique<TRecordingFormStep>(calls); });
    EXPECT_TRUE(Run());
    EXPECT_EQ(calls.size(), c.Form ? 1u : 0u);
    if (c.Form) {
      EXPECT_TRUE(report.Warnings.empty());
    } else {
      ASSERT_EQ(report.Warnings.size(), 1u);
      EXPECT_EQ(
          S(report.Warnings[0]),
          "File \"/work/U.dfm\" named in \"/work/U.pas\" is not a form; it is left as it is.");
    }
    EXPECT_EQ(File(u"/work/U.dfm"), c.Bytes);
    // The unit is converted all the same (and put back for the next case).
    EXPECT_EQ(File(u"/work/U.pas"), "unit U; {$R *.dfm} var Q: TZanQuery;");
    Fs.AddFile(u"/work/U.pas", "unit U; {$R *.dfm} var Q: TQuery;");
  }
}

TEST_F(ReplaceRunTest, AFormNamedByTwoUnitsIsProcessedTwice) {
  Fs.AddFile(u"/work/A.pas", "{$R Shared.dfm}");
  Fs.AddFile(u"/work/B.pas", "{$R Shared.dfm}");
  Fs.AddFile(u"/work/Shared.dfm", "object F: TF\r\nend\r\n");
  std::vector<std::u16string> calls;
  Replacer->SetFormFileStepFactory(
      [&calls] { return std::make_unique<TRecordingFormStep>(calls); });
  EXPECT_TRUE(Run());
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(ReplaceRunTest, ANothingChangedRunStillWritesAnEmptyUndoFile) {
  Fs.AddFile(u"/work/B.pas", kUnitPlain);
  EXPECT_TRUE(Run());
  EXPECT_EQ(File(u"/work/RBackup/RExpert.reu"), "");
  const std::string log = File(u"/work/Wiz_Log.txt");
  EXPECT_EQ(log.find("Replacing original files"), std::string::npos);
  EXPECT_NE(log.find("Backup file: /work/RBackup/RExpert.reu"), std::string::npos);
  // ... from which a restore reports failure.
  EXPECT_FALSE(Restore(u"/work/RBackup/RExpert.reu"));
}

TEST_F(ReplaceRunTest, LogViewingNeedsTheLog) {
  Fs.AddFile(u"/work/B.pas", kUnitPlain);
  Options->ViewLog = true;
  EXPECT_TRUE(Run());
  EXPECT_EQ(Shell.Opened, std::vector<std::u16string>{u"/work/Wiz_Log.txt"});
  Shell.Opened.clear();
  Fs.RemoveFile(u"/work/Wiz_Log.txt");
  Options->WriteLog = false;
  EXPECT_TRUE(Run());
  EXPECT_TRUE(Shell.Opened.empty());
  EXPECT_FALSE(Fs.Exists(u"/work/Wiz_Log.txt"));
}

TEST_F(ReplaceRunTest, DryRunTouchesNothing) {
  AddFolderTree();
  Options->IncludeSubDirs = true;
  const auto before = Fs.FilesUnder(u"/");
  TRunReport report;
  RunReport = &report;
  DryRun = true;
  EXPECT_TRUE(Run());
  EXPECT_EQ(Fs.FilesUnder(u"/"), before);
  EXPECT_FALSE(Fs.Exists(u"/work/RBackup"));
  EXPECT_EQ(report.ChangedFileCount(), 2);
  EXPECT_EQ(report.Files.size(), 4u);
  EXPECT_TRUE(report.Backups.empty());
  ExpectCleanedUp();
}

TEST_F(ReplaceRunTest, ASecondRunKeepsTheFirstBackupsAndOnlyExtendsTheUndoFile) {
  Fs.AddFile(u"/work/A.pas", "var Q: TQuery;");
  Fs.AddFile(u"/work/B.pas", "var T: TTable;");
  EXPECT_TRUE(Run());
  const std::string undo = File(u"/work/RBackup/RExpert.reu");
  // Nothing to change: the undo file stays as it is.
  EXPECT_TRUE(Run());
  EXPECT_EQ(File(u"/work/RBackup/RExpert.reu"), undo);
  // B edited and C new: B keeps the backup of its original, C is added.
  Fs.AddFile(u"/work/B.pas", "var S: TStoredProc;");
  Fs.AddFile(u"/work/C.pas", "var D: TDatabase;");
  EXPECT_TRUE(Run());
  EXPECT_EQ(File(u"/work/RBackup/RExpert.reu"), undo + "/work/C.pas=/work/RBackup/C.~pas\r\n");
  EXPECT_EQ(File(u"/work/RBackup/B.~pas"), "var T: TTable;");
  // Restore gives back the tree as it was before the first run.
  EXPECT_TRUE(Restore(u"/work/RBackup/RExpert.reu"));
  EXPECT_EQ(File(u"/work/A.pas"), "var Q: TQuery;");
  EXPECT_EQ(File(u"/work/B.pas"), "var T: TTable;");
  EXPECT_EQ(File(u"/work/C.pas"), "var D: TDatabase;");
}

// ----- project scope

class ProjectRunTest : public ReplaceRunTest {
 protected:
  void AddProject() {
    Fs.AddFile(
        u"/proj/P.dpr",
        "program P;\r\nuses\r\n  Forms,\r\n  Unit1 in 'src\\Unit1.pas' {Form1},\r\n"
        "  Unit2 in 'SRC\\unit2.PAS',\r\n  Gone in 'Gone.pas';\r\n{$R *.res}\r\nbegin end.\r\n");
    Fs.AddFile(u"/proj/src/Unit1.pas", "unit Unit1; uses DBTables; {$R *.dfm} var Q: TQuery;");
    Fs.AddFile(u"/proj/src/Unit1.dfm", "object Form1: TForm1 end");
    Fs.AddFile(u"/proj/src/Unit2.pas", "unit Unit2; var T: TTable;");
    Options->BackupDir = u"/proj/RBackup";
  }
};

TEST_F(ProjectRunTest, DprProjectRunWithFlatBackupsAndTwoPassesOverForms) {
  AddProject();
  OpenProject(u"/proj/P.dpr");
  Options->ModuleList = u"Unit1.pas\r\nunit2.PAS\r\n";
  std::vector<std::u16string> calls;
  Replacer->SetFormFileStepFactory(
      [&calls] { return std::make_unique<TRecordingFormStep>(calls); });
  EXPECT_TRUE(Run());
  EXPECT_EQ(File(u"/proj/src/Unit1.pas"),
            "unit Unit1; uses DBTables, Zan, Quillbase, Rowquill; {$R *.dfm} var Q: TZanQuery;");
  EXPECT_EQ(File(u"/proj/src/Unit2.pas"), "unit Unit2; var T: TZanTable;");
  EXPECT_EQ(File(u"/proj/RBackup/RExpert.reu"),
            "/proj/src/Unit1.pas=/proj/RBackup/Unit1.~pas\r\n"
            "/proj/src/Unit2.pas=/proj/RBackup/Unit2.~pas\r\n");
  EXPECT_EQ(calls, (std::vector<std::u16string>{u"collect /proj/src/Unit1.dfm",
                                                u"convert /proj/src/Unit1.dfm"}));
  EXPECT_EQ(Replacer->FormLookup(Results.DatabaseNames).GetPropertyValue(u"DatabaseName", u"SALES"),
            u"DM.Database1");
  EXPECT_NE(File(u"/proj/Wiz_Log.txt").find("Processing file: /proj/src/Unit2.pas"),
            std::string::npos);
  EXPECT_THROW(Replacer->FormLookup(Results.DatabaseNames).GetPropertyValue(u"Other", u"x"),
               EAssertionFailed);
  ExpectCleanedUp();
}

TEST_F(ProjectRunTest, AFailedReplacementPutsBackTheOriginalsReplacedBeforeIt) {
  AddProject();
  OpenProject(u"/proj/P.dpr");
  Options->ModuleList = u"Unit1.pas\r\nUnit2.pas";
  TFailCopyTo failing(Fs, u"/proj/src/Unit2.pas");  // reading it still works
  UseFileSystem(&failing);
  for (bool backups : {true, false}) {
    SCOPED_TRACE(backups ? "from the backups" : "from copies the run keeps");
    Options->MakeBackup = backups;
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot replace \"/proj/src/Unit2.pas\""),
                std::string::npos);
      EXPECT_NE(std::string(e.what()).find("no original was changed"), std::string::npos);
    }
    EXPECT_EQ(File(u"/proj/src/Unit1.pas"), "unit Unit1; uses DBTables; {$R *.dfm} var Q: TQuery;");
    EXPECT_EQ(File(u"/proj/src/Unit2.pas"), "unit Unit2; var T: TTable;");
    EXPECT_FALSE(Fs.Exists(u"/proj/RBackup/RExpert.reu"));
    EXPECT_FALSE(Fs.Exists(u"/proj/RBackup/RExpert.manifest"));
    ExpectCleanedUp();
  }
}

TEST_F(ProjectRunTest, DprojProjectRun) {
  Fs.AddFile(
      u"/p2/App.dproj",
      "\xEF\xBB\xBF<Project xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">\r\n"
      "<PropertyGroup><MainSource>App.dpr</MainSource></PropertyGroup>\r\n"
      "<ItemGroup><DelphiCompile Include=\"$(MainSource)\"/>\r\n"
      "<DCCReference Include=\"Data\\DM.pas\"><Form>DM</Form></DCCReference>\r\n"
      "<DCCReference Include=\"rtl.dcp\"/></ItemGroup></Project>\r\n");
  Fs.AddFile(u"/p2/App.dpr", "program App; uses DM in 'Data\\DM.pas'; begin end.");
  Fs.AddFile(u"/p2/data/dm.pas", "var D: TDatabase;");
  auto host = OpenProject(u"/p2/App.dproj");
  EXPECT_EQ(host->Project()->MainSource, u"/p2/App.dpr");
  Options->ModuleList = u"DM.pas";
  Options->BackupDir = u"/p2/RBackup";
  EXPECT_TRUE(Run());
  EXPECT_EQ(File(u"/p2/data/dm.pas"), "var D: TZanConnection;");
  EXPECT_EQ(File(u"/p2/RBackup/dm.~pas"), "var D: TDatabase;");
  EXPECT_TRUE(Fs.Exists(u"/p2/Wiz_Log.txt"));
}

TEST_F(ProjectRunTest, SelectionErrorsComeBeforeAnythingIsWritten) {
  AddProject();
  Fs.AddFile(u"/proj/other/Unit1.pas", "var Q: TQuery;");
  Fs.AddFile(u"/proj/Q.dpr",
             "program Q; uses Unit1 in 'src\\Unit1.pas', Unit1b in 'other\\Unit1.pas'; begin end.");
  struct TCase {
    const char16_t* Project;
    const char16_t* Modules;
    const char* Message;
  };
  const TCase cases[] = {
      // A selected unit that is no module of the project (never looked for in the current folder).
      {u"/proj/P.dpr", u"Unit1.pas\r\nNope.pas",
       "Unit \"Nope.pas\" is not a unit of project \"/proj/P.dpr\"."},
      // A module whose file is missing.
      {u"/proj/P.dpr", u"Gone.pas",
       "Unit file \"/proj/Gone.pas\" of project \"/proj/P.dpr\" does not exist."},
      // Two files of one name would meet in the flat temporary and backup folders.
      {u"/proj/Q.dpr", u"Unit1.pas\r\nUnit1.pas",
       "Files \"/proj/src/Unit1.pas\" and \"/proj/other/Unit1.pas\" have the same name; a "
       "project run keeps its changed files and backups in one folder and cannot take both."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message);
    OpenProject(c.Project);
    Options->ModuleList = c.Modules;
    Fs.ClearWritten();
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
    EXPECT_TRUE(Fs.WrittenFiles().empty());
    EXPECT_EQ(Busy.Started, 0);
  }
  SetBorlandIDEServices(nullptr);
  EXPECT_THROW(Run(), Exception);  // no project open
}

// The plan of a project run: the units the selection picks, in project
// order (the program after them when every unit is taken), each with why it
// is in the run; nothing is written by planning.
TEST_F(ProjectRunTest, ThePlanHoldsTheSelectedUnitsAndWhy) {
  AddProject();
  Fs.AddFile(u"/proj/Gone.pas", "unit Gone;");
  OpenProject(u"/proj/P.dpr");
  struct TCase {
    const char* Name;
    TUnitSelection Selection;
    std::vector<std::u16string> Units;  // empty: `Error` is raised
    std::string Error;
  };
  const TCase cases[] = {
      {"every unit when none is named",
       {{}, true},
       {u"/proj/src/Unit1.pas", u"/proj/src/Unit2.pas", u"/proj/Gone.pas", u"/proj/P.dpr"}},
      {"a bare name, any letter case", {{u"UNIT2.pas"}, true}, {u"/proj/src/Unit2.pas"}},
      {"a path that is a module", {{u"/proj/Gone.pas"}, false}, {u"/proj/Gone.pas"}},
      {"a path that is no module",
       {{u"/proj/src/Unit3.pas"}, true},
       {},
       "Unit \"/proj/src/Unit3.pas\" is not a unit of project \"/proj/P.dpr\"."},
      {"no unit named, none taken",
       {{}, false},
       {},
       "No unit was selected in project \"/proj/P.dpr\"; nothing was changed."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Fs.ClearWritten();
    try {
      const TRunPlan plan = Plan(Context(), c.Selection);
      EXPECT_EQ(c.Error, "");
      std::vector<std::u16string> units;
      for (const TWorkItem& unit : plan.Units) {
        units.push_back(unit.Path);
        EXPECT_EQ(unit.Reason, unit.Path.ends_with(u".dpr") ? sReasonProgram : sReasonListed);
      }
      EXPECT_EQ(units, c.Units);
      EXPECT_EQ(plan.ProjectFileName, u"/proj/P.dpr");
      EXPECT_EQ(plan.BackupFolder, u"/proj/RBackup");
      EXPECT_EQ(plan.LogFile, u"/proj/Wiz_Log.txt");
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), c.Error);
    }
    EXPECT_TRUE(Fs.WrittenFiles().empty());
  }
}

// The plug-in's front end runs in the process-wide seams: the current file
// system, busy indicator and shell, the open project and the units the
// wizard lists, one per line; its restore goes through the same file system.
TEST_F(ProjectRunTest, TheFrontEndRunsInTheProcessWideSeams) {
  AddProject();
  OpenProject(u"/proj/P.dpr");
  Options->ModuleList = u"unit2.pas\r\n";
  Options->ViewLog = true;
  const TScopedFileSystem current(Fs);
  EXPECT_TRUE(Replacer->PerformReplace());
  EXPECT_EQ(File(u"/proj/src/Unit2.pas"), "unit Unit2; var T: TZanTable;");
  EXPECT_EQ(File(u"/proj/src/Unit1.pas"), "unit Unit1; uses DBTables; {$R *.dfm} var Q: TQuery;");
  EXPECT_EQ(Busy.Started, 1);
  EXPECT_EQ(Shell.Opened, std::vector<std::u16string>{u"/proj/Wiz_Log.txt"});
  EXPECT_TRUE(Replacer->PerformRestore(u"/proj/RBackup/RExpert.reu"));
  EXPECT_EQ(File(u"/proj/src/Unit2.pas"), "unit Unit2; var T: TTable;");
  ExpectCleanedUp();
}

// ----- failures: nothing original changes, nothing temporary is left

class FailureTest : public ReplaceRunTest {
 protected:
  void SetUp() override {
    ReplaceRunTest::SetUp();
    AddFolderTree();
    Options->IncludeSubDirs = true;
    UseFileSystem(&Faulty);
    FBefore = Originals();
  }
  /// Runs and expects an exception whose message is `message`.
  void ExpectRunFails(const std::string& message) {
    try {
      Run();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), message);
    }
    EXPECT_EQ(Originals(), FBefore);
    EXPECT_FALSE(Fs.Exists(u"/work/RBackup/RExpert.reu"));
    ExpectCleanedUp();
  }
  TFaultyFileSystem Faulty{Fs};
  std::map<std::u16string, std::string> FBefore;
};

TEST_F(FailureTest, LogNotCreatable) {
  Faulty.FailPath(u"/work/Wiz_Log.txt");
  ExpectRunFails("Cannot create file \"/work/Wiz_Log.txt\". Permission denied");
  EXPECT_EQ(Busy.Started, 0);
  EXPECT_FALSE(Fs.Exists(u"/work/RBackup"));
}

TEST_F(FailureTest, BackupFolderNotCreatable) {
  Faulty.FailPath(u"/work/RBackup");
  ExpectRunFails("Failed to create directory.");
  const std::string log = File(u"/work/Wiz_Log.txt");
  EXPECT_NE(log.find("Creating backup folder"), std::string::npos);
  EXPECT_EQ(log.find("Allocating temporary folder"), std::string::npos);
}

TEST_F(FailureTest, TemporaryFolderNotAllocatable) {
  Faulty.FailAlways(TFileOp::TempFolder);
  ExpectRunFails(
      "Failed to create a temporary folder: the user's temporary folder is not available.");
  Faulty.Reset();
  Faulty.FailAlways(TFileOp::MakeFolder);
  Options->MakeBackup = false;
  // A name that is taken is tried again under another; any other failure ends it.
  ExpectRunFails("Failed to create a temporary folder in \"/tmp\".");
  EXPECT_EQ(File(u"/work/Wiz_Log.txt").find("Replace procedure"), std::string::npos);
}

TEST_F(FailureTest, AFileThatCannotBeReadMidRun) {
  Fs.SetUnreadable(u"/work/sub/B.pas");
  ExpectRunFails("Cannot open file \"/work/sub/B.pas\". Permission denied");
  // Backups are taken once every file has been processed: a run that fails
  // before leaves none behind.
  EXPECT_FALSE(Fs.Exists(u"/work/RBackup/A.~pas"));
}

TEST_F(FailureTest, AMissingOrUnreadableForm) {
  Fs.SetUnreadable(u"/work/A.dfm");
  ExpectRunFails("Cannot open file \"/work/A.dfm\". Permission denied");
}

TEST_F(FailureTest, AFailedBackupCopyStopsTheRun) {
  Faulty.FailNth(TFileOp::Copy, 2);
  ExpectRunFails(
      "Failed to copy \"/work/sub/C.PAS\" to the backup file \"/work/RBackup/sub/C.~PAS\". "
      "Cannot copy file \"/work/sub/C.PAS\" to \"/work/RBackup/sub/C.~PAS\". Permission denied");
}

TEST_F(FailureTest, AFailedReplacementLeavesEveryOriginalAsItWas) {
  // A.pas is replaced first, then C.PAS fails: A.pas is put back.
  TFailCopyTo failing(Fs, u"/work/sub/C.PAS");  // reading it still works
  UseFileSystem(&failing);
  EXPECT_THROW(Run(), EFileError);
  EXPECT_EQ(Originals(), FBefore);
  const std::string log = File(u"/work/Wiz_Log.txt");
  EXPECT_NE(log.find("Replacing original files"), std::string::npos);
  EXPECT_EQ(log.find("sucessfully"), std::string::npos);
  EXPECT_FALSE(Fs.Exists(u"/work/RBackup/RExpert.reu"));
  ExpectCleanedUp();
}

TEST_F(FailureTest, TheUndoFileIsOnDiskBeforeTheFirstOriginalIsOverwritten) {
  struct TCheckUndo : public TFileSystemWrapper {
    using TFileSystemWrapper::TFileSystemWrapper;
    TFileStatus CopyFile(std::u16string_view source, std::u16string_view dest,
                         bool overwrite) override {
      if (source.rfind(u"/tmp/", 0) == 0 && !Target().Exists(u"/work/RBackup/RExpert.reu"))
        ++OverwrittenWithoutUndo;
      return TFileSystemWrapper::CopyFile(source, dest, overwrite);
    }
    int OverwrittenWithoutUndo = 0;
  } checking(Fs);
  UseFileSystem(&checking);
  EXPECT_TRUE(Run());
  EXPECT_EQ(checking.OverwrittenWithoutUndo, 0);
}

// ----- restore

class RestoreTest : public ReplaceRunTest {
 protected:
  /// Records in the manifest of /bk that a run over /work published the
  /// files of /work as they are now (restore refuses files it has no record of).
  void RecordPublished() {
    TPublishManifest manifest;
    manifest.SetRoot(u"/work");
    for (const char16_t* file : {u"/work/A.pas", u"/work/B.pas", u"/work/x=y.pas"})
      if (Fs.Exists(file)) manifest.Set(file, {File(file).size(), ContentHash(File(file))});
    Fs.AddFile(u"/bk/RExpert.manifest", manifest.Encode());
  }
};

TEST_F(RestoreTest, UndoFileCases) {
  Fs.AddFile(u"/work/A.pas", "new A");
  Fs.AddFile(u"/work/B.pas", "new B");
  Fs.AddFile(u"/bk/A.~pas", "old A");
  Fs.AddFile(u"/bk/B.~pas", "old B");
  Fs.AddFile(u"/work/x=y.pas", "new X");
  Fs.AddFile(u"/bk/x=y.~pas", "old X");
  struct TCase {
    const char* Undo;
    bool Result;
    const char* A;  // A.pas afterwards
  };
  const TCase cases[] = {
      {"/work/A.pas=/bk/A.~pas\r\n/work/B.pas=/bk/B.~pas\r\n", true, "old A"},
      {"", false, "new A"},                                           // empty undo file
      {"/work/A.pas=/bk/A.~pas\r\n/work/B.pas\r\n", false, "new A"},  // no "=": nothing restored
      {"/work/A.pas=/bk/A.~pas\r\n/work/B.pas=/bk/Gone.~pas\r\n", false, "new A"},
      {"/work/A.pas=/bk/A.~pas\n", true, "old A"},  // LF line ends are read too
      // The first line of a name gives its backup.
      {"/work/A.pas=/bk/A.~pas\r\n/work/A.pas=/bk/B.~pas\r\n", true, "old A"},
      // A path holding "=" is still split where its backup is.
      {"/work/x=y.pas=/bk/x=y.~pas\r\n", true, "new A"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Undo);
    Fs.AddFile(u"/work/A.pas", "new A");
    Fs.AddFile(u"/work/x=y.pas", "new X");
    Fs.AddFile(u"/bk/RExpert.reu", c.Undo);
    RecordPublished();
    EXPECT_EQ(Restore(u"/bk/RExpert.reu"), c.Result);
    EXPECT_EQ(File(u"/work/A.pas"), c.A);
  }
  EXPECT_EQ(File(u"/work/x=y.pas"), "old X");
}

TEST_F(RestoreTest, AFailedCopyBackStopsThere) {
  Fs.AddFile(u"/work/A.pas", "new A");
  Fs.AddFile(u"/work/B.pas", "new B");
  Fs.AddFile(u"/bk/A.~pas", "old A");
  Fs.AddFile(u"/bk/B.~pas", "old B");
  Fs.AddFile(u"/bk/RExpert.reu", "/work/A.pas=/bk/A.~pas\r\n/work/B.pas=/bk/B.~pas\r\n");
  RecordPublished();
  TFaultyFileSystem faulty(Fs);
  faulty.FailNth(TFileOp::Copy, 1);
  UseFileSystem(&faulty);
  EXPECT_FALSE(Restore(u"/bk/RExpert.reu"));
  EXPECT_EQ(File(u"/work/A.pas"), "new A");
  EXPECT_EQ(File(u"/work/B.pas"), "new B");
}

TEST_F(RestoreTest, AnUnreadableUndoFileNamesIt) {
  Fs.AddFile(u"/bk/RExpert.reu", "x");
  Fs.SetUnreadable(u"/bk/RExpert.reu");
  for (const char16_t* undo : {u"/bk/RExpert.reu", u"/bk/Missing.reu"}) {
    try {
      Restore(undo);
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.what(),
                "Cannot read undo file \"" + S(undo) + "\". " +
                    (undo[4] == u'R' ? "Permission denied" : "No such file or directory"));
    }
  }
}

TEST_F(RestoreTest, PathsOutsideTheCodePageMakeAUtf8UndoFile) {
  const std::u16string folder = u"/work/\u0414\u0430\u043d\u043d\u044b\u0435";  // Cyrillic
  Fs.AddFile(folder + u"/A.pas", "var Q: TQuery;");
  Fs.AddFile(u"/work/B.pas", "var Q: TQuery;");
  Options->IncludeSubDirs = true;
  EXPECT_TRUE(Run());
  const std::string undo = File(u"/work/RBackup/RExpert.reu");
  EXPECT_EQ(undo, "\xEF\xBB\xBF" + S(u"/work/B.pas=/work/RBackup/B.~pas\r\n" + folder +
                                     u"/A.pas=/work/RBackup/" + folder.substr(6) + u"/A.~pas\r\n"));
  EXPECT_TRUE(Restore(u"/work/RBackup/RExpert.reu"));
  EXPECT_EQ(File(folder + u"/A.pas"), "var Q: TQuery;");
  // A code-page path stays in the code page (no mark).
  Fs.RemoveFile(u"/work/RBackup/RExpert.reu");
  Fs.AddFile(u"/work/B.pas", "var Q: TQuery;");
  Fs.RemoveFile(folder + u"/A.pas");
  Fs.AddFile(u"/work/\u00e9t\u00e9.pas", "var Q: TQuery;");
  EXPECT_TRUE(Run());
  EXPECT_EQ(
      File(u"/work/RBackup/RExpert.reu"),
      "/work/B.pas=/work/RBackup/B.~pas\r\n/work/\xE9t\xE9.pas=/work/RBackup/\xE9t\xE9.~pas\r\n");
}

}  // namespace
}  // namespace zan::test
