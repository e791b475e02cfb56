#include "ide/IDEUtils.h"

#include <algorithm>

#include "rtl/Strings.h"

namespace zan {

std::u16string RemoveAmpersands(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (char16_t ch : text)
    if (ch != u'&') result += ch;
  return result;
}

std::shared_ptr<IOTAModuleServices> TIDEUtils::GetModuleServices() {
  auto services = BorlandIDEServices();
  return services ? services->GetModuleServices() : nullptr;
}

std::shared_ptr<IOTAActionServices> TIDEUtils::GetActionServices() {
  auto services = BorlandIDEServices();
  return services ? services->GetActionServices() : nullptr;
}

std::shared_ptr<IOTAProjectGroup> TIDEUtils::GetProjectGroup() {
  auto modules = GetModuleServices();
  if (!modules) return nullptr;
  for (int i = 0; i < modules->GetModuleCount(); ++i)
    if (auto group = std::dynamic_pointer_cast<IOTAProjectGroup>(modules->GetModule(i)))
      return group;
  return nullptr;
}

std::shared_ptr<IOTAProject> TIDEUtils::GetActiveProject() {
  auto group = GetProjectGroup();
  return group ? group->GetActiveProject() : nullptr;
}

std::u16string TIDEUtils::GetProjectName() {
  auto project = GetActiveProject();
  return project ? project->GetFileName() : std::u16string();
}

bool TIDEUtils::SaveProject() {
  auto project = GetActiveProject();
  return project && project->Save(false, true);
}

bool TIDEUtils::CloseProject() {
  auto group = GetProjectGroup();
  return !group || group->CloseModule();
}

bool TIDEUtils::OpenProject(const std::u16string& projName) {
  auto actions = GetActionServices();
  return actions && actions->OpenProject(projName, true);
}

bool TIDEUtils::ReloadFile(const std::u16string& fileName) {
  auto actions = GetActionServices();
  return actions && actions->ReloadFile(fileName);
}

int TIDEUtils::GetUnitCount() {
  auto project = GetActiveProject();
  return project ? project->GetModuleCount() : 0;
}

std::u16string TIDEUtils::GetUnitName(int index) {
  auto project = GetActiveProject();
  if (!project) return {};
  auto info = project->GetModule(index);
  return info ? info->GetFileName() : std::u16string();
}

void TIDEUtils::AddWizard(const TProductMenu& mainMenu, const std::u16string& caption,
                          const std::u16string& name, std::function<void(TMenuItem&)> clickEvent) {
  auto services = BorlandIDEServices();
  auto nta = services ? services->GetNTAServices() : nullptr;
  if (!nta) return;
  TMainMenu& menu = nta->GetMainMenu();
  std::shared_ptr<TMenuItem> found, clash;
  const std::u16string productCaption = AnsiUpperCase(RemoveAmpersands(mainMenu.Caption));
  for (const auto& item : menu.Items) {
    if (item->Name == mainMenu.Name) {
      found = item;
      break;
    }
    if (!mainMenu.AltCaption.empty() &&
        AnsiUpperCase(RemoveAmpersands(item->Caption)) == productCaption)
      clash = item;
  }
  const std::u16string& chosen = clash ? mainMenu.AltCaption : mainMenu.Caption;
  if (!found)
    found = CreateMenuItem(chosen, mainMenu.Name, static_cast<int>(menu.Items.size()) - 1, nullptr,
                           nullptr);
  else
    found->Caption = chosen;
  CreateMenuItem(caption, name, 0, found, std::move(clickEvent));
}

std::shared_ptr<TMenuItem> TIDEUtils::CreateMenuItem(const std::u16string& caption,
                                                     const std::u16string& name, int index,
                                                     const std::shared_ptr<TMenuItem>& parent,
                                                     std::function<void(TMenuItem&)> clickEvent) {
  auto item = std::make_shared<TMenuItem>();
  item->Name = name;
  item->Caption = caption;
  item->OnClick = std::move(clickEvent);
  auto services = BorlandIDEServices();
  auto nta = services ? services->GetNTAServices() : nullptr;
  if (!nta) return item;
  if (parent) {
    nta->AddActionMenu(parent->Name, item, true, true);
  } else {
    TMainMenu& menu = nta->GetMainMenu();
    std::u16string relative;
    if (index >= 0 && index < static_cast<int>(menu.Items.size()))
      relative = menu.Items[index]->Name;
    nta->AddActionMenu(relative, item, false, false);
  }
  return item;
}

bool TIDEUtils::RemoveMenuItem(const std::u16string& name) {
  auto services = BorlandIDEServices();
  auto nta = services ? services->GetNTAServices() : nullptr;
  if (!nta) return false;
  TMainMenu& menu = nta->GetMainMenu();
  std::shared_ptr<TMenuItem> parent;
  auto item = menu.FindItem(name, &parent);
  if (!item) return false;
  auto& siblings = parent ? parent->Items : menu.Items;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), item), siblings.end());
  return true;
}

}  // namespace zan
