// The plug-in loaded into the headless project host: entry point, menu item,
// a replace and a restore end to end through scripted dialogs, and unload.
// The same scenario runs against the entry linked into this test and, when
// it has been built, against the shared library loaded at run time.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "rtl/RegIniFile.h"
#include "support/MemoryFileSystem.h"
#include "support/WizardFakes.h"
#include "wizard/PluginEntry.h"
#include "wizard/ReplaceExpert.h"

namespace zan::test {
namespace {

using TInitProc = bool (*)(const std::shared_ptr<IBorlandIDEServices>&, TWizardRegisterProc,
                           TWizardTerminateProc*);
using TFinalizeProc = void (*)();

const std::u16string kItemName =
    u"RExpertItemBDE_IBX_ADO_Kyrel_Fenmark_Sarvo_Trindle_Elvast_Wenrod_AnyDAC_FireDAC_"
    u"FIBPlusZanthe";
const std::string kSection =
    "BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus Migration Wizard";
const std::string kUnit1 =
    "unit Unit1;\r\ninterface\r\nuses Windows, DBTables, Forms;\r\ntype\r\n  TForm1 = "
    "class(TForm)\r\n"
    "    Query1: TQuery;\r\n  end;\r\nimplementation\r\nend.\r\n";
const std::string kData = "unit Data;\r\ninterface\r\nuses DBTables;\r\nvar T: TTable;\r\nend.\r\n";

std::vector<std::shared_ptr<IOTAWizard>> gRegistered;

bool RegisterWizard(const std::shared_ptr<IOTAWizard>& wizard) {
  gRegistered.push_back(wizard);
  return true;
}

bool RefuseWizard(const std::shared_ptr<IOTAWizard>&) {
  throw Exception("registry is full");
}

/// A disk with a small project, and the headless host over it.
struct TScene {
  TMemoryFileSystem Fs;
  std::shared_ptr<THeadlessHost> Host;
  TScene() {
    Fs.AddFile(u"/proj/Project1.dpr",
               "program Project1;\r\n\r\nuses\r\n  Forms,\r\n  Unit1 in 'Unit1.pas' {Form1},\r\n"
               "  Data in 'sub\\Data.pas';\r\n\r\n{$R *.res}\r\n\r\nbegin\r\nend.\r\n");
    Fs.AddFile(u"/proj/Unit1.pas", kUnit1);
    Fs.AddFile(u"/proj/sub/Data.pas", kData);
    Host = std::make_shared<THeadlessHost>(&Fs);
    Host->LoadProject(u"/proj/Project1.dpr");
  }
  TScriptedDialogs& Dialogs() { return Host->ScriptedDialogs; }
  TMainMenu& Menu() { return Host->GetNTAServices()->GetMainMenu(); }
  std::u16string Setting(std::u16string_view name) {
    TRegIniFile registry(u"Software\\Kestova\\Zanthe", kSettingsFile, &Fs);
    return registry.ReadString(Utf8ToUtf16(kSection), name, u"<none>");
  }
};

void RunScenario(TInitProc init, TFinalizeProc finalize) {
  TScene scene;
  TWizardTerminateProc terminate = nullptr;
  ASSERT_TRUE(init(scene.Host, &RegisterWizard, &terminate));
  EXPECT_EQ(terminate, nullptr);
  ASSERT_EQ(gRegistered.size(), 1u);
  EXPECT_EQ(U8(gRegistered[0]->GetName()), kSection);
  std::shared_ptr<TMenuItem> product;
  ASSERT_NE(scene.Menu().FindItem(kItemName, &product), nullptr);
  EXPECT_EQ(U8(product->Caption), "&Zanthe");

  // Replace over the open project.
  scene.Dialogs().ModalScripts.push_back([](TForm& form) {
    EXPECT_EQ(U8(form.Caption), "Zanthe Migration Wizard - Step 1 of 5");
    Select(form, u"cbReplaceComponents", 0);
    Click(form, u"btNext");
    Click(form, u"btNext");
    auto& units = Get<TCheckListBox>(form, u"lbModules");
    EXPECT_EQ(U8(units.Text()), "Data.pas\r\nUnit1.pas\r\n");
    Click(form, u"btNext");
    EXPECT_EQ(U8(Get<TComboBox>(form, u"cbBackupDir").Text), "/proj/RBackup");
    Click(form, u"btNext");
    Click(form, u"btFinish");
  });
  scene.Dialogs().ModalScripts.push_back([](TForm& form) {
    Click(form, u"chkDontAsk");
    Click(form, u"OKBtn");
  });
  scene.Menu().FindItem(kItemName)->Click();
  EXPECT_EQ(scene.Dialogs().Log,
            (std::vector<std::string>{"ShowModal|WizardForm", "ShowModal|SaveWarnForm",
                                      "MessageBox Information|" + std::string("Zanthe") +
                                          "|Replace procedure was performed sucessfully."}));
  EXPECT_EQ(scene.Host->SaveCount(), 1);
  EXPECT_EQ(scene.Host->ReloadedFiles(),
            (std::vector<std::u16string>{u"/proj/Unit1.pas", u"/proj/sub/Data.pas"}));
  EXPECT_NE(scene.Fs.Contents(u"/proj/Unit1.pas").find("uses Windows, DBTables, Zan, Quillbase"),
            std::string::npos);
  EXPECT_NE(scene.Fs.Contents(u"/proj/sub/Data.pas").find("T: TZanTable;"), std::string::npos);
  EXPECT_EQ(scene.Fs.Contents(u"/proj/RBackup/Unit1.~pas"), kUnit1);
  EXPECT_TRUE(scene.Fs.Exists(u"/proj/Wiz_Log.txt"));
  EXPECT_EQ(scene.Host->Busy.Started, 1);
  EXPECT_EQ(scene.Host->Busy.Stopped, 1);
  EXPECT_EQ(U8(scene.Setting(u"ReplaceProjWarn")), "0");
  EXPECT_EQ(U8(scene.Setting(u"LastUndo")), "/proj/RBackup/RExpert.reu");
  EXPECT_EQ(U8(scene.Setting(u"ModuleList")), "<none>");  // not persisted

  // Restore from the undo file that run wrote; it is offered at once.
  scene.Dialogs().Log.clear();
  scene.Dialogs().ModalScripts.push_back([](TForm& form) {
    Click(form, u"rbModeRestore");
    Click(form, u"btNext");
    EXPECT_EQ(U8(Get<TEdit>(form, u"edUndoFile").Text), "/proj/RBackup/RExpert.reu");
    Click(form, u"btNext");
    EXPECT_EQ(U8(form.Caption), "Zanthe Migration Wizard - Step 3 of 3");
    Click(form, u"btFinish");
  });
  scene.Dialogs().ModalScripts.push_back([](TForm& form) {
    EXPECT_EQ(U8(Get<TLabel>(form, u"lblWarn").Caption),
              "Old files will be restored from backup. Continue?");
    Click(form, u"OKBtn");
  });
  scene.Menu().FindItem(kItemName)->Click();
  EXPECT_EQ(scene.Dialogs().Log.back(),
            "MessageBox Information|" + std::string("Zanthe") + "|Files were succefully restored.");
  EXPECT_EQ(scene.Host->CloseCount(), 1);
  EXPECT_EQ(scene.Host->OpenedProjects(), std::vector<std::u16string>{u"/proj/Project1.dpr"});
  EXPECT_TRUE(scene.Host->HasProject());
  EXPECT_EQ(scene.Fs.Contents(u"/proj/Unit1.pas"), kUnit1);
  EXPECT_EQ(scene.Fs.Contents(u"/proj/sub/Data.pas"), kData);
  EXPECT_EQ(U8(scene.Setting(u"RestoreDirWarn")), "1");

  // Unloading takes the menu items away.
  gRegistered.clear();
  product.reset();
  finalize();
  EXPECT_EQ(scene.Menu().FindItem(kItemName), nullptr);
  EXPECT_EQ(scene.Menu().FindItem(u"ZantheProductMenu"), nullptr);
  EXPECT_EQ(scene.Menu().Items.size(), 9u);
}

TEST(WizardPlugin, ReplaceAndRestoreThroughTheLinkedEntry) {
  RunScenario(&INITWIZARD0001, &FinalizeWizardPackage);
  EXPECT_EQ(WizardPackageCatalogue(), nullptr);
  EXPECT_EQ(BorlandIDEServices(), nullptr);
  EXPECT_EQ(dynamic_cast<TScriptedDialogs*>(&WizardDialogs()),
            nullptr);  // the host's seams are back
}

TEST(WizardPlugin, AnErrorInTheEntryGoesToTheHostAndTheEntryStillSucceeds) {
  TScene scene;
  EXPECT_TRUE(INITWIZARD0001(scene.Host, &RefuseWizard, nullptr));
  EXPECT_EQ(scene.Dialogs().Log, std::vector<std::string>{"Exception|registry is full"});
  EXPECT_NE(scene.Menu().FindItem(kItemName), nullptr);  // registration went this far
  ASSERT_NE(WizardPackageExpert(), nullptr);
  EXPECT_EQ(WizardPackageExpert()->ReplacerCount(), 12);
  FinalizeWizardPackage();
  EXPECT_EQ(scene.Menu().FindItem(kItemName), nullptr);
  EXPECT_EQ(WizardPackageExpert(), nullptr);
}

/// The plug-in library built for the tests ($ZAN_WIZARD_PLUGIN overrides).
std::string PluginPath() {
  if (const char* path = std::getenv("ZAN_WIZARD_PLUGIN")) return path;
#ifdef ZAN_PLUGIN_PATH
  if (std::filesystem::exists(ZAN_PLUGIN_PATH)) return ZAN_PLUGIN_PATH;
#endif
  return {};
}

TEST(WizardPlugin, ReplaceAndRestoreThroughTheLoadedLibrary) {
  const std::string path = PluginPath();
  if (path.empty()) GTEST_SKIP() << "the zanmig-wizard library has not been built";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto init = reinterpret_cast<TInitProc>(dlsym(library, "INITWIZARD0001"));
  auto finalize = reinterpret_cast<TFinalizeProc>(dlsym(library, "FinalizeWizardPackage"));
  ASSERT_TRUE(init && finalize);
  RunScenario(init, finalize);
  EXPECT_EQ(dlclose(library), 0);
}

}  // namespace
}  // namespace zan::test
