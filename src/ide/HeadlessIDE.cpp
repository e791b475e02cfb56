#include "ide/HeadlessIDE.h"

namespace zan {

class THeadlessIDE::TActionServices : public IOTAActionServices {
 public:
  explicit TActionServices(std::shared_ptr<THeadlessIDE> host) : FHost(std::move(host)) {}
  bool OpenProject(const std::u16string& projName, bool) override {
    FHost->FOpened.push_back(projName);
    try {
      FHost->LoadProject(projName);
      return true;
    } catch (const EProjectError&) {
      return false;
    }
  }
  bool ReloadFile(const std::u16string& fileName) override {
    FHost->FReloaded.push_back(fileName);
    return FHost->FFileSystem.IsFile(fileName);
  }

 private:
  std::shared_ptr<THeadlessIDE> FHost;
};

THeadlessIDE::THeadlessIDE(TFileSystem* fs)
    : FFileSystem(fs ? *fs : CurrentFileSystem()),
      FModel(FFileSystem, *this),
      FMenuServices(std::make_shared<TMainMenuServices>(IDEMainMenu())) {}

THeadlessIDE::~THeadlessIDE() = default;

void THeadlessIDE::LoadProject(const std::u16string& fileName) {
  TProjectFile file = FModel.Read(fileName);
  CloseAll();
  FModel.Open(std::move(file));
}

void THeadlessIDE::CloseAll() {
  if (!FModel.HasProject()) return;
  ++FCloseCount;
  FModel.Close();
}

bool THeadlessIDE::CloseProject() {
  CloseAll();
  return true;
}

bool THeadlessIDE::SaveProject(bool, bool) {
  ++FSaveCount;
  return true;
}

std::shared_ptr<IOTAModuleServices> THeadlessIDE::GetModuleServices() {
  return std::shared_ptr<IOTAModuleServices>(shared_from_this(), &FModel);
}

std::shared_ptr<IOTAActionServices> THeadlessIDE::GetActionServices() {
  return std::make_shared<TActionServices>(shared_from_this());
}

std::shared_ptr<INTAServices> THeadlessIDE::GetNTAServices() {
  return FMenuServices;
}

}  // namespace zan
