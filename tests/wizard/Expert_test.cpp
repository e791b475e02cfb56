// The expert: its menu item, identity and replacer list, the save warning,
// and the orchestration of a replace and a restore around the open project,
// asserted as the list of calls made to the recording IDE.
#include <gtest/gtest.h>

#include "engine/files/PublishManifest.h"
#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"
#include "rtl/RegIniFile.h"
#include "support/FaultyFileSystem.h"
#include "support/WizardFakes.h"
#include "wizard/ReplaceExpert.h"
#include "wizard/SaveWarn.h"

namespace zan::test {
namespace {

const std::string kCaption =
    "BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus Migration Wizard";
/// The title of the wizard's message boxes and of the save warning: the product name.
const std::string kTitle = "Zanthe";
const std::u16string kItemName =
    u"RExpertItemBDE_IBX_ADO_Kyrel_Fenmark_Sarvo_Trindle_Elvast_Wenrod_AnyDAC_FireDAC_"
    u"FIBPlusZanthe";

const std::string kUnit1 =
    "unit Unit1;\r\ninterface\r\nuses Windows, DBTables, Forms;\r\ntype\r\n  TForm1 = "
    "class(TForm)\r\n"
    "    Query1: TQuery;\r\n  end;\r\nimplementation\r\nend.\r\n";

class ExpertTest : public WizardTest {
 public:
  ExpertTest() {
    Fs.AddFile(u"/proj/Unit1.pas", kUnit1);
    Fs.AddFile(u"/proj/sub/Data.PAS", "unit Data;\r\ninterface\r\nimplementation\r\nend.\r\n");
    Fs.AddFolder(u"/data/app");
    Ide->OpenProjectWith(kProject, {u"/proj/Unit1.pas", u"/proj/sub/Data.PAS", kProject});
    Expert = TCompReplaceExpert::Create(&CreateWizardForm<TZanWizardForm>, u"Zanthe",
                                        kDefaultProductMenu, Catalogue.Replacer(0));
    for (int i = 1; i < Catalogue.Count(); ++i) Expert->RegisterReplacer(Catalogue.Replacer(i));
    Opts().Dest = sdProject;
    Opts().ModuleList = u"Unit1.pas\r\nData.PAS\r\n";
    Opts().BackupDir = u"/proj/RBackup";
  }

  TReplaceOptions& Opts() { return Catalogue.Options(); }
  TRegIniFile Registry() { return TRegIniFile(u"Software\\Kestova\\Zanthe"); }
  bool SettingsWritten() {
    for (const auto& file : Fs.WrittenFiles())
      if (file == kSettingsFile) return true;
    return false;
  }
  /// The save warning answers Yes or No, with or without "Don't ask me this again".
  void AnswerWarning(bool yes, bool dontAsk = false) {
    Dialogs.ModalScripts.push_back([yes, dontAsk](TForm& form) {
      if (dontAsk) Click(form, u"chkDontAsk");
      Click(form, yes ? u"OKBtn" : u"CancelBtn");
    });
  }
  /// The undo file, and the manifest of a run that published /proj/Unit1.pas
  /// as it is now (restore refuses files it has no record of).
  void WriteUndoFile(const std::string& lines) {
    Fs.AddFile(u"/proj/RBackup/RExpert.reu", lines);
    TPublishManifest manifest;
    manifest.SetRoot(u"/proj");
    const std::string published = Fs.Contents(u"/proj/Unit1.pas");
    manifest.Set(u"/proj/Unit1.pas", {published.size(), ContentHash(published)});
    Fs.AddFile(u"/proj/RBackup/RExpert.manifest", manifest.Encode());
  }

