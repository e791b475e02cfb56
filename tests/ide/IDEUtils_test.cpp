// The IDE facade over no IDE, over the headless host, and its menu work.
#include <gtest/gtest.h>

#include "ide/HeadlessIDE.h"
#include "ide/IDEUtils.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

class IDEUtilsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetBorlandIDEServices(nullptr); }
  std::shared_ptr<THeadlessIDE> Host() {
    auto host = std::make_shared<THeadlessIDE>(&Fs);
    SetBorlandIDEServices(host);
    return host;
  }
  /// Top-level captions, with the children of `expand` in brackets.
  std::string MenuDump(const std::shared_ptr<THeadlessIDE>& host) {
    std::string dump;
    for (const auto& item : host->GetNTAServices()->GetMainMenu().Items) {
      if (!dump.empty()) dump += "|";
      dump += Utf16ToUtf8(item->Caption);
      if (!item->Items.empty()) {
        dump += "[";
        for (const auto& child : item->Items) dump += Utf16ToUtf8(child->Caption) + ";";
        dump += "]";
      }
    }
    return dump;
  }
  TMemoryFileSystem Fs;
};

TEST_F(IDEUtilsTest, WithoutServicesOrProjectEverythingIsEmpty) {
  for (bool withHost : {false, true}) {
    SCOPED_TRACE(withHost);
    if (withHost) Host();
    EXPECT_EQ(TIDEUtils::GetProjectGroup(), nullptr);
    EXPECT_EQ(TIDEUtils::GetActiveProject(), nullptr);
    EXPECT_EQ(TIDEUtils::GetProjectName(), u"");
    EXPECT_EQ(TIDEUtils::GetUnitCount(), 0);
    EXPECT_EQ(TIDEUtils::GetUnitName(0), u"");
    EXPECT_FALSE(TIDEUtils::SaveProject());
    EXPECT_TRUE(TIDEUtils::CloseProject());
  }
  SetBorlandIDEServices(nullptr);
  EXPECT_FALSE(TIDEUtils::OpenProject(u"/p/P.dpr"));
  EXPECT_FALSE(TIDEUtils::ReloadFile(u"/p/U.pas"));
}

TEST_F(IDEUtilsTest, AProjectThroughTheHeadlessHost) {
  Fs.AddFile(u"/p/P.dpr", "program P; uses U1 in 'U1.pas', U2 in 'sub\\U2.pas'; begin end.");
  Fs.AddFile(u"/p/U1.pas", "");
  auto host = Host();
  EXPECT_TRUE(TIDEUtils::OpenProject(u"/p/P.dpr"));
  EXPECT_EQ(TIDEUtils::GetProjectName(), u"/p/P.dpr");
  ASSERT_EQ(TIDEUtils::GetUnitCount(), 2);
  EXPECT_EQ(TIDEUtils::GetUnitName(0), u"/p/U1.pas");
  EXPECT_EQ(TIDEUtils::GetUnitName(1), u"/p/sub/U2.pas");  // missing: kept as the project says
  EXPECT_EQ(TIDEUtils::GetUnitName(2), u"");
  EXPECT_TRUE(TIDEUtils::SaveProject());
  EXPECT_EQ(host->SaveCount(), 1);
  EXPECT_TRUE(TIDEUtils::ReloadFile(u"/p/U1.pas"));
  EXPECT_FALSE(TIDEUtils::ReloadFile(u"/p/sub/U2.pas"));
  EXPECT_EQ(host->ReloadedFiles().size(), 2u);
  EXPECT_TRUE(TIDEUtils::CloseProject());
  EXPECT_EQ(TIDEUtils::GetProjectName(), u"");
  EXPECT_FALSE(TIDEUtils::OpenProject(u"/p/Missing.dpr"));
  EXPECT_EQ(host->OpenedProjects().size(), 2u);
}

TEST_F(IDEUtilsTest, AddWizardPutsTheProductMenuBeforeTheLastItem) {
  struct TCase {
    const char* Name;
    std::vector<std::pair<std::u16string, std::u16string>> Existing;  // name, caption before Help
    TProductMenu Product;
    std::string Expected;
  };
  const std::string ide = "&File|&Edit|&Search|&View|&Project|&Run|&Tools|&Window";
  const TCase cases[] = {
      {"new product item",
       {},
       {u"ZanMenu", u"&Zanthe", u"Z&anthe 2"},
       ide + "|&Zanthe[&Migration Wizard;]|&Help"},
      {"existing item is re-captioned, not doubled",
       {{u"ZanMenu", u"Old"}},
       {u"ZanMenu", u"&Zanthe", u""},
       ide + "|&Zanthe[&Migration Wizard;]|&Help"},
      {"clash uses the alternate caption",
       {{u"Other", u"ZAN&THE"}},
       {u"ZanMenu", u"&Zanthe", u"Zanthe &DAC"},
       ide + "|ZAN&THE|Zanthe &DAC[&Migration Wizard;]|&Help"},
      {"clash without alternate keeps the caption",
       {{u"Other", u"Zanthe"}},
       {u"ZanMenu", u"&Zanthe", u""},
       ide + "|Zanthe|&Zanthe[&Migration Wizard;]|&Help"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    auto host = Host();
    TMainMenu& menu = host->GetNTAServices()->GetMainMenu();
    for (const auto& [name, caption] : c.Existing) {
      auto item = std::make_shared<TMenuItem>();
      item->Name = name;
      item->Caption = caption;
      menu.Items.insert(menu.Items.end() - 1, item);
    }
    int clicks = 0;
    TIDEUtils::AddWizard(c.Product, u"&Migration Wizard", u"RExpertItemX",
                         [&clicks](TMenuItem&) { ++clicks; });
    EXPECT_EQ(MenuDump(host), c.Expected);
    auto item = menu.FindItem(u"RExpertItemX");
    ASSERT_NE(item, nullptr);
    item->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(TIDEUtils::RemoveMenuItem(u"RExpertItemX"));
    EXPECT_EQ(menu.FindItem(u"RExpertItemX"), nullptr);
    EXPECT_FALSE(TIDEUtils::RemoveMenuItem(u"RExpertItemX"));
  }
  EXPECT_EQ(RemoveAmpersands(u"&Zan&the&"), u"Zanthe");
}

}  // namespace
}  // namespace zan::test
