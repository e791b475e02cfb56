// The target wizard: the library choice, the FireDAC/AnyDAC file fields and
// the rule-file field, their Browse buttons, summary lines and histories, and
// the side picture.
#include <gtest/gtest.h>

#include "rtl/RegIniFile.h"
#include "support/WizardFakes.h"

namespace zan::test {
namespace {

constexpr int kAnyDAC = 9, kFireDAC = 10, kKyrel = 3;

using ZanWizardTest = WizardTest;

TEST_F(ZanWizardTest, EveryShowingStartsWithBDE) {
  Open();
  std::vector<std::string> items;
  for (int i = 0; i < Form->cbReplaceComponents.Items.Count(); ++i)
    items.push_back(U8(Form->cbReplaceComponents.Items[i]));
  EXPECT_EQ(items,
            (std::vector<std::string>{"BDE", "IBX", "ADO", "Kyrel", "Fenmark", "Sarvo", "Trindle",
                                      "Elvast", "Wenrod", "AnyDAC", "FireDAC", "FIBPlus"}));
  EXPECT_EQ(U8(Form->rbModeReplace.Caption), "Replace BDE components");
  EXPECT_EQ(Form->GetWizardMode(), 0);
  for (int index = 0; index < 12; ++index) {
    Select(*Form, u"cbReplaceComponents", index);
    EXPECT_EQ(Form->GetWizardMode(), index);
    EXPECT_EQ(U8(Form->rbModeReplace.Caption), "Replace " + items[index] + " components");
  }
  Open();  // the choice is not kept
  EXPECT_EQ(Form->GetWizardMode(), 0);
  Form->SetLabel2Caption(u"ignored", u"ignored");
  EXPECT_EQ(U8(Form->Label2.Caption),
            "Wizard facilitates converting your application to Zanthe. It replaces BDE, IBX, ADO, "
            "dbGo, Kyrel, Fenmark, Sarvo, Trindle, Elvast, Wenrod, AnyDAC, FireDAC, FIBPlus "
            "components to corresponding Zanthe components. You may need to make some changes "
            "manually to compile your application successfully.");
}

TEST_F(ZanWizardTest, TheModeRadiosSwitchTheLibraryListAndTheStepCount) {
  Open();
  Select(*Form, u"cbReplaceComponents", kKyrel);
  Click(*Form, u"rbModeRestore");
  EXPECT_FALSE(Form->cbReplaceComponents.Enabled);
  EXPECT_EQ(Step(), "Step 1 of 3");
  EXPECT_EQ(Form->GetWizardMode(), 100);
  Click(*Form, u"rbModeReplace");
  EXPECT_TRUE(Form->cbReplaceComponents.Enabled);
  EXPECT_EQ(Step(), "Step 1 of 5");
  EXPECT_EQ(Form->GetWizardMode(), kKyrel);
}

TEST_F(ZanWizardTest, OnlyFireDACAndAnyDACShowTheFileFieldsAndOnlyBDETheAliasFile) {
  for (int index = 0; index < 12; ++index) {
    SCOPED_TRACE(index);
    Open();
    Select(*Form, u"cbReplaceComponents", index);
    Click(*Form, u"btNext");
    const bool shown = index == kAnyDAC || index == kFireDAC;
    for (auto name :
         {u"lbConnectionDefFileName", u"cbConnectionDefFileName", u"btConnectionDefFileName",
          u"lbDriverConfigFileName", u"cbDriverConfigFileName", u"btDriverConfigFileName"})
      EXPECT_EQ(Get<TControl>(*Form, name).Showing(), shown) << U8(name);
    for (auto name : {u"lbAliasFileName", u"cbAliasFileName", u"btAliasFileName"})
      EXPECT_EQ(Get<TControl>(*Form, name).Showing(), index == 0) << U8(name);
  }
}

TEST_F(ZanWizardTest, HiddenFileFieldsReachTheOptionsEmpty) {
  Fs.AddFolder(u"/data/app");
  for (int index : {kFireDAC, kKyrel, 0}) {
    SCOPED_TRACE(index);
    Options.ConnectionDefFileName = u"/cfg/defs.ini";  // shown in the fields at show time
    Options.DriverConfFileName = u"/cfg/drivers.ini";
    Options.AliasFileName = u"/cfg/aliases.ini";
    Open();
    EXPECT_EQ(U8(Form->cbConnectionDefFileName.Text), "/cfg/defs.ini");
    Select(*Form, u"cbReplaceComponents", index);
    Click(*Form, u"btNext");
    Click(*Form, u"rbDestFolder");
    Click(*Form, u"btNext");
    Type(*Form, u"cbDirectory", u"/data/app");
    Click(*Form, u"btNext");
    Click(*Form, u"btNext");
    Click(*Form, u"btFinish");
    ASSERT_EQ(Form->ModalResult(), mrOk);
    const bool used = index == kFireDAC;
    EXPECT_EQ(U8(Options.ConnectionDefFileName), used ? "/cfg/defs.ini" : "");
    EXPECT_EQ(U8(Options.DriverConfFileName), used ? "/cfg/drivers.ini" : "");
    // The names used go into their histories, as the folders do.
    EXPECT_EQ(Form->cbConnectionDefFileName.Items.Count(), used ? 1 : 0);
    EXPECT_EQ(Form->cbDriverConfigFileName.Items.Count(), used ? 1 : 0);
    // The alias file is BDE's.
    EXPECT_EQ(U8(Options.AliasFileName), index == 0 ? "/cfg/aliases.ini" : "");
    EXPECT_EQ(Form->cbAliasFileName.Items.Count(), index == 0 ? 1 : 0);
  }
}

TEST_F(ZanWizardTest, TheAliasFileBrowseButtonFillsItsField) {
  Open();
  Select(*Form, u"cbReplaceComponents", 0);
  Click(*Form, u"btNext");
  Dialogs.OpenAnswers = {u"/cfg/aliases.ini", std::nullopt};
  Click(*Form, u"btAliasFileName");
  Click(*Form, u"btAliasFileName");  // cancelled: unchanged
  EXPECT_EQ(U8(Form->cbAliasFileName.Text), "/cfg/aliases.ini");
  EXPECT_EQ(Dialogs.Log.front(), "OpenDialog|(*.ini)|*.ini|");
  EXPECT_EQ(U8(Form->OpenDialog.Filter), "Undo files (*.reu)|*.reu|All files (*.*)|*.*");
}

TEST_F(ZanWizardTest, EachBrowseButtonFillsItsOwnField) {
  Open();
  Select(*Form, u"cbReplaceComponents", kAnyDAC);
  Click(*Form, u"btNext");
  Dialogs.OpenAnswers = {u"/cfg/drivers.ini", u"/cfg/defs.ini", std::nullopt};
  Click(*Form, u"btDriverConfigFileName");
  Click(*Form, u"btConnectionDefFileName");
  Click(*Form, u"btConnectionDefFileName");  // cancelled: unchanged
  EXPECT_EQ(U8(Form->cbDriverConfigFileName.Text), "/cfg/drivers.ini");
  EXPECT_EQ(U8(Form->cbConnectionDefFileName.Text), "/cfg/defs.ini");
  EXPECT_EQ(Dialogs.Log.front(), "OpenDialog|(*.ini)|*.ini|");
  EXPECT_EQ(U8(Form->OpenDialog.Filter), "Undo files (*.reu)|*.reu|All files (*.*)|*.*");

  // The undo file's filter comes back also when the dialog fails.
  Dialogs.OnOpenDialog = [](TOpenDialog&) { throw Exception("dialog failed"); };
  EXPECT_THROW(Click(*Form, u"btDriverConfigFileName"), Exception);
  EXPECT_EQ(U8(Form->OpenDialog.Filter), "Undo files (*.reu)|*.reu|All files (*.*)|*.*");

  // Raised by anything but a button, the handler does nothing.
  Dialogs.Log.clear();
  Form->btConnectionDefFileNameClick(&Form->cbDriverConfigFileName);
  EXPECT_TRUE(Dialogs.Log.empty());
}

TEST_F(ZanWizardTest, RuleFilesReachTheOptionsAndTheirHistory) {
  Fs.AddFolder(u"/data/app");
  Options.RuleFileNames = u"/cfg/a.toml";  // shown in the field at show time
  Open();
  EXPECT_EQ(U8(Form->cbRuleFileNames.Text), "/cfg/a.toml");
  Select(*Form, u"cbReplaceComponents", kKyrel);
  Click(*Form, u"btNext");
  Dialogs.OpenAnswers = {u"/cfg/b.toml", std::nullopt};
  Click(*Form, u"btRuleFileNames");  // appended
  Click(*Form, u"btRuleFileNames");  // cancelled: unchanged
  EXPECT_EQ(Dialogs.Log.front(), "OpenDialog|(*.toml)|*.toml|");
  Click(*Form, u"rbDestFolder");
  Click(*Form, u"btNext");
  Type(*Form, u"cbDirectory", u"/data/app");
  for (int i = 0; i < 2; ++i) Click(*Form, u"btNext");
  Click(*Form, u"btFinish");
  ASSERT_EQ(Form->ModalResult(), mrOk);
  EXPECT_EQ(U8(Options.RuleFileNames), "/cfg/a.toml;/cfg/b.toml");
  ASSERT_EQ(Form->cbRuleFileNames.Items.Count(), 1);
  TRegIniFile settings(u"Software\\Kestova\\Zanthe");
  Form->SaveState(settings, u"S");
  EXPECT_EQ(U8(settings.ReadString(u"S", u"RuleFileNames", u"")), "/cfg/a.toml;/cfg/b.toml\r\n");
}

TEST_F(ZanWizardTest, SummaryListsTheFilesOfFireDACAndAnyDACAndTheAliasFileOfBDE) {
  // The "Mode" line names the library chosen, not the catalogue's twelve.
  const std::string base =
      "components\n\nScan destination: Current open project\n\nBackup dir: \"/proj/RBackup\"\n\n"
      "Write log file\n\nUnits list:\nData.pas\nUnit1.pas\n";
  struct {
    int library;
    std::u16string defs, drivers, rules;
    std::string tail;
    const char* name = "Kyrel";
    std::u16string aliases = {};
  } cases[] = {
      {kAnyDAC, u"", u"/cfg/drv.ini", u"", "Driver configuration  File:\n\n/cfg/drv.ini\n\r",
       "AnyDAC"},
      {kFireDAC, u"/cfg/defs.ini", u"/cfg/drv.ini", u"",
       "Connection Definition File:\n\n/cfg/defs.ini\n\rDriver configuration  File:\n\n"
       "/cfg/drv.ini\n\r",
       "FireDAC"},
      {kKyrel, u"/cfg/defs.ini", u"/cfg/drv.ini", u"", ""},
      // Rule files are listed for every library.
      {kKyrel, u"", u"", u"/cfg/a.toml;/cfg/b.toml", "Rule Files:\n\n/cfg/a.toml;/cfg/b.toml\n\n"},
      {0, u"", u"", u"", "BDE Alias File:\n\n/cfg/aliases.ini\n\n", "BDE", u"/cfg/aliases.ini"},
      {kKyrel, u"", u"", u"", "", "Kyrel", u"/cfg/aliases.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    Open();
    Select(*Form, u"cbReplaceComponents", c.library);
    Click(*Form, u"btNext");
    Form->cbConnectionDefFileName.Text = c.defs;
    Form->cbDriverConfigFileName.Text = c.drivers;
    Form->cbRuleFileNames.Text = c.rules;
    Form->cbAliasFileName.Text = c.aliases;
    for (int i = 0; i < 3; ++i) Click(*Form, u"btNext");
    EXPECT_EQ(U8(Form->lSummary.Caption),
              "Mode: Replace " + std::string(c.name) + " " + base + c.tail);
  }
}

TEST(SidePicture, IsA120By260TrueColourBitmap) {
  const TBitmap picture = DrawSidePicture();
  EXPECT_EQ(picture.Width, 120);
  EXPECT_EQ(picture.Height, 260);
  EXPECT_EQ(picture.BitsPerPixel, 24);
  ASSERT_EQ(picture.Pixels.size(), 120u * 260u * 3u);
  const std::string bmp = picture.ToBmpFile();
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(bmp.size(), 54u + 360u * 260u);  // rows of 360 bytes need no padding
  TZanWizardForm form;
  EXPECT_EQ(form.Image1.Picture.Width, 120);
}

}  // namespace
}  // namespace zan::test
