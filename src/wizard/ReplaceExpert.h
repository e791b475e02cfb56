// TCompReplaceExpert: the plug-in's wizard in the IDE. It puts "&Migration
// Wizard" under the product menu; a click shows the migration wizard and,
// after Finish, runs a replace (confirmation, project saved, forms shown, run,
// units reloaded) or a restore (confirmation, project closed, run, project
// reopened), reports the result in a message box and stores the settings.
//
// The expert holds references to the catalogue's replacers (replacer 0 is the
// default, which also restores); the catalogue owns them and must outlive
// every run. Create it with Create(), which returns the shared reference the
// IDE holds; the menu item refers to it weakly, so a click after the expert
// is gone does nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/catalogue/Replacer.h"
#include "ide/IDEUtils.h"
#include "wizard/OTAWizard.h"
#include "wizard/Wizard.h"

namespace zan {

/// The expert: menu item, replacer list (not owned), one wizard showing per
/// click and the replace or restore run around the open project.
class TCompReplaceExpert : public IOTAWizard,
                           public std::enable_shared_from_this<TCompReplaceExpert> {
 public:
  /// Creates the expert with `componentReplacer` as replacer 0 and adds its
  /// menu item under `wizardMenu` through TIDEUtils::AddWizard.
  static std::shared_ptr<TCompReplaceExpert> Create(TWizardFormClass wizardFormClass,
                                                    std::u16string_view productName,
                                                    const TProductMenu& wizardMenu,
                                                    TComponentReplacer& componentReplacer);
  ~TCompReplaceExpert() override;

  void RegisterReplacer(TComponentReplacer& componentReplacer);
  /// Asserted: 0 <= index < count.
  TComponentReplacer& GetReplacer(int replacerIndex);
  /// Replacer 0; asserted to exist.
  TComponentReplacer& GetDefaultReplacer();
  int ReplacerCount() const { return static_cast<int>(FReplacers.size()); }
  /// Forgets every replacer (the catalogue is going away); later runs assert.
  void ClearReplacers() { FReplacers.clear(); }

  // IOTAWizard
  std::u16string GetIDString() override;
  std::u16string GetName() override;
  TWizardStates GetState() override { return 0; }
  void Execute() override {}
  // IOTANotifier
  void AfterSave() override {}
  void BeforeSave() override {}
  void Destroyed() override {}
  void Modified() override {}

  /// One showing of the wizard and the run it asks for.
  void MenuItemClick(TMenuItem& sender);
  /// Options and wizard state in from / out to the settings store.
  void LoadDesktop();
  void SaveDesktop();
  void PerformReplace(TComponentReplacer& componentReplacer);
  void PerformRestore(const std::u16string& undoFile);
  /// Brings the form editor of every project module that has one to the front.
  void ShowProjectForms();

  /// The menu item's component name.
  const std::u16string& MenuItemName() const { return FMenuItemName; }
  const TProductMenu& WizardMenu() const { return FWizardMenu; }
  /// Removes the wizard's menu item, and the product item when this expert
  /// created it and nothing else is left under it (the plug-in's unload).
  void RemoveMenuItems();

 private:
  TCompReplaceExpert(TWizardFormClass wizardFormClass, std::u16string_view productName,
                     const TProductMenu& wizardMenu, TComponentReplacer& componentReplacer);
  void AddMenuItem();
  /// The settings store: the key "Software\Kestova\<product name>".
  std::u16string RegistryKey() const;

  std::u16string FProductName;
  TWizardFormClass FWizardFormClass;
  std::vector<TComponentReplacer*> FReplacers;  // not owned
  TProductMenu FWizardMenu;
  std::u16string FMenuItemName;
  bool FCreatedProductItem = false;
};

}  // namespace zan
