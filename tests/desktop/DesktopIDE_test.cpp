// The desktop host's IDE services without widgets: what the facade and the
// expert see of an open project, the file buffers (save in the file's own
// encoding, reload, close with unsaved changes) and the main-menu services.
#include "app/desktop/DesktopIDE.h"
#include "DesktopTestUtil.h"
#include "common/TestUtil.h"
#include "ide/IDEUtils.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"

namespace zan::test {
namespace {

std::u16string U(const std::filesystem::path& path) {
  return Utf8ToUtf16(path.string());
}

/// Records what the services tell their view and answers the save question.
class TRecordingView : public IDesktopIDEView {
 public:
  void ProjectChanged() override { Calls.push_back("ProjectChanged"); }
  void FileReloaded(const std::u16string& f) override {
    Calls.push_back("Reloaded|" + Utf16ToUtf8(ExtractName(f)));
  }
  void ShowFile(const std::u16string& f) override {
    Calls.push_back("Show|" + Utf16ToUtf8(ExtractName(f)));
  }
  void MenuChanged() override { Calls.push_back("MenuChanged"); }
  TSaveChangesAnswer AskSaveChanges(const std::vector<std::u16string>& files) override {
    Calls.push_back("Ask|" + std::to_string(files.size()));
    return Answer;
  }
  static std::u16string ExtractName(const std::u16string& f) { return f.substr(f.rfind(u'/') + 1); }
  std::vector<std::string> Calls;
  TSaveChangesAnswer Answer = TSaveChangesAnswer::Yes;
};

class DesktopIDETest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ide = std::make_shared<TDesktopIDE>();
    Ide->SetView(&View);
    SetBorlandIDEServices(Ide);
    Ide->LoadProject(U(Project.Project));
    View.Calls.clear();
  }
  void TearDown() override { SetBorlandIDEServices(nullptr); }

  TempDir Temp;
  TSampleProject Project{Temp.path()};
  TRecordingView View;
  std::shared_ptr<TDesktopIDE> Ide;
};

TEST_F(DesktopIDETest, TheFacadeSeesTheProjectItsUnitsAndTheirForms) {
  EXPECT_EQ(TIDEUtils::GetProjectName(), U(Project.Project));
  ASSERT_EQ(TIDEUtils::GetUnitCount(), 2);
  EXPECT_EQ(TIDEUtils::GetUnitName(1), U(Project.Data));
  auto modules = TIDEUtils::GetModuleServices();
  ASSERT_EQ(modules->GetModuleCount(), 4);  // group, project, two units
  EXPECT_EQ(modules->GetModule(0), TIDEUtils::GetProjectGroup());
  // Unit1 has its form: two files, the second a form editor; its owner is the project itself.
  auto unit1 = modules->GetModule(2);
  ASSERT_EQ(unit1->GetModuleFileCount(), 2);
  EXPECT_EQ(std::dynamic_pointer_cast<IOTAFormEditor>(unit1->GetModuleFileEditor(0)), nullptr);
  auto form = std::dynamic_pointer_cast<IOTAFormEditor>(unit1->GetModuleFileEditor(1));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(unit1->GetOwner(0), TIDEUtils::GetActiveProject());
  form->Show();
  EXPECT_EQ(modules->GetModule(3)->GetModuleFileCount(), 1);
  EXPECT_EQ(View.Calls, std::vector<std::string>{"Show|Unit1.dfm"});
  // Closing through the facade empties everything.
  EXPECT_TRUE(TIDEUtils::CloseProject());
  EXPECT_EQ(TIDEUtils::GetProjectName(), u"");
  EXPECT_FALSE(TIDEUtils::SaveProject());
  EXPECT_TRUE(TIDEUtils::OpenProject(U(Project.Project)));
  EXPECT_FALSE(TIDEUtils::OpenProject(U(Temp.path() / "none.dpr")));
  EXPECT_TRUE(Ide->HasProject());
}

TEST_F(DesktopIDETest, SavingWritesEditsInTheEncodingTheFileWasReadIn) {
  struct TCase {
    const char* Bytes;
    std::u16string Edit;
    const char* Want;
  };
  const TCase cases[] = {
      {"unit Data;\r\nend.\r\n", u"unit Data; {x}\r\nend.\r\n", "unit Data; {x}\r\nend.\r\n"},
      {"\xEF\xBB\xBFunit Data; // \xC3\xA9\r\nend.\r\n", u"unit Data; // \u00E9\u00E9\r\nend.\r\n",
       "\xEF\xBB\xBFunit Data; // \xC3\xA9\xC3\xA9\r\nend.\r\n"},
      {"unit Data; // \xE9\nend.\n", u"unit Data; // \u00E9!\nend.\n",
       "unit Data; // \xE9!\nend.\n"},
  };
  for (const TCase& c : cases) {
    WriteFileBytes(Project.Data, c.Bytes);
    ASSERT_TRUE(Ide->ReloadBuffer(U(Project.Data)));
    Ide->EditBuffer(U(Project.Data), c.Edit);
    EXPECT_EQ(Ide->ModifiedFiles().size(), 1u);
    EXPECT_EQ(ReadText(Project.Data), c.Bytes);  // nothing written before a save
    EXPECT_TRUE(TIDEUtils::SaveProject());
    EXPECT_EQ(ReadText(Project.Data), c.Want);
    EXPECT_TRUE(Ide->ModifiedFiles().empty());
  }
  // A character the file's code page cannot hold is not written, and the edit stays unsaved.
  Ide->EditBuffer(U(Project.Data), u"unit Data; // \u4E2D\nend.\n");
  EXPECT_FALSE(TIDEUtils::SaveProject());
  EXPECT_EQ(Ide->ModifiedFiles().size(), 1u);
  EXPECT_EQ(ReadText(Project.Data), "unit Data; // \xE9!\nend.\n");
}

