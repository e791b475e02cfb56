#include "ide/IDEUtils.h"

namespace zan {

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

namespace {
std::shared_ptr<INTAServices> MenuServices() {
  auto services = BorlandIDEServices();
  return services ? services->GetNTAServices() : nullptr;
}
}  // namespace

void TIDEUtils::AddWizard(const TProductMenu& mainMenu, const std::u16string& caption,
                          const std::u16string& name, std::function<void(TMenuItem&)> clickEvent) {
  auto nta = MenuServices();
  if (!nta) return;
  TMainMenu& menu = nta->GetMainMenu();
  auto [product, productCaption] = FindProductItem(menu, mainMenu);
  if (!product)
    product = CreateMenuItem(productCaption, mainMenu.Name, static_cast<int>(menu.Items.size()) - 1,
                             nullptr, nullptr);
  else
    product->Caption = productCaption;
  CreateMenuItem(caption, name, 0, product, std::move(clickEvent));
}

std::shared_ptr<TMenuItem> TIDEUtils::CreateMenuItem(const std::u16string& caption,
                                                     const std::u16string& name, int index,
                                                     const std::shared_ptr<TMenuItem>& parent,
                                                     std::function<void(TMenuItem&)> clickEvent) {
  auto item = std::make_shared<TMenuItem>();
  item->Name = name;
  item->Caption = caption;
  item->OnClick = std::move(clickEvent);
  auto nta = MenuServices();
  if (!nta) return item;
  if (parent)
    nta->AddActionMenu(parent->Name, item, true, true);
  else
    nta->AddActionMenu(nta->GetMainMenu().TopLevelName(index), item, false, false);
  return item;
}

bool TIDEUtils::RemoveMenuItem(const std::u16string& name) {
  auto nta = MenuServices();
  return nta && nta->GetMainMenu().Remove(name);
}

}  // namespace zan
