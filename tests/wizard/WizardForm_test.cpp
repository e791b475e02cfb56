// The wizard flow: pages and step captions, validation on Next, enabling,
// the unit list, the backup folder, histories, summaries, Finish and the
// state kept in the settings store.
#include <gtest/gtest.h>

#include "rtl/RegIniFile.h"
#include "support/WizardFakes.h"
#include "wizard/WizardRes.h"

namespace zan::test {
namespace {

constexpr std::u16string_view kUndo = u"/proj/RBackup/RExpert.reu";

class WizardFlowTest : public WizardTest {
 public:
  WizardFlowTest() {
    Fs.AddFolder(u"/data/app");
    Fs.AddFile(kUndo, "");
  }

  /// Plays the user's steps (N next, B back, R/P restore/replace radio, F/J
  /// folder/project radio, U types the undo file, D types the target folder)
  /// and returns "Page Step x of y" after each.
  std::vector<std::string> Walk(std::string_view steps) {
    std::vector<std::string> seen;
    for (char step : steps) {
      switch (step) {
        case 'N':
          Click(*Form, u"btNext");
          break;
        case 'B':
          Click(*Form, u"btPrev");
          break;
        case 'R':
          Click(*Form, u"rbModeRestore");
          break;
        case 'P':
          Click(*Form, u"rbModeReplace");
          break;
        case 'F':
          Click(*Form, u"rbDestFolder");
          break;
        case 'J':
          Click(*Form, u"rbDestProject");
          break;
        case 'U':
          Type(*Form, u"edUndoFile", kUndo);
          break;
        case 'D':
          Type(*Form, u"cbDirectory", u"/data/app");
          break;
      }
      seen.push_back(Page() + " " + Step());
    }
    return seen;
  }
};

TEST_F(WizardFlowTest, StepCaptionsFollowThePath) {
  struct {
    const char* path;
    std::vector<std::string> expected;
  } cases[] = {
      {"NNNNBBBB",
       {"Step2ReplaceSheet Step 2 of 5", "Step3ProjSheet Step 3 of 5", "Step4Sheet Step 4 of 5",
        "FinalStepSheet Step 5 of 5", "Step4Sheet Step 4 of 5", "Step3ProjSheet Step 3 of 5",
        "Step2ReplaceSheet Step 2 of 5", "Step1Sheet Step 1 of 5"}},
      {"NFNDNNB",
       {"Step2ReplaceSheet Step 2 of 5", "Step2ReplaceSheet Step 2 of 5",
        "Step3DirSheet Step 3 of 5", "Step3DirSheet Step 3 of 5", "Step4Sheet Step 4 of 5",
        "FinalStepSheet Step 5 of 5", "Step4Sheet Step 4 of 5"}},
      {"RNUNBBP",
       {"Step1Sheet Step 1 of 3", "Step2RestoreSheet Step 2 of 3", "Step2RestoreSheet Step 2 of 3",
        "FinalStepSheet Step 3 of 3", "Step2RestoreSheet Step 2 of 3", "Step1Sheet Step 1 of 3",
        "Step1Sheet Step 1 of 5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Open();
    EXPECT_EQ(U8(Form->Caption), "Zanthe Migration Wizard - Step 1 of 5");
    EXPECT_EQ(Walk(c.path), c.expected);
  }
  // The last page is headed for the path that leads to it, also after
  // switching paths; Enter presses Next, and Finish on the last page.
  struct {
    const char* path;
    const char *heading, *note, *defaultButton;
  } pages[] = {
      {"", "Step 5 - Start units converting", "click Finish to start replacing.", "btNext"},
      {"NNNN", "Step 5 - Start units converting", "click Finish to start replacing.", "btFinish"},
      {"RNUN", "Step 3 - Start restoring files", "click Finish to start restoring.", "btFinish"},
      {"RNUNBBPNNNN", "Step 5 - Start units converting", "click Finish to start replacing.",
       "btFinish"},
      {"NNNNBBBBRNUN", "Step 3 - Start restoring files", "click Finish to start restoring.",
       "btFinish"},
      {"RNUNB", "Step 3 - Start restoring files", "click Finish to start restoring.", "btNext"},
  };
  for (const auto& c : pages) {
    SCOPED_TRACE(c.path);
    Open();
    Walk(c.path);
    Form->UpdateActions();
    EXPECT_EQ(U8(Form->Label12.Caption), c.heading);
    EXPECT_TRUE(U8(Form->Label15.Caption).ends_with(c.note)) << U8(Form->Label15.Caption);
    EXPECT_EQ(Form->btFinish.Default, std::string(c.defaultButton) == "btFinish");
    EXPECT_EQ(Form->btNext.Default, std::string(c.defaultButton) == "btNext");
  }
}

TEST_F(WizardFlowTest, NextRefusesMissingFilesWithAMessage) {
  struct {
    const char* name;
    std::string steps;
    std::u16string field;  // typed before the last Next
    std::u16string value;
    std::string message;
    std::string focused;
  } cases[] = {
      {"missing undo file", "RN", u"edUndoFile", u"/proj/none.reu",
       "Undo file \"/proj/none.reu\" does not exist.", "edUndoFile"},
      {"undo file is a folder", "RN", u"edUndoFile", u"/data/app",
       "Undo file \"/data/app\" does not exist.", "edUndoFile"},
      {"relative undo file", "RN", u"edUndoFile", u"RExpert.reu",
       "Undo file \"RExpert.reu\" does not exist.", "edUndoFile"},
      {"missing target folder", "NFN", u"cbDirectory", u"/data/none",
       "Target directory \"/data/none\" does not exist.", "cbDirectory"},
      {"relative target folder", "NFN", u"cbDirectory", u"data",
       "Target directory \"data\" does not exist.", "cbDirectory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Dialogs.Log.clear();
    Open();
    Walk(c.steps);
    const std::string page = Page();
    Type(*Form, c.field, c.value);
    Click(*Form, u"btNext");
    EXPECT_EQ(Page(), page);
    ASSERT_EQ(Dialogs.Log.size(), 1u);
    EXPECT_EQ(Dialogs.Log[0], "MessageBox Information|Zanthe|" + c.message);
    ASSERT_NE(Form->ActiveControl(), nullptr);
    EXPECT_EQ(U8(Form->ActiveControl()->Name()), c.focused);
  }
}

TEST_F(WizardFlowTest, EnablingFollowsThePageAndTheBoxes) {
  Open();
  EXPECT_FALSE(Form->btPrev.Enabled);
  EXPECT_TRUE(Form->btNext.Enabled);
  EXPECT_FALSE(Form->btFinish.Enabled);
  Walk("RN");  // undo page with an empty field: Next cannot be pressed
  Form->edUndoFile.Text.clear();
  Form->UpdateActions();
  EXPECT_FALSE(Form->btNext.Enabled);
  Click(*Form, u"btNext");
  EXPECT_EQ(Page(), "Step2RestoreSheet");
  EXPECT_TRUE(Dialogs.Log.empty());
  Walk("UN");
  EXPECT_FALSE(Form->btNext.Enabled);
  EXPECT_TRUE(Form->btFinish.Enabled);
  EXPECT_TRUE(Form->btPrev.Enabled);

  Open();
  Walk("NFN");  // folder scope with an empty folder field
  EXPECT_FALSE(Form->btNext.Enabled);
  Walk("N");
  EXPECT_EQ(Page(), "Step3DirSheet");
  Walk("D");
  EXPECT_TRUE(Form->btNext.Enabled);
  Walk("N");
  EXPECT_EQ(Page(), "Step4Sheet");
  for (bool ticked : {false, true}) {
    Click(*Form, u"chMakeBackup");
    EXPECT_EQ(Form->chMakeBackup.Checked, ticked);
    for (TControl* control : std::initializer_list<TControl*>{
             &Form->lBackupFolder, &Form->cbBackupDir, &Form->btBrowseBackFolder})
      EXPECT_EQ(control->Enabled, ticked) << U8(control->Name());
    Click(*Form, u"chWriteLog");
    EXPECT_EQ(Form->chViewLog.Enabled, ticked);
    EXPECT_EQ(Form->lblLogNote.Enabled, ticked);
  }
}

TEST_F(WizardFlowTest, WithoutAProjectTheFolderScopeIsForced) {
  Ide->CloseAll();
  Options.Dest = sdProject;
  Open();
  EXPECT_FALSE(Form->rbDestProject.Enabled);
  EXPECT_TRUE(Form->rbDestFolder.Checked());
  EXPECT_EQ(Walk("N").back(), "Step2ReplaceSheet Step 2 of 5");
  Click(*Form, u"rbDestProject");  // cannot be reached
  EXPECT_TRUE(Form->rbDestFolder.Checked());
  // With a project the options decide.
  Ide->OpenProjectWith(kProject, {});
  Options.Dest = sdDirectory;
  Open();
  EXPECT_TRUE(Form->rbDestProject.Enabled);
  EXPECT_TRUE(Form->rbDestFolder.Checked());
}

TEST_F(WizardFlowTest, UnitListTicksAndFinish) {
  Ide->OpenProjectWith(kProject, {u"/proj/b.pas", u"/proj/Project1.dpr", u"/proj/A.pas",
                                  u"/proj/Form.dfm", u"/proj/sub/C.PAS", u"/proj/x.pas.bak"});
  Open();
  Walk("NN");
  ASSERT_EQ(Form->lbModules.Count(), 3);
  EXPECT_EQ(U8(Form->lbModules.Text()), "A.pas\r\nb.pas\r\nC.PAS\r\n");
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(Form->lbModules.Checked(i));

  Click(*Form, u"btDeselect");
  Walk("N");
  EXPECT_EQ(Page(), "Step3ProjSheet");
  EXPECT_EQ(Dialogs.Log,
            (std::vector<std::string>{
                "MessageBox Information|Zanthe|At least one unit should be selected."}));
  EXPECT_EQ(Form->ActiveControl(), &Form->lbModules);

  Form->lbModules.SetChecked(0, true);
  Form->lbModules.SetChecked(2, true);
  Walk("BN");  // built once per showing: the ticks survive Back
  EXPECT_FALSE(Form->lbModules.Checked(1));
  Walk("NN");
  EXPECT_NE(U8(Form->lSummary.Caption).find("Units list:\nA.pas\nC.PAS\n"), std::string::npos);
  Click(*Form, u"btFinish");
  EXPECT_EQ(Form->ModalResult(), mrOk);
  EXPECT_EQ(Options.Dest, sdProject);
  EXPECT_EQ(U8(Options.ModuleList), "A.pas\r\nC.PAS\r\n");
  EXPECT_EQ(Form->lbModules.Count(), 2);
  Form->OnClose(Form.get());  // the next showing fills the list again
  EXPECT_EQ(Form->lbModules.Count(), 0);
}

TEST_F(WizardFlowTest, AProjectWithoutUnitsCannotGoOn) {
  Ide->OpenProjectWith(kProject, {u"/proj/Project1.dpr", u"/proj/Main.dfm"});
  Open();
  Walk("NNN");
  EXPECT_EQ(Form->lbModules.Count(), 0);
  EXPECT_EQ(Page(), "Step3ProjSheet");
  EXPECT_EQ(Dialogs.Messages(), std::vector<std::string>{"At least one unit should be selected."});
}

TEST_F(WizardFlowTest, BackupFolderDefaultsUntilTheUserChoosesOne) {
  Fs.AddFolder(u"/data/other");
  Open();
  Walk("NNN");
  EXPECT_EQ(U8(Form->cbBackupDir.Text), "/proj/RBackup");
  Walk("BBFNDN");
  EXPECT_EQ(U8(Form->cbBackupDir.Text), "/data/app/RBackup");

  // Typing into the field stops the defaulting for the rest of the showing.
  Type(*Form, u"cbBackupDir", u"/backups/mine");
  EXPECT_TRUE(Form->BackupDirModified());
  Walk("B");
  Type(*Form, u"cbDirectory", u"/data/other");
  Walk("N");
  EXPECT_EQ(U8(Form->cbBackupDir.Text), "/backups/mine");

  // So does a folder picked with Browse; a cancelled Browse does not.
  Open();
  Walk("NFNDN");
  Dialogs.FolderAnswers = {std::nullopt, u"/picked"};
  Click(*Form, u"btBrowseBackFolder");
  EXPECT_FALSE(Form->BackupDirModified());
  Click(*Form, u"btBrowseBackFolder");
  EXPECT_TRUE(Form->BackupDirModified());
  EXPECT_EQ(U8(Form->cbBackupDir.Text), "/picked");
  EXPECT_EQ(Dialogs.Log.back(), "SelectDirectory|Select directory");
  Walk("BN");
  EXPECT_EQ(U8(Form->cbBackupDir.Text), "/picked");
}

TEST_F(WizardFlowTest, BackupFolderIsRelativeToTheScannedFolder) {
  struct {
    bool projectScope;
    std::u16string directory, text;
    std::string expected;
  } cases[] = {
      {false, u"C:/App", u"sub", "C:/App/sub"},
      {false, u"C:/App", u"D:/Bak", "D:/Bak"},
      {false, u"C:/App", u"//server/share/bak", "//server/share/bak"},
      {false, u"/data/app", u"/abs/bak", "/abs/bak"},
      {false, u"/data/app", u"", "/data/app/"},
      {true, u"/data/app", u"bak", "/proj/bak"},
      {true, u"/data/app", u"", "/proj/"},
  };
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.text));
    (c.projectScope ? Form->rbDestProject : Form->rbDestFolder).SetChecked(true);
    Form->cbDirectory.Text = c.directory;
    Form->cbBackupDir.Text = c.text;
    EXPECT_EQ(U8(Form->GetBackupDir()), c.expected);
  }
}

TEST(WizardHistory, KeepsTenDistinctEntriesNewestFirst) {
  TWizardForm form;
  TComboBox& combo = form.cbDirectory;
  auto items = [&] { return U8(combo.Items.Text()); };
  combo.Text = u"/a";
  TWizardForm::AddToHistory(combo);
  EXPECT_EQ(items(), "/a\r\n");
  for (char c = 'b'; c <= 'j'; ++c) {
    combo.Text = u"/" + std::u16string(1, static_cast<char16_t>(c));
    TWizardForm::AddToHistory(combo);
  }
  EXPECT_EQ(combo.Items.Count(), 10);
  EXPECT_EQ(U8(combo.Items[0]), "/j");
  combo.Text = u"/k";
  TWizardForm::AddToHistory(combo);
  EXPECT_EQ(combo.Items.Count(), 10);
  EXPECT_EQ(U8(combo.Items[0]), "/k");
  EXPECT_EQ(U8(combo.Items[9]), "/b");  // "/a" dropped
  const std::string before = items();
  for (std::u16string text : {u"/E", u"/e", u""}) {
    combo.Text = text;
    TWizardForm::AddToHistory(combo);
    EXPECT_EQ(items(), before) << U8(text);  // known in any case, or empty: unchanged, not moved
  }
}

TEST_F(WizardFlowTest, SummariesSayWhatWillRun) {
  Open();
  Walk("NFNDN");
  Type(*Form, u"cbBackupDir", u"bak");
  Click(*Form, u"chViewLog");
  Walk("N");
  EXPECT_EQ(U8(Form->lSummary.Caption),
            "Mode: Replace BDE components\n\nScan destination: Folder \"/data/app\"\n\n"
            "Backup dir: \"/data/app/bak\"\n\nWrite log file\n\nView log afer replace\n\n");
  Walk("B");
  Click(*Form, u"chMakeBackup");
  Click(*Form, u"chWriteLog");  // view log is still ticked but not mentioned
  Walk("BBB");
  Select(*Form, u"cbReplaceComponents", 10);  // the chosen library, not the twelve names
  Walk("NNNN");
  EXPECT_EQ(U8(Form->lSummary.Caption),
            "Mode: Replace FireDAC components\n\nScan destination: Folder \"/data/app\"\n\n");

  Open();
  Walk("RNUN");
  EXPECT_EQ(U8(Form->lSummary.Caption),
            "Mode: Restore original files from backup\n\nUndo file: "
            "\"/proj/RBackup/RExpert.reu\"\n\n");
}

TEST_F(WizardFlowTest, FinishWritesTheOptionsAndTheHistories) {
  Options.ModuleList = u"Kept.pas\r\n";
  Options.ConnectionDefFileName = u"/old/defs.ini";
  Open();
  Form->cbDirectory.Items.SetText(u"/DATA/APP\r\n/x");
  Walk("NFND");
  Click(*Form, u"chSubDirs");
  Walk("N");
  Click(*Form, u"chViewLog");
  Walk("N");
  Click(*Form, u"btFinish");
  EXPECT_EQ(Form->ModalResult(), mrOk);
  EXPECT_EQ(Options.Dest, sdDirectory);
  EXPECT_EQ(U8(Options.Directory), "/data/app");
  EXPECT_TRUE(Options.IncludeSubDirs);
  EXPECT_TRUE(Options.MakeBackup);
  EXPECT_EQ(U8(Options.BackupDir), "/data/app/RBackup");
  EXPECT_TRUE(Options.WriteLog);
  EXPECT_TRUE(Options.ViewLog);
  EXPECT_EQ(U8(Options.ModuleList), "Kept.pas\r\n");  // folder scope leaves it
  EXPECT_EQ(Options.ConnectionDefFileName, u"");      // BDE uses no configuration files
  EXPECT_EQ(U8(Form->cbDirectory.Items.Text()), "/DATA/APP\r\n/x\r\n");
  EXPECT_EQ(U8(Form->cbBackupDir.Items.Text()), "/data/app/RBackup\r\n");
}

TEST_F(WizardFlowTest, StateRoundTripsThroughTheSettingsStore) {
  TRegIniFile registry(u"Software\\Kestova\\Zanthe");
  const std::u16string section = Options.Caption();
  Open();
  Form->Left = 120;
  Form->Top = 80;
  Form->cbDirectory.Items.SetText(u"/a\r\n/b");
  Form->cbBackupDir.Items.SetText(u"/bak");
  Form->cbConnectionDefFileName.Items.SetText(u"/defs.ini");
  Form->cbDirectory.Text = u"/data/app";
  Form->rbDestFolder.SetChecked(true);
  Form->cbBackupDir.Text = u"RBackup";
  Form->SaveState(registry, section);
  // After a replace: the undo file in the backup folder the run used.
  EXPECT_EQ(U8(registry.ReadString(section, u"LastUndo", u"?")), "/data/app/RBackup/RExpert.reu");
  Form->cbBackupDir.Text = u"";
  Form->SaveState(registry, section);
  EXPECT_EQ(U8(registry.ReadString(section, u"LastUndo", u"?")), "/data/app/RExpert.reu");
  // After a restore (which leaves the backup folder field empty): the undo
  // file it used, with or without the backup tick.
  Form->rbModeRestore.SetChecked(true);
  Form->edUndoFile.Text = u"/data/app/RBackup/RExpert.reu";
  Form->chMakeBackup.Checked = false;
  Form->SaveState(registry, section);
  EXPECT_EQ(U8(registry.ReadString(section, u"LastUndo", u"?")), "/data/app/RBackup/RExpert.reu");

  TZanWizardForm loaded;
  loaded.cbDirectory.Items.SetText(u"design time");
  loaded.LoadState(registry, section);
  EXPECT_EQ(loaded.Left, 120);
  EXPECT_EQ(loaded.Top, 80);
  EXPECT_EQ(U8(loaded.cbDirectory.Items.Text()), "/a\r\n/b\r\n");
  EXPECT_EQ(U8(loaded.cbBackupDir.Items.Text()), "/bak\r\n");
  EXPECT_EQ(U8(loaded.cbConnectionDefFileName.Items.Text()), "/defs.ini\r\n");
  EXPECT_EQ(loaded.cbDriverConfigFileName.Items.Count(), 0);
  EXPECT_TRUE(loaded.rbModeRestore.Checked());
  EXPECT_FALSE(loaded.rbModeReplace.Checked());
  EXPECT_EQ(U8(loaded.edUndoFile.Text), "/data/app/RBackup/RExpert.reu");

  // A replace without a backup: the next restore starts with an empty field.
  Form->rbModeReplace.SetChecked(true);
  Form->SaveState(registry, section);
  EXPECT_EQ(U8(registry.ReadString(section, u"LastUndo", u"?")), "");

  // Nothing stored: the form keeps what it has.
  TZanWizardForm fresh;
  fresh.Left = 7;
  fresh.LoadState(registry, u"Other section");
  EXPECT_EQ(fresh.Left, 7);
  EXPECT_TRUE(fresh.rbModeReplace.Checked());
}

TEST_F(WizardFlowTest, RestoreBrowseStartsInTheUndoFilesFolder) {
  Open();
  Walk("RNU");
  Dialogs.OpenAnswers = {std::nullopt, u"/other/RExpert.reu"};
  Click(*Form, u"btRestoreBrowse");
  EXPECT_EQ(U8(Form->edUndoFile.Text), U8(kUndo));
  Click(*Form, u"btRestoreBrowse");
  EXPECT_EQ(U8(Form->edUndoFile.Text), "/other/RExpert.reu");
  EXPECT_EQ(Dialogs.Log.back(),
            "OpenDialog|Undo files (*.reu)|*.reu|All files (*.*)|*.*|/proj/RBackup/");
}

TEST(BaseWizardForm, WelcomeTextAndModeOfTheBaseForm) {
  TWizardForm form;
  form.SetLabel2Caption(u"BDE", u"Zanthe");
  EXPECT_EQ(U8(form.Label2.Caption),
            "Wizard facilitates converting your application to Zanthe. It replaces all standard "
            "BDE components to corresponding Zanthe components. You may need to make some changes "
            "manually to compile your application successfully.");
  EXPECT_EQ(form.GetWizardMode(), 0);
  form.rbModeRestore.SetChecked(true);
  EXPECT_EQ(form.GetWizardMode(), 100);
  EXPECT_EQ(form.GetConnectionDefFileName(), u"");
  EXPECT_EQ(form.StepsPageControl.PageCount(), 7);
  EXPECT_TRUE(form.Image1.Picture.Empty());
}

}  // namespace
}  // namespace zan::test
