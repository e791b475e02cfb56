// Where TMainMenu::Insert puts an item relative to another, and Remove: the
// placement every host's menu services and the facade rely on.
#include <gtest/gtest.h>

#include "ide/MainMenu.h"
#include "rtl/Strings.h"

namespace zan::test {
namespace {

std::shared_ptr<TMenuItem> Item(const std::u16string& name,
                                std::vector<std::shared_ptr<TMenuItem>> items = {}) {
  auto item = std::make_shared<TMenuItem>();
  item->Name = name;
  item->Items = std::move(items);
  return item;
}

/// "File[Open;Close]|Help": names, each sub-menu in brackets.
std::string Dump(const std::vector<std::shared_ptr<TMenuItem>>& items) {
  std::string dump;
  for (const auto& item : items) {
    if (!dump.empty()) dump += ";";
    dump += Utf16ToUtf8(item->Name);
    if (!item->Items.empty()) {
      dump += "[";
      dump += Dump(item->Items);
      dump += "]";
    }
  }
  return dump;
}

TEST(MainMenuTest, InsertPlacesRelativeToTheNamedItemAndRemoveTakesItOut) {
  struct TCase {
    const char16_t* Relative;
    bool InsertAfter, Inside;
    const char* Expected;
  };
  const TCase cases[] = {
      {u"Close", false, false, "File[Open;X;Close];Help"},
      {u"Close", true, false, "File[Open;Close;X];Help"},
      {u"File", false, true, "File[X;Open;Close];Help"},
      {u"File", true, true, "File[Open;Close;X];Help"},
      {u"Help", false, false, "File[Open;Close];X;Help"},
      {u"Help", true, false, "File[Open;Close];Help;X"},
      {u"Missing", false, true, "File[Open;Close];Help;X"},
      {u"", false, false, "File[Open;Close];Help;X"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.Relative) + (c.InsertAfter ? " after" : " before") +
                 (c.Inside ? " inside" : ""));
    TMainMenu menu;
    menu.Items = {Item(u"File", {Item(u"Open"), Item(u"Close")}), Item(u"Help")};
    menu.Insert(c.Relative, Item(u"X"), c.InsertAfter, c.Inside);
    EXPECT_EQ(Dump(menu.Items), c.Expected);
    EXPECT_TRUE(menu.Remove(u"X"));
    EXPECT_EQ(Dump(menu.Items), "File[Open;Close];Help");
    EXPECT_FALSE(menu.Remove(u"X"));
  }
}

}  // namespace
}  // namespace zan::test