  TZanCatalogue Catalogue;
  std::shared_ptr<TCompReplaceExpert> Expert;
};

// ----- the save warning

TEST_F(ExpertTest, SaveWarningAsksUntilToldNotTo) {
  struct {
    bool isProject, isRestore;
    const char *value, *note, *question;
  } cases[] = {
      {true, false, "ReplaceProjWarn", "Project forms will be hidden.",
       "Current project will be saved. Continue?"},
      {false, true, "RestoreDirWarn", "Current project will be closed.",
       "Old files will be restored from backup. Continue?"},
      {true, true, "RestoreProjWarn", "Current project will be closed.",
       "Old files will be restored from backup. Continue?"},
      {false, false, "ReplaceDirWarn", "Current project will be closed.",
       "Current project will be saved. Continue?"},
  };
  const std::u16string section = Opts().Caption();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const std::u16string value = Utf8ToUtf16(c.value);
    auto ask = [&] { return ShowSaveWarning(section, c.isProject, u"Zanthe", c.isRestore); };
    Dialogs.ModalScripts.push_back([&](TForm& form) {
      auto& warn = dynamic_cast<TSaveWarnForm&>(form);
      EXPECT_EQ(U8(warn.Caption), kTitle);
      EXPECT_EQ(U8(warn.lblNote.Caption), c.note);
      EXPECT_EQ(U8(warn.lblWarn.Caption), c.question);
      EXPECT_FALSE(warn.chkDontAsk.Checked);
      EXPECT_EQ(warn.Image1.StockIcon, TImage::siQuestion);
      Click(form, u"chkDontAsk");
      Click(form, u"CancelBtn");
    });
    EXPECT_FALSE(ask());  // No, even with the box ticked, stores nothing
    EXPECT_FALSE(Registry().ValueExists(section, value));
    AnswerWarning(true);
    EXPECT_TRUE(ask());  // Yes without the box: asked again next time
    EXPECT_TRUE(Registry().ReadBool(section, value, false));
    AnswerWarning(true, true);
    EXPECT_TRUE(ask());
    EXPECT_FALSE(Registry().ReadBool(section, value, true));
    const size_t shown = Dialogs.Log.size();
    EXPECT_TRUE(ask());  // not asked any more
    EXPECT_EQ(Dialogs.Log.size(), shown);
  }
}

// ----- menu, identity, replacers

TEST(ExpertMenu, AddsItsItemUnderTheProductMenu) {
  struct {
    const char* name;
    std::vector<std::pair<std::u16string, std::u16string>> before;  // extra items: name, caption
    std::u16string altCaption;
    std::string productCaption;
    size_t topLevelAfter;  // the headless menu has nine items
  } cases[] = {
      {"new product item", {}, u"Zanthe &Data Access", "&Zanthe", 10},
      {"existing product item",
       {{u"ZantheProductMenu", u"Old"}},
       u"Zanthe &Data Access",
       "&Zanthe",
       10},
      {"clashing caption",
       {{u"OtherMenu", u"ZAN&THE"}},
       u"Zanthe &Data Access",
       "Zanthe &Data Access",
       11},
      {"clash without alternate caption", {{u"OtherMenu", u"ZAN&THE"}}, u"", "&Zanthe", 11},
      {"clash before the existing item",
       {{u"ZantheProductMenu", u"Old"}, {u"OtherMenu", u"&Zanthe"}},
       u"Zanthe &Data Access",
       "Zanthe &Data Access",
       11},
      {"clash after the existing item",
       {{u"OtherMenu", u"&Zanthe"}, {u"ZantheProductMenu", u"Old"}},
       u"Zanthe &Data Access",
       "&Zanthe",
       11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto ide = std::make_shared<TFakeIDE>();
    SetBorlandIDEServices(ide);
    TMainMenu& menu = ide->MainMenu();
    std::vector<std::shared_ptr<TMenuItem>> extras;  // after "File", the last given first
    for (const auto& [name, caption] : c.before) {
      auto item = std::make_shared<TMenuItem>();
      item->Name = name;
      item->Caption = caption;
      if (name == u"ZantheProductMenu") item->Items.push_back(std::make_shared<TMenuItem>());
      extras.insert(extras.begin(), item);
    }
    std::vector<std::shared_ptr<TMenuItem>> items{menu.Items.front()};
    items.insert(items.end(), extras.begin(), extras.end());
    items.insert(items.end(), menu.Items.begin() + 1, menu.Items.end());
    menu.Items = items;
    TZanCatalogue catalogue;
    TProductMenu product{u"ZantheProductMenu", u"&Zanthe", c.altCaption};
    auto expert = TCompReplaceExpert::Create(&CreateWizardForm<TZanWizardForm>, u"Zanthe", product,
                                             catalogue.Replacer(0));
    EXPECT_EQ(menu.Items.size(), c.topLevelAfter);
    std::shared_ptr<TMenuItem> parent;
    auto item = menu.FindItem(kItemName, &parent);
    ASSERT_TRUE(item && parent);
    EXPECT_EQ(U8(item->Caption), "&Migration Wizard");
    EXPECT_EQ(U8(parent->Name), "ZantheProductMenu");
    EXPECT_EQ(U8(parent->Caption), c.productCaption);
    EXPECT_EQ(parent->Items.back(), item);
    EXPECT_EQ(U8(menu.Items.back()->Name), "HelpMenu");  // a new product menu goes before Help

    // Unloading removes the item, and the product item only when the expert made it.
    expert->RemoveMenuItems();
    EXPECT_EQ(menu.FindItem(kItemName), nullptr);
    bool existed = false;
    for (const auto& extra : c.before) existed = existed || extra.first == u"ZantheProductMenu";
    EXPECT_EQ(menu.FindItem(u"ZantheProductMenu") != nullptr, existed);
    SetBorlandIDEServices(nullptr);
  }
}

TEST_F(ExpertTest, MenuClickShowsTheWizardOnlyWhileTheExpertLives) {
  auto item = Ide->MainMenu().FindItem(kItemName);
  ASSERT_TRUE(item);
  item->Click();
  EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"ShowModal|WizardForm"});
  EXPECT_EQ(WizardForm, nullptr);
  Expert.reset();
  item->Click();
  EXPECT_EQ(Dialogs.Log.size(), 1u);
}

