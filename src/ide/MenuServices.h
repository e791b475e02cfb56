// TMainMenuServices: the IDE's menu services over a main menu it owns, the
// one implementation of INTAServices that every host uses.
//
// AddActionMenu places the item with TMainMenu::Insert (MainMenu.h) and then
// calls OnChange, through which a host with a window redraws its menu bar.
// Edits made to the menu directly (GetMainMenu) call nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ide/ToolsAPI.h"

namespace zan {

class TMainMenuServices : public INTAServices {
 public:
  explicit TMainMenuServices(TMainMenu menu = {}) : FMenu(std::move(menu)) {}

  /// Called after each AddActionMenu (empty: nothing is told).
  std::function<void()> OnChange;

  TMainMenu& GetMainMenu() override { return FMenu; }
  void AddActionMenu(const std::u16string& name, std::shared_ptr<TMenuItem> item, bool insertAfter,
                     bool isMultiSelectable) override {
    FMenu.Insert(name, std::move(item), insertAfter, isMultiSelectable);
    if (OnChange) OnChange();
  }

 private:
  TMainMenu FMenu;
};

}  // namespace zan
