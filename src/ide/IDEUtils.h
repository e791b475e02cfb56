// TIDEUtils: the one facade through which the engine and the wizard talk to
// the IDE about projects, files and menus.
//
// Stateless: every operation fetches its service from the process-wide
// services pointer (ToolsAPI.h) anew and passes the IDE's answers through.
// Without services, without a project group or without a project the
// operations answer empty: no name, no units, SaveProject false,
// CloseProject true. Nothing here raises of its own. Where menu items go is
// decided in MainMenu.h, for the facade and the hosts' menu services alike.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ide/ToolsAPI.h"

namespace zan {

class TIDEUtils {
 public:
  TIDEUtils() = delete;

  static std::shared_ptr<IOTAModuleServices> GetModuleServices();
  static std::shared_ptr<IOTAActionServices> GetActionServices();
  /// The first module (index order) that is a project group, or nullptr.
  static std::shared_ptr<IOTAProjectGroup> GetProjectGroup();
  static std::shared_ptr<IOTAProject> GetActiveProject();
  /// File name of the active project; empty without one.
  static std::u16string GetProjectName();
  static bool SaveProject();
  static bool CloseProject();
  static bool OpenProject(const std::u16string& projName);
  static bool ReloadFile(const std::u16string& fileName);
  static int GetUnitCount();
  /// File name of module `index` (0-based) of the active project; empty without one.
  static std::u16string GetUnitName(int index);

  /// Puts the product's top-level item into the main menu when missing (or
  /// re-captions it) and inserts the wizard's item, named `name`, under it.
  static void AddWizard(const TProductMenu& mainMenu, const std::u16string& caption,
                        const std::u16string& name, std::function<void(TMenuItem&)> clickEvent);
  /// Creates a menu item and hands it to the menu services: inside `parent`
  /// when given, else as a top-level item before the one at `index`.
  static std::shared_ptr<TMenuItem> CreateMenuItem(const std::u16string& caption,
                                                   const std::u16string& name, int index,
                                                   const std::shared_ptr<TMenuItem>& parent,
                                                   std::function<void(TMenuItem&)> clickEvent);
  /// Removes the item named `name` from the main menu (the plug-in's unload);
  /// true when it was there.
  static bool RemoveMenuItem(const std::u16string& name);
};

}  // namespace zan