TEST_F(ExpertTest, IdentityAndReplacers) {
  EXPECT_EQ(U8(Expert->GetIDString()),
            "Kestova.BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/"
            "FIBPlusMigrationWizard.Zanthe");
  EXPECT_EQ(U8(Expert->GetName()), kCaption);
  EXPECT_EQ(Expert->GetState(), 0u);
  EXPECT_EQ(Expert->ReplacerCount(), 12);
  EXPECT_EQ(&Expert->GetReplacer(11), &Catalogue.Replacer(11));
  EXPECT_EQ(&Expert->GetDefaultReplacer(), &Catalogue.Replacer(0));
  for (int index : {-1, 12}) {
    try {
      Expert->GetReplacer(index);
      ADD_FAILURE() << index;
    } catch (const EAssertionFailed& e) {
      EXPECT_STREQ(e.what(), "Assertion failure (MigWizard\\ReplaceExpert, line 300)");
    }
  }
  Expert->ClearReplacers();
  try {
    Expert->GetDefaultReplacer();
    ADD_FAILURE();
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "Assertion failure (MigWizard\\ReplaceExpert, line 306)");
  }
  // The product name loses its accelerators in names, not in the settings key.
  auto other = TCompReplaceExpert::Create(&CreateWizardForm<TZanWizardForm>, u"Zan&the",
                                          kDefaultProductMenu, Catalogue.Replacer(0));
  EXPECT_EQ(U8(other->MenuItemName()), U8(kItemName));
  EXPECT_EQ(U8(other->GetIDString()).substr(U8(other->GetIDString()).rfind('.')), ".Zanthe");
}

// ----- the replace run around the project

TEST_F(ExpertTest, ReplaceOverTheProject) {
  AnswerWarning(true);
  Expert->PerformReplace(Catalogue.Replacer(0));
  EXPECT_EQ(Ide->Calls, (std::vector<std::string>{
                            "SaveProject force", "Show|/proj/Unit1.dfm", "Show|/proj/sub/Data.dfm",
                            "ReloadFile|/proj/Unit1.pas", "ReloadFile|/proj/sub/Data.PAS"}));
  EXPECT_EQ(Dialogs.Log,
            (std::vector<std::string>{"ShowModal|SaveWarnForm",
                                      "MessageBox Information|" + kTitle +
                                          "|Replace procedure was performed sucessfully."}));
  const std::string unit = Fs.Contents(u"/proj/Unit1.pas");
  EXPECT_NE(unit.find("Query1: TZanQuery;"), std::string::npos) << unit;
  EXPECT_EQ(Fs.Contents(u"/proj/RBackup/Unit1.~pas"), kUnit1);
  EXPECT_EQ(Ide->Busy.Started, 0);  // the fake IDE's seams are not installed here
}

