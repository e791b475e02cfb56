// The IDE's main menu as a model, and every edit made to it: where an item
// goes relative to another, how the product's top-level item is found and
// captioned, and removal.
//
// The hosts' menu services (MenuServices.h) insert through TMainMenu::Insert,
// the facade (IDEUtils.h) places the product item with FindProductItem and
// removes items with TMainMenu::Remove, so that the headless host, the Qt
// host and the test fakes build the same menu for the same calls.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zan {

/// A menu item of the IDE's main menu. Items are owned by the menu that holds
/// them; the click handler is called by the host.
class TMenuItem {
 public:
  std::u16string Name;
  std::u16string Caption;
  std::function<void(TMenuItem& sender)> OnClick;
  std::vector<std::shared_ptr<TMenuItem>> Items;  // the sub-menu, in order

  void Click() {
    if (OnClick) OnClick(*this);
  }
  /// The direct child named `name` (exact comparison), or nullptr.
  std::shared_ptr<TMenuItem> Find(const std::u16string& name) const;
};

/// The IDE's main menu: its top-level items in order.
class TMainMenu {
 public:
  std::vector<std::shared_ptr<TMenuItem>> Items;

  /// The item named `name` anywhere in the menu tree, with its parent (nullptr
  /// for a top-level item).
  std::shared_ptr<TMenuItem> FindItem(const std::u16string& name,
                                      std::shared_ptr<TMenuItem>* parent = nullptr) const;
  /// The top-level item named `name`, or nullptr.
  std::shared_ptr<TMenuItem> FindTopLevel(const std::u16string& name) const;
  /// The name of the top-level item at `index`; empty when there is none.
  std::u16string TopLevelName(int index) const;
  /// Adds `item` relative to the item named `relativeName`: with `inside`
  /// into that item's menu (at its end when `insertAfter`, else at its
  /// start), otherwise as its sibling just after or before it. Without such
  /// an item, `item` becomes the last top-level item.
  void Insert(const std::u16string& relativeName, std::shared_ptr<TMenuItem> item, bool insertAfter,
              bool inside);
  /// Removes the item named `name` from wherever it is; true when it was there.
  bool Remove(const std::u16string& name);
};

/// The IDE's usual top-level menus, "&File" to "&Help", named "FileMenu" to
/// "HelpMenu"; a product menu goes before "Help".
TMainMenu IDEMainMenu();

/// The product's top-level menu as the target library's design-time package
/// describes it: the item's component name, its caption and an alternate
/// caption used when another top-level item already shows the caption.
struct TProductMenu {
  std::u16string Name;
  std::u16string Caption;
  std::u16string AltCaption;
};

/// The text without its "&" characters (menu accelerators).
std::u16string RemoveAmpersands(std::u16string_view text);

/// The product's top-level item (nullptr while the menu has none) and the
/// caption it is to show: the alternate caption when one is given and a
/// top-level item before the product's (any, while it is missing) shows the
/// product caption, ignoring "&" and letter case; else the caption.
struct TProductPlace {
  std::shared_ptr<TMenuItem> Item;
  std::u16string Caption;
};
TProductPlace FindProductItem(const TMainMenu& menu, const TProductMenu& product);

}  // namespace zan
