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

}  // namespace zan