TEST_F(ExpertTest, ReplaceStopsOrFailsWithoutTouchingTheProject) {
  struct {
    const char* name;
    std::function<void(ExpertTest&)> setUp;
    std::vector<std::string> calls;
    std::vector<std::string> messages;
  } cases[] = {
      {"confirmation declined", [](ExpertTest& t) { t.AnswerWarning(false); }, {}, {}},
      {"project not saved",
       [](ExpertTest& t) {
         t.AnswerWarning(true);
         t.Ide->SaveResult = false;
       },
       {"SaveProject force"},
       {"MessageBox Information|" + kTitle +
        "|Cannot start replace process.\nProject was not saved."}},
      {"no project open",
       [](ExpertTest& t) { t.Ide->CloseAll(); },
       {},
       {"MessageBox Information|" + kTitle +
        "|Cannot start replace process.\nProject was not saved."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ide->OpenProjectWith(kProject, {u"/proj/Unit1.pas", u"/proj/sub/Data.PAS"});
    Ide->Calls.clear();
    Dialogs.Log.clear();
    Ide->SaveResult = true;
    c.setUp(*this);
    Expert->PerformReplace(Catalogue.Replacer(0));
    EXPECT_EQ(Ide->Calls, c.calls);
    std::vector<std::string> boxes;
    for (const auto& entry : Dialogs.Log)
      if (entry.rfind("MessageBox", 0) == 0) boxes.push_back(entry);
    EXPECT_EQ(boxes, c.messages);
    EXPECT_EQ(Fs.Contents(u"/proj/Unit1.pas"), kUnit1);
  }
}

TEST_F(ExpertTest, AFailedReplaceChangesNothingAndReloadsNothing) {
  TFaultyFileSystem faulty(Fs);
  faulty.FailAlways(TFileOp::Copy);
  TScopedFileSystem scoped(faulty);
  Opts().MakeBackup = false;
  AnswerWarning(true);
  // Nothing can be copied: the run stops with an error, before any original
  // is replaced, and the host's handler shows it.
  EXPECT_THROW(Expert->PerformReplace(Catalogue.Replacer(0)), EFileError);
  EXPECT_EQ(Ide->Calls, (std::vector<std::string>{"SaveProject force", "Show|/proj/Unit1.dfm",
                                                  "Show|/proj/sub/Data.dfm"}));
  EXPECT_EQ(Fs.Contents(u"/proj/Unit1.pas"), kUnit1);
}

TEST_F(ExpertTest, ReplaceOverAFolderLeavesTheProjectAlone) {
  Fs.AddFile(u"/data/app/Unit1.pas", kUnit1);
  Opts().Dest = sdDirectory;
  Opts().Directory = u"/data/app";
  Opts().BackupDir = u"/data/app/RBackup";
  Expert->PerformReplace(Catalogue.Replacer(0));
  EXPECT_TRUE(Ide->Calls.empty());
  EXPECT_EQ(Dialogs.Log,
            (std::vector<std::string>{"MessageBox Information|" + kTitle +
                                      "|Replace procedure was performed sucessfully."}));
  EXPECT_NE(Fs.Contents(u"/data/app/Unit1.pas").find("TZanQuery"), std::string::npos);
}

TEST_F(ExpertTest, RuleFilesAreReadBeforeAnythingElse) {
  Fs.AddFile(u"/data/app/Unit1.pas", kUnit1 + "var V: TVendorTable;\r\n");
  Fs.AddFile(u"/cfg/vendor.toml",
             "[[pair]]\nsource = \"TVendorTable\"\ntarget = \"TZanTable\"\n"
             "[[target-class]]\nname = \"TVendorExtra\"\n");
  Fs.AddFile(u"/cfg/bad.toml", "[[pair]]\nsource = \"TQuery\"\ntarget = \"TMine\"\n");
  Opts().Dest = sdDirectory;
  Opts().Directory = u"/data/app";
  Opts().BackupDir = u"/data/app/RBackup";
  // A mistake stops the run before the save warning and before anything is written.
  Opts().RuleFileNames = u"/cfg/vendor.toml; /cfg/bad.toml";
  EXPECT_THROW(Expert->PerformReplace(Catalogue.Replacer(0)), EUserRulesError);
  EXPECT_TRUE(Fs.WrittenFiles().empty());
  EXPECT_TRUE(Dialogs.Log.empty());
  Opts().RuleFileNames = u"/cfg/vendor.toml";
  Expert->PerformReplace(Catalogue.Replacer(0));
  EXPECT_NE(Fs.Contents(u"/data/app/Unit1.pas").find("V: TZanTable;"), std::string::npos);
  // The rule files' classes belonged to that run only.
  EXPECT_EQ(TClassRegistry::Global().FindClass(u"TVendorExtra"), nullptr);
}

// ----- the restore run

TEST_F(ExpertTest, RestoreClosesAndReopensTheProject) {
  Fs.AddFile(u"/proj/RBackup/Unit1.~pas", "original");
  struct {
    const char* name;
    std::string undo;
    bool project;
    std::string message;
    std::vector<std::string> calls;
    std::string after;
  } cases[] = {
      {"restored",
       "/proj/Unit1.pas=/proj/RBackup/Unit1.~pas\r\n",
       true,
       "MessageBox Information|" + kTitle + "|Files were succefully restored.",
       {"CloseProject", "OpenProject|/proj/Project1.dpr"},
       "original"},
      {"backup missing",
       "/proj/Unit1.pas=/proj/RBackup/Gone.~pas\r\n",
       true,
       "MessageBox Error|" + kTitle + "|Failed to restore files.",
       {"CloseProject", "OpenProject|/proj/Project1.dpr"},
       "changed"},
      {"no project open",
       "/proj/Unit1.pas=/proj/RBackup/Unit1.~pas\r\n",
       false,
       "MessageBox Information|" + kTitle + "|Files were succefully restored.",
       {"OpenProject|"},
       "original"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fs.AddFile(u"/proj/Unit1.pas", "changed");
    WriteUndoFile(c.undo);
    if (c.project)
      Ide->OpenProjectWith(kProject, {u"/proj/Unit1.pas"});
    else
      Ide->CloseAll();
    Ide->Calls.clear();
    Dialogs.Log.clear();
    AnswerWarning(true);
    Expert->PerformRestore(u"/proj/RBackup/RExpert.reu");
    EXPECT_EQ(Ide->Calls, c.calls);
    EXPECT_EQ(Dialogs.Log.back(), c.message);
    EXPECT_EQ(Fs.Contents(u"/proj/Unit1.pas"), c.after);
  }
  // Declined: nothing happens at all.
  Ide->Calls.clear();
  AnswerWarning(false);
  Expert->PerformRestore(u"/proj/RBackup/RExpert.reu");
  EXPECT_TRUE(Ide->Calls.empty());
}

// ----- one click: wizard, run, settings

TEST_F(ExpertTest, CancellingTheWizardLeavesTheSettingsUntouched) {
  Dialogs.ModalScripts.push_back([](TForm& form) {
    Click(form, u"btNext");
    Click(form, u"btCancel");
  });
  Expert->MenuItemClick(*Ide->MainMenu().FindItem(kItemName));
  EXPECT_FALSE(SettingsWritten());
  EXPECT_FALSE(Fs.Exists(kSettingsFile));
  EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"ShowModal|WizardForm"});
  EXPECT_EQ(WizardForm, nullptr);
}

TEST_F(ExpertTest, SettingsComeInBeforeShowingAndGoOutAfterTheRun) {
  Fs.AddFile(u"/data/app/Unit1.pas", kUnit1);  // a folder without units is refused
  {
    TRegIniFile registry = Registry();
    const std::u16string section = Opts().Caption();
    registry.WriteInteger(section, u"Dest", 1);
    registry.WriteString(section, u"Directory", u"/data/app");
    registry.WriteBool(section, u"ViewLog", true);
    registry.WriteString(section, u"DirHistory", u"/old\r\n");
  }
  Dialogs.ModalScripts.push_back([](TForm& form) {
    auto& wizard = dynamic_cast<TZanWizardForm&>(form);
    EXPECT_EQ(U8(wizard.Label2.Caption).find("It replaces BDE, IBX, ADO, dbGo, Kyrel"), 58u);
    EXPECT_EQ(U8(wizard.rbModeReplace.Caption), "Replace BDE components");
    EXPECT_TRUE(wizard.rbDestFolder.Checked());
    EXPECT_EQ(U8(wizard.cbDirectory.Text), "/data/app");
    EXPECT_TRUE(wizard.chViewLog.Checked);
    for (int i = 0; i < 3; ++i) Click(form, u"btNext");
    Click(form, u"chViewLog");
    Click(form, u"btNext");
    Click(form, u"btFinish");
  });
  Expert->MenuItemClick(*Ide->MainMenu().FindItem(kItemName));
  EXPECT_EQ(Dialogs.Log.back(),
            "MessageBox Information|" + kTitle + "|Replace procedure was performed sucessfully.");
  TRegIniFile registry = Registry();
  const std::u16string section = Opts().Caption();
  EXPECT_FALSE(registry.ReadBool(section, u"ViewLog", true));
  EXPECT_EQ(registry.ReadInteger(section, u"Dest", -1), 1);
  EXPECT_EQ(U8(registry.ReadString(section, u"DirHistory", u"")), "/data/app\r\n/old\r\n");
  EXPECT_EQ(U8(registry.ReadString(section, u"LastUndo", u"")), "/data/app/RBackup/RExpert.reu");
}

TEST_F(ExpertTest, RestoreModeRestoresWhateverLibraryWasChosen) {
  Fs.AddFile(u"/proj/RBackup/Unit1.~pas", "original");
  WriteUndoFile("/proj/Unit1.pas=/proj/RBackup/Unit1.~pas\r\n");
  Dialogs.ModalScripts.push_back([](TForm& form) {
    Select(form, u"cbReplaceComponents", 10);
    Click(form, u"rbModeRestore");
    Click(form, u"btNext");
    Type(form, u"edUndoFile", u"/proj/RBackup/RExpert.reu");
    Click(form, u"btNext");
    EXPECT_EQ(U8(form.Caption), "Zanthe Migration Wizard - Step 3 of 3");
    Click(form, u"btFinish");
  });
  AnswerWarning(true);
  Expert->MenuItemClick(*Ide->MainMenu().FindItem(kItemName));
  EXPECT_EQ(Ide->Calls,
            (std::vector<std::string>{"CloseProject", "OpenProject|/proj/Project1.dpr"}));
  EXPECT_EQ(Fs.Contents(u"/proj/Unit1.pas"), "original");
  EXPECT_EQ(Dialogs.Log.back(),
            "MessageBox Information|" + kTitle + "|Files were succefully restored.");
  // The next restore is offered the undo file this one used (the restore
  // path leaves the backup field empty: not the project folder's RExpert.reu).
  EXPECT_EQ(U8(Registry().ReadString(Opts().Caption(), u"LastUndo", u"")),
            "/proj/RBackup/RExpert.reu");
  EXPECT_FALSE(Registry().ReadBool(Opts().Caption(), u"ReplaceMode", true));
}

TEST_F(ExpertTest, AnErrorInTheRunFreesTheFormAndSavesNothing) {
  Dialogs.ModalScripts.push_back([this](TForm& form) {
    Click(form, u"btNext");
    Click(form, u"rbDestFolder");
    Click(form, u"btNext");
    Type(form, u"cbDirectory", u"/data/app");
    Click(form, u"btNext");
    Click(form, u"btNext");
    EXPECT_EQ(WizardForm, &form);
    Fs.RemoveFolder(u"/data/app");  // gone before the run starts
    Click(form, u"btFinish");
  });
  EXPECT_THROW(Expert->MenuItemClick(*Ide->MainMenu().FindItem(kItemName)), Exception);
  EXPECT_EQ(WizardForm, nullptr);
  EXPECT_FALSE(Fs.Exists(kSettingsFile));
}

}  // namespace
}  // namespace zan::test
