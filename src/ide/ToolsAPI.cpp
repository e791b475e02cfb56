#include "ide/ToolsAPI.h"

namespace zan {

namespace {
std::shared_ptr<IBorlandIDEServices>& ServicesRef() {
  static std::shared_ptr<IBorlandIDEServices> services;
  return services;
}
}  // namespace

std::shared_ptr<IBorlandIDEServices> BorlandIDEServices() {
  return ServicesRef();
}

void SetBorlandIDEServices(std::shared_ptr<IBorlandIDEServices> services) {
  ServicesRef() = std::move(services);
}

std::shared_ptr<IOTAEditor> IOTAModule::GetModuleFileEditor(int) const {
  return nullptr;
}

std::shared_ptr<IOTAProject> IOTAModule::GetOwner(int) const {
  return nullptr;
}

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

}  // namespace zan
