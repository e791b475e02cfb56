#include "ide/HeadlessIDE.h"

#include <algorithm>

namespace zan {

class THeadlessIDE::TModuleInfo : public IOTAModuleInfo {
 public:
  explicit TModuleInfo(std::u16string fileName) : FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }

 private:
  std::u16string FFileName;
};

class THeadlessIDE::TProject : public IOTAProject {
 public:
  TProject(THeadlessIDE& host, TProjectFile file) : FHost(host), FFile(std::move(file)) {
    for (const std::u16string& module : FFile.Modules)
      FModules.push_back(std::make_shared<TModuleInfo>(module));
  }
  std::u16string GetFileName() const override { return FFile.FileName; }
  bool CloseModule() override {
    FHost.CloseAll();
    return true;
  }
  bool Save(bool, bool) override {
    ++FHost.FSaveCount;
    return true;
  }
  int GetModuleCount() const override { return static_cast<int>(FModules.size()); }
  std::shared_ptr<IOTAModuleInfo> GetModule(int index) const override {
    if (index < 0 || index >= GetModuleCount()) return nullptr;
    return FModules[static_cast<size_t>(index)];
  }
  const TProjectFile& File() const { return FFile; }

 private:
  THeadlessIDE& FHost;
  TProjectFile FFile;
  std::vector<std::shared_ptr<TModuleInfo>> FModules;
};

class THeadlessIDE::TProjectGroup : public IOTAProjectGroup {
 public:
  TProjectGroup(THeadlessIDE& host, std::u16string fileName)
      : FHost(host), FFileName(std::move(fileName)) {}
  std::u16string GetFileName() const override { return FFileName; }
  bool CloseModule() override {
    FHost.CloseAll();
    return true;
  }
  bool Save(bool, bool) override { return true; }
  std::shared_ptr<IOTAProject> GetActiveProject() const override { return FHost.FProject; }

 private:
  THeadlessIDE& FHost;
  std::u16string FFileName;
};

class THeadlessIDE::TModuleServices : public IOTAModuleServices {
 public:
  explicit TModuleServices(std::shared_ptr<THeadlessIDE> host) : FHost(std::move(host)) {}
  int GetModuleCount() const override { return FHost->FGroup ? 2 : 0; }
  std::shared_ptr<IOTAModule> GetModule(int index) const override {
    if (!FHost->FGroup) return nullptr;
    if (index == 0) return FHost->FGroup;
    if (index == 1) return FHost->FProject;
    return nullptr;
  }

 private:
  std::shared_ptr<THeadlessIDE> FHost;
};

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
    return FHost->FS().IsFile(fileName);
  }

 private:
  std::shared_ptr<THeadlessIDE> FHost;
};

class THeadlessIDE::TNTAServices : public INTAServices {
 public:
  TNTAServices() {
    // The IDE's usual top-level menus; a product menu goes before "Help".
    for (const char16_t* name :
         {u"File", u"Edit", u"Search", u"View", u"Project", u"Run", u"Tools", u"Window", u"Help"}) {
      auto item = std::make_shared<TMenuItem>();
      item->Name = std::u16string(name) + u"Menu";
      item->Caption = u"&" + std::u16string(name);
      FMenu.Items.push_back(item);
    }
  }
  TMainMenu& GetMainMenu() override { return FMenu; }
  void AddActionMenu(const std::u16string& name, std::shared_ptr<TMenuItem> item, bool insertAfter,
                     bool isMultiSelectable) override {
    std::shared_ptr<TMenuItem> parent;
    auto relative = FMenu.FindItem(name, &parent);
    if (isMultiSelectable && relative) {
      auto& items = relative->Items;
      items.insert(insertAfter ? items.end() : items.begin(), std::move(item));
      return;
    }
    auto& siblings = parent ? parent->Items : FMenu.Items;
    auto at = std::find(siblings.begin(), siblings.end(), relative);
    if (at != siblings.end() && insertAfter) ++at;
    siblings.insert(at, std::move(item));
  }

 private:
  TMainMenu FMenu;
};

THeadlessIDE::THeadlessIDE(TFileSystem* fs)
    : FFileSystem(fs), FNTAServices(std::make_shared<TNTAServices>()) {}

THeadlessIDE::~THeadlessIDE() = default;

TFileSystem& THeadlessIDE::FS() {
  return FFileSystem ? *FFileSystem : CurrentFileSystem();
}

void THeadlessIDE::LoadProject(const std::u16string& fileName) {
  TProjectFile file = ReadProjectFile(FS(), fileName);
  CloseAll();
  size_t slash = fileName.rfind(u'/');
  std::u16string folder =
      slash == std::u16string::npos ? std::u16string() : fileName.substr(0, slash);
  FGroup = std::make_shared<TProjectGroup>(*this, folder + u"/ProjectGroup1.groupproj");
  FProject = std::make_shared<TProject>(*this, std::move(file));
}

void THeadlessIDE::CloseAll() {
  if (!FGroup) return;
  ++FCloseCount;
  FGroup.reset();
  FProject.reset();
}

const TProjectFile* THeadlessIDE::Project() const {
  return FProject ? &FProject->File() : nullptr;
}

std::shared_ptr<IOTAModuleServices> THeadlessIDE::GetModuleServices() {
  return std::make_shared<TModuleServices>(shared_from_this());
}

std::shared_ptr<IOTAActionServices> THeadlessIDE::GetActionServices() {
  return std::make_shared<TActionServices>(shared_from_this());
}

std::shared_ptr<INTAServices> THeadlessIDE::GetNTAServices() {
  return FNTAServices;
}

}  // namespace zan
