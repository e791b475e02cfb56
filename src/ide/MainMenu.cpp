#include "ide/MainMenu.h"

#include <algorithm>

#include "rtl/Strings.h"

namespace zan {

std::shared_ptr<TMenuItem> TMenuItem::Find(const std::u16string& name) const {
  for (const auto& item : Items)
    if (item->Name == name) return item;
  return nullptr;
}

namespace {

std::shared_ptr<TMenuItem> FindIn(const std::vector<std::shared_ptr<TMenuItem>>& items,
                                  const std::shared_ptr<TMenuItem>& owner,
                                  const std::u16string& name, std::shared_ptr<TMenuItem>* parent) {
  for (const auto& item : items) {
    if (item->Name == name) {
      if (parent) *parent = owner;
      return item;
    }
    if (auto found = FindIn(item->Items, item, name, parent)) return found;
  }
  return nullptr;
}

}  // namespace

std::shared_ptr<TMenuItem> TMainMenu::FindItem(const std::u16string& name,
                                               std::shared_ptr<TMenuItem>* parent) const {
  return FindIn(Items, nullptr, name, parent);
}

std::shared_ptr<TMenuItem> TMainMenu::FindTopLevel(const std::u16string& name) const {
  for (const auto& item : Items)
    if (item->Name == name) return item;
  return nullptr;
}

std::u16string TMainMenu::TopLevelName(int index) const {
  if (index < 0 || index >= static_cast<int>(Items.size())) return {};
  return Items[static_cast<size_t>(index)]->Name;
}

void TMainMenu::Insert(const std::u16string& relativeName, std::shared_ptr<TMenuItem> item,
                       bool insertAfter, bool inside) {
  std::shared_ptr<TMenuItem> parent;
  auto relative = FindItem(relativeName, &parent);
  if (inside && relative) {
    auto& items = relative->Items;
    items.insert(insertAfter ? items.end() : items.begin(), std::move(item));
    return;
  }
  auto& siblings = parent ? parent->Items : Items;
  auto at = std::find(siblings.begin(), siblings.end(), relative);
  if (at != siblings.end() && insertAfter) ++at;
  siblings.insert(at, std::move(item));
}

bool TMainMenu::Remove(const std::u16string& name) {
  std::shared_ptr<TMenuItem> parent;
  auto item = FindItem(name, &parent);
  if (!item) return false;
  auto& siblings = parent ? parent->Items : Items;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
  return true;
}

TMainMenu IDEMainMenu() {
  TMainMenu menu;
  for (const char16_t* name :
       {u"File", u"Edit", u"Search", u"View", u"Project", u"Run", u"Tools", u"Window", u"Help"}) {
    auto item = std::make_shared<TMenuItem>();
    item->Name = std::u16string(name) + u"Menu";
    item->Caption = std::u16string(1, u'&') + name;
    menu.Items.push_back(item);
  }
  return menu;
}

std::u16string RemoveAmpersands(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (char16_t ch : text)
    if (ch != u'&') result += ch;
  return result;
}

TProductPlace FindProductItem(const TMainMenu& menu, const TProductMenu& product) {
  TProductPlace place;
  bool clash = false;
  const std::u16string productCaption = AnsiUpperCase(RemoveAmpersands(product.Caption));
  for (const auto& item : menu.Items) {
    if (item->Name == product.Name) {
      place.Item = item;
      break;
    }
    if (!product.AltCaption.empty() &&
        AnsiUpperCase(RemoveAmpersands(item->Caption)) == productCaption)
      clash = true;
  }
  place.Caption = clash ? product.AltCaption : product.Caption;
  return place;
}

}  // namespace zan