TEST_F(DesktopIDETest, ReloadReadsTheUnitAndItsFormAgainAndDropsEdits) {
  Ide->Buffer(U(Project.Form1));
  Ide->EditBuffer(U(Project.Unit1), u"changed");
  WriteFileBytes(Project.Form1, "object Form1: TForm1\r\nend\r\n");
  EXPECT_TRUE(TIDEUtils::ReloadFile(U(Project.Unit1)));
  EXPECT_EQ(View.Calls, (std::vector<std::string>{"Reloaded|Unit1.pas", "Reloaded|Unit1.dfm"}));
  EXPECT_EQ(Ide->Buffer(U(Project.Unit1)).Text, Utf8ToUtf16(Project.Unit1Text));
  EXPECT_EQ(Ide->Buffer(U(Project.Form1)).Text, u"object Form1: TForm1\r\nend\r\n");
  EXPECT_TRUE(Ide->ModifiedFiles().empty());
  EXPECT_FALSE(TIDEUtils::ReloadFile(U(Temp.path() / "Gone.pas")));
}

TEST_F(DesktopIDETest, ClosingWithUnsavedEditsAsksFirst) {
  struct TCase {
    TSaveChangesAnswer Answer;
    bool Closed;
    std::string DataOnDisk;
  };
  const TCase cases[] = {
      {TSaveChangesAnswer::Cancel, false, Project.DataText},
      {TSaveChangesAnswer::No, true, Project.DataText},
      {TSaveChangesAnswer::Yes, true, "edited\r\n"},
  };
  for (const TCase& c : cases) {
    if (!Ide->HasProject()) Ide->LoadProject(U(Project.Project));
    WriteFileBytes(Project.Data, Project.DataText);
    Ide->ReloadBuffer(U(Project.Data));
    Ide->EditBuffer(U(Project.Data), u"edited\r\n");
    View.Answer = c.Answer;
    EXPECT_EQ(TIDEUtils::CloseProject(), c.Closed);
    EXPECT_EQ(Ide->HasProject(), !c.Closed);
    EXPECT_EQ(ReadText(Project.Data), c.DataOnDisk);
    EXPECT_EQ(View.Calls.back(), c.Closed ? "ProjectChanged" : "Ask|1");
  }
}

TEST_F(DesktopIDETest, ABinaryFormIsShownAsReadOnlyText) {
  WriteFileBytes(Project.Form1, WriteBinaryForm(Utf8ToUtf16(Project.Form1Text)));
  const TFileBuffer& form = Ide->Buffer(U(Project.Form1));
  EXPECT_TRUE(form.ReadOnly);
  EXPECT_EQ(form.Text.substr(0, 20), u"object Form1: TForm1");
  Ide->EditBuffer(U(Project.Form1), u"x");
  EXPECT_TRUE(Ide->ModifiedFiles().empty());
  // A damaged binary form is an error shown in place of the text.
  const std::string bytes = WriteBinaryForm(Utf8ToUtf16(Project.Form1Text));
  WriteFileBytes(Project.Form1, bytes.substr(0, bytes.size() / 2));
  Ide->ReloadBuffer(U(Project.Unit1));
  EXPECT_FALSE(Ide->Buffer(U(Project.Form1)).Error.empty());
}

TEST_F(DesktopIDETest, TheMenuServicesPlaceItemsAndTellTheView) {
  auto help = std::make_shared<TMenuItem>();
  help->Name = u"HelpMenu";
  help->Caption = u"&Help";
  Ide->MainMenu().Items = {help};
  TIDEUtils::AddWizard(kDefaultProductMenu, u"&Migration Wizard", u"WizardItem", [](TMenuItem&) {});
  const auto& items = Ide->MainMenu().Items;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0]->Name, u"ZantheProductMenu");
  ASSERT_EQ(items[0]->Items.size(), 1u);
  EXPECT_EQ(items[0]->Items[0]->Name, u"WizardItem");
  EXPECT_EQ(View.Calls, (std::vector<std::string>{"MenuChanged", "MenuChanged"}));
}

}  // namespace
}  // namespace zan::test
